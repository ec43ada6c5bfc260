// The talking head: five additive fire shapes round one point, each with its own spin
// and flicker, placed by the matrices of HeadMatrix.pd.
#include "flight_ui/pilot_heads.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/objects/game_object.h"

namespace {

const char kHeadMesh[] = "Data/Space/Misc/Heads/Fire.msh";
const char kHeadTexture[] = "Data/Space/Misc/Heads/Fire.bmp";
const char kHeadMatrixFile[] = "Data/Misc/HeadMatrix.pd";

float RandomIn(float lo, float hi)
{
    return lo + (hi - lo) * float(GameRand()) / float(GAME_RAND_MAX);
}

// A fixed pattern in -1..1 for a head and a 100 ms beat: the flames jump on every beat like
// syllables. Hashed, so that drawing never draws from the game's generator.
float Beat(int head, int beat)
{
    uint32_t h = uint32_t(beat) * 2654435761u ^ uint32_t(head + 1) * 40503u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return float(h & 0xFFFFu) / 32767.5f - 1.0f;
}

} // namespace

void CPilotHeads::Init()
{
    for (int i = 0; i < kPilotHeadCount; ++i) {
        CGameObject* h = new CGameObject();
        h->objectClass = GCLASS_EFFECT;
        h->kind = 40070;
        h->drawMode = 1;
        h->AddMesh(kHeadMesh, 1);
        h->AddTexture(0, kHeadTexture, 1);
        h->UpdateBounds();
        heads[i] = h;
        spin[i] = 0.5f + 0.3f * float(i);
        rate[i] = 3.0f + float(i);
        depth[i] = 0.25f;
    }
    fov = 0.5236f;
    aspect = 1.25f;
    farPlane = 1000.0f;
    nearPlane = 1.0f;
    view = projection = MatrixIdentity();
    LoadMatrices(kHeadMatrixFile);
    speaking = mode = phase = 0;
    start = 0;
}

void CPilotHeads::LoadMatrices(const char* path)
{
    for (Matrix& m : placements) m = MatrixIdentity();
    const int handle = CFileManager::Open(path, FILE_KIND_PRIVATE_DATA, nullptr);
    if (handle == -1) {
        DebugOutF("CPilotHeads: %s is missing, the heads stand unplaced", path);
        return;
    }
    char line[128];
    for (int k = 0; k < kHeadMatrixCount; ++k) {
        Matrix m = MatrixIdentity();
        for (int v = 0; v < 16; ++v) {
            line[0] = 0;
            if (CFileManager::ReadLine(line, sizeof line, handle) <= 0) {
                CFileManager::Close(handle);
                return;  // a short file leaves the rest identity
            }
            line[sizeof line - 1] = 0;
            m.m[v / 4][v % 4] = float(std::atof(line));
        }
        placements[k] = m;
    }
    CFileManager::Close(handle);
}

void CPilotHeads::StartSpeaking(CUnit*, int headMode)
{
    mode = headMode;
    phase = 0;
    start = g_GameClock.NowMs();
    speaking = 1;
    // Mode 2 is the agitated variant: faster and deeper flicker.
    const float k = headMode == 2 ? 2.0f : 1.0f;
    for (int i = 0; i < kPilotHeadCount; ++i) {
        spin[i] = RandomIn(-1.5f, 1.5f) * k;
        rate[i] = RandomIn(4.0f, 9.0f) * k;
        depth[i] = RandomIn(0.2f, 0.4f) * (headMode == 2 ? 1.5f : 1.0f);
    }
}

Matrix CPilotHeads::HeadMatrix(int i, uint32_t nowMs) const
{
    const float t = float(nowMs - start) * 0.001f;
    // While speaking every head pulses on its own beat; at rest they hold their size.
    float s = 1.0f;
    float turn = float(i) * 1.2566f;
    if (speaking) {
        // A smooth pulse and a jump on each beat: a slow swell alone reads as no change at
        // the panel's size.
        const int beat = int(t * 10.0f);
        s += depth[i] * (0.5f * std::sin(t * rate[i] + float(i)) + 0.8f * Beat(i, beat));
        if (s < 0.3f) s = 0.3f;
        turn += t * spin[i] + 0.3f * Beat(i + kPilotHeadCount, beat);
    }
    const int slot = (mode == 2 ? kPilotHeadCount : 0) + i;
    return MatrixScaling(s, s, s) * MatrixRotationZ(turn) * placements[slot];
}

void CPilotHeads::DrawHead(int i, const Matrix& world)
{
    CGameObject* h = heads[i];
    if (!h) return;
    h->worldMatrix = world;
    h->drawMatrix = world;
    h->DrawMesh(1);
}

void CPilotHeads::Draw(CUnit*)
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev) return;
    phase = int(g_GameClock.NowMs() - start) / 100;
    // The left corner of the panel, beside the speaker's names.
    SetViewport800x600(5.0f, 5.0f, 190.0f, 150.0f);
    // The heads sit at the origin, the eye a little in front of them.
    const Vec3 eye(0.0f, 0.0f, -6.0f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    const float ys = 1.0f / std::tan(fov / 2.0f);
    Matrix p = Matrix();
    p.m[0][0] = ys / aspect;
    p.m[1][1] = ys;
    p.m[2][2] = farPlane / (farPlane - nearPlane);
    p.m[2][3] = 1.0f;
    p.m[3][2] = -nearPlane * farPlane / (farPlane - nearPlane);
    projection = p;
    view = MatrixLookAtLH(eye, at, up);
    dev->SetTransform(D3DTS_PROJECTION, &projection);
    dev->SetTransform(D3DTS_VIEW, &view);
    if (GfxEffect* effect = g_D3DRender.effect) {
        const Vec4 v(eye.x, eye.y, eye.z, 1.0f);
        effect->SetVector("EyePos", &v);
    }
    const uint32_t now = g_GameClock.NowMs();
    for (int i = 0; i < kPilotHeadCount; ++i) DrawHead(i, HeadMatrix(i, now));
}

void CPilotHeads::Release()
{
    for (CGameObject*& h : heads) {
        if (!h) continue;
        h->ReleaseTextures();
        h->ReleaseMeshes();
        delete h;
        h = nullptr;
    }
}
