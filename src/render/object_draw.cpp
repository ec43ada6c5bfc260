#include "render/object_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include "app/settings.h"
#include "platform/math/bounds.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "render/light.h"
#include "render/mesh.h"
#include "render/mesh_container.h"
#include "menus/station_menu.h"
#include "world/objects/attached_effect.h"
#include "world/game_clock.h"
#include "world/objects/game_object.h"
#include "world/world.h"

// ---- tangents and the bump declaration ----

void ComputeMeshTangents(MeshData* mesh)
{
    if (!mesh || mesh->vertexKind != MESH_VERTEX_BUMP) return;
    const unsigned n = mesh->vertexCount;
    std::vector<Vec3> sum(n);
    const size_t indexCount = mesh->indices.size() - mesh->indices.size() % 3;
    for (size_t t = 0; t < indexCount; t += 3) {
        const unsigned tri[3] = {mesh->indices[t], mesh->indices[t + 1], mesh->indices[t + 2]};
        if (tri[0] >= n || tri[1] >= n || tri[2] >= n) continue;
        for (int c = 0; c < 3; ++c) {
            const MeshBumpVertex* P = reinterpret_cast<const MeshBumpVertex*>(mesh->Vertex(tri[c]));
            const MeshBumpVertex* Q = reinterpret_cast<const MeshBumpVertex*>(mesh->Vertex(tri[(c + 1) % 3]));
            const MeshBumpVertex* R = reinterpret_cast<const MeshBumpVertex*>(mesh->Vertex(tri[(c + 2) % 3]));
            Vec3 N(P->nx, P->ny, P->nz);
            Vec3 E = Vec3(Q->x, Q->y, Q->z) - Vec3(P->x, P->y, P->z);
            Vec3 G = Vec3(R->x, R->y, R->z) - Vec3(P->x, P->y, P->z);
            E = E - N * Vec3Dot(E, N);
            G = G - N * Vec3Dot(G, N);
            float a = R->u - P->u;
            float b = Q->u - P->u;
            if ((Q->v - P->v) * a > (R->v - P->v) * b) {
                a = -a;
                b = -b;
            }
            Vec3 t3 = Vec3Normalize(E * a - G * b);
            // Degenerate corners (and non-finite input) add nothing.
            if (std::isfinite(t3.x) && std::isfinite(t3.y) && std::isfinite(t3.z)) sum[tri[c]] += t3;
        }
    }
    for (unsigned i = 0; i < n; ++i) {
        Vec3 t3 = Vec3Normalize(sum[i]);
        MeshBumpVertex* v = reinterpret_cast<MeshBumpVertex*>(mesh->Vertex(i));
        v->tx = t3.x;
        v->ty = t3.y;
        v->tz = t3.z;
    }
}

void* GetMeshVertexDecl(CMesh* mesh)
{
    if (!mesh) return nullptr;
    if (!mesh->m_VertexDecl && g_D3DRender.device) {
        static const D3DVERTEXELEMENT9 elements[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
            {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
            D3DDECL_END(),
        };
        GfxVertexDeclaration* decl = nullptr;
        if (SUCCEEDED(g_D3DRender.device->CreateVertexDeclaration(elements, &decl))) mesh->m_VertexDecl = decl;
    }
    return mesh->m_VertexDecl;
}

void ReleaseMeshVertexDecl(CMesh* mesh)
{
    if (!mesh || !mesh->m_VertexDecl) return;
    static_cast<GfxVertexDeclaration*>(mesh->m_VertexDecl)->Release();
    mesh->m_VertexDecl = nullptr;
}

// ---- small helpers ----

namespace {

bool IsZero(const Vec3& v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }

bool IsLeafKind(int kind) { return kind == GTYPE_SP_LEAFSHIP || kind == GTYPE_SP_LEAFSTATION; }

bool HasDrawableFirstMesh(const CGameObject& o)
{
    return o.meshCount > 0 && o.meshes[0] && o.meshes[0]->m_SubMeshCount > 0;
}

// The sub-mesh of the current animation frame, clamped to the last one.
MeshData* FrameSubMesh(const CMesh* mesh, unsigned frame)
{
    if (!mesh || mesh->m_SubMeshCount <= 0) return nullptr;
    unsigned last = unsigned(mesh->m_SubMeshCount - 1);
    return mesh->m_SubMeshes[frame > last ? last : frame];
}

// True when the sub-mesh's box, placed by `world` and the device's view and projection, lies
// wholly beyond one side of the view volume. The box comes from the vertices as they are now:
// animated and morphing meshes move them.
bool SubMeshOutsideView(GfxDevice* dev, const MeshData& sub, const Matrix& world)
{
    if (sub.stride < 12 || sub.vertices.size() < size_t(sub.vertexCount) * sub.stride) return false;
    Vec3 mn, mx;
    if (!ComputeBoundingBox(sub.vertices.data(), sub.vertexCount, sub.stride, &mn, &mx)) return false;
    Matrix view = MatrixIdentity(), proj = MatrixIdentity();
    if (FAILED(dev->GetTransform(D3DTS_VIEW, &view)) || FAILED(dev->GetTransform(D3DTS_PROJECTION, &proj)))
        return false;
    const Matrix wvp = world * view * proj;
    // Bits of the sides each corner lies beyond; the x and y sides get a little room for the
    // half-pixel shift the device adds.
    unsigned all = 0x3F;
    for (int c = 0; c < 8 && all; ++c) {
        const Vec3 corner((c & 1) ? mx.x : mn.x, (c & 2) ? mx.y : mn.y, (c & 4) ? mx.z : mn.z);
        const Vec4 q = Vec3Transform(corner, wvp);
        if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z) || !std::isfinite(q.w)) return false;
        const float w = q.w * 1.01f;
        unsigned out = 0;
        if (q.x < -w) out |= 1;
        if (q.x > w) out |= 2;
        if (q.y < -w) out |= 4;
        if (q.y > w) out |= 8;
        if (q.z < 0.0f) out |= 16;
        if (q.z > q.w) out |= 32;
        all &= out;
    }
    return all != 0;
}

void DrawSubMesh(const MeshData* sub, unsigned fvf, const Matrix& world)
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev || !sub || sub->faceCount == 0 || sub->vertexCount == 0) return;
    if (SubMeshOutsideView(dev, *sub, world)) {
        g_D3DRender.facesDrawn += int(sub->faceCount);
        return;
    }
    if (fvf) dev->SetFVF(fvf);
    dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, sub->vertexCount, sub->faceCount, sub->indices.data(),
                                D3DFMT_INDEX16, sub->vertices.data(), sub->stride);
    g_D3DRender.facesDrawn += int(sub->faceCount);
}

D3DCOLORVALUE Colour(float r, float g, float b, float a) { return D3DCOLORVALUE{r, g, b, a}; }

// Segment (start, end) against one triangle; t is the fraction along the segment.
bool SegmentTri(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& start, const Vec3& dir, float* t)
{
    float dist = 0.0f;
    if (!IntersectTri(a, b, c, start, dir, nullptr, nullptr, &dist)) return false;
    if (dist < 0.0f || dist > 1.0f) return false;
    *t = dist;
    return true;
}

bool SegmentBoxMinMax(const Vec3& mn, const Vec3& mx, const Vec3& start, const Vec3& end, float* outT)
{
    Vec3 c[8];
    for (int i = 0; i < 8; ++i) c[i] = Vec3((i & 1) ? mx.x : mn.x, (i & 2) ? mx.y : mn.y, (i & 4) ? mx.z : mn.z);
    static const uint16_t tris[36] = {0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3, 0, 4, 5, 0, 5, 1,
                                      2, 3, 7, 2, 7, 6, 0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5};
    Vec3 dir = end - start;
    bool hit = false;
    float best = 2.0f;
    for (int k = 0; k < 36; k += 3) {
        float t;
        if (SegmentTri(c[tris[k]], c[tris[k + 1]], c[tris[k + 2]], start, dir, &t) && t < best) {
            best = t;
            hit = true;
        }
    }
    if (hit) *outT = best;
    return hit;
}

// The nearest of several segment hits. Segments are compared by distance along their own
// length in world units, so segments of different lengths compare fairly.
struct NearestSegmentHit {
    bool hit = false;
    float best = 0.0f;
    Vec3 point;

    void Offer(const Vec3& s, const Vec3& e, float t)
    {
        const float d = t * Vec3Length(e - s);
        if (!hit || d < best) {
            best = d;
            point = s + (e - s) * t;
            hit = true;
        }
    }
    bool Report(Vec3* outPoint) const
    {
        if (hit && outPoint) *outPoint = point;
        return hit;
    }
};

} // namespace

bool IntersectSegmentMesh(const MeshData& mesh, const Vec3& start, const Vec3& end, float* outT)
{
    MeshHit nearest;
    Vec3 dir = end - start;
    if (IsZero(dir)) return false;
    // The nearest hit is the one nearest the start (no face is hit behind it): the segment
    // meets the mesh when that one lies within it.
    if (!IntersectMeshWithin(mesh, start, dir, 1.0f, &nearest)) return false;
    if (outT) *outT = nearest.dist;
    return true;
}

bool IntersectSegmentBox(const CMesh& mesh, const Vec3& start, const Vec3& end, float* outT)
{
    Vec3 dir = end - start;
    if (IsZero(dir)) return false;
    bool hit = false;
    float best = 2.0f;
    for (int k = 0; k < MESH_BOX_TRIANGLES * 3; k += 3) {
        const MeshLVertex& a = mesh.m_BoxVertices[mesh.m_BoxIndices[k] % MESH_BOX_CORNERS];
        const MeshLVertex& b = mesh.m_BoxVertices[mesh.m_BoxIndices[k + 1] % MESH_BOX_CORNERS];
        const MeshLVertex& c = mesh.m_BoxVertices[mesh.m_BoxIndices[k + 2] % MESH_BOX_CORNERS];
        float t;
        if (SegmentTri(Vec3(a.x, a.y, a.z), Vec3(b.x, b.y, b.z), Vec3(c.x, c.y, c.z), start, dir, &t) && t < best) {
            best = t;
            hit = true;
        }
    }
    if (hit && outT) *outT = best;
    return hit;
}

Matrix ObjectScaledMatrix(const CGameObject& o, bool useWorldMatrix)
{
    Vec3 s(o.scale.x * o.scale2.x, o.scale.y * o.scale2.y, o.scale.z * o.scale2.z);
    if (useWorldMatrix && !IsLeafKind(o.kind)) s = o.scale;
    return MatrixScaling(s.x, s.y, s.z) * (useWorldMatrix ? o.worldMatrix : o.drawMatrix);
}

unsigned PulseIntensity(unsigned gameTimeMs)
{
    // One swell every two seconds between a faint and a full second layer.
    const float phase = float(gameTimeMs % 2000u) / 2000.0f * 2.0f * float(M_PI);
    float k = 0.5f + 0.5f * std::cos(phase);
    unsigned i = unsigned(32.0f + 223.0f * k);
    return i > 255 ? 255 : i;
}

// Hit-test transform: the object's scale (both scale vectors) times its world matrix.
static bool HitTransform(const CGameObject& o, Matrix* toWorld, Matrix* toObject)
{
    Vec3 s(o.scale.x * o.scale2.x, o.scale.y * o.scale2.y, o.scale.z * o.scale2.z);
    if (s.x == 0.0f || s.y == 0.0f || s.z == 0.0f) return false;
    *toWorld = MatrixScaling(s.x, s.y, s.z) * o.worldMatrix;
    return MatrixInverse(toObject, nullptr, *toWorld);
}

bool IntersectBoxSegmentList(CGameObject* o, const Vec3* segments, int segmentCount, Vec3* outPoint)
{
    if (!o || !segments || segmentCount <= 0 || !HasDrawableFirstMesh(*o)) return false;
    Matrix toWorld, toObject;
    if (!HitTransform(*o, &toWorld, &toObject)) return false;
    NearestSegmentHit nearest;
    for (int i = 0; i < segmentCount; ++i) {
        const Vec3& s = segments[2 * i];
        const Vec3& e = segments[2 * i + 1];
        float t;
        if (!IntersectSegmentBox(*o->meshes[0], Vec3TransformCoord(s, toObject), Vec3TransformCoord(e, toObject), &t))
            continue;
        nearest.Offer(s, e, t);
    }
    return nearest.Report(outPoint);
}

// ---- textures, meshes, bounds ----

void CGameObject::AddTexture(int slot, const char* name, int mips)
{
    if (slot < 0 || slot >= kMaxObjectTextures) {
        DebugOutF("Texture slot out of range: %d", slot);
        return;
    }
    std::snprintf(textureNames[slot], kTextureNameLength, "%s", name ? name : "");
    textureIds[slot] = g_D3DRender.LoadTexture(name, mips, -1);
    if (textureIds[slot] != -1) textureCount += 1.0f;
}

void CGameObject::ReleaseTextures()
{
    for (int i = 0; i < kMaxObjectTextures; ++i) {
        if (textureIds[i] != -1) g_D3DRender.ReleaseTexture(textureIds[i]);
        textureIds[i] = -1;
    }
    textureCount = 0.0f;
}

void CGameObject::AddMesh(const char* fileName, int vertexKind)
{
    if (meshCount < 0) meshCount = 0;
    if (meshCount >= kMaxObjectMeshes) {
        DebugOutF("Too many meshes: %s", fileName ? fileName : "");
        return;
    }
    meshes[meshCount++] = CMeshContainer::LoadMesh(fileName, vertexKind);
    if (objectClass == GCLASS_LANDSCAPE && meshCount == 1) PublishMeshHeaderValue();
}

void CGameObject::ReleaseMeshes()
{
    int n = meshCount > kMaxObjectMeshes ? kMaxObjectMeshes : meshCount;
    for (int i = 0; i < n; ++i) {
        CMeshContainer::ReleaseMesh(meshes[i]);
        meshes[i] = nullptr;
    }
    meshCount = 0;
}

void CGameObject::UpdateBounds()
{
    const CMesh* m = meshCount > 0 ? meshes[0] : nullptr;
    if (!m) {
        boundsCentre = Vec3();
        boundsRadius = 0.0f;
        for (Vec3& p : boxPoints) p = Vec3();
        return;
    }
    boundsCentre = Vec3(m->m_SphereCenter.x * scale.x, m->m_SphereCenter.y * scale.y, m->m_SphereCenter.z * scale.z);
    float s = std::fabs(scale.x);
    if (std::fabs(scale.y) > s) s = std::fabs(scale.y);
    if (std::fabs(scale.z) > s) s = std::fabs(scale.z);
    boundsRadius = m->m_SphereRadius * s;

    // Front face (+z) of the box: centre first, then the corners, then the edge middles,
    // so that the first probes are the most useful ones.
    const Vec3& mn = m->m_BoundMin;
    const Vec3& mx = m->m_BoundMax;
    const float cx = (mn.x + mx.x) * 0.5f, cy = (mn.y + mx.y) * 0.5f;
    const float xy[kBoxPointCount][2] = {{cx, cy},     {mn.x, mx.y}, {mx.x, mx.y}, {mx.x, mn.y}, {mn.x, mn.y},
                                         {cx, mx.y},   {mx.x, cy},   {cx, mn.y},   {mn.x, cy}};
    for (int i = 0; i < kBoxPointCount; ++i)
        boxPoints[i] = Vec3(xy[i][0] * scale.x, xy[i][1] * scale.y, mx.z * scale.z);
}

void CGameObject::UpdateVertexColour()
{
    int n = meshCount > kMaxObjectMeshes ? kMaxObjectMeshes : meshCount;
    for (int i = 0; i < n; ++i) {
        CMesh* m = meshes[i];
        if (!m || m->m_VertexType != D3D_LVERTEX) continue;
        MeshData* sub = FrameSubMesh(m, currentFrame);
        if (!sub || sub->vertexKind != MESH_VERTEX_LIT_TEX) continue;
        for (unsigned v = 0; v < sub->vertexCount; ++v)
            reinterpret_cast<MeshLVertex*>(sub->Vertex(v))->diffuse = vertexColour;
    }
    colourChanged = 0;
}

// ---- drawing ----

void CGameObject::SetDrawStates(int alpha)
{
    CD3DRender& r = g_D3DRender;
    GfxDevice* dev = r.device;
    if (!dev) return;
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);

    int frame = int(currentTexture);
    if (frame < 0 || frame >= kMaxObjectTextures) frame = 0;
    const int frameId = textureIds[frame];
    const bool notBmp = std::strstr(textureNames[frame], ".bmp") == nullptr;
    auto bindFrame = [&](bool alwaysBlend) { r.SetTexture(frameId, (alwaysBlend || alpha || notBmp) ? 1 : 0); };
    auto depth = [&](int test, int write) {
        r.SetZEnable(test);
        r.SetZWriteEnable(write);
    };

    if (drawMode == 1) {
        // Faded objects share their mesh, so the colour is written whenever the vertices
        // hold another object's colour, not only when this one changed it.
        bool stale = colourChanged != 0;
        if (!stale && meshCount > 0 && meshes[0] && meshes[0]->m_VertexType == D3D_LVERTEX) {
            const MeshData* sub = FrameSubMesh(meshes[0], currentFrame);
            if (sub && sub->vertexCount && reinterpret_cast<const MeshLVertex*>(sub->Vertex(0))->diffuse != vertexColour)
                stale = true;
        }
        if (stale) UpdateVertexColour();
        bindFrame(true);
        r.SetLighting(0);
        bool noWrite = kind == GTYPE_SP_STAR || kind == GEFFECT_PLANETSKY ||
                       (kind >= GEFFECT_OBJECTLIGHT1 && kind <= GEFFECT_OBJECTLIGHT3) ||
                       (kind >= GEFFECT_ENGINEFLAME && kind <= GEFFECT_ENGINETRAIL) || kind == GEFFECT_PLANETGALO ||
                       kind == GEFFECT_EXPLODE || kind == GEFFECT_SMOKECLOUD || kind == GEFFECT_SIGNBOARD ||
                       kind == GTYPE_LASER_WEAPON;
        depth(1, noWrite ? 0 : 1);
        r.SetSrcBlend(D3DBLEND_ONE);
        r.SetDestBlend(D3DBLEND_ONE);
    } else if (drawMode == 2) {
        if (kind == GEFFECT_COCKPIT_SCREEN3) {
            bindFrame(true);
            r.SetLighting(alpha);
            depth(0, 0);
        } else if (kind == GEFFECT_SELFILLUM_FLAT) {
            bindFrame(false);
            r.SetLighting(alpha);
            depth(0, 0);
        } else {
            bindFrame(false);
            r.SetLighting(alpha);
            depth(1, 1);
        }
    } else if (objectClass == GCLASS_LANDSCAPE) {
        r.SetLighting(1);
        depth(0, 0);
    } else if (objectClass == GCLASS_FLAT || objectClass == GCLASS_LOW) {
        bindFrame(false);
        r.SetLighting(1);
        depth(0, 0);
    } else if (objectClass == GCLASS_SPACE_SKY) {
        bindFrame(false);
        r.SetLighting(0);
        depth(0, 0);
    } else if (kind == GTYPE_SP_PLANET || kind == GEFFECT_ASTEROIDS_FIELD) {
        bindFrame(false);
        r.SetLighting(1);
        depth(1, 0);
    } else if (kind == GEFFECT_OBJECTSHADOW) {
        // A shadow is always an attached effect; its parent says how it meets the ground.
        const CGameObject* parent = static_cast<const CAttachedEffect*>(this)->parent;
        bool character = parent && (parent->objectClass == GCLASS_CHARACTER_HERO ||
                                    parent->objectClass == GCLASS_CHARACTER_NPC);
        bindFrame(false);
        r.SetLighting(1);
        if (character) {
            depth(1, 1);
            dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_NOTEQUAL);
        } else {
            depth(0, 0);
        }
    } else {
        bindFrame(false);
        r.SetLighting(1);
        depth(1, 1);
    }

    D3DMATERIAL9 mat;
    const D3DCOLORVALUE one = Colour(1, 1, 1, 1);
    if (alpha) {
        mat.Diffuse = one;
        mat.Emissive = Colour(0, 0.5f, 0, 1);
        if (objectClass == GCLASS_SPACE_OBJECT && (kind == GEFFECT_ASTEROIDS_FIELD || kind == GTYPE_SP_ASTEROID))
            mat.Diffuse = Colour(0.5f, 0.5f, 0.5f, 1);
    } else if (objectClass == GCLASS_CHARACTER_HERO || objectClass == GCLASS_CHARACTER_NPC) {
        mat.Diffuse = mat.Ambient = one;
    } else if (objectClass == GCLASS_BULLET || objectClass == GCLASS_SPACE_SHIP) {
        mat.Diffuse = mat.Ambient = one;
        if (!IsLeafKind(kind)) {
            mat.Specular = one;
            mat.Power = 32.0f;
        }
    } else {
        mat.Diffuse = mat.Ambient = one;
        // The station's sector map shows the sector's rocks and planets dimmed.
        if (g_StationMenuActive && g_StationMenuPage == 2 &&
            (kind == GTYPE_SP_ASTEROID || kind == GTYPE_SP_PLANET || kind == GEFFECT_ASTEROIDS_FIELD))
            mat.Diffuse = mat.Ambient = Colour(0.5f, 0.5f, 0.5f, 1);
        if (kind == GEFFECT_SELFILLUM_PART) mat.Emissive = one;
        if (r.bumpMapping && (kind == GEFFECT_ASTEROIDS_FIELD || kind == GTYPE_SP_ASTEROID)) {
            mat.Specular = Colour(1, 0.7f, 0.3f, 1);
            mat.Power = 128.0f;
        }
        if (kind == GTYPE_SP_PARTSHIP || kind == GEFFECT_ADDITION_PART || kind == GEFFECT_GATEDOOR ||
            kind == GEFFECT_GATECONNECT) {
            mat.Specular = one;
            mat.Power = 32.0f;
        }
    }
    r.SetMaterial(&mat, 1);
}

void CGameObject::DrawMesh(int useWorldMatrix)
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev || !HasDrawableFirstMesh(*this) || IsZero(scale) || IsZero(scale2)) return;
    SetDrawStates(useWorldMatrix);
    const Matrix matrix = ObjectScaledMatrix(*this, useWorldMatrix != 0);
    CMesh* first = meshes[0];

    if (first->m_VertexType == D3D_BUMPVERTEX && g_D3DRender.bumpMapping && !useWorldMatrix &&
        g_D3DRender.effect) {
        DrawBump(matrix);
    } else if (IsLeafKind(kind) && textureCount >= 2.0f) {
        DrawPulseLayer(matrix, useWorldMatrix);
    } else {
        dev->SetTransform(D3DTS_WORLD, &matrix);
        if (objectClass == GCLASS_LANDSCAPE) {
            for (int i = 0; i < first->m_SubMeshCount; ++i) {
                g_D3DRender.SetTexture(i < kMaxObjectTextures ? textureIds[i] : -1, 0);
                DrawSubMesh(first->m_SubMeshes[i], MeshFvfForKind(first->m_VertexType), matrix);
            }
        } else {
            int level = useWorldMatrix ? 0 : SelectDetailLevel();
            int n = meshCount > kMaxObjectMeshes ? kMaxObjectMeshes : meshCount;
            if (level >= n) level = n - 1;
            if (level < 0) level = 0;
            // A detail level without sub-meshes (a missing file) draws nothing.
            const CMesh* m = meshes[level];
            if (m && m->m_SubMeshCount > 0) DrawSubMesh(FrameSubMesh(m, currentFrame), MeshFvfForKind(m->m_VertexType), matrix);
        }
    }
    const Matrix identity = MatrixIdentity();
    dev->SetTransform(D3DTS_WORLD, &identity);
}

void CGameObject::DrawBump(const Matrix& matrix)
{
    CD3DRender& r = g_D3DRender;
    GfxDevice* dev = r.device;
    GfxEffect* fx = r.effect;
    CMesh* first = meshCount > 0 ? meshes[0] : nullptr;
    MeshData* sub = FrameSubMesh(first, currentFrame);
    if (!dev || !fx || !sub) return;

    r.SetBumpTechnique();
    Matrix view = MatrixIdentity(), proj = MatrixIdentity();
    dev->GetTransform(D3DTS_VIEW, &view);
    dev->GetTransform(D3DTS_PROJECTION, &proj);
    const Matrix wvp = matrix * view * proj;
    fx->SetMatrix("matWorldViewProj", &wvp);
    fx->SetMatrix("matWorld", &matrix);

    // Eye and the two selected lights in the model space of this draw.
    SetEyePosMS(&g_World.Camera(), matrix);
    const int w = g_WorldIndex == 0 ? 0 : 1;
    for (int k = 0; k < 2; ++k) {
        const int slot = g_SelectedLights[w][k];
        if (slot >= 0 && slot < kLightSlots) g_World.lights[w][slot].SetEffectDirectionMS(matrix);
    }

    r.SetEffectTexture("texBaseMap1", r.GetTexture(textureIds[0]));
    r.SetEffectTexture("texBumpMap1", r.GetTexture(textureIds[1]));
    r.SetAlphaBlendEnable(0);
    dev->SetVertexDeclaration(static_cast<GfxVertexDeclaration*>(GetMeshVertexDecl(first)));

    unsigned passes = 0;
    if (SUCCEEDED(fx->Begin(&passes, 0))) {
        if (passes > 0 && SUCCEEDED(fx->BeginPass(0))) {
            DrawSubMesh(sub, 0, matrix);
            fx->EndPass();
        }
        fx->End();
    }
    dev->SetVertexDeclaration(nullptr);
}

void CGameObject::DrawPulseLayer(const Matrix& matrix, int useWorldMatrix)
{
    CD3DRender& r = g_D3DRender;
    GfxDevice* dev = r.device;
    CMesh* first = meshCount > 0 ? meshes[0] : nullptr;
    MeshData* sub = FrameSubMesh(first, currentFrame);
    if (!dev || !sub) return;
    dev->SetTransform(D3DTS_WORLD, &matrix);
    r.SetTexture(textureIds[0], useWorldMatrix || !std::strstr(textureNames[0], ".bmp") ? 1 : 0);

    const unsigned i = PulseIntensity(g_GameClock.NowMs());
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF000000u | (i << 16) | (i << 8) | i);
    dev->SetTexture(1, r.GetTexture(textureIds[1]));
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    dev->SetTextureStageState(1, D3DTSS_COLORARG0, D3DTA_CURRENT);
    dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MULTIPLYADD);
    DrawSubMesh(sub, MeshFvfForKind(first->m_VertexType), matrix);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    dev->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    dev->SetTexture(1, nullptr);
}

// ---- ray tests ----

bool CGameObject::IntersectRay(float extraRadius, const Vec3* segment, Vec3* outPoint)
{
    if (!segment || !HasDrawableFirstMesh(*this) || IsZero(scale) || IsZero(scale2)) return false;
    const Vec3 start = segment[0], end = segment[1];
    const Vec3 dir = end - start;
    if (IsZero(dir)) return false;

    Vec3 centre = Vec3TransformCoord(boundsCentre, worldMatrix);
    float tEnter = 0.0f, tLeave = 0.0f;
    if (!IntersectRaySphere(centre, boundsRadius + extraRadius, start, dir, &tEnter, &tLeave)) return false;
    if (tEnter > 1.0f) return false;

    Matrix toWorld, toObject;
    if (!HitTransform(*this, &toWorld, &toObject)) return false;
    const MeshData* sub = FrameSubMesh(meshes[0], currentFrame);
    if (!sub) return false;
    float t = 0.0f;
    if (!IntersectSegmentMesh(*sub, Vec3TransformCoord(start, toObject), Vec3TransformCoord(end, toObject), &t))
        return false;
    if (outPoint) *outPoint = start + dir * t;
    return true;
}

bool CGameObject::IntersectBoxSegments(Vec3* segments)
{
    // In: nine world-space segments (18 points; a zero-length segment is a free place).
    // Out: the nearest hit in the first point.
    if (!segments) return false;
    Vec3 hit;
    if (!IntersectBoxSegmentList(this, segments, kBoxPointCount, &hit)) return false;
    segments[0] = hit;
    return true;
}

bool ObjectHitBoundsXZ(const CGameObject& o, float out[4])
{
    if (!HasDrawableFirstMesh(o) || IsZero(o.scale) || IsZero(o.scale2)) return false;
    Matrix toWorld, toObject;
    if (!HitTransform(o, &toWorld, &toObject)) return false;
    const CMesh& m = *o.meshes[0];
    out[0] = out[2] = 3.0e38f;
    out[1] = out[3] = -3.0e38f;
    auto take = [&](const Vec3& local) {
        const Vec3 w = Vec3TransformCoord(local, toWorld);
        out[0] = std::min(out[0], w.x);
        out[1] = std::max(out[1], w.x);
        out[2] = std::min(out[2], w.z);
        out[3] = std::max(out[3], w.z);
    };
    Vec3 mn = m.m_BoundMin, mx = m.m_BoundMax;
    if (g_WorldIndex == 0 && o.objectClass == GCLASS_LANDSCAPE)
        mn = Vec3(-kLandscapeHitBoxHalf, -kLandscapeHitBoxHalf, -kLandscapeHitBoxHalf), mx = mn * -1.0f;
    for (int i = 0; i < 8; ++i) take(Vec3(i & 1 ? mx.x : mn.x, i & 2 ? mx.y : mn.y, i & 4 ? mx.z : mn.z));
    // The box is the file's; the frame's own vertices decide for the mesh test.
    if (const MeshData* sub = FrameSubMesh(&m, o.currentFrame))
        for (unsigned v = 0; v < sub->vertexCount; ++v) take(sub->Position(v));
    return true;
}

bool CGameObject::IntersectRays(const Vec3* rays, int rayCount, Vec3* outPoint)
{
    if (!rays || rayCount <= 0 || !HasDrawableFirstMesh(*this) || IsZero(scale) || IsZero(scale2)) return false;
    Matrix toWorld, toObject;
    if (!HitTransform(*this, &toWorld, &toObject)) return false;
    const CMesh& m = *meshes[0];
    const MeshData* sub = FrameSubMesh(&m, currentFrame);
    const bool landscapeBox = g_WorldIndex == 0 && objectClass == GCLASS_LANDSCAPE;

    NearestSegmentHit nearest;
    for (int i = 0; i < rayCount; ++i) {
        const Vec3& s = rays[2 * i];
        const Vec3& e = rays[2 * i + 1];
        const Vec3 so = Vec3TransformCoord(s, toObject), eo = Vec3TransformCoord(e, toObject);
        float t = 2.0f, tt;
        if (sub && IntersectSegmentMesh(*sub, so, eo, &tt) && tt < t) t = tt;
        if (landscapeBox) {
            const Vec3 h(kLandscapeHitBoxHalf, kLandscapeHitBoxHalf, kLandscapeHitBoxHalf);
            if (SegmentBoxMinMax(h * -1.0f, h, so, eo, &tt) && tt < t) t = tt;
        } else if (IntersectSegmentBox(m, so, eo, &tt) && tt < t) {
            t = tt;
        }
        if (t > 1.0f) continue;
        nearest.Offer(s, e, t);
    }
    return nearest.Report(outPoint);
}
