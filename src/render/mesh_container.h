// Meshes shared by file name and vertex kind.
#pragma once

class CMeshContainer {
public:
    static void ReleaseAllMeshData();
};
