// Mesh files: the generator's writer against the loader, validation of damaged files,
// the shared records of the mesh container and the bounds of known shapes.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "../../tools/datagen/models/mesh_builder.h"
#include "app/settings.h"
#include "platform/math/bounds.h"
#include "render/mesh.h"
#include "render/mesh_container.h"

namespace {

std::vector<uint8_t> Bytes(const meshgen::Model& m) { return meshgen::Serialize(m); }

// A small valid file: one triangle, two frames, a point in list 4.
meshgen::Model Triangle()
{
    meshgen::Model m;
    meshgen::Vtx a, b, c;
    a.p = {0, 0, 0}, b.p = {0, 1, 0}, c.p = {1, 0, 0};
    a.n = b.n = c.n = {0, 0, -1};
    b.v = 1, c.u = 1;
    m.frames = {{a, b, c}, {a, b, c}};
    m.frames[1][1].p = {0, 2, 0};
    m.indices = {0, 1, 2};
    m.SetBox({0, 0, 0}, {1, 1, 0.5f});
    m.points[4] = {{1, 2, 3}};
    return m;
}

void PutI32At(std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); }

} // namespace

TEST(MeshFile, GeneratorAndLoaderAgree)
{
    const meshgen::Model model = meshgen::MakeFighter();
    const std::vector<uint8_t> bytes = Bytes(model);
    MeshFileData f;
    ASSERT_TRUE(ParseMeshFile(bytes.data(), bytes.size(), &f));
    EXPECT_EQ(f.subMeshCount, 1);
    EXPECT_EQ(f.vertexCount, int(model.frames[0].size()));
    EXPECT_EQ(f.faceCount, int(model.indices.size() / 3));
    EXPECT_EQ(f.indices, model.indices);
    for (size_t i = 0; i < model.frames[0].size(); i += 17) {
        EXPECT_EQ(f.vertices[i].x, model.frames[0][i].p.x);
        EXPECT_EQ(f.vertices[i].nz, model.frames[0][i].n.z);
        EXPECT_EQ(f.vertices[i].v, model.frames[0][i].v);
    }
    for (int l = 0; l < MESH_POINT_LISTS; ++l) {
        ASSERT_EQ(f.points[l].size(), model.points[l].size()) << "list " << l;
        for (size_t i = 0; i < f.points[l].size(); ++i) EXPECT_EQ(f.points[l][i].y, model.points[l][i].y);
    }
    for (int k = 0; k < 36; ++k) EXPECT_EQ(f.boxIndices[k], model.boxIdx[k]);
    float header;
    std::memcpy(&header, f.header, 4);
    EXPECT_EQ(header, 1.0f);
    // The data build must be reproducible.
    EXPECT_EQ(bytes, Bytes(meshgen::MakeFighter()));
    EXPECT_EQ(Bytes(meshgen::MakeAsteroid(7)), Bytes(meshgen::MakeAsteroid(7)));
}

TEST(MeshFile, DamagedFilesAreRefused)
{
    const std::vector<uint8_t> good = Bytes(Triangle());
    MeshFileData f;
    ASSERT_TRUE(ParseMeshFile(good.data(), good.size(), &f));
    EXPECT_EQ(f.subMeshCount, 2);

    // Every truncation is refused.
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(ParseMeshFile(good.data(), n, &f)) << "length " << n;
    // Bytes after the last point list are ignored.
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_TRUE(ParseMeshFile(longer.data(), longer.size(), &f));

    auto refused = [&](auto edit) {
        std::vector<uint8_t> b = good;
        edit(b);
        return !ParseMeshFile(b.data(), b.size(), &f);
    };
    EXPECT_TRUE(refused([](auto& b) { PutI32At(b, 12, 101); }));           // too many sub-meshes
    EXPECT_TRUE(refused([](auto& b) { PutI32At(b, 12, -1); }));
    EXPECT_TRUE(refused([](auto& b) { PutI32At(b, 16, 70000); }));         // beyond 16-bit indices
    EXPECT_TRUE(refused([](auto& b) { PutI32At(b, 16, -3); }));
    EXPECT_TRUE(refused([](auto& b) { PutI32At(b, 20, 0x40000000); }));   // faces past the end
    const size_t faces = 24 + 2 * 3 * 32;
    EXPECT_TRUE(refused([&](auto& b) { b[faces + 2] = 3; }));             // index == vertex count
    const size_t boxIdx = faces + 6 + 8 * 32;
    EXPECT_TRUE(refused([&](auto& b) { b[boxIdx + 4] = 8; }));            // box corner 8
    const size_t lists = boxIdx + 72;
    EXPECT_TRUE(refused([&](auto& b) { PutI32At(b, lists, -1); }));
    EXPECT_TRUE(refused([&](auto& b) { PutI32At(b, lists, 0x7fffffff); }));
    // Faces without vertices cannot be indexed.
    meshgen::Model noVerts;
    noVerts.indices = {0, 0, 0};
    std::vector<uint8_t> nv = Bytes(noVerts);
    EXPECT_FALSE(ParseMeshFile(nv.data(), nv.size(), &f));
}

TEST(MeshRecord, BuildsEachVertexKind)
{
    const std::vector<uint8_t> bytes = Bytes(meshgen::MakeUnitSphere());
    MeshFileData f;
    ASSERT_TRUE(ParseMeshFile(bytes.data(), bytes.size(), &f));

    CMesh plain;
    plain.Build(f);
    ASSERT_EQ(plain.m_SubMeshCount, 1);
    EXPECT_EQ(plain.m_SubMeshes[0]->stride, 32u);
    EXPECT_EQ(plain.m_SubMeshes[0]->faceCount, unsigned(f.faceCount));
    // Bounds of the unit sphere.
    EXPECT_NEAR(plain.m_BoundMin.x, -1.0f, 1e-4f);
    EXPECT_NEAR(plain.m_BoundMax.y, 1.0f, 1e-4f);
    EXPECT_NEAR(plain.m_SphereRadius, 1.0f, 0.05f);
    EXPECT_NEAR(Vec3Length(plain.m_SphereCenter), 0.0f, 0.05f);
    EXPECT_EQ(plain.m_BoxVertices[0].diffuse, 0xffff0000u);
    EXPECT_EQ(plain.m_BoxVertices[7].x, 1.0f);

    CMesh lit;
    lit.m_VertexType = 1;
    lit.Build(f);
    ASSERT_EQ(lit.m_SubMeshCount, 1);
    const MeshData* l = lit.m_SubMeshes[0];
    EXPECT_EQ(l->stride, 28u);
    for (unsigned i = 0; i < l->vertexCount; ++i) {
        const MeshLVertex* v = reinterpret_cast<const MeshLVertex*>(l->Vertex(i));
        ASSERT_EQ(v->diffuse, 0xffffffffu);
        ASSERT_EQ(v->specular, 0u);
    }

    CMesh bump;
    bump.m_VertexType = 2;
    bump.Build(f);
    const MeshData* b = bump.m_SubMeshes[0];
    EXPECT_EQ(b->stride, 44u);
    for (unsigned i = 0; i < b->vertexCount; ++i) {
        const MeshBumpVertex* v = reinterpret_cast<const MeshBumpVertex*>(b->Vertex(i));
        float len = std::sqrt(v->tx * v->tx + v->ty * v->ty + v->tz * v->tz);
        ASSERT_FALSE(std::isnan(len));
        // Pole vertices of the tessellation may have no tangent; the rest are unit and
        // perpendicular to the normal.
        if (len > 0.0f) {
            EXPECT_NEAR(len, 1.0f, 1e-3f);
            EXPECT_NEAR(v->tx * v->nx + v->ty * v->ny + v->tz * v->nz, 0.0f, 0.05f);
        }
    }
}

TEST(MeshRecord, OneFrameWithoutFaces)
{
    meshgen::Model m = Triangle();
    m.frames.resize(1);
    m.indices.clear();
    const std::vector<uint8_t> bytes = Bytes(m);
    MeshFileData f;
    ASSERT_TRUE(ParseMeshFile(bytes.data(), bytes.size(), &f));
    CMesh mesh;
    mesh.Build(f);
    ASSERT_EQ(mesh.m_SubMeshCount, 1);
    EXPECT_EQ(mesh.m_SubMeshes[0]->faceCount, 0u);
    ASSERT_NE(mesh.GetPoint(MESH_POINTS_ENGINE, 0), nullptr);
    EXPECT_EQ(mesh.GetPoint(MESH_POINTS_ENGINE, 0)->z, 3.0f);
    EXPECT_EQ(mesh.GetPoint(MESH_POINTS_ENGINE, 1), nullptr);
    EXPECT_EQ(mesh.GetPoint(9, 0), nullptr);
}

TEST(MeshModels, FrontFacesAreCounterClockwiseFromOutside)
{
    // The default states cull clockwise triangles: a front face is counter-clockwise seen
    // from outside, so cross(c - a, b - a) points away from the inside (left-handed).
    auto outward = [](const meshgen::Model& m, meshgen::P3 inside) {
        int wrong = 0;
        const auto& v = m.frames[0];
        for (size_t t = 0; t < m.indices.size(); t += 3) {
            meshgen::P3 a = v[m.indices[t]].p, b = v[m.indices[t + 1]].p, c = v[m.indices[t + 2]].p;
            meshgen::P3 n = meshgen::Cross(c - a, b - a);
            if (meshgen::Dot(n, n) < 1e-12f) continue;
            if (meshgen::Dot(n, (a + b + c) * (1.0f / 3.0f) - inside) <= 0) ++wrong;
        }
        return wrong;
    };
    EXPECT_EQ(outward(meshgen::MakeUnitSphere(), {0, 0, 0}), 0);
    EXPECT_EQ(outward(meshgen::MakeAsteroid(3), {0, 0, 0}), 0);
    // The sky is seen from inside: every face turns towards the centre.
    meshgen::Model sky = meshgen::MakeSky();
    int inward = 0, faces = 0;
    for (size_t t = 0; t < sky.indices.size(); t += 3, ++faces) {
        const auto& v = sky.frames[0];
        meshgen::P3 a = v[sky.indices[t]].p, b = v[sky.indices[t + 1]].p, c = v[sky.indices[t + 2]].p;
        if (meshgen::Dot(meshgen::Cross(c - a, b - a), a + b + c) < 0) ++inward;
    }
    EXPECT_EQ(inward, faces);
    // The hit box faces outward too.
    meshgen::Model box;
    box.SetBox({-1, -2, -3}, {1, 2, 3});
    for (int k = 0; k < 36; k += 3) {
        meshgen::P3 a = box.box[box.boxIdx[k]], b = box.box[box.boxIdx[k + 1]], c = box.box[box.boxIdx[k + 2]];
        EXPECT_GT(meshgen::Dot(meshgen::Cross(c - a, b - a), a + b + c), 0) << "box triangle " << k / 3;
    }
}

// A parasite latched onto a station sits at one of its latch points: seen from outside along
// the way out from the hub, no face of the station may stand in front of it.
TEST(MeshModels, StationLatchPointsLieOutsideTheHull)
{
    const meshgen::Model station = meshgen::MakeStation();
    const auto& v = station.frames[0];
    ASSERT_FALSE(station.points[0].empty());
    for (const meshgen::P3& p : station.points[0]) {
        const Vec3 at(p.x, p.y, p.z);
        const Vec3 out = Vec3Normalize(at);
        int faces = 0;
        for (size_t t = 0; t < station.indices.size(); t += 3) {
            const meshgen::P3 a = v[station.indices[t]].p, b = v[station.indices[t + 1]].p, c = v[station.indices[t + 2]].p;
            faces += IntersectTri(Vec3(a.x, a.y, a.z), Vec3(b.x, b.y, b.z), Vec3(c.x, c.y, c.z), at, out, nullptr, nullptr,
                                  nullptr);
        }
        EXPECT_EQ(faces, 0) << "latch point (" << p.x << ", " << p.y << ", " << p.z << ")";
    }
}

// Loose mesh files in a scratch directory, read the way the game reads them.
class MeshContainerTest : public ::testing::Test {
protected:
    std::string dir, oldDir;
    int oldUseFileManager = 1, oldDebugOut = 0;

    void SetUp() override
    {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
        oldDir = cwd;
        char tmpl[] = "/tmp/korvane-mesh-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        std::system("mkdir -p Data/Misc");
        Write("Data/Misc/Sphere.msh", Bytes(meshgen::MakeUnitSphere()));
        std::vector<uint8_t> bad = Bytes(Triangle());
        bad[12] = 101;  // sub-mesh count out of range
        Write("Data/Misc/Bad.msh", bad);
        oldUseFileManager = g_Settings.useFileManager;
        oldDebugOut = g_Settings.debugOut;
        g_Settings.useFileManager = 0;
        g_Settings.debugOut = 1;
    }
    void TearDown() override
    {
        CMeshContainer::ReleaseAllMeshData();
        g_Settings.useFileManager = oldUseFileManager;
        g_Settings.debugOut = oldDebugOut;
        ASSERT_EQ(chdir(oldDir.c_str()), 0);
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    static void Write(const char* path, const std::vector<uint8_t>& b)
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    static std::string Log()
    {
        std::ifstream in("debug.txt");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(MeshContainerTest, SharesByNameAndKind)
{
    CMesh* a = CMeshContainer::LoadMesh("Data/Misc/Sphere.msh", 0);
    CMesh* b = CMeshContainer::LoadMesh("Data/Misc/Sphere.msh", 0);
    CMesh* lit = CMeshContainer::LoadMesh("Data/Misc/Sphere.msh", 1);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, lit);
    EXPECT_EQ(a->m_RefCount, 2);
    EXPECT_EQ(lit->m_RefCount, 1);
    EXPECT_EQ(a->m_SubMeshCount, 1);
    EXPECT_EQ(CMeshContainer::Count(), 2);
    EXPECT_LT(a->m_ID, lit->m_ID);
    EXPECT_STREQ(a->m_Name, "Data/Misc/Sphere.msh");
    // Names compare exactly.
    CMesh* other = CMeshContainer::LoadMesh("data/Misc/Sphere.msh", 0);
    EXPECT_NE(other, a);
    EXPECT_EQ(other->m_SubMeshCount, 0);

    CMeshContainer::ReleaseMesh(a);
    EXPECT_EQ(CMeshContainer::Count(), 3);
    CMeshContainer::ReleaseMesh(b);  // second release frees it
    EXPECT_EQ(CMeshContainer::Count(), 2);
    // IDs are never reused.
    CMesh* again = CMeshContainer::LoadMesh("Data/Misc/Sphere.msh", 0);
    EXPECT_GT(again->m_ID, other->m_ID);
    CMeshContainer::ReleaseMesh(nullptr);
}

TEST_F(MeshContainerTest, MissingAndDamagedFilesGiveEmptyRecords)
{
    for (const char* name : {"Data/Misc/None.msh", "Data/Misc/Bad.msh"}) {
        CMesh* m = CMeshContainer::LoadMesh(name, 0);
        ASSERT_NE(m, nullptr) << name;
        EXPECT_EQ(m->m_SubMeshCount, 0);
        EXPECT_EQ(m->m_SphereRadius, 0.0f);
        EXPECT_EQ(m->m_PointCount[0], 0);
        EXPECT_EQ(m->m_RefCount, 1);
    }
    EXPECT_NE(Log().find("Data/Misc/Bad.msh"), std::string::npos);
}

TEST_F(MeshContainerTest, ReleaseBelowZeroIsReportedAndShutDownFreesAll)
{
    CMesh* m = CMeshContainer::LoadMesh("Data/Misc/Sphere.msh", 0);
    m->m_RefCount = 0;
    CMeshContainer::ReleaseMesh(m);
    EXPECT_EQ(CMeshContainer::Count(), 1);
    EXPECT_NE(Log().find("Mesh reference counter in use! (ID: "), std::string::npos);
    CMeshContainer::LoadMesh("Data/Misc/Sphere.msh", 1);
    CMeshContainer::ReleaseAllMeshData();
    EXPECT_EQ(CMeshContainer::Count(), 0);
    EXPECT_EQ(CMeshContainer::GetFirst(), nullptr);
    const std::string log = Log();
    EXPECT_NE(log.find("CMeshContainer::ReleaseAllMeshData() start..."), std::string::npos);
    EXPECT_NE(log.find("\tMesh lost! (ID: "), std::string::npos);
    EXPECT_NE(log.find("CMeshContainer::ReleaseAllMeshData() done!"), std::string::npos);
}
