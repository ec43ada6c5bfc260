// Generated models: the unit sphere and the first set of ships, stations, asteroids and skies.
#include <cstdio>
#include <string>
#include "../datagen.h"
#include "mesh_builder.h"
#include "render/mesh.h"
#include "render/mesh_container.h"

namespace {

struct ModelFile {
    const char* path;
    meshgen::Model (*make)();
};

meshgen::Model Asteroid01() { return meshgen::MakeAsteroid(0x5eed0001u); }
meshgen::Model Asteroid02() { return meshgen::MakeAsteroid(0x5eed0002u); }

const ModelFile kModels[] = {
    {"Data/Misc/Sphere.msh", meshgen::MakeUnitSphere},
    {"Data/Space/Ship/Eagle.M1/Main.msh", meshgen::MakeFighter},
    {"Data/Space/Station/Base 01/Main.msh", meshgen::MakeStation},
    {"Data/Space/Station/Base 01/GateBay.msh", meshgen::MakeGateBay},
    {"Data/Space/Asteroid/Asteroid 01/Main.msh", Asteroid01},
    {"Data/Space/Asteroid/Asteroid 02/Main.msh", Asteroid02},
    {"Data/Space/Sky/Sky 01/Main.msh", meshgen::MakeSky},
};

} // namespace

DATAGEN_GENERATOR(meshes)
{
    for (const ModelFile& m : kModels) set.Add(m.path, meshgen::Serialize(m.make()));
    return true;
}

DATAGEN_CHECK(meshes)
{
    for (const ModelFile& m : kModels) {
        CMesh* mesh = CMeshContainer::LoadMesh(m.path, 0);
        if (!mesh || mesh->m_SubMeshCount == 0) check.Missing(std::string("mesh ") + m.path);
        CMeshContainer::ReleaseMesh(mesh);
    }
}
