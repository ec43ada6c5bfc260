#include "world/objects/game_object.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include "platform/math/mesh_data.h"
#include "render/mesh.h"
#include "world/world.h"
#include "world/world.h"

CGameObject::CGameObject() { Reinitialize(); }

CGameObject* CGameObject::Reinitialize()
{
    worldMatrix = MatrixIdentity();
    objectClass = 0;
    kind = 0;
    std::memset(textureNames, 0, sizeof textureNames);
    for (int& id : textureIds) id = -1;
    textureCount = 0.0f;
    currentTexture = 0.0f;
    drawMode = 0;
    vertexColour = 0xFFFFFFFFu;
    colourChanged = 0;
    meshCount = 0;
    for (CMesh*& m : meshes) m = nullptr;
    currentFrame = 0;
    frameCounter = 0.0f;
    animDirection = 1;
    position = Vec3();
    drawPosition = Vec3();
    rotation = Vec3();
    angularStep = Vec3();
    scale = Vec3(1.0f, 1.0f, 1.0f);
    scale2 = Vec3(1.0f, 1.0f, 1.0f);
    boundsCentre = Vec3();
    boundsRadius = 0.0f;
    for (Vec3& p : boxPoints) p = Vec3();
    return this;
}

void CGameObject::UpdateWorldMatrix() { UpdateWorldMatrixFor(g_WorldIndex); }

void CGameObject::UpdateWorldMatrixFor(int worldIndex)
{
    if (worldIndex == 0) {
        // Absolute: the three angles fully determine the orientation.
        worldMatrix = MatrixIdentity() * MatrixRotationX(rotation.x) * MatrixRotationY(rotation.y) *
                      MatrixRotationZ(rotation.z);
        return;
    }
    if (Vec3Length(angularStep) == 0.0f) return;
    // Incremental: turn about the object's own axes as they were before this step.
    Vec3 right(worldMatrix.m[0][0], worldMatrix.m[0][1], worldMatrix.m[0][2]);
    Vec3 up(worldMatrix.m[1][0], worldMatrix.m[1][1], worldMatrix.m[1][2]);
    Vec3 forward(worldMatrix.m[2][0], worldMatrix.m[2][1], worldMatrix.m[2][2]);
    Matrix rx = MatrixRotationAxis(right, angularStep.x);
    Matrix ry = MatrixRotationAxis(up, angularStep.y);
    Matrix rz = MatrixRotationAxis(forward, angularStep.z);
    worldMatrix = worldMatrix * rx * ry * rz;
}

void CGameObject::UpdateTransform() { UpdateTransformFor(g_WorldIndex); }

void CGameObject::UpdateTransformFor(int worldIndex)
{
    UpdateWorldMatrixFor(worldIndex);
    worldMatrix.m[3][0] = position.x;
    worldMatrix.m[3][1] = position.y;
    worldMatrix.m[3][2] = position.z;
    worldMatrix.m[3][3] = 1.0f;
    drawMatrix = worldMatrix;
    drawMatrix.m[3][0] = drawPosition.x;
    drawMatrix.m[3][1] = drawPosition.y;
    drawMatrix.m[3][2] = drawPosition.z;
}

void CGameObject::SetLookAt(const Vec3& eye, const Vec3& target, const Vec3& up)
{
    Matrix view = MatrixLookAtLH(eye, target, up);
    Matrix inv;
    // A degenerate view (eye on the target, up along the view) keeps the old matrix.
    if (MatrixInverse(&inv, nullptr, view)) worldMatrix = inv;
}

Vec3 CGameObject::WorldToLocal(const Vec3& point) const
{
    // Rotation rows are orthonormal, so the inverse rotation is the transpose.
    Vec3 d = point - position;
    Vec3 right(worldMatrix.m[0][0], worldMatrix.m[0][1], worldMatrix.m[0][2]);
    Vec3 up(worldMatrix.m[1][0], worldMatrix.m[1][1], worldMatrix.m[1][2]);
    Vec3 forward(worldMatrix.m[2][0], worldMatrix.m[2][1], worldMatrix.m[2][2]);
    return Vec3(Vec3Dot(d, right) / std::max(Vec3LengthSq(right), 1e-30f),
                Vec3Dot(d, up) / std::max(Vec3LengthSq(up), 1e-30f),
                Vec3Dot(d, forward) / std::max(Vec3LengthSq(forward), 1e-30f));
}

int CGameObject::SelectDetailLevelForDistance(float distance) const
{
    int n = meshCount;
    if (n <= 1) return 0;
    if (n > kMaxObjectMeshes) n = kMaxObjectMeshes;
    float reach = std::sqrt((scale.x + scale.y + scale.z) * boundsRadius / 3.0f) * 500.0f;
    // No reach (zero radius or scale) or no usable distance: the coarsest level.
    if (!(reach > 0.0f) || !(distance < reach)) return n - 1;
    int level = int(float(n) * 0.01f * (distance * 100.0f / reach));
    if (level < 0) level = 0;
    if (level >= n) level = n - 1;
    return level;
}

int CGameObject::SelectDetailLevel() const
{
    return SelectDetailLevelForDistance(Vec3Length(drawPosition - g_World.Camera().eye));
}

void CGameObject::PublishMeshHeaderValue()
{
    if (meshCount < 1 || !meshes[0]) return;
    float v = meshes[0]->HeaderFloat();
    // A damaged header must not turn into an absurd or undefined size.
    int size = 0;
    if (v >= 1.0f) size = v < 2147483520.0f ? int(v) : 2147483520;
    g_World.navGrid.SetSize(size);
}

int CGameObject::IntersectSegment(const Vec3& point)
{
    if (Vec3Length(scale2) == 0.0f) return 0;
    if (objectClass == GCLASS_LANDSCAPE) return 1;
    Vec3 ray[2] = {Vec3(point.x, 100.0f, point.z), Vec3(point.x, -100.0f, point.z)};
    Vec3 hit;
    return IntersectRays(ray, 1, &hit) ? 1 : 0;
}

void CGameObject::MorphVertices(float percent)
{
    CMesh* mesh = meshes[0];
    if (!mesh || mesh->m_SubMeshCount < 3) return;
    MeshData* a = mesh->m_SubMeshes[0];
    MeshData* b = mesh->m_SubMeshes[1];
    MeshData* out = mesh->m_SubMeshes[2];
    if (!a || !b || !out) return;
    unsigned n = a->vertexCount;
    if (b->vertexCount < n) n = b->vertexCount;
    if (out->vertexCount < n) n = out->vertexCount;
    float t = 0.01f * percent;
    for (unsigned i = 0; i < n; ++i) {
        Vec3 p0 = a->Position(i), p1 = b->Position(i);
        out->SetPosition(i, p0 + (p1 - p0) * t);
    }
}
