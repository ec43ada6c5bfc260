#include "world/world.h"

#include <algorithm>
#include <cstring>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/cursor.h"
#include "flight_ui/game_interface.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "render/d3d_render.h"
#include "world/objects/bullet.h"
#include "world/objects/effect_object.h"
#include "world/game_clock.h"
#include "world/objects/unit.h"

int g_WorldIndex = 0;
int g_LocationKind = -1;
int g_PendingLocationKind = -1;
CUnit* g_PlayerObject = nullptr;
CUnit* g_HeroStation = nullptr;
float g_ViewDistance = 4000.0f;
CWorld g_World;

namespace {

int W() { return g_WorldIndex == 0 ? 0 : 1; }

bool DeviceUsable() { return g_D3DRender.device && !g_D3DRender.deviceLost; }

void CopyFolder(char* out, const char* text)
{
    if (out == text) return;
    size_t n = text ? std::strlen(text) : 0;
    if (n > size_t(kWorldFolderLength - 1)) n = kWorldFolderLength - 1;
    if (n) std::memmove(out, text, n);
    out[n] = 0;
}

// Particle set sizes and kinds, created once at start-up.
constexpr int kParticleCounts[kParticleSets] = {500, 200, 8000, 500};

}  // namespace

CWorld::CWorld()
{
    for (int w = 0; w < 2; ++w) {
        lightListCount[w] = 0;
        for (int& s : lightList[w]) s = -1;
        ambient[w] = 0xFF282828u;
    }
    locationFolder[0] = savedLocationFolder[0] = pendingFolder[0] = 0;
}

// ---- lifetime ------------------------------------------------------------------

void CWorld::Init()
{
    ClearLightSlots();
    GameSrand(0);
    sphere.AddMesh("Data/Misc/Sphere.msh", D3D_VERTEX);
    navGrid.Free();
    g_GameClock.Reset();
    for (int i = 0; i < kParticleSets; ++i)
        if (particles[i].kind < 0) particles[i].Create(kParticleCounts[i], i);
}

void CWorld::Release()
{
    g_LocationDirector.EndLocation();
    navGrid.Free();
    const int saved = g_WorldIndex;
    for (int w = 0; w < 2; ++w) {
        g_WorldIndex = w;
        CObjectList::DestroyAll();
    }
    g_WorldIndex = saved;
    CObjectList::ResetNextId();
    for (CParticleSet& p : particles) p.Release();
    for (CCamera& c : cameras) c.ReleaseTextures();
    sphere.ReleaseMeshes();
}

void CWorld::ResetForLocation()
{
    GameSrand(0);
    g_GameClock.Reset();
    RenewInterfaceStamps();
    g_AudioManager.musicPlayer.RenewStamps(g_GameClock.NowMs());
    ClearLightSlots();
}

void CWorld::UnloadLocation()
{
    navGrid.Free();
    if (g_PlayerObject) {
        const int saved = g_WorldIndex;
        g_WorldIndex = 1;
        // The station still owns its docked ship: the list lets go of it.
        if (CUnit* ship = CObjectList::FindDockedPlayerShip()) CObjectList::Detach(ship);
        g_WorldIndex = saved;
    }
    g_PlayerObject = nullptr;
    CSubtitles::Clear();
    ResetGameInterface();
    g_StationMenuActive = 0;
    g_PlayerObject = CObjectList::FindPlayer();
    CObjectList::DestroyAll();
    if (g_LocationKind == 2) {
        const int saved = g_WorldIndex;
        g_WorldIndex = 1;
        CObjectList::DestroyAll();
        g_WorldIndex = saved;
    }
    g_PlayerObject = nullptr;
    g_HeroStation = nullptr;
    ReleaseLights();
}

void CWorld::RequestLocationKind(int kind, const char* folder)
{
    g_PendingLocationKind = kind;
    CopyFolder(pendingFolder, folder);
}

void CWorld::SwitchLocationKind()
{
    const int newKind = g_PendingLocationKind;
    if (newKind < 0 || newKind > 2) {
        g_PendingLocationKind = -1;
        pendingFolder[0] = 0;
        return;
    }
    if (newKind == 1) {
        // The launch needs the player's ship docked at a station of the space world, or
        // out in space already (put out of a destroyed station).
        const int saved = g_WorldIndex;
        g_WorldIndex = 1;
        CUnit* ship = CObjectList::FindDockedPlayerShip();
        if (!ship) ship = CObjectList::FindPlayer();
        g_WorldIndex = saved;
        if (!ship) {
            DebugOutF("No docked player ship: location kind %d kept", g_LocationKind);
            g_PendingLocationKind = -1;
            pendingFolder[0] = 0;
            return;
        }
    }

    switch (g_LocationKind) {
    case 0:
    case 2:
        navGrid.Free();
        g_WorldIndex = 0;
        CObjectList::DestroyAll();
        if (!g_D3DRender.deviceLost) ReleaseWorldLights();
        StopAmbientAndMusic();
        break;
    case 1:
        navGrid.Free();
        CopyFolder(savedLocationFolder, locationFolder);
        if (g_PlayerObject) g_PlayerObject->manualControl = 0;
        g_AudioManager.StopAll();
        StopAmbientAndMusic();
        break;
    default:
        break;
    }

    g_LocationKind = newKind;
    g_WorldIndex = newKind == 1 ? 1 : 0;

    if (newKind == 0 || newKind == 2) {
        navGrid.Free();
        g_WorldIndex = 0;
        ReleaseWorldLights();
        CopyFolder(locationFolder, pendingFolder);
        LoadLocation(pendingFolder);
    } else {
        navGrid.Free();
        CopyFolder(locationFolder, savedLocationFolder);
        CUnit* ship = CObjectList::FindDockedPlayerShip();
        if (ship) {
            g_PlayerObject = ship;
            const uint32_t now = g_GameClock.NowMs();
            for (uint32_t& t : ship->timers) t = now;
            if (!CObjectList::Add(ship)) ship = nullptr;  // a full list destroyed it
        } else {
            ship = CObjectList::FindPlayer();  // put out of a destroyed station
        }
        ResetSound3DModes();
        if (ship && g_MissionResult != 0) {
            ship->scriptStep = 100;
            cameras[1].StartFade(3.0f, 0, 0, 0);
        }
    }

    CSubtitles::Clear();
    ResetGameInterface();
    g_StationMenuActive = 0;
    g_PlayerObject = CObjectList::FindPlayer();
    g_AudioManager.SetFade(100.0f);
    g_AudioManager.ApplyVolumes();
    // The director's next frame fades the new world in from black.
    g_LocationDirector.startTime = 0;
    g_PendingLocationKind = -1;
    pendingFolder[0] = 0;
}

void CWorld::PrepareObjects()
{
    const int w = W();
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) CObjectList::units[w][i]->UpdateParts();
    for (uint32_t i = 0; i < CObjectList::bulletCount[w]; ++i) {
        CBullet* b = CObjectList::bullets[w][i];
        b->UpdateWorldMatrix();
        b->worldMatrix.m[3][0] = b->position.x;
        b->worldMatrix.m[3][1] = b->position.y;
        b->worldMatrix.m[3][2] = b->position.z;
        b->drawMatrix = b->worldMatrix;
    }
    for (uint32_t i = 0; i < CObjectList::effectCount[w]; ++i) CObjectList::effects[w][i]->Prepare();
    // Space has no landscape to give the grid a size: nothing to build, nothing to report.
    if (!navGrid.HasGrid() && (navGrid.size != 0 || CObjectList::FindLandscape())) BuildNavGrid();
}

bool CWorld::IsDockedAt(const CUnit* unit, const CUnit* station) const
{
    if (!unit || !station || !IsStationKindValue(station->kind)) return false;
    for (int i = 0; i < station->dockedCount && i < kMaxDocked; ++i)
        if (station->dockedUnits[i] == unit) return true;
    return false;
}

// ---- the frame -----------------------------------------------------------------

void CWorld::Frame()
{
    g_GameClock.Tick();
    if (g_GameClock.realFrameSeconds == 0.0f) return;
    if (g_D3DRender.deviceLost) {
        g_D3DRender.Present();
        return;
    }
    if (g_PendingLocationKind != -1) SwitchLocationKind();

    if (g_LocationKind == 0) {
        g_WorldIndex = 0;
        Update();
        EnableLights();
        Render();
        g_D3DRender.Present();
        DisableLights();
    }
    if (g_LocationKind == 1) {
        g_WorldIndex = 1;
        Update();
        EnableLights();
        Render();
        g_D3DRender.Present();
        DisableLights();
    }
    if (g_LocationKind == 2) {
        // Space keeps moving behind the station interior, without its camera, sound,
        // cockpit, station menu and network steps.
        g_WorldIndex = 1;
        EnableLights();
        if (g_AppActive) {
            UpdateLights();
            CObjectList::UpdateAll();
        }
        DisableLights();
        g_WorldIndex = 0;
        EnableLights();
        Update();
        DisableLights();
        g_WorldIndex = 1;
        EnableLights();
        Render();
        DisableLights();
        g_WorldIndex = 0;
        EnableLights();
        Render();
        g_D3DRender.Present();
        DisableLights();
    }
}

void CWorld::Update()
{
    if (!g_HasFocus || g_D3DRender.deviceLost || !g_AppActive) {
        // The other players go on: neither the lobby nor the game may time out while this
        // copy waits.
        g_Network.Update();
        return;
    }
    UpdateLights();
    CObjectList::UpdateAll();
    Camera().Update();
    UpdateAudio();
    if (W() == 1) g_Cockpit.Update();
    CStationMenu::Update();
    g_Network.Update();
}

void CWorld::Render()
{
    GfxDevice* dev = g_D3DRender.device;
    if (!dev || g_D3DRender.deviceLost) return;
    unsigned clearFlags = D3DCLEAR_ZBUFFER;
    if (g_D3DRender.fillMode == int(D3DFILL_WIREFRAME)) clearFlags |= D3DCLEAR_TARGET;
    dev->Clear(0, nullptr, clearFlags, 0, 1.0f, 0);
    if (dev->BeginScene() < 0) return;

    const int w = W();
    CCamera& camera = cameras[w];
    if (w == 0) {
        CCursor::Update();
        if (g_StationMenuActive) {
            SetGlobalAmbient(ambient[1]);
            CStationMenu::Draw();
            SetGlobalAmbient(ambient[w]);
        } else {
            camera.SetMatrices(camera.eye, camera.lookAt, camera.up);
            SetGlobalAmbient(ambient[0]);
            CObjectList::RenderClass(GCLASS_LANDSCAPE | GCLASS_FLAT | GCLASS_LOW);
            CObjectList::RenderShadows(GCLASS_STATIC | GCLASS_STONE | GCLASS_TREE | GCLASS_CHARACTER_HERO |
                                       GCLASS_CHARACTER_NPC | GCLASS_OBJECT_FLY | GCLASS_OBJECT_WALK |
                                       GCLASS_SPACE_SHIP);
            if (g_DebugView && g_KeyInsert) DrawNavGrid();
            if (CCursor::state == 6) CCursor::Draw();
            CCursor::DrawTargetMark();
            CObjectList::RenderClass(GCLASS_STONE | GCLASS_ITEM | GCLASS_CHARACTER_HERO | GCLASS_CHARACTER_NPC |
                                     GCLASS_OBJECT_FLY | GCLASS_OBJECT_WALK | GCLASS_SPACE_SHIP | GCLASS_STATIC);
            CObjectList::RenderEffects();
            CObjectList::SortByDistance(GCLASS_TREE, GTYPE_STATIC);
            CObjectList::RenderClass(GCLASS_TREE);
            CObjectList::RenderLightEffects(GCLASS_STATIC | GCLASS_SPACE_SHIP);
            CObjectList::RenderAttached(GCLASS_SPACE_SHIP);
        }
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        if (g_GameInterface.shown) g_DialogBox.Draw();
        if (CCursor::state != 6) CCursor::Draw();
        // Back to the default states' culling: the models' front faces are counter-clockwise.
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        camera.DrawLetterbox();
        CSubtitles::Draw();
        CGameMenu::Draw();
        camera.DrawFade();
        if (g_DebugView) DrawStatistics();
    } else if (!g_StationMenuActive) {
        camera.SetMatrices(camera.eye, camera.lookAt, camera.up);
        SetGlobalAmbient(0xFFFFFFFFu);
        CObjectList::RenderClass(GCLASS_SPACE_SKY);
        particles[2].Render();
        particles[3].Render();
        SetGlobalAmbient(ambient[1]);
        CObjectList::RenderClass(GCLASS_SPACE_OBJECT);
        particles[0].Render();
        if (g_GameClock.NowMs() % 10000 < 100) {
            CObjectList::SortByDistance(GCLASS_SPACE_SHIP, GTYPE_SP_STATION);
            CObjectList::SortByDistance(GCLASS_SPACE_SHIP, GTYPE_SP_LEAFSTATION);
        }
        CObjectList::RenderClass(GCLASS_STATIC | GCLASS_SPACE_SHIP);
        particles[1].Render();
        CObjectList::RenderEffects();
        CObjectList::RenderBullets();
        CObjectList::RenderLightEffects(GCLASS_SPACE_SHIP);
        CObjectList::RenderAttached(GCLASS_SPACE_SHIP);
        CObjectList::RenderAttached(GCLASS_SPACE_OBJECT);
        CObjectList::RenderAttached(GCLASS_BULLET);
        const bool shown = g_LocationKind == w;
        if (shown) {
            if (!camera.cinematicView && g_Cockpit.shown && g_PlayerObject && g_Cockpit.unit)
                g_Cockpit.unit->DrawEffectOfKind(GEFFECT_COCKPIT, 0);
            g_GameInterface.Draw();
        }
        CObjectList::RenderSunGlow();
        camera.DrawLetterbox();
        CSubtitles::Draw();
        CGameMenu::Draw();
        camera.DrawFade();
        if (shown && g_DebugView) DrawStatistics();
    }
    dev->EndScene();
}

// ---- lights --------------------------------------------------------------------

void SetGlobalAmbient(unsigned colour)
{
    if (g_D3DRender.device) g_D3DRender.device->SetRenderState(D3DRS_AMBIENT, colour);
    if (g_D3DRender.effect) {
        Vec4 v(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, (colour & 0xFF) / 255.0f, 1.0f);
        g_D3DRender.effect->SetVector("GlobalAmbient", &v);
    }
}

int CWorld::FindFreeLightSlot() const
{
    for (int i = 0; i < kLightSlots; ++i)
        if (lights[0][i].deviceIndex == -1 && lights[1][i].deviceIndex == -1) return i;
    return -1;
}

int CWorld::AddLight(const D3DLIGHT9* description, CGameObject* owner)
{
    const int slot = FindFreeLightSlot();
    if (slot < 0) return -1;
    const int type = description && description->Type == D3DLIGHT_DIRECTIONAL ? LIGHT_KIND_SUN : LIGHT_KIND_POINT;
    CLight& light = lights[W()][slot];
    if (DeviceUsable()) {
        light.Init(slot, owner, type);
    } else {
        light.deviceIndex = slot;
        light.owner = owner;
        light.kind = type;
    }
    if (description) light.light = *description;
    return slot;
}

void CWorld::FreeLight(int slot)
{
    if (slot < 0 || slot >= kLightSlots) return;
    CLight& light = lights[W()][slot];
    if (light.deviceIndex >= 0 && DeviceUsable()) light.Disable();
    light.deviceIndex = -1;
    light.owner = nullptr;
}

void CWorld::UpdateLights()
{
    // The first two lights of the world's list feed the effect's two directional lights.
    const int w = W();
    for (int k = 0; k < 2; ++k) g_SelectedLights[w][k] = k < lightListCount[w] ? lightList[w][k] : -1;
    if (!DeviceUsable()) return;
    for (CLight& l : lights[W()])
        if (l.deviceIndex >= 0) l.Update();
}

void CWorld::EnableLights()
{
    if (!DeviceUsable()) return;
    for (CLight& l : lights[W()])
        if (l.deviceIndex >= 0) g_D3DRender.device->LightEnable(unsigned(l.deviceIndex), 1);
}

void CWorld::DisableLights()
{
    if (!DeviceUsable()) return;
    for (CLight& l : lights[W()])
        if (l.deviceIndex >= 0) g_D3DRender.device->LightEnable(unsigned(l.deviceIndex), 0);
}

void CWorld::EnableLightList()
{
    if (!DeviceUsable()) return;
    const int w = W();
    for (int i = 0; i < lightListCount[w]; ++i)
        if (lightList[w][i] >= 0) g_D3DRender.device->LightEnable(unsigned(lightList[w][i]), 1);
}

void CWorld::DisableLightList()
{
    if (!DeviceUsable()) return;
    const int w = W();
    for (int i = 0; i < lightListCount[w]; ++i)
        if (lightList[w][i] >= 0) g_D3DRender.device->LightEnable(unsigned(lightList[w][i]), 0);
}

void CWorld::EnableAllLights()
{
    if (!DeviceUsable()) return;
    for (auto& world : lights)
        for (CLight& l : world)
            if (l.deviceIndex >= 0) g_D3DRender.device->LightEnable(unsigned(l.deviceIndex), 1);
}

void CWorld::DisableAllLights()
{
    if (!DeviceUsable()) return;
    for (auto& world : lights)
        for (CLight& l : world)
            if (l.deviceIndex >= 0) g_D3DRender.device->LightEnable(unsigned(l.deviceIndex), 0);
}

void CWorld::ReleaseLights()
{
    for (auto& world : lights)
        for (CLight& l : world) {
            if (l.deviceIndex >= 0 && DeviceUsable()) l.Disable();
            l.deviceIndex = -1;
            l.owner = nullptr;
        }
}

void CWorld::ReleaseWorldLights()
{
    for (CLight& l : lights[W()]) {
        if (l.deviceIndex >= 0 && DeviceUsable()) l.Disable();
        l.deviceIndex = -1;
        l.owner = nullptr;
    }
}

void CWorld::ClearLightSlots()
{
    for (int w = 0; w < 2; ++w) {
        for (CLight& l : lights[w]) {
            l.deviceIndex = -1;
            l.owner = nullptr;
        }
        lightListCount[w] = 0;
        for (int& s : lightList[w]) s = -1;
    }
}

int CWorld::FindLightOfKind4() const
{
    for (int i = 0; i < kLightSlots; ++i) {
        const CLight& l = lights[W()][i];
        if (l.deviceIndex >= 0 && l.kind == LIGHT_KIND_SUN) return i;
    }
    return -1;
}

void CWorld::SetLightPosition(const Vec3& position)
{
    CLight* l = GetLight(0);
    if (!l) return;
    l->light.Position = position;
    if (DeviceUsable()) l->Apply();
}

CLight* CWorld::GetLight(int i)
{
    const int w = W();
    if (i < 0 || i >= lightListCount[w]) return nullptr;
    const int slot = lightList[w][i];
    if (slot < 0 || slot >= kLightSlots) return nullptr;
    return &lights[w][slot];
}

// ---- navigation grid -----------------------------------------------------------

void CWorld::BuildNavGrid()
{
    NavUnitList list;
    list.units = CObjectList::units[0];
    list.count = int(CObjectList::unitCount[0]);
    navGrid.BuildNavGrid(list);
}

void CWorld::FreeNavGrid() { navGrid.Free(); }

void CWorld::DrawNavGrid() { navGrid.DrawNavGrid(); }

// ---- picking -------------------------------------------------------------------

CUnit* CWorld::SegmentHitTest(const Vec3& from, const Vec3& to, int, Vec3* outHit, float* outDistance,
                              CUnit* ignore1, CUnit* ignore2)
{
    const int w = W();
    const Vec3 segment[2] = {from, to};
    const float margin = ignore1 ? ignore1->boundsRadius : 0.0f;
    const Vec3 lo(std::min(from.x, to.x), std::min(from.y, to.y), std::min(from.z, to.z));
    const Vec3 hi(std::max(from.x, to.x), std::max(from.y, to.y), std::max(from.z, to.z));
    CUnit* found = nullptr;
    auto test = [&](uint32_t i) {
        CUnit* u = CObjectList::units[w][i];
        if (u == ignore1 || u == ignore2) return false;
        if (w == 1) {
            if (u->objectClass != GCLASS_SPACE_SHIP && u->objectClass != GCLASS_SPACE_OBJECT) return false;
            const Vec3 d = to - from;
            const float len2 = Vec3LengthSq(d);
            float t = len2 > 0.0f ? Vec3Dot(u->position - from, d) / len2 : 0.0f;
            t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
            const float scale = (u->scale.x + u->scale.y + u->scale.z) / 3.0f;
            if (Vec3Length(from + d * t - u->position) > u->boundsRadius * scale + margin) return false;
        }
        Vec3 hit;
        if (!u->IntersectRays(segment, 0, &hit, margin)) return false;
        if (outHit) *outHit = hit;
        if (outDistance) *outDistance = Vec3Length(hit - from);
        found = u;
        return true;
    };
    // In space the units near the segment come from the world's grid while it updates.
    if (w == 1) {
        CObjectList::ForUnitsNear(lo, hi, margin, 0, test);
    } else {
        for (uint32_t i = 1; i < CObjectList::unitCount[w]; ++i)
            if (test(i)) break;
    }
    return found;
}

CUnit* CWorld::PickObject()
{
    const int w = W();
    if (CObjectList::unitCount[w] == 0) return nullptr;
    CCamera& camera = cameras[w];
    const Vec3 segment[2] = {camera.ScreenToWorld(g_MouseX, g_MouseY, 0.0f),
                             camera.ScreenToWorld(g_MouseX, g_MouseY, 1.0f)};
    CUnit* best = nullptr;
    float bestDistance = 0.0f;
    for (uint32_t i = 1; i < CObjectList::unitCount[w]; ++i) {
        CUnit* u = CObjectList::units[w][i];
        if (u->objectClass == GCLASS_FLAT) continue;
        Vec3 hit;
        if (!u->IntersectRays(segment, 0, &hit, 0.0f)) continue;
        const float d = Vec3Length(hit - camera.eye);
        if (!best || d < bestDistance) {
            best = u;
            bestDistance = d;
        }
    }
    return best ? best : CObjectList::units[w][0];
}

bool CWorld::PickGroundPoint(float x, float y, Vec3* point)
{
    CUnit* ground = CObjectList::FindLandscape();
    if (!ground) return false;
    CCamera& camera = Camera();
    const Vec3 segment[2] = {camera.ScreenToWorld(x, y, 0.0f), camera.ScreenToWorld(x, y, 1.0f)};
    Vec3 hit;
    if (!ground->CGameObject::IntersectRays(segment, 1, &hit)) return false;
    if (point) *point = hit;
    return true;
}

// ---- the space camera for the window procedure ---------------------------------

int SpaceCameraOutsideView() { return g_World.cameras[1].cinematicView; }

void SpaceCameraToggleView() { g_World.cameras[1].ToggleView(); }

void SpaceCameraSetTarget(CUnit* unit) { g_World.cameras[1].SetTarget(unit); }

// ---- what other subsystems read of the world -----------------------------------

// The station's sector map shows the space world from the menu camera.
bool SectorMapShown() { return g_StationMenuActive && g_StationMenuPage == STATION_PAGE_MAP && g_WorldIndex == 1; }

CCamera* ParticleCamera() { return SectorMapShown() ? &g_MenuCamera : &g_World.Camera(); }
