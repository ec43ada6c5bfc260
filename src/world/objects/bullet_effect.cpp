// The bullet effects: a rocket's engine flame (with its looping sound), its engine glow
// and the camera-facing trail strip it leaves behind.
#include <cmath>
#include <cstring>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "world/objects/bullet.h"
#include "world/objects/desc_file.h"
#include "world/game_clock.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {
// The trail is neither drawn nor extended beyond this camera distance.
constexpr float kTrailFarLimit = 4000.0f;
constexpr float kMaxTrailWidth = 10.0f;
constexpr float kBulletTrailAge = 6.0f;
constexpr float kOtherTrailAge = 13.0f;

Vec3 Forward(const CGameObject* o) { return Vec3(o->worldMatrix.m[2][0], o->worldMatrix.m[2][1], o->worldMatrix.m[2][2]); }

float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

CBulletEffect::CBulletEffect()
    : word(0), started(0), sound(nullptr), parent(nullptr), trailCount(0)
{
    for (int i = 0; i < kBulletTrailPoints; ++i) {
        trailPoints[i] = Vec3();
        trailIntensities[i] = -1.0f;
        trailValues[i] = i / 3.0f;
        trailTimes[i] = 0;
    }
}

int CBulletEffect::Load(CDescFile& file, CBullet* parentBullet)
{
    ReadClassAndKind(file, this);
    const int vertexType = ReadVertexTypeLine(file);
    ReadMeshBlock(file, this, vertexType);
    ReadTextureBlock(file, this);
    char soundName[kDescLineLength] = "";
    file.ReadText(soundName, sizeof(soundName));

    position = Vec3();
    drawPosition = Vec3();
    rotation = Vec3();
    parent = parentBullet;
    if (meshCount > 0 && meshes[0]) UpdateBounds();
    switch (kind) {
    case GEFFECT_ENGINEFLAME:
        if (soundName[0]) {
            NoteUnitSoundRequest(soundName);
            sound = g_AudioManager.LoadSound(soundName, SOUND_3D, 1.0f, 10.0f);
            if (sound) {
                sound->SetVolume(0.0f);
                if (g_WorldIndex == 1)
                    sound->SetMinMaxDistance(30.0f, 300.0f);
                else
                    sound->SetMinMaxDistance(10.0f, 100.0f);
            }
        }
        drawMode = 1;
        break;
    case GEFFECT_ENGINEGALO:
    case GEFFECT_ENGINETRAIL:
        drawMode = 1;
        break;
    default:
        break;
    }
    return 1;
}

bool CBulletEffect::EnginePoint(bool forDrawing, Vec3* out) const
{
    const CBullet* p = parent;
    if (!p || p->meshCount <= 0 || !p->meshes[0]) return false;
    const CMesh* m = p->meshes[0];
    if (m->m_PointCount[MESH_POINTS_ENGINE] <= 0 || !m->m_Points[MESH_POINTS_ENGINE]) return false;
    const Vec3 local = m->m_Points[MESH_POINTS_ENGINE][0];
    Vec3 scaled(local.x * p->scale2.x, local.y * p->scale2.y, local.z * p->scale2.z);
    if (forDrawing) {
        scaled = Vec3(scaled.x * p->scale.x, scaled.y * p->scale.y, scaled.z * p->scale.z);
        *out = Vec3TransformCoord(scaled, p->drawMatrix);
    } else {
        *out = Vec3TransformCoord(scaled, p->worldMatrix);
    }
    return true;
}

void CBulletEffect::OnEvent()
{
    if (!parent) return;
    const bool first = started == 0;
    started = 1;
    switch (kind) {
    case GEFFECT_ENGINEFLAME: {
        if (first && sound) sound->SetVolume(100.0f);
        if (!sound || g_Settings.audio == 0) break;
        if (parent->HasEnded() || (g_LocationKind == 2 && g_WorldIndex != 0)) {
            sound->SetVolume(0.0f);
            sound->Stop();
            break;
        }
        if (Vec3Length(g_AudioManager.listenerPosition - parent->position) > sound->maxDistance) {
            if (sound->IsPlaying()) sound->Stop();
            break;
        }
        Vec3 at;
        if (!EnginePoint(false, &at)) at = parent->position;
        sound->SetPosition(at);
        sound->SetVelocity(Forward(parent) * parent->speed);
        if (!sound->IsPlaying()) sound->Play(1);
        break;
    }
    case GEFFECT_ENGINEGALO:
        // The glow vanishes with the rocket.
        scale2 = parent->scale2;
        break;
    case GEFFECT_ENGINETRAIL:
        if (first) {
            trailCount = 0;
            for (int i = 0; i < kBulletTrailPoints; ++i) {
                trailPoints[i] = Vec3();
                trailIntensities[i] = -1.0f;
                trailValues[i] = i / 3.0f;
                trailTimes[i] = 0;
            }
        }
        break;
    default:
        break;
    }
}

void CBulletEffect::Draw()
{
    if (!parent) return;
    if (kind == GEFFECT_ENGINETRAIL) {
        DrawTrail();
        return;
    }
    Vec3 e;
    if (!EnginePoint(true, &e) || parent->speed == 0.0f || !parent->IsFlying() ||
        Vec3LengthSq(parent->scale2) == 0.0f)
        return;
    switch (kind) {
    case GEFFECT_ENGINEFLAME:
        drawMatrix = parent->drawMatrix;
        drawMatrix.m[3][0] = e.x;
        drawMatrix.m[3][1] = e.y;
        drawMatrix.m[3][2] = e.z;
        scale = parent->scale;
        scale2 = parent->scale2;
        break;
    case GEFFECT_ENGINEGALO: {
        Matrix inverse;
        const Matrix view = MatrixLookAtLH(e, g_World.Camera().eye, Vec3(0.0f, 1.0f, 0.0f));
        if (!MatrixInverse(&inverse, nullptr, view)) return;  // the eye sits on the engine
        drawMatrix = inverse;
        scale = parent->scale;
        break;
    }
    default:
        break;
    }
    DrawMesh(0);
}

void CBulletEffect::DrawTrail()
{
    Vec3 e;
    if (!EnginePoint(true, &e)) return;
    const Vec3 eye = g_World.Camera().eye;
    if (Vec3Length(parent->position - eye) > kTrailFarLimit) return;
    float w = parent->boundsRadius > kMaxTrailWidth ? kMaxTrailWidth : parent->boundsRadius;
    if (w <= 0.0f) w = 1.0f;  // a bullet without bounds still spaces its points
    const float spacing = 3.0f * w;
    const uint32_t now = g_GameClock.NowMs();

    // Extended only while the parent flies; an ended rocket's trail fades where it is.
    if (parent->speed != 0.0f && parent->IsFlying() && Vec3LengthSq(parent->scale2) != 0.0f) {
        const float intensity = parent->maxSpeed != 0.0f ? parent->speed / parent->maxSpeed : 1.0f;
        if (trailCount == 0) {
            trailPoints[0] = e;
            trailIntensities[0] = intensity;
            trailTimes[0] = now;
            trailCount = 1;
        } else if (Vec3Length(e - trailPoints[0]) > spacing) {
            const float newestValue = trailValues[0];
            std::memmove(&trailPoints[1], &trailPoints[0], sizeof(trailPoints[0]) * (kBulletTrailPoints - 1));
            std::memmove(&trailIntensities[1], &trailIntensities[0], sizeof(float) * (kBulletTrailPoints - 1));
            std::memmove(&trailValues[1], &trailValues[0], sizeof(float) * (kBulletTrailPoints - 1));
            std::memmove(&trailTimes[1], &trailTimes[0], sizeof(uint32_t) * (kBulletTrailPoints - 1));
            trailPoints[0] = e;
            trailIntensities[0] = intensity;
            trailValues[0] = newestValue - 0.5f;
            trailTimes[0] = now;
            if (trailCount < kBulletTrailPoints) ++trailCount;
        }
    }
    const bool bulletParent = parent->objectClass == GCLASS_BULLET;
    const float maxAge = bulletParent ? kBulletTrailAge : kOtherTrailAge;
    if (trailCount > kBulletTrailPoints) trailCount = kBulletTrailPoints;
    while (trailCount > 0 && float(now - trailTimes[trailCount - 1]) * 0.001f >= maxAge) --trailCount;

    GfxDevice* device = g_D3DRender.device;
    if (!device || trailCount < 2) return;

    MeshLVertex strip[kBulletTrailPoints * 2];
    float along = 0.0f;
    const float endedFactor =
        parent->HasEnded() ? 1.0f / (float(now - parent->endTime) * 0.002f + 0.9f) : 1.0f;
    for (uint32_t i = 0; i < trailCount; ++i) {
        const Vec3 p = trailPoints[i];
        if (i > 0) along += Vec3Length(trailPoints[i - 1] - p);
        const Vec3 dir = i == 0 ? trailPoints[0] - trailPoints[1] : trailPoints[i - 1] - p;
        Vec3 across = Vec3Cross(dir, eye - p);
        const float acrossLength = Vec3Length(across);
        across = acrossLength > 0.0f ? across / acrossLength : Vec3(0.0f, 1.0f, 0.0f);
        const float age = float(now - trailTimes[i]) * 0.001f;
        const float half = w * (1.0f + age * 0.5f) * 0.5f;

        const float k = along + spacing;
        float a = 255.0f * trailIntensities[i] * (1.0f - k / (spacing * 63.0f));
        if (!bulletParent && age < 3.0f) a *= age / 3.0f;
        if (bulletParent) {
            if (age >= 4.0f)
                a = 0.0f;
            else if (age >= 2.0f)
                a *= 1.0f - (age - 2.0f) * 0.5f;
        }
        a *= endedFactor;
        const float d = Vec3Length(p - eye);
        if (d <= 20.0f || d >= 3000.0f)
            a = 0.0f;
        else if (d <= 220.0f)
            a *= (d - 20.0f) / 200.0f;
        else if (d >= 2000.0f)
            a *= (3000.0f - d) * 0.001f;
        const uint32_t alpha = uint32_t(Clamp(a, 0.0f, 255.0f));
        const uint32_t colour = (alpha << 24) | 0x00FFFFFFu;

        const Vec3 left = p + across * half, right = p - across * half;
        strip[i * 2] = MeshLVertex{left.x, left.y, left.z, colour, 0u, 0.0f, trailValues[i]};
        strip[i * 2 + 1] = MeshLVertex{right.x, right.y, right.z, colour, 0u, 1.0f, trailValues[i]};
    }

    const Matrix identity = MatrixIdentity();
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetFVF(MESH_FVF_LVERTEX);
    g_D3DRender.SetTexture(textureCount >= 1.0f ? textureIds[0] : -1, 1);
    g_D3DRender.SetLighting(0);
    g_D3DRender.SetAlphaBlendEnable(1);
    g_D3DRender.SetSrcBlend(D3DBLEND_SRCALPHA);
    g_D3DRender.SetDestBlend(D3DBLEND_ONE);
    g_D3DRender.SetZEnable(1);
    g_D3DRender.SetZWriteEnable(0);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, unsigned(trailCount * 2 - 2), strip, sizeof(MeshLVertex));
    g_D3DRender.SetZWriteEnable(1);
}

void CBulletEffect::PlaySound()
{
    if (sound && !sound->IsPlaying()) sound->Play(1);
}

void CBulletEffect::StopSound()
{
    if (sound) sound->Stop();  // Stop rewinds as well
}

void CBulletEffect::Release()
{
    if (sound) {
        sound->Stop();
        g_AudioManager.ReleaseSound(&sound);
        sound = nullptr;
    }
    ReleaseMeshes();
    ReleaseTextures();
}
