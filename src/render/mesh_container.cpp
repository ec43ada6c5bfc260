#include "render/mesh_container.h"

void CMeshContainer::ReleaseAllMeshData() {}
