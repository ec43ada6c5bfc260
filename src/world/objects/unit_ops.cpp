// Small operations on a unit shared by the behaviour, the world and the interface:
// effect lookups, drawing, sounds, weapons and cargo, rating, lead point, pilots.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/wndproc.h"
#include "flight_ui/comm_window.h"
#include "platform/crt/rand.h"
#include "audio/sound.h"
#include "locations/location_director.h"
#include "render/camera.h"
#include "world/objects/attached_effect.h"
#include "world/game_clock.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace {

Vec3 BoundsCentreInWorld(const CUnit& u) { return Vec3TransformCoord(u.boundsCentre, u.worldMatrix); }

bool WeaponKind(int kind) { return kind >= GTYPE_LASER_WEAPON && kind <= GTYPE_MISSL_WEAPON; }

}  // namespace

CAttachedEffect* CUnit::FindEffectOfKind(int effectKind) const
{
    for (int i = 0; i < effectCount && i < kMaxUnitEffects; ++i)
        if (effects[i] && effects[i]->kind == effectKind) return effects[i];
    return nullptr;
}

CAttachedEffect* CUnit::FindGateConnect() const { return FindEffectOfKind(GEFFECT_GATECONNECT); }
CAttachedEffect* CUnit::FindSelfIllumPart() const { return FindEffectOfKind(GEFFECT_SELFILLUM_PART); }
CAttachedEffect* CUnit::FindGateDoor() const { return FindEffectOfKind(GEFFECT_GATEDOOR); }
CAttachedEffect* CUnit::FindGateBay() const { return FindEffectOfKind(GEFFECT_GATEBAY); }
CAttachedEffect* CUnit::FindCockpit() const { return FindEffectOfKind(GEFFECT_COCKPIT); }
CAttachedEffect* CUnit::FindCockpitRadar() const { return FindEffectOfKind(GEFFECT_COCKPIT_RADAR); }
CAttachedEffect* CUnit::FindCockpitPanel3() const { return FindEffectOfKind(GEFFECT_COCKPIT_PANEL3); }
CAttachedEffect* CUnit::FindCockpitScreen1() const { return FindEffectOfKind(GEFFECT_COCKPIT_SCREEN1); }
CAttachedEffect* CUnit::FindCockpitScreen2() const { return FindEffectOfKind(GEFFECT_COCKPIT_SCREEN2); }
CAttachedEffect* CUnit::FindCockpitScreen3() const { return FindEffectOfKind(GEFFECT_COCKPIT_SCREEN3); }

void CUnit::DrawEffectOfKind(int effectKind, int pass)
{
    for (int i = 0; i < effectCount && i < kMaxUnitEffects; ++i)
        if (effects[i] && effects[i]->kind == effectKind) effects[i]->Draw(pass);
}

void CUnit::DrawShadow() { DrawEffectOfKind(GEFFECT_OBJECTSHADOW, 0); }
void CUnit::DrawObjectLight() { DrawEffectOfKind(GEFFECT_OBJECTLIGHT1, 0); }
void CUnit::DrawSunGlow() { DrawEffectOfKind(GEFFECT_SUNGALO, 0); }

void CUnit::DrawEngineEffects()
{
    for (int i = 0; i < effectCount && i < kMaxUnitEffects; ++i) {
        CAttachedEffect* e = effects[i];
        if (e && e->kind >= GEFFECT_ENGINEFLAME && e->kind <= GEFFECT_ENGINETRAIL) e->Draw(0);
    }
    // Ships in a station's bay still leave their trails behind.
    if (objectClass == GCLASS_SPACE_SHIP && IsStationKindValue(kind)) {
        for (int i = 0; i < dockedCount && i < kMaxDocked; ++i)
            if (dockedUnits[i]) dockedUnits[i]->DrawEffectOfKind(GEFFECT_ENGINETRAIL, 0);
    }
}

void CUnit::Draw(int pass)
{
    const bool debug = g_Settings.debugOut && g_DebugView;
    if (g_WorldIndex == 0) {
        if (waypoints && debug) DrawDebugAxes();
        if (kind == GTYPE_SP_PLANET) {
            DrawEffectOfKind(GEFFECT_PLANETGALO, pass);
            DrawMesh(0);
            DrawEffectOfKind(GEFFECT_PLANETSKY, pass);
            return;
        }
        DrawMesh(0);
        static const int kinds[] = {GEFFECT_SELFILLUM_FLAT, GEFFECT_SELFILLUM_PART, GEFFECT_ADDITION_PART,
                                    GEFFECT_GATEDOOR,       GEFFECT_GATEBAY,        GEFFECT_GATECONNECT};
        for (int k : kinds) DrawEffectOfKind(k, pass);
        if (pass == 0) DrawEffectOfKind(GEFFECT_SIGNBOARD, pass);
        return;
    }
    if (debug && IsCraft() && IsShipKindValue(kind)) DrawDebugAxes();
    if (kind == GTYPE_SP_PLANET) {
        DrawEffectOfKind(GEFFECT_PLANETGALO, pass);
        DrawMesh(0);
        DrawEffectOfKind(GEFFECT_PLANETSKY, pass);
        return;
    }
    const bool player = this == g_PlayerObject;
    const bool insideView = !g_World.Camera().cinematicView;
    if (player && insideView && pass != 1) return;  // the cockpit stands for the ship
    DrawMesh(0);
    static const int kinds[] = {GEFFECT_SELFILLUM_FLAT, GEFFECT_SELFILLUM_PART, GEFFECT_ADDITION_PART,
                                GTYPE_SP_ASTEROID,      GEFFECT_GATEDOOR,       GEFFECT_GATEBAY,
                                GEFFECT_GATECONNECT,    GEFFECT_ASTEROIDS_FIELD, GEFFECT_HAIRSPRING};
    for (int k : kinds) DrawEffectOfKind(k, pass);
    if (pass == 0 && !player) DrawEffectOfKind(GEFFECT_SIGNBOARD, pass);
}

void CUnit::PlaySoundSlot(int action, int loop)
{
    if (g_Settings.audio == 0 || action < 0 || action >= kActionCount || !actionSounds[action]) return;
    actionSounds[action]->SetPosition(BoundsCentreInWorld(*this));
    actionSounds[action]->Play(loop ? 1 : 0);
}

void CUnit::StopLoopSound()
{
    if (actionSounds[ACTION_TRANSPORT]) actionSounds[ACTION_TRANSPORT]->Stop();
}

void CUnit::UpdateSounds()
{
    if (g_Settings.audio == 0) return;
    const Vec3 centre = BoundsCentreInWorld(*this);
    for (CSound* s : actionSounds)
        if (s && s->IsPlaying()) s->SetPosition(centre);
}

bool CUnit::IsStaySoundPlaying() const
{
    return g_Settings.audio != 0 && actionSounds[ACTION_STAY] && actionSounds[ACTION_STAY]->IsPlaying();
}

void CUnit::StopAllSounds()
{
    for (CSound* s : actionSounds)
        if (s) s->Stop();
    for (int i = 0; i < effectCount && i < kMaxUnitEffects; ++i)
        if (effects[i]) effects[i]->StopSound();
    for (int i = 0; i < itemCount && i < kMaxUnitItems; ++i)
        if (items[i]) items[i]->StopSound();
    for (CUnit* d : derivedUnits)
        if (d) d->StopAllSounds();
    for (int i = 0; i < dockedCount && i < kMaxDocked; ++i)
        if (dockedUnits[i]) dockedUnits[i]->StopAllSounds();
}

CItem* CUnit::FindCargoItem() const
{
    for (int i = 0; i < itemCount && i < kMaxUnitItems; ++i)
        if (items[i] && items[i]->kind == GTYPE_CARGOSYSTEM) return items[i];
    return nullptr;
}

bool CUnit::HasWeapons() const
{
    for (int i = 0; i < itemCount && i < kMaxUnitItems; ++i)
        if (items[i] && IsWeaponKindValue(items[i]->kind)) return true;
    return false;
}

namespace {
void PullTriggers(CUnit& u, int kind)
{
    for (int i = 0; i < u.itemCount && i < kMaxUnitItems; ++i) {
        CItem* it = u.items[i];
        if (it && it->kind == kind && it->armed && it->ready) it->trigger = 1;
    }
}
}  // namespace

void CUnit::FireLasers() { PullTriggers(*this, GTYPE_LASER_WEAPON); }
void CUnit::FireRockets() { PullTriggers(*this, GTYPE_ROCKT_WEAPON); }
void CUnit::FireMissiles() { PullTriggers(*this, GTYPE_MISSL_WEAPON); }

float CUnit::GetMeanShotValue(int weaponKind) const
{
    float sum = 0.0f;
    int n = 0;
    for (int i = 0; i < itemCount && i < kMaxUnitItems; ++i)
        if (items[i] && items[i]->kind == weaponKind) sum += items[i]->shotSpeed, ++n;
    return n ? sum / float(n) : 0.0f;
}

float CUnit::GetMeanShotSpeed() const
{
    // A switched-off weapon fires nothing, so it does not set the aim. Lasers first, then
    // rockets, then missiles; one pass over the items (the AI asks several times a frame).
    float sum[3] = {0.0f, 0.0f, 0.0f};
    int n[3] = {0, 0, 0};
    for (int i = 0; i < itemCount && i < kMaxUnitItems; ++i) {
        const CItem* it = items[i];
        if (!it || !it->armed) continue;
        const int k = it->kind == GTYPE_LASER_WEAPON ? 0 : it->kind == GTYPE_ROCKT_WEAPON ? 1
                    : it->kind == GTYPE_MISSL_WEAPON ? 2 : -1;
        if (k >= 0) sum[k] += it->shotSpeed, ++n[k];
    }
    for (int k = 0; k < 3; ++k)
        if (n[k]) return sum[k] / float(n[k]);
    return 0.0f;
}

float CUnit::GetFirepower() const
{
    float sum = 0.0f;
    for (int i = 0; i < itemCount && i < kMaxUnitItems; ++i) {
        const CItem* it = items[i];
        // A weapon without a reload time adds nothing rather than infinity.
        if (it && WeaponKind(it->kind) && it->reloadTime > 0.0f) sum += 60.0f / it->reloadTime * it->bulletDamage;
    }
    return sum;
}

float CUnit::GetRating() const
{
    float skill = pilot.skill, skill2 = pilot.skill2;
    if (this == g_PlayerObject || (g_GameMode == 2 && humanPiloted)) skill = skill2 = 1.0f;
    const CItem* cargo = FindCargoItem();
    const float capacity = cargo ? cargo->capacity : 0.0f;
    const float agility = manoeuvring > 0.0f ? engineMax / manoeuvring : 0.0f;
    return (agility + hullMax * 0.5f + capacity) * (skill2 * 0.8f + 0.2f) +
           GetFirepower() / 10.0f * (skill * 0.8f + 0.2f);
}

void CUnit::SetThrottlePercent(float wantedSpeed)
{
    if (!(engineMax > 0.0f)) {
        speedPercent = 0.0f;
        return;
    }
    float p = 100.0f / engineMax * (wantedSpeed < engineMax ? wantedSpeed : engineMax);
    if (!(p > 0.0f)) p = 0.0f;  // also NaN
    if (p > 100.0f) p = 100.0f;
    speedPercent = p;
}

void CUnit::ComputeLeadPoint(const CUnit* aimTarget, Vec3* outPoint) const
{
    ComputeLeadPoint(aimTarget, outPoint && aimTarget ? GetMeanShotSpeed() : 0.0f, outPoint);
}

void CUnit::ComputeLeadPoint(const CUnit* aimTarget, float shot, Vec3* outPoint) const
{
    if (!outPoint) return;
    if (!aimTarget) {
        *outPoint = position;
        return;
    }
    const Vec3 start = aimTarget->position;
    *outPoint = start;
    if (!(shot > 0.0f)) return;
    const Vec3 forward(aimTarget->worldMatrix.m[2][0], aimTarget->worldMatrix.m[2][1], aimTarget->worldMatrix.m[2][2]);
    const Vec3 drift = forward * aimTarget->speed;
    // A target as fast as the shot (or faster) can run away from it: the iteration then
    // need not settle, so it is bounded and such a target is aimed at where it is.
    constexpr int kMaxSteps = 32;
    Vec3 aim = start;
    for (int i = 0; i < kMaxSteps; ++i) {
        const float t = Vec3Length(aim - position) / shot;
        const Vec3 next = start + drift * t;
        if (!std::isfinite(next.x) || !std::isfinite(next.y) || !std::isfinite(next.z)) break;
        if (Vec3Length(next - aim) < 1.0f) {
            *outPoint = next;
            return;
        }
        aim = next;
    }
    *outPoint = start;
}

bool CUnit::IsCraft() const
{
    const unsigned c = objectClass;
    if (g_WorldIndex != 0) return c == GCLASS_SPACE_SHIP;
    return c == GCLASS_OBJECT_FLY || c == GCLASS_OBJECT_WALK || c == GCLASS_CHARACTER_HERO ||
           c == GCLASS_CHARACTER_NPC || c == GCLASS_ITEM || c == GCLASS_SPACE_SHIP;
}

bool CUnit::IntersectRays(const Vec3* segment, int, Vec3* outHit, float)
{
    if (!segment || !outHit) return false;
    static const int partKinds[] = {GEFFECT_GATEDOOR, GEFFECT_SELFILLUM_PART, GEFFECT_ADDITION_PART,
                                    GTYPE_SP_ASTEROID};
    for (int k : partKinds) {
        CAttachedEffect* e = FindEffectOfKind(k);
        if (e && e->meshCount > 0 && e->IntersectRays(segment, 1, outHit)) return true;
    }
    if (CAttachedEffect* e = FindGateConnect())
        if (e->CollideParts(segment, 1, outHit)) return true;
    if (CAttachedEffect* e = FindGateBay())
        if (e->meshCount > 0 && e->IntersectRays(segment, 1, outHit)) return true;
    return meshCount > 0 && CGameObject::IntersectRays(segment, 1, outHit);
}

namespace {
void ReloadPilot(CUnit& u)
{
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    char folder[256];
    const bool cargo = u.FindCargoItem() != nullptr;
    if (g_GameMode == 2 && u.pilot.side == 2) {
        std::snprintf(folder, sizeof folder, cargo ? "Human/Pirates.Multiplayer/Transport %02d"
                                                   : "Human/Pirates.Multiplayer/Fighter %02d",
                      GameRand() % 2 + 1);
        u.kind = GTYPE_SP_NPCSHIP_MOVED;
    } else {
        std::snprintf(folder, sizeof folder, "%s",
                      cargo ? "Human/Mercenaries/Transport" : "Human/Mercenaries/Fighter");
        u.kind = cargo ? GTYPE_SP_NPCSHIP_MERCS_CARGO : GTYPE_SP_NPCSHIP_MERCS_FIGHTER;
    }
    CPilotData& p = u.pilot;
    char name[kPilotTextLength], marker[kPilotTextLength];
    std::memcpy(name, p.pilotName, sizeof name);
    std::memcpy(marker, p.pilotMarker, sizeof marker);
    const int sex = p.sex, pitch = p.voicePitch;
    const float skill = p.skill, skill2 = p.skill2;
    p.Load(&u, folder);
    std::memcpy(p.pilotName, name, sizeof name);
    std::memcpy(p.pilotMarker, marker, sizeof marker);
    p.sex = sex, p.voicePitch = pitch, p.skill = skill, p.skill2 = skill2;
    OpenPrivateData(p);
    g_WorldIndex = savedWorld;
}
}  // namespace

void CUnit::InitMercenary()
{
    const int savedWorld = g_WorldIndex;
    ReloadPilot(*this);
    g_WorldIndex = 1;
    std::memset(&statistics, 0, sizeof statistics);
    DiscardOrderStack();
    SetOrder(ACTION_STAY, nullptr, nullptr, 0);
    target = nullptr;
    g_WorldIndex = savedWorld;
    g_CommWindow.EndTalk();
    g_CommWindow.Talk(this, 0);
}

void CUnit::InitMultiplayerName() { ReloadPilot(*this); }

void CUnit::ResetTimers()
{
    const uint32_t now = g_GameClock.NowMs();
    for (uint32_t& t : timers) t = now;
}
