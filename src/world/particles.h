// Particle sets of space: near dust points (kind 0), textured dust flakes (kind 1), the
// sphere of distant star points (kind 2) and the bright star sprites (kind 3). They move
// with the camera so that it never reaches their edge.
#pragma once
#include <cstdint>

#include "platform/math/math3d.h"

class CCamera;

// Position, diffuse, specular, one texture coordinate pair (28 bytes).
struct ParticleVertex {
    float x, y, z;
    uint32_t diffuse;
    uint32_t specular;
    float u, v;
};
static_assert(sizeof(ParticleVertex) == 28, "particle vertices are 28 bytes");
constexpr unsigned kParticleFvf = 450;  // XYZ | DIFFUSE | SPECULAR | TEX1

// Kind 1: per particle its billboard, position and texture number.
struct ParticleRecord {
    Matrix matrix;
    Vec3 position;
    float texture;  // 0 .. 31
};

// Kind 3: per star its billboard and its position relative to the camera.
struct StarRecord {
    Matrix matrix;
    Vec3 position;
};

constexpr int kParticleTextureCount = 32;
// Dust lives inside this sphere round the camera.
constexpr float kDustRadius = 200.0f;
constexpr float kStarSphereRadius = 1000.0f;

class CParticleSet {
public:
    int count;
    ParticleVertex* vertices;     // kinds 0, 2: one per particle; kinds 1, 3: a quad each
    int kind;                     // 0..3; -1 before creation
    Matrix transform;             // the whole set's world matrix
    ParticleRecord* particles;    // kind 1
    int textures[kParticleTextureCount];  // kind 1; -1 when not loaded
    StarRecord* stars;            // kind 3
    int starTexture;              // kind 3; -1 when not loaded
    // Kinds 1 and 3: every quad in world space as two triangles, so a set draws at once;
    // kind 1 keeps them grouped by texture (drawOrder lists the particles in that order).
    ParticleVertex* drawVertices;
    int* drawOrder;

    CParticleSet();
    ~CParticleSet();
    CParticleSet(const CParticleSet&) = delete;
    CParticleSet& operator=(const CParticleSet&) = delete;

    // False when the kind is unknown or the count is not positive.
    bool Create(int particleCount, int particleKind);
    void Reset();
    // The step of a frame against the camera the world shows (ParticleCamera).
    void Update();
    void Update(const CCamera* camera);
    void Render();
    void Render(const CCamera* camera);
    void Offset(const Vec3& shift);
    void Release();

private:
    void Scatter(int index, const Vec3& centre);
    void FillQuad(int slot, const Vec3* corners, uint32_t diffuse);
    void UpdateQuads(const Matrix& view);
};

// Scatter rule of the dust: an offset inside the sphere of radius 200 (uses rand).
Vec3 ParticleScatterOffset();
// A matrix at the position whose x and y axes are the view's screen axes.
Matrix ParticleBillboard(const Matrix& view, const Vec3& position);
// The camera the sets follow: the current world's camera, or the scene camera of a space
// scene script while one runs, or the menu camera while the station menu shows its sector
// map (SectorMapShown). The world container defines both.
CCamera* ParticleCamera();
bool SectorMapShown();
