#include "world/particles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "app/settings.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

constexpr uint32_t kWhite = 0x00FFFFFFu;
constexpr float kQuadCorner[4][2] = {{-1.0f, 1.0f}, {1.0f, 1.0f}, {-1.0f, -1.0f}, {1.0f, -1.0f}};
constexpr float kQuadUv[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}};
// The strip v0 v1 v2 v3 as a list of two triangles with the strip's winding.
constexpr int kStripAsList[6] = {0, 1, 2, 1, 3, 2};

ParticleVertex MakeVertex(const Vec3& p, uint32_t diffuse, float u, float v)
{
    return ParticleVertex{p.x, p.y, p.z, diffuse, 0u, u, v};
}

uint32_t WithAlpha(int alpha) { return (uint32_t(alpha & 0xFF) << 24) | kWhite; }

// A direction from three draws of rand % 1001 - 500, normalised.
Vec3 RandomDirection()
{
    for (;;) {
        float x = float(GameRand() % 1001 - 500);
        float y = float(GameRand() % 1001 - 500);
        float z = float(GameRand() % 1001 - 500);
        Vec3 d(x, y, z);
        // A zero draw has no direction; it would put a star in the camera.
        if (Vec3LengthSq(d) > 0.0f) return Vec3Normalize(d);
    }
}

// Dust beyond the sphere goes to the far side of it, opposite its old place.
bool WrapDust(Vec3* p, const Vec3& eye, float* distance)
{
    Vec3 d = *p - eye;
    float len = Vec3Length(d);
    *distance = len;
    if (len <= kDustRadius) return false;
    *p = eye - d * (kDustRadius / len);
    *distance = kDustRadius;
    return true;
}

} // namespace

Vec3 ParticleScatterOffset()
{
    int a = GameRand() % 400 - 200;
    int b, c;
    do {
        b = GameRand() % 400 - 200;
    } while (std::sqrt(float(a * a + b * b)) > kDustRadius);
    do {
        c = GameRand() % 400 - 200;
    } while (std::sqrt(float(a * a + c * c)) > kDustRadius);
    return Vec3(float(a), float(b), float(c));
}

Matrix ParticleBillboard(const Matrix& view, const Vec3& position)
{
    Matrix m = MatrixIdentity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i][j] = view.m[j][i];
    m.m[3][0] = position.x;
    m.m[3][1] = position.y;
    m.m[3][2] = position.z;
    return m;
}

CParticleSet::CParticleSet()
    : count(0), vertices(nullptr), kind(-1), transform(MatrixIdentity()), particles(nullptr), stars(nullptr),
      starTexture(-1), drawVertices(nullptr), drawOrder(nullptr)
{
    for (int& t : textures) t = -1;
}

CParticleSet::~CParticleSet()
{
    // Textures belong to the renderer, which may be gone by now: only memory is freed here.
    delete[] vertices;
    delete[] particles;
    delete[] stars;
    delete[] drawVertices;
    delete[] drawOrder;
}

void CParticleSet::Scatter(int index, const Vec3& centre)
{
    Vec3 p = centre + ParticleScatterOffset();
    if (kind == 0)
        vertices[index] = MakeVertex(p, 0u, 0.0f, 0.0f);
    else
        particles[index].position = p;
}

bool CParticleSet::Create(int particleCount, int particleKind)
{
    if (vertices || particles || stars) Release();
    if (particleCount <= 0 || particleKind < 0 || particleKind > 3) {
        DebugOutF("CParticleSet::Create(): %d particles of kind %d refused", particleCount, particleKind);
        return false;
    }
    kind = particleKind;
    count = particleCount;
    transform = MatrixIdentity();
    bool quads = kind == 1 || kind == 3;
    vertices = new ParticleVertex[size_t(count) * (quads ? 4 : 1)];
    if (quads) {
        drawVertices = new ParticleVertex[size_t(count) * 6];
        drawOrder = new int[size_t(count)];
        for (int i = 0; i < count; ++i) drawOrder[i] = i;
    }

    switch (kind) {
    case 0:
        for (int i = 0; i < count; ++i) Scatter(i, Vec3());
        break;
    case 1: {
        char name[128];
        for (int t = 0; t < kParticleTextureCount; ++t) {
            std::snprintf(name, sizeof(name), "Data/Space/Static/Particle System/Particle%02d.dds", t);
            textures[t] = g_D3DRender.LoadTexture(name, 1, -1);
        }
        particles = new ParticleRecord[size_t(count)];
        for (int i = 0; i < count; ++i) {
            for (int k = 0; k < 4; ++k)
                vertices[i * 4 + k] = MakeVertex(Vec3(kQuadCorner[k][0] * 0.4f, kQuadCorner[k][1] * 0.4f, 0.0f),
                                                 0xFF000000u | kWhite, kQuadUv[k][0], kQuadUv[k][1]);
            Scatter(i, Vec3());
            particles[i].texture = float(GameRand() % kParticleTextureCount);
            particles[i].matrix = MatrixTranslation(particles[i].position.x, particles[i].position.y,
                                                    particles[i].position.z);
        }
        // Grouped by texture so that each texture is bound once per frame.
        std::stable_sort(drawOrder, drawOrder + count, [this](int a, int b) {
            return int(particles[a].texture) % kParticleTextureCount < int(particles[b].texture) % kParticleTextureCount;
        });
        break;
    }
    case 2:
        for (int i = 0; i < count; ++i) {
            Vec3 p = RandomDirection() * kStarSphereRadius;
            int alpha = (0x38 + GameRand() % 200) % 256;
            vertices[i] = MakeVertex(p, WithAlpha(alpha), 0.0f, 0.0f);
        }
        break;
    case 3: {
        starTexture = g_D3DRender.LoadTexture("Data/Space/Static/Particle System/Star.bmp", 1, -1);
        float half = g_WorldIndex == 1 ? 400.0f : 4.0f;
        stars = new StarRecord[size_t(count)];
        for (int i = 0; i < count; ++i) {
            Vec3 dir = RandomDirection();
            float distance = float(GameRand() % 151 + 350);
            int r = 200 + GameRand() % 56;
            int g = 200 + GameRand() % 56;
            int b = 200 + GameRand() % 56;
            uint32_t colour = 0xFF000000u | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
            for (int k = 0; k < 4; ++k)
                vertices[i * 4 + k] = MakeVertex(Vec3(kQuadCorner[k][0] * half, kQuadCorner[k][1] * half, 0.0f),
                                                 colour, kQuadUv[k][0], kQuadUv[k][1]);
            stars[i].position = dir * distance;
            stars[i].matrix = MatrixTranslation(stars[i].position.x, stars[i].position.y, stars[i].position.z);
        }
        break;
    }
    default:
        break;
    }
    if (quads) {
        Matrix identityView = MatrixIdentity();
        UpdateQuads(identityView);
    }
    return true;
}

void CParticleSet::Reset()
{
    transform = MatrixIdentity();
    if (kind != 0 && kind != 1) return;
    Vec3 centre = g_PlayerObject ? g_PlayerObject->position : Vec3();
    for (int i = 0; i < count; ++i) Scatter(i, centre);
}

void CParticleSet::Offset(const Vec3& shift)
{
    if (kind == 0 && vertices) {
        for (int i = 0; i < count; ++i) {
            vertices[i].x += shift.x;
            vertices[i].y += shift.y;
            vertices[i].z += shift.z;
        }
    } else if (kind == 1 && particles) {
        for (int i = 0; i < count; ++i) particles[i].position += shift;
    }
}

void CParticleSet::Release()
{
    delete[] vertices;
    delete[] particles;
    delete[] stars;
    delete[] drawVertices;
    delete[] drawOrder;
    vertices = nullptr;
    particles = nullptr;
    stars = nullptr;
    drawVertices = nullptr;
    drawOrder = nullptr;
    for (int& t : textures) {
        g_D3DRender.ReleaseTexture(t);
        t = -1;
    }
    g_D3DRender.ReleaseTexture(starTexture);
    starTexture = -1;
    count = 0;
}

// The quads of kinds 1 and 3 into world space, in draw order, from each particle's matrix.
void CParticleSet::UpdateQuads(const Matrix& view)
{
    for (int s = 0; s < count; ++s) {
        int i = drawOrder[s];
        const Matrix* m;
        if (kind == 1) {
            particles[i].matrix = ParticleBillboard(view, particles[i].position);
            m = &particles[i].matrix;
        } else {
            m = &stars[i].matrix;
        }
        const ParticleVertex* local = vertices + i * 4;
        ParticleVertex world[4];
        for (int k = 0; k < 4; ++k) {
            world[k] = local[k];
            Vec3 p = Vec3TransformCoord(Vec3(local[k].x, local[k].y, local[k].z), *m);
            world[k].x = p.x;
            world[k].y = p.y;
            world[k].z = p.z;
        }
        for (int k = 0; k < 6; ++k) drawVertices[s * 6 + k] = world[kStripAsList[k]];
    }
}

void CParticleSet::Update() { Update(ParticleCamera()); }

void CParticleSet::Update(const CCamera* camera)
{
    if (!camera || !vertices || (g_WorldIndex != g_LocationKind && !SectorMapShown())) return;
    const Vec3 eye = camera->eye;
    switch (kind) {
    case 0:
        for (int i = 0; i < count; ++i) {
            ParticleVertex& v = vertices[i];
            Vec3 p(v.x, v.y, v.z);
            float d;
            if (WrapDust(&p, eye, &d)) {
                v.x = p.x;
                v.y = p.y;
                v.z = p.z;
                v.diffuse = WithAlpha(0);
            } else {
                v.diffuse = WithAlpha(int(std::lround(255.0f - d * 255.0f / kDustRadius)));
            }
        }
        break;
    case 1:
        for (int i = 0; i < count; ++i) {
            float d;
            int alpha;
            if (WrapDust(&particles[i].position, eye, &d))
                alpha = 0;
            else if (d < 160.0f)
                alpha = 0xFF;
            else
                alpha = int(std::lround((kDustRadius - d) * 6.375f));
            for (int k = 0; k < 4; ++k) vertices[i * 4 + k].diffuse = WithAlpha(alpha);
        }
        UpdateQuads(camera->view);
        break;
    case 2:
        transform.m[3][0] = eye.x;
        transform.m[3][1] = eye.y;
        transform.m[3][2] = eye.z;
        break;
    case 3:
        for (int i = 0; i < count; ++i) stars[i].matrix = ParticleBillboard(camera->view, eye + stars[i].position);
        UpdateQuads(camera->view);
        break;
    default:
        break;
    }
}

void CParticleSet::Render() { Render(ParticleCamera()); }

void CParticleSet::Render(const CCamera* camera)
{
    Update(camera);
    GfxDevice* device = g_D3DRender.device;
    if (!device || !vertices || count <= 0) return;
    const Matrix identity = MatrixIdentity();
    const unsigned stride = sizeof(ParticleVertex);
    device->SetFVF(kParticleFvf);
    g_D3DRender.SetLighting(0);
    switch (kind) {
    case 0:
        g_D3DRender.SetTexture(-1, 1);
        g_D3DRender.SetZEnable(1);
        g_D3DRender.SetZWriteEnable(1);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->DrawPrimitiveUP(D3DPT_POINTLIST, unsigned(count), vertices, stride);
        break;
    case 1: {
        g_D3DRender.SetZEnable(1);
        g_D3DRender.SetZWriteEnable(0);
        device->SetTransform(D3DTS_WORLD, &identity);
        // One draw per run of particles that share a texture.
        int start = 0;
        while (start < count) {
            int id = textures[int(particles[drawOrder[start]].texture) % kParticleTextureCount];
            int end = start + 1;
            while (end < count && textures[int(particles[drawOrder[end]].texture) % kParticleTextureCount] == id) ++end;
            g_D3DRender.SetTexture(id, 1);
            device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, unsigned((end - start) * 2), drawVertices + start * 6, stride);
            start = end;
        }
        break;
    }
    case 2:
        g_D3DRender.SetTexture(-1, 1);
        g_D3DRender.SetZEnable(1);
        g_D3DRender.SetZWriteEnable(0);
        device->SetTransform(D3DTS_WORLD, &transform);
        device->DrawPrimitiveUP(D3DPT_POINTLIST, unsigned(count), vertices, stride);
        break;
    case 3:
        g_D3DRender.SetTexture(starTexture, 1);
        g_D3DRender.SetSrcBlend(D3DBLEND_ONE);
        g_D3DRender.SetDestBlend(D3DBLEND_ONE);
        g_D3DRender.SetZEnable(0);
        g_D3DRender.SetZWriteEnable(0);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, unsigned(count * 2), drawVertices, stride);
        break;
    default:
        break;
    }
}
