// A campaign sector, single mission or network game seen from the player's ship: the
// sector's set-up of its cast, the hero station's arrival, the move into the station and
// the return to space, with the results, the next sector's save and the departure.
#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/subtitles.h"
#include "locations/location_director.h"
#include "locations/scripts/space_scenes.h"
#include "locations/sector_save.h"
#include "locations/station_interiors.h"
#include "menus/end_game.h"
#include "platform/crt/rand.h"
#include "render/camera.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/object_codes.h"
#include "world/objects/unit.h"
#include "world/world.h"

namespace scenes {

namespace {

void Weaken(CUnit* u)
{
    if (CItem* cargo = u->FindCargoItem()) u->ore = cargo->capacity;
    u->hull = u->hull / (3.0f + (float)(GameRand() % 11) / 10.0f);
}

void Hide(CUnit* u)
{
    u->objectClass = GCLASS_SPACE_OBJECT;
    u->kind = GTYPE_SP_NPCSHIP_ID2;
}

CUnit* NewShip(const char* path, int id, const char* privateData)
{
    CUnit* u = new CUnit();
    if (!u->Load(path, id)) {
        DebugOutF("NPC manager: \"%s\" cannot be loaded", path);
        CObjectList::Remove(u);
        return nullptr;
    }
    u->pilot.Load(u, privateData);
    return u;
}

void SectorFourConvoy()
{
    for (int k = 0; k < 6; ++k) {
        const float r1 = (float)(GameRand() % 401) / 10.0f - 20.0f;
        const float r2 = (float)(GameRand() % 401) / 10.0f - 20.0f;
        CUnit* cargo = NewShip("Data/Space/Ship/Valise.M1/Main.obj", 50 + k, "Human/Sector 04/Quest Ship.Cargo");
        if (!cargo) continue;
        PlaceAt(cargo, Vec3(1000.0f + 50.0f * (float)(k % 2) + r1, -2000.0f + r2, 13000.0f + 150.0f * (float)k));
        if (CItem* item = cargo->FindCargoItem()) cargo->ore = item->capacity;
        FlyTo(cargo, cargo->position - Vec3(0.0f, 0.0f, 100000.0f), cargo->cruiseSpeed);
        cargo->kind = GTYPE_SP_NPCSHIP_ID0;
        if (!CObjectList::Add(cargo)) continue;
        if (k < 5) {
            if (CUnit* guard = NewShip("Data/Space/Ship/Midia.M2/Main.obj", 60 + k, "Human/Sector 04/Quest Ship.Guard")) {
                PlaceAt(guard, cargo->position + Vec3(-100.0f, 100.0f, 0.0f));
                guard->SetOrder(ACTION_GUARD, cargo, nullptr, 0);
                guard->kind = GTYPE_SP_NPCSHIP_ID1;
                CObjectList::Add(guard);
            }
        }
    }
    int pirateId = 70;
    for (int k = 0; k < 6; k += 2) {
        for (int m = 0; m < 3; ++m) {
            CUnit* p = NewShip("Data/Space/Ship/Luger.M2/Main.obj", pirateId++, "Human/Pirates/Fighter 02");
            if (!p) continue;
            PlaceAt(p, Vec3(1000.0f + 50.0f * (float)m, -4000.0f, -1000.0f - 1000.0f * (float)k));
            p->objectClass = GCLASS_SPACE_OBJECT;
            p->kind = GTYPE_SP_NPCSHIP_ID2;
            p->scriptStep = 10;
            CObjectList::Add(p);
        }
    }
}

// Units of a range that the location has; the absent ones are reported once.
template <typename F>
void EachOf(int first, int last, F f)
{
    for (int id = first; id <= last; ++id)
        if (CUnit* u = Cast(id)) f(u);
}

} // namespace

void SetUpSector(int sector)
{
    switch (sector) {
    case 1:
        if (CUnit* u = Cast(41)) {
            u->hull = 2.0f;
            u->engineMax /= 1.25f;
            Hide(u);
        }
        EachOf(50, 53, [](CUnit* u) {
            Weaken(u);
            u->engineMax /= 1.5f;
            u->kind = GTYPE_SP_NPCSHIP_ID0;
        });
        EachOf(60, 62, [](CUnit* u) {
            u->objectClass = GCLASS_SPACE_OBJECT;
            u->kind = GTYPE_SP_NPCSHIP_ID1;
            u->hull = u->hullMax = 60.0f;
            u->scriptStep = -1;
        });
        break;
    case 2:
        if (CUnit* u = Cast(50)) u->hull *= 0.5f, u->kind = GTYPE_SP_NPCSHIP_ID0;
        EachOf(51, 54, [](CUnit* u) {
            Weaken(u);
            u->objectClass = GCLASS_SPACE_OBJECT;
            u->kind = GTYPE_SP_NPCSHIP_ID1;
        });
        EachOf(60, 62, Hide);
        break;
    case 3:
        if (CUnit* u = Cast(50)) u->hull /= 3.5f, u->kind = GTYPE_SP_NPCSHIP_ID0;
        if (CUnit* u = Cast(51)) u->kind = GTYPE_SP_NPCSHIP_ID1;
        EachOf(60, 62, [](CUnit* u) { u->objectClass = GCLASS_SPACE_OBJECT; });
        break;
    case 4:
        SectorFourConvoy();
        break;
    case 5: {
        CUnit* station = Cast(49);
        if (CUnit* u = Cast(50)) {
            u->kind = GTYPE_SP_NPCSHIP_ID0;
            if (station) u->SetOrder(ACTION_DOCKING, station, nullptr, 0);
            u->dockTime = 120;
        }
        CUnit* u = Cast(51);
        int slot = -1;
        for (int i = 0; station && i < kMaxDocked && slot < 0; ++i)
            if (!station->dockedUnits[i]) slot = i;
        if (u && slot >= 0) {
            u->dockTime = 0xFFFFFFFFu;
            u->scriptStep = -1;
            u->kind = GTYPE_SP_NPCSHIP_ID1;
            CObjectList::Detach(u);
            ++station->dockedCount;
            station->dockedUnits[slot] = u;
            station->slotIds[slot].shipId = u->pilot.objectId;
            station->dockStartTimes[slot] = g_GameClock.NowMs();
        }
        EachOf(60, 63, Hide);
        break;
    }
    case 6:
        if (CUnit* u = Cast(50)) u->kind = GTYPE_SP_NPCSHIP_ID0;
        EachOf(60, 61, Hide);
        break;
    case 7:
    case 8:
        EachOf(50, 53, [](CUnit* u) {
            Weaken(u);
            u->engineMax /= 1.5f;
            u->kind = GTYPE_SP_NPCSHIP_ID0;
        });
        EachOf(60, 62, [](CUnit* u) {
            u->objectClass = GCLASS_SPACE_OBJECT;
            u->kind = GTYPE_SP_NPCSHIP_ID1;
            u->scriptStep = -1;
        });
        break;
    case 12:
        if (CUnit* u = Cast(50)) {
            u->kind = GTYPE_SP_NPCSHIP_ID0;
            if (u->actionSounds[ACTION_DEAD]) g_AudioManager.ReleaseSound(&u->actionSounds[ACTION_DEAD]);
            u->actionSounds[ACTION_DEAD] =
                g_AudioManager.LoadSound("Data/Sounds/Space/ExplodeStation_01.wav", SOUND_EFFECT, 10.0f, 10.0f);
        }
        break;
    default:
        break;
    }
}

namespace {

constexpr float kArrivalTurnSeconds = 2.0f;

// The sector's opening shot of the hero station.
void OpeningShot(int sector, CUnit* station)
{
    CCamera& cam = Camera();
    struct Point {
        int sector;
        Vec3 eye;
    };
    static const Point kPoints[] = {
        {1, Vec3(1000.0f, -500.0f, 100.0f)},  {2, Vec3(-1000.0f, 500.0f, 100.0f)}, {3, Vec3(500.0f, -400.0f, 1000.0f)},
        {4, Vec3(500.0f, 400.0f, 100.0f)},    {5, Vec3(-1000.0f, -500.0f, 1000.0f)},
        {6, Vec3(-1000.0f, -500.0f, 1000.0f)}, {7, Vec3(500.0f, 400.0f, 1000.0f)},  {8, Vec3(300.0f, -400.0f, 1000.0f)},
        {10, Vec3(-1000.0f, 500.0f, 100.0f)}, {11, Vec3(500.0f, -400.0f, 1000.0f)},
    };
    if (sector == 9 || sector == 12) {
        cam.shotUnit = nullptr;
        cam.cinematicView = 1;
        if (sector == 9) {
            cam.eye = Vec3(-3500.0f, 1500.0f, -3500.0f);
            cam.StartCinematicFlyTo(Vec3(0.0f, 0.0f, 0.0f), Vec3(-3000.0f, 1500.0f, -5000.0f), 20.0f);
        } else {
            cam.eye = Vec3(-2000.0f, -2000.0f, -9000.0f);
            cam.StartCinematicFlyTo(Vec3(0.0f, 0.0f, -3500.0f), Vec3(500.0f, 500.0f, 1000.0f), 20.0f);
        }
        return;
    }
    for (const Point& p : kPoints)
        if (p.sector == sector) {
            ShotFrom(station, p.eye);
            return;
        }
    ShotFrom(station, Vec3(1000.0f, -500.0f, 100.0f));
}

Vec3 RandomUnit(int spread, bool flat)
{
    Vec3 d;
    do {
        d = Vec3((float)(GameRand() % (2 * spread + 1) - spread), (float)(GameRand() % (2 * spread + 1) - spread),
                 flat ? 0.0f : (float)(GameRand() % (2 * spread + 1) - spread));
    } while (Vec3Length(d) <= 0.0f);
    return Vec3Normalize(d);
}

void Arrival(CUnit* self)
{
    const int id = g_LocationDirector.locationId;
    CUnit* station = g_HeroStation;
    self->scale = Vec3(0.1f, 0.1f, 0.1f);
    Stamp(self);
    if (g_GameMode == 0) {
        const Vec3 d = RandomUnit(1500, true);
        if (station)
            ShotFrom(station, d * (float)(750 + GameRand() % 750) + Vec3(0.0f, 0.0f, (float)(1000 + GameRand() % 500)));
    } else if (g_GameMode == 2) {
        if (station) {
            CCamera& cam = Camera();
            cam.shotUnit = nullptr;
            cam.cinematicView = 1;
            cam.eye = station->position + RandomUnit(2000, false) * 2000.0f;
            cam.StartCinematicFlyTo(station->position, station->position + RandomUnit(2000, false) * 2000.0f, 20.0f);
        }
    } else if (station) {
        OpeningShot(id, station);
    }
    Fade(0);
    if (g_GameMode != 2)
        if (CUnit* u = Cast(1003)) u->speed = u->engineMax = 100.0f;
    ReleaseVoice();
    if (g_WorldIndex == 1) {
        if (id == 1) g_LocationDirector.ShowLocationText(5);
        else if (id == 9) g_LocationDirector.ShowLocationText(7);
        else if (id == 12) g_LocationDirector.ShowLocationText(8);
    }
    if (id == 1) PlayVoice("Data/Voices/Intro/Sector 01/Intro_Space.wav");
    else if (id == 9) PlayVoice("Data/Voices/Intro/Sector 09/Intro_Space.wav");
    else if (id == 12) PlayVoice("Data/Voices/Intro/Sector 12/Intro_Space.wav");
}

void ArriveAlongZ(float t)
{
    CUnit* station = g_HeroStation;
    const float c = t < 20.0f ? (20.0f - t) * (20.0f - t) * (20.0f - t) : 0.0f;
    if (station) PlaceAt(station, Vec3(0.0f, 0.0f, c));
    PlaceAt(Cast(1001), Vec3(0.0f, 500.0f, c));
    PlaceAt(Cast(1002), Vec3(0.0f, -500.0f, c));
    if (CUnit* u = Cast(1003)) {
        PlaceAt(u, Vec3(0.0f, 0.0f, c + 500.0f));
        u->speed = t < 20.0f ? std::fmin(200.0f - 10.0f * t, 100.0f) : 0.0f;
        if (t >= 20.0f) u->engineMax = 0.0f;
    }
}

void EnterStation(CUnit* self)
{
    CUnit* station = g_HeroStation;
    if (CObjectList::IndexOf(self) >= 0) CObjectList::Detach(self);
    CCamera& cam = Camera();
    if (station) {
        Vec3 points[2];
        station->GetGunPoints(points);
        cam.eye = points[0];
    }
    Fade(0);
    CameraOff();
    const char* folder = station ? StationInteriorFolder(station) : "";
    if (folder && folder[0]) g_World.RequestLocationKind(2, folder);
    else DebugOut("NPC manager: the hero station has no interior");
    ReleaseVoice();
    self->scriptStep = -1;
}

// The ship back from the interior leaves through the bay: docked for good (dock time -1) it
// would never go, so the bay launches it in a second. A ship no station holds (put out of
// one destroyed meanwhile) stays in space as it is.
void LaunchFromStation(CUnit* self)
{
    bool docked = false;
    for (uint32_t i = 0; i < CObjectList::unitCount[1] && !docked; ++i)
        docked = g_World.IsDockedAt(self, CObjectList::units[1][i]);
    if (!docked) return;
    if (CObjectList::IndexOf(self) >= 0) CObjectList::Detach(self);
    CObjectList::FindDockedPlayerShipFlag();
}

// The next sector opens from the hero station's docked ships. A hero station destroyed
// while the player was inside put his ship out: it is counted in for the save all the same,
// or the next sector would open without him.
void SaveNextSector(CUnit* self, int sector)
{
    CUnit* station = g_HeroStation;
    CUnit** free = nullptr;
    bool docked = false;
    if (station)
        for (CUnit*& slot : station->dockedUnits) {
            docked = docked || slot == self;
            if (!slot && !free) free = &slot;
        }
    if (docked || !free) free = nullptr;
    if (free) *free = self;
    WriteSectorSave(sector);
    if (free) *free = nullptr;
}

void ReturnToSpace(CUnit* self)
{
    const int id = g_LocationDirector.locationId;
    g_World.particles[0].Reset();
    g_World.particles[1].Reset();
    CCamera& cam = Camera();
    cam.SetTarget(self);
    cam.eye = self->position;

    if (!g_LocationDirector.missionOver) {
        // The landing's shot ends here: left on, the pilot would fly on in the outside view,
        // his mouse and radio calls refused.
        CameraOff();
        LaunchFromStation(self);
        const bool spoken = g_HeroStation && g_HeroStation->radioDialog.lineCount > 0 &&
                            g_HeroStation->radioDialog.lines[0].said;
        self->scriptStep = spoken ? -1 : 10;
        return;
    }
    if (id == 12) {
        // The outro waits for the player's hands on the stick: the bay must launch him.
        LaunchFromStation(self);
        if (CUnit* u = Cast(50)) u->scriptStep = 7;
        self->scriptStep = -1;
        return;
    }
    if (id != 1) EndGame(1);
    if (CUnit* u = Cast(1003)) u->engineMax = 100.0f, u->speed = 0.0f;
    self->scale = Vec3(0.1f, 0.1f, 0.1f);
    if (IsSectorLocation(id) && id < LOCATION_SECTOR_LAST) SaveNextSector(self, id + 1);
    const Vec3 axis(-0.25f, 1.0f, 0.0f);
    ShotOffset(g_HeroStation, Vec3(0.0f, -300.0f, -700.0f), -0.15f, 0.0f, &axis);
    Next(self, 101);
    ReleaseVoice();
    if (id == 1) {
        g_LocationDirector.ShowLocationText(6);
        LoadVoice("Data/Voices/Intro/Sector 01/Outro_Space.wav");
    }
    PlaySceneVoice();
}

} // namespace

void RunSectorShip(CUnit* self, float dt)
{
    const float t = StepSeconds(self);
    const bool network = g_GameMode == 2;
    switch (self->scriptStep) {
    case 0:
        if (g_GameMode == 1) SetUpSector(g_LocationDirector.locationId);
        Arrival(self);
        self->scriptStep = 1;
        break;
    case 1:
        if (network) {
            if (t < 10.0f) break;
            self->scale = Vec3(1.0f, 1.0f, 1.0f);
            Next(self, 2);
            break;
        }
        ArriveAlongZ(t);
        if (t < 20.0f) break;
        self->scale = Vec3(1.0f, 1.0f, 1.0f);
        // An opening flight (sectors 9 and 12) ends here: the camera stays where it came to
        // and turns to the station that has arrived, rather than going back to the ship.
        if (!Camera().shotUnit && g_HeroStation) ShotFromHere(g_HeroStation, kArrivalTurnSeconds);
        Next(self, 2);
        break;
    case 2:
        if (t > 1.0f && t < 2.0f && Camera().fadeMode != 1) Fade(1);
        if (t > 5.0f) EnterStation(self);
        break;
    case 10:
        if (self->manualControl != 1) break;
        if (g_HeroStation) {
            g_CommWindow.EndTalk();
            g_CommWindow.Talk(g_HeroStation, 0);
        }
        self->scriptStep = -1;
        break;
    case 100:
        ReturnToSpace(self);
        break;
    case 101:
        if (t >= 15.0f) Next(self, 102);
        break;
    case 102:
        if (t < 10.0f) {
            if (!network)
                if (CUnit* u = Cast(1003)) u->speed = std::fmin(10.0f * t, 50.0f);
            break;
        }
        if (!network) ShotFrom(g_HeroStation, Vec3(-1000.0f, -500.0f, -1000.0f), 10.0f);
        Next(self, 103);
        break;
    case 103:
    case 104:
        RunDeparture(self, dt);
        break;
    case -1:
        RunFreeFlight(self, dt);
        break;
    default:
        break;
    }
}

} // namespace scenes
