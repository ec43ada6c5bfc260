// CWorld::LoadLocation: fills the current world from a location's Main.loc.
#include "locations/location_loader.h"
#include "flight_ui/cursor.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "files/file_manager.h"
#include "audio/audio_manager.h"
#include "locations/location_director.h"
#include "locations/location_file.h"
#include "locations/mercenaries.h"
#include "locations/sector_save.h"
#include "locations/station_interiors.h"
#include "menus/start_logo.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "platform/win/message_box.h"
#include "platform/win/timer.h"
#include "render/d3d_render.h"
#include "render/mesh.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

LocationLoadInfo g_LocationLoad;
void (*g_LocationMissingHook)(const char* what) = nullptr;

namespace {

const char kAsteroidPath[] = "Data/Space/Static/Asteroid 01/Main.obj";
const char kOreSourcePath[] = "Data/Space/Ship/Mine 01/Main.obj";
const char kOreSourcePilot[] = "Human/Mining.Source";
constexpr float kDegreesPerRadian = 57.2957f;

// The destinations the file's orders gave: the objects' preparation at the end of the load
// puts every destination back on the unit's own position, so they are set again after it.
struct FileOrder {
    CUnit* unit;
    Vec3 point;
    int action;
};
FileOrder g_FileOrders[kMaxUnits];
int g_FileOrderCount = 0;

void Missing(const char* format, const char* a, const char* b = "", int line = 0)
{
    char text[1024];
    std::snprintf(text, sizeof(text), format, a, b, line);
    ++g_LocationLoad.missing;
    DebugOut(text);
    if (g_LocationMissingHook)
        g_LocationMissingHook(text);
}

void ShowProgress(int done, int total)
{
    g_LocationLoad.lastPercent = LoadingPercent(done, total);
    DrawLoadingScreen(g_LocationLoad.lastPercent);
}

void SetEffectVector(const char* name, float x, float y, float z, float w)
{
    if (!g_D3DRender.effect)
        return;
    Vec4 v(x, y, z, w);
    g_D3DRender.effect->SetVector(name, &v);
}

bool DeviceUsable()
{
    return g_D3DRender.device && !g_D3DRender.deviceLost;
}

// The game menu, the intros, the sectors, the single missions and the network maps run
// scenes of their own on the player's ship.
bool HasOwnScene(int id)
{
    return id == LOCATION_GAME_MENU || IsIntroLocation(id) || IsSectorLocation(id) || IsSingleLocation(id) ||
           IsNetworkLocation(id);
}

float AspectValue()
{
    switch (g_D3DRender.modeAspect) {
    case 1:
        return 1.6f;
    case 2:
        return 1.77778f;
    default:
        return 1.33333f;
    }
}

// A directional light in the first slot free in both worlds; -1 when all are taken.
int AddDirectionalLight(float r, float g, float b)
{
    D3DLIGHT9 description;
    description.Type = D3DLIGHT_DIRECTIONAL;
    description.Diffuse.r = r;
    description.Diffuse.g = g;
    description.Diffuse.b = b;
    description.Diffuse.a = 1.0f;
    const int slot = g_World.AddLight(&description, nullptr);
    if (slot < 0)
        return -1;
    CLight& light = g_World.lights[g_WorldIndex == 0 ? 0 : 1][slot];
    light.kind = LIGHT_KIND_SUN;
    light.angle = 1.0471976f;
    light.light = description;
    if (DeviceUsable()) {
        g_D3DRender.device->SetLight((unsigned)slot, &description);
        g_D3DRender.device->LightEnable((unsigned)slot, 1);
    }
    return slot;
}

Matrix RotationXYZ(const Vec3& degrees)
{
    Matrix m = MatrixIdentity();
    m = MatrixMultiply(m, MatrixRotationX(degrees.x / kDegreesPerRadian));
    m = MatrixMultiply(m, MatrixRotationY(degrees.y / kDegreesPerRadian));
    m = MatrixMultiply(m, MatrixRotationZ(degrees.z / kDegreesPerRadian));
    return m;
}

void SetTranslation(Matrix* m, const Vec3& p)
{
    m->m[3][0] = p.x;
    m->m[3][1] = p.y;
    m->m[3][2] = p.z;
}

// The world matrix of an object at `from` looking at `to`.
Matrix FacingMatrix(const Vec3& from, const Vec3& to, const Vec3& up)
{
    Matrix view = MatrixLookAtLH(from, to, up);
    Matrix world;
    if (!MatrixInverse(&world, nullptr, view))
        world = MatrixTranslation(from.x, from.y, from.z);
    return world;
}

void PlaceUnit(CUnit* unit, const Vec3& position)
{
    unit->position = position;
    SetTranslation(&unit->worldMatrix, position);
}

// Adds to the current world's list; false when the list was full (the unit is gone).
bool AddUnit(CUnit* unit)
{
    if (!CObjectList::Add(unit))
        return false;
    ++g_LocationLoad.createdEntries;
    return true;
}

// A new unit loaded from a description; null (reported) when the file is missing.
CUnit* LoadUnit(const char* path, int id, const CLocationFile* file)
{
    CUnit* unit = new CUnit();
    if (!unit->Load(path, id)) {
        if (file)
            Missing("object \"%s\" named in %s(%d) cannot be loaded", path, file->Name(), file->LineNumber());
        else
            Missing("object \"%s\" cannot be loaded%s", path);
        CObjectList::Remove(unit);
        return nullptr;
    }
    return unit;
}

// Private data named by a location must exist (in the Russian tree at least).
void CheckPrivateData(const char* name, const CLocationFile& file, int line)
{
    if (!name || !name[0])
        return;
    char path[kLocTextSize + 64];
    std::snprintf(path, sizeof(path), "Data/Space/Private data.RUS/%s/Main.pd", name);
    int handle = CFileManager::Open(path, FILE_KIND_PRIVATE_DATA);
    if (handle == -1)
        handle = CFileManager::Open(path, FILE_KIND_PLAIN);
    if (handle == -1) {
        Missing("private data \"%s\" named in %s(%d)", name, file.Name(), line);
        return;
    }
    CFileManager::Close(handle);
}

// Every piece of the music lists just read must exist.
void CheckMusic(const CLocationFile& file)
{
    const int w = g_WorldIndex == 0 ? 0 : 1;
    const CMusicPlayer& music = g_AudioManager.musicPlayer;
    for (int list = 0; list < 2; ++list) {
        const int count = list == 0 ? music.calmCounts[w] : music.battleCounts[w];
        for (int i = 0; i < count && i < MUSIC_NAME_COUNT; ++i) {
            const char* name = list == 0 ? music.calmNames[w][i] : music.battleNames[w][i];
            int handle = CFileManager::Open(name, FILE_KIND_SOUNDS);
            if (handle == -1)
                handle = CFileManager::Open(name, FILE_KIND_PLAIN);
            if (handle == -1)
                Missing("music \"%s\" named in %s", name, file.Name());
            else
                CFileManager::Close(handle);
        }
    }
}

int RandomRange(int n)
{
    return n >= 1 ? GameRand() % n : 0;
}

Vec3 RandomOffset(int half)
{
    return Vec3((float)(GameRand() % (2 * half + 1) - half), (float)(GameRand() % (2 * half + 1) - half),
                (float)(GameRand() % (2 * half + 1) - half));
}

void ReportLineErrors(const CLocationFile& file)
{
    g_LocationLoad.lineErrors += file.Errors();
}

// ---- planet ----

void LoadPlanet(CLocationFile& file, const char* mainLocPath)
{
    CWorld& world = g_World;
    int lightFlag = 0;
    int r = 0, g = 0, b = 0;
    int count = 0;
    bool header = file.SkipLines(3) && file.NextLine();
    if (header && !file.IntValue(&lightFlag))
        lightFlag = 0;
    header = header && file.NextLine();
    if (header && !file.Colour(&r, &g, &b))
        r = g = b = 0;
    world.ambient[0] = 0xFF000000u | ((unsigned)r << 16) | ((unsigned)g << 8) | (unsigned)b;
    header = header && file.SkipLines(1) && file.NextLine();
    if (header && (!file.IntValue(&count) || count < 0)) {
        file.Report("number of objects must be a whole number of at least 0");
        count = 0;
    }
    header = header && file.SkipLines(1);
    g_LocationLoad.planetLight = lightFlag;

    bool inStep = header;
    for (int i = 0; inStep && i < count; ++i) {
        if (file.ReadLineIn("objects") != LOC_READ_OK) {
            inStep = false;
            break;
        }
        LocPlanetObject object;
        LocRead read = file.ReadPlanetObject(&object);
        if (read == LOC_READ_EOF) {
            inStep = false;
            break;
        }
        if (read == LOC_READ_OK) {
            CUnit* unit = LoadUnit(object.path, CObjectList::CountAll(), &file);
            if (unit) {
                unit->position = object.position;
                unit->rotation = object.rotation;
                unit->scale = object.scale;
                AddUnit(unit);
            }
        }
        ShowProgress(i, count);
    }
    if (inStep && file.SkipLines(2)) {
        g_AudioManager.musicPlayer.LoadNameLists(file.Handle());
        CheckMusic(file);
    }
    ReportLineErrors(file);
    file.Close();

    g_PlayerObject = CObjectList::FindPlayer();
    CCamera& camera = world.cameras[0];
    camera.ReleaseTextures();
    camera.fov = 0.349066f;
    camera.Init(Vec3(0.0f, 0.0f, 0.0f), Vec3(0.0f, -1000.0f, 1000.0f), AspectValue() * 0.85f, 5.0f, 5000.0f);
    if (g_PlayerObject) {
        const Vec3 p = g_PlayerObject->position;
        camera.SetMatrices(p + Vec3(0.0f, 40.0f, -40.0f), p, Vec3(0.0f, 1.0f, 0.0f));
    }

    if (lightFlag) {
        world.lightListCount[0] = 1;
        world.lightList[0][0] = AddDirectionalLight(1.0f, 1.0f, 1.0f);
    } else {
        world.lightListCount[0] = 0;
    }

    // Obstacles are probed where they stand: their world matrices come first.
    NavUnitList units;
    units.units = CObjectList::units[0];
    units.count = (int)CObjectList::unitCount[0];
    for (int i = 0; i < units.count; ++i)
        if (units.units[i]) units.units[i]->UpdateParts();
    world.navGrid.LoadOrBuildNavGrid(mainLocPath, units);

    if (g_LocationKind == 2) {
        // People for the ships docked where the player's ship is.
        const int saved = g_WorldIndex;
        g_WorldIndex = 1;
        CUnit* station = nullptr;
        for (uint32_t i = 0; i < CObjectList::unitCount[1] && !station; ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (!u || u->kind != GTYPE_SP_STATION)
                continue;
            for (int s = 0; s < kMaxDocked; ++s)
                if (u->dockedUnits[s] && u->dockedUnits[s]->kind == GTYPE_SP_HEROSHIP)
                    station = u;
        }
        g_WorldIndex = saved;
        if (station) {
            for (int s = 0; s < kMaxDocked; ++s) {
                if (!station->dockedUnits[s])
                    continue;
                CUnit* person = world.navGrid.SpawnPerson(station, s, CObjectList::NextId());
                if (person)
                    CObjectList::Add(person);
            }
        }
    }
    g_LocationLoad.canRun = 1;
}

// ---- space ----

void ReadLights(CLocationFile& file, int count)
{
    CWorld& world = g_World;
    int kept = count > kLightSlots ? kLightSlots : count;
    if (count > kLightSlots) {
        char text[64];
        std::snprintf(text, sizeof(text), "%d lights, the first %d kept", count, kLightSlots);
        file.Report(text);
    }
    world.lightListCount[1] = kept;
    for (int i = 0; i < count; ++i) {
        if (file.ReadLineIn("lights") != LOC_READ_OK)
            return;
        int r = 255, g = 255, b = 255;
        file.Colour(&r, &g, &b);
        if (i < kept)
            world.lightList[1][i] = AddDirectionalLight((float)r / 255.0f, (float)g / 255.0f, (float)b / 255.0f);
    }
}

// The records of a section after its three header lines, up to its end line. A record
// read whole or refused goes to handle with the read result and its first line; handle
// returns false when the file ends inside. False: the file ended inside the section.
template <class Record, class Handle>
bool ReadSection(CLocationFile& file, const char* section, LocRead (CLocationFile::*read)(Record*), Handle handle)
{
    if (!file.SkipLines(3))
        return false;
    for (;;) {
        if (file.ReadLineIn(section) != LOC_READ_OK)
            return false;
        const int firstLine = file.LineNumber();
        Record record;
        const LocRead result = (file.*read)(&record);
        if (result == LOC_READ_END)
            return true;
        if (result == LOC_READ_EOF)
            return false;
        if (!handle(record, result, firstLine))
            return false;
    }
}

bool ReadStaticObjects(CLocationFile& file)
{
    return ReadSection(file, "static objects", &CLocationFile::ReadStaticObject,
                       [&](LocStaticObject& object, LocRead read, int firstLine) {
        if (read != LOC_READ_OK)
            return true;
        CUnit* unit = new CUnit();
        Matrix m = RotationXYZ(object.rotation);
        SetTranslation(&m, object.position);
        unit->worldMatrix = m;
        unit->position = object.position;
        if (!unit->Load(object.path, object.id)) {
            Missing("object \"%s\" named in %s(%d) cannot be loaded", object.path, file.Name(), firstLine);
            CObjectList::Remove(unit);
            return true;
        }
        unit->worldMatrix = m;
        unit->position = object.position;
        CheckPrivateData(object.privateData, file, firstLine + 2);
        unit->pilot.Load(unit, object.privateData);
        AddUnit(unit);
        ShowProgress(CObjectList::Count(), g_LocationLoad.expectedEntries);
        return true;
    });
}

bool ReadOrders(CLocationFile& file)
{
    return ReadSection(file, "orders", &CLocationFile::ReadOrderHead,
                       [&](LocOrder& order, LocRead read, int firstLine) {
        CUnit* unit = order.unitId == -1 ? nullptr : CObjectList::FindById(order.unitId);
        const int action = ParseAction(order.action);
        const bool texts = unit && IsStationKindValue(unit->kind) && action != ACTION_GUARD;
        LocRead tail = file.ReadOrderTail(&order, texts);
        if (tail == LOC_READ_EOF)
            return false;
        if (read != LOC_READ_OK || tail != LOC_READ_OK)
            return true;
        if (!unit) {
            if (order.unitId != -1) {
                char id[16];
                std::snprintf(id, sizeof(id), "%d", order.unitId);
                Missing("order for unit %s in %s(%d): no such unit", id, file.Name(), firstLine);
            }
            return true;
        }
        if (action < 0) {
            file.Report("unknown order");
            return true;
        }
        CUnit* target = order.targetId == -1 ? nullptr : CObjectList::FindById(order.targetId);
        if (order.targetId != -1 && !target) {
            char id[16];
            std::snprintf(id, sizeof(id), "%d", order.targetId);
            Missing("order target %s in %s(%d): no such unit", id, file.Name(), firstLine);
        }
        unit->target = target;
        unit->destination = order.point;
        // Point orders take the order's point, the others their target.
        if (action == ACTION_STAY || action == ACTION_MOVE)
            unit->SetOrder(action, &order.point, nullptr, 0);
        else
            unit->SetOrder(action, target, nullptr, 0);
        if (g_FileOrderCount < kMaxUnits)
            g_FileOrders[g_FileOrderCount++] = FileOrder{unit, order.point, action};
        if (texts) {
            SetStationInterior(unit->pilot.objectId, order.text1, order.text2);
            if (order.text1[0]) {
                char path[kLocTextSize + 16];
                std::snprintf(path, sizeof(path), "%s/Main.loc", order.text1);
                CLocationFile interior;
                if (!interior.Open(path))
                    Missing("station interior \"%s\" named in %s(%d) has no Main.loc", order.text1, file.Name(),
                            firstLine);
            }
        }
        return true;
    });
}

void PlaceDockingShip(CUnit* ship, CUnit* host, int index)
{
    CMesh* mesh = host->meshCount > 0 ? host->meshes[0] : nullptr;
    if (!mesh || mesh->m_PointCount[MESH_POINTS_COCKPIT] <= 0 || host->latchedCount >= kMaxLatched ||
        host->latchedCount < 0) {
        CObjectList::Remove(ship);
        return;
    }
    const float s = 1.0f + (float)(GameRand() % 101) / 100.0f;
    ship->scale = Vec3(s, s, s);
    ship->FinishLoad();
    ship->target = host;
    ship->boundUnit = host;
    ship->baseValues[UNIT_BASE_HULL].bonus = (250.0f - ship->baseValues[UNIT_BASE_HULL].value) * (s - 1.0f);
    ship->baseValues[UNIT_BASE_ENGINE].bonus = (150.0f - ship->baseValues[UNIT_BASE_ENGINE].value) * (s - 1.0f);
    ship->baseValues[UNIT_BASE_MANOEUVRING].bonus = (s - 1.0f) * 4.0f;
    ship->latchPoint = host->latchedCount;
    host->latchedUnits[host->latchedCount++] = ship;
    ship->orderSubState = 100;
    if (index % 2 == 0)
        g_AudioManager.ReleaseSound(&ship->actionSounds[ACTION_GET_DAMAGE]);
    AddUnit(ship);
}

bool ReadShipGroups(CLocationFile& file)
{
    return ReadSection(file, "ship groups", &CLocationFile::ReadShipGroup,
                       [&](LocShipGroup& group, LocRead read, int firstLine) {
        if (read != LOC_READ_OK)
            return true;
        const int action = ParseAction(group.action);
        if (action < 0) {
            file.Report("unknown order of a ship group");
            return true;
        }
        CheckPrivateData(group.privateData, file, firstLine + 1);
        for (int k = 0; k < group.count; ++k) {
            char path[kLocTextSize];
            std::snprintf(path, sizeof(path), "%s", group.path);
            if (GroupModelCount(path) > 0)
                PickGroupModel(path, GameRand());
            CUnit* ship = new CUnit();
            if (!ship->Load(path, -1)) {
                Missing("ship \"%s\" of the group in %s(%d) cannot be loaded", path, file.Name(), firstLine);
                CObjectList::Remove(ship);
                continue;
            }
            ship->pilot.Load(ship, group.privateData);
            ship->SetTargetsById(group.fromId, group.toId);
            ship->SetOrder(action, nullptr, nullptr, 0);
            CUnit* from = group.fromId == -1 ? nullptr : CObjectList::FindById(group.fromId);
            if (ship->orderType == ACTION_TRANSPORT && from) {
                ship->ore = from->FindCargoItem() ? 0.0f : 100.0f;
                g_World.PlaceBetweenObjects(ship, group.fromId, group.toId);
                AddUnit(ship);
            } else if (ship->orderType == ACTION_DOCKING && from && ship->pilot.side == 3) {
                PlaceDockingShip(ship, from, k);
            } else {
                CObjectList::Remove(ship);
            }
            ShowProgress(CObjectList::Count(), g_LocationLoad.expectedEntries);
        }
        return true;
    });
}

bool ReadAsteroidFields(CLocationFile& file)
{
    return ReadSection(file, "asteroid fields", &CLocationFile::ReadAsteroidField,
                       [&](LocAsteroidField& field, LocRead read, int) {
        if (read == LOC_READ_OK)
            g_World.CreateAsteroidField(field.centre, field.inner, field.outer, field.count);
        return true;
    });
}

CUnit* CreateOreSource(int id, const Vec3& position, const Vec3& lookAt)
{
    CUnit* unit = LoadUnit(kOreSourcePath, id, nullptr);
    if (!unit)
        return nullptr;
    unit->pilot.Load(unit, kOreSourcePilot);
    unit->worldMatrix = FacingMatrix(position, lookAt, Vec3(0.0f, 1.0f, 0.0f));
    PlaceUnit(unit, position);
    if (!AddUnit(unit))
        return nullptr;
    ShowProgress(CObjectList::Count(), g_LocationLoad.expectedEntries);
    return unit;
}

void CreateOreSources(int players)
{
    CUnit* first[4] = {};
    CUnit* second[4] = {};
    for (int i = 0; i < players && i < 4; ++i) {
        const Vec3 d = Vec3Normalize(NetworkStartPoint(players, i));
        Vec3 p = d * 3000.0f + RandomOffset(1000);
        if (Vec3Length(p) > 3000.0f)
            p = Vec3Normalize(p) * 3000.0f;
        first[i] = CreateOreSource(10 + i, p, Vec3());
    }
    for (int i = 0; i < players && i < 4; ++i) {
        const Vec3 p = NetworkSecondSourcePoint(players, i) + RandomOffset(1000);
        const Vec3 d = Vec3Normalize(p);
        second[i] = CreateOreSource(10 + players + i, p, p + d * 10000.0f);
    }
    for (int i = 0; i < players && i < 4; ++i)
        if (first[i])
            g_World.CreateAsteroidField(first[i]->position, 700.0f, 1500.0f, 20);
    for (int i = 0; i < players && i < 4; ++i)
        if (second[i])
            g_World.CreateAsteroidField(second[i]->position, 700.0f, 3000.0f, 40);
}

void LoadSpace(CLocationFile& file)
{
    CWorld& world = g_World;
    int lights = 0;
    bool ok = file.SkipLines(3) && file.NextLine();
    if (ok && (!file.IntValue(&lights) || lights < 0)) {
        file.Report("number of lights must be a whole number of at least 0");
        lights = 0;
    }
    if (ok)
        ReadLights(file, lights);
    ok = ok && ReadStaticObjects(file);
    ok = ok && ReadOrders(file);
    if (g_GameMode == 2) {
        const int players = g_Network.session.playerCount;
        if (!RearrangeNetworkUnits(players, g_Network.session.ownIndex))
            DebugOut("Network game: the units 1000 .. 1003 are not all in the location");
    }
    ok = ok && ReadShipGroups(file);
    ok = ok && ReadAsteroidFields(file);
    if (ok && file.SkipLines(3)) {
        g_AudioManager.musicPlayer.LoadNameLists(file.Handle());
        CheckMusic(file);
    }
    ReportLineErrors(file);
    file.Close();

    if (g_GameMode == 2)
        CreateOreSources(g_Network.session.playerCount);

    CObjectList::SortByDistance(GCLASS_SPACE_OBJECT, GTYPE_SP_PLANET);
    GameSrand((unsigned)g_GameClock.gameTime);

    g_HeroStation = CObjectList::FindById(1000);
    const int id = g_LocationDirector.locationId;
    if (g_HeroStation && g_Settings.cutScenes) {
        if (g_GameMode == 1 && id != LOCATION_SPACE_INTRO_1 && id != LOCATION_SPACE_INTRO_2)
            LoadSectorSave(id);
        else if (g_GameMode == 0 || g_GameMode == 2)
            world.CreateMercenariesAndHero();
    }

    CUnit* player = nullptr;
    for (uint32_t i = 0; i < CObjectList::unitCount[1]; ++i) {
        CUnit* u = CObjectList::units[1][i];
        if (u && u->objectClass == GCLASS_SPACE_SHIP && u->kind == GTYPE_SP_HEROSHIP) {
            player = u;
            break;
        }
    }
    if (!player || player->hull == 0.0f || player->orderType == ACTION_DEAD) {
        player = CObjectList::FindDockedPlayerShip();
        if (player && !CObjectList::Add(player))
            player = nullptr;
        if (!player) {
            ShowMessage("Hero is absent!", "Error!", MB_OK);
            g_LocationLoad.playerMissing = 1;
        }
    }
    g_PlayerObject = player;
    CCamera& camera = world.cameras[1];
    camera.SetTarget(player);
    const float r = player ? player->boundsRadius : 0.0f;
    camera.followOffset = Vec3(0.0f, r, -2.0f * r);

    g_LocationDirector.ResetMercenaryOrders();
    SpawnPirates();
    SpawnNeutralTraffic();
    world.particles[0].Reset();
    world.particles[1].Reset();

    if (player) {
        const Vec3 forward(player->worldMatrix.m[2][0], player->worldMatrix.m[2][1], player->worldMatrix.m[2][2]);
        camera.moveStartEye = player->position;
        camera.SetMatrices(player->position, player->position + forward * 1000.0f, camera.up);
    }

    // Each light belongs to the next star of the list.
    uint32_t next = 0;
    for (int i = 0; i < world.lightListCount[1]; ++i) {
        const int slot = world.lightList[1][i];
        while (next < CObjectList::unitCount[1] &&
               (!CObjectList::units[1][next] || CObjectList::units[1][next]->kind != GTYPE_SP_STAR))
            ++next;
        if (next >= CObjectList::unitCount[1])
            break;
        if (slot >= 0 && slot < kLightSlots) {
            CUnit* star = CObjectList::units[1][next];
            CLight& light = world.lights[1][slot];
            light.owner = star;
            // The light comes from its star towards the middle of the location.
            light.light.Position = star->position;
            light.light.Direction = Vec3Normalize(-star->position);
        }
        ++next;
    }
    g_LocationLoad.canRun = ok && player ? 1 : 0;
    if (!ok)
        DebugOutF("%s: location file incomplete, the location does not run", file.Name());
}

} // namespace

int LoadingPercent(int done, int total)
{
    if (total <= 0)
        return 100;
    const double p = 100.0 / (double)total * (double)done;
    if (p <= 0.0)
        return 0;
    if (p >= 100.0)
        return 100;
    return (int)p;
}

namespace {

// A player slot's point out of the tables for 2, 3 and 4 players; the origin outside them.
Vec3 SlotPoint(const Vec3* k2, const Vec3* k3, const Vec3* k4, int players, int index)
{
    if (index < 0 || index >= players)
        return Vec3();
    switch (players) {
    case 2:
        return k2[index];
    case 3:
        return k3[index];
    case 4:
        return k4[index];
    default:
        return Vec3();
    }
}

} // namespace

Vec3 NetworkStartPoint(int players, int index)
{
    static const Vec3 k2[] = {Vec3(0, 0, 6000), Vec3(0, 0, -6000)};
    static const Vec3 k3[] = {Vec3(6000, 0, 3000), Vec3(0, 0, -6000), Vec3(-6000, 0, 3000)};
    static const Vec3 k4[] = {Vec3(0, 0, 6000), Vec3(0, 0, -6000), Vec3(-6000, 0, 0), Vec3(6000, 0, 0)};
    return SlotPoint(k2, k3, k4, players, index);
}

Vec3 NetworkSecondSourcePoint(int players, int index)
{
    static const Vec3 k2[] = {Vec3(4000, 0, 0), Vec3(-4000, 0, 0)};
    static const Vec3 k3[] = {Vec3(5000, 0, -3000), Vec3(-5000, 0, -3000), Vec3(0, 0, 5000)};
    static const Vec3 k4[] = {Vec3(5000, 0, 5000), Vec3(5000, 0, -5000), Vec3(-5000, 0, -5000), Vec3(-5000, 0, 5000)};
    return SlotPoint(k2, k3, k4, players, index);
}

bool RearrangeNetworkUnits(int players, int localSlot)
{
    CUnit* station = CObjectList::FindById(1000);
    CUnit* above = CObjectList::FindById(1001);
    CUnit* below = CObjectList::FindById(1002);
    CUnit* outer = CObjectList::FindById(1003);
    if (!station || !above || !below || !outer)
        return false;
    const Vec3 up(0.0f, 1.0f, 0.0f);
    const Vec3 s = NetworkStartPoint(players, localSlot);
    const Vec3 d = Vec3Normalize(s);
    station->worldMatrix = FacingMatrix(s, s + d * 1000.0f, up);
    PlaceUnit(station, s);
    const Vec3 a = s + Vec3(0.0f, 500.0f, 0.0f);
    above->worldMatrix = FacingMatrix(a, Vec3(0.0f, 500.0f, 0.0f), up);
    PlaceUnit(above, a);
    const Vec3 b = s + Vec3(0.0f, -500.0f, 0.0f);
    below->worldMatrix = FacingMatrix(b, Vec3(0.0f, -500.0f, 0.0f), Vec3(0.0f, -1.0f, 0.0f));
    PlaceUnit(below, b);
    const Vec3 o = s + d * 500.0f;
    outer->worldMatrix = FacingMatrix(o, Vec3(), up);
    PlaceUnit(outer, o);
    CUnit* four[] = {station, above, below, outer};
    for (CUnit* u : four) {
        u->hullMax = 3000.0f;
        u->hull = 3000.0f;
        u->baseValues[UNIT_BASE_HULL].value = 3000.0f;
    }
    for (CUnit* u : four)
        g_Network.SendObjectMessage(11, u);
    for (int i = 1; i < 4; ++i)
        g_Network.SendObjectMessage(14, four[i]);
    return true;
}

void CWorld::CreateAsteroidField(const Vec3& centre, float innerRadius, float outerRadius, int count)
{
    // An empty range places every asteroid at the inner radius.
    const float span = outerRadius - innerRadius;
    const int range = span >= 1.0f && span < 2.0e9f ? (int)span : 0;
    int dropped = 0;
    if (count > kLocMaxCount)
        count = kLocMaxCount;
    for (int i = 0; i < count; ++i) {
        CUnit* unit = LoadUnit(kAsteroidPath, -1, nullptr);
        if (!unit)
            return;
        bool placed = false;
        Vec3 position;
        for (int draw = 0; draw < kMaxAsteroidDraws && !placed; ++draw) {
            Vec3 direction((float)(GameRand() % 4001 - 2000), (float)(GameRand() % 4001 - 2000),
                           (float)(GameRand() % 4001 - 2000));
            direction = Vec3Normalize(direction);
            const float distance = innerRadius + (float)RandomRange(range);
            position = centre + direction * distance;
            placed = true;
            for (int k = 0; k < CObjectList::Count(); ++k) {
                CUnit* other = CObjectList::units[g_WorldIndex == 0 ? 0 : 1][k];
                // The sky surrounds everything; it is never in the way.
                if (!other || other->objectClass == GCLASS_SPACE_SKY)
                    continue;
                if (Vec3Length(position - other->position) < unit->boundsRadius + other->boundsRadius) {
                    placed = false;
                    break;
                }
            }
        }
        if (!placed) {
            ++dropped;
            CObjectList::Remove(unit);
            continue;
        }
        PlaceUnit(unit, position);
        AddUnit(unit);
        ShowProgress(CObjectList::Count(), g_LocationLoad.expectedEntries);
    }
    if (dropped)
        DebugOutF("Asteroid field at (%.0f, %.0f, %.0f): no free place for %d of %d asteroids", centre.x, centre.y,
                  centre.z, dropped, count);
}

void CWorld::PlaceBetweenObjects(CUnit* ship, int fromId, int toId)
{
    CUnit* a = fromId == -1 ? nullptr : CObjectList::FindById(fromId);
    CUnit* b = toId == -1 ? nullptr : CObjectList::FindById(toId);
    if (!a || !b) {
        PlaceUnit(ship, Vec3());
        return;
    }
    const float ra = a->boundsRadius;
    const float rb = b->boundsRadius;
    const float gap = Vec3Length(b->position - a->position) - 2.0f * ra - 2.0f * rb;
    Matrix m = FacingMatrix(a->position, b->position, Vec3(0.0f, 1.0f, 0.0f));
    const Vec3 d = Vec3Normalize(b->position - a->position);
    // A gap under one unit leaves no room to draw a place from.
    float t = 2.0f * ra;
    if (gap >= 1.0f && gap < 2.0e9f)
        t = (float)(GameRand() % (int)gap) + 2.0f * ra;
    const Vec3 side(m.m[0][0], m.m[0][1], m.m[0][2]);
    ship->worldMatrix = m;
    PlaceUnit(ship, a->position + d * t + side * 100.0f);
}

void CWorld::LoadLocation(const char* folder)
{
    g_LocationLoad = LocationLoadInfo();
    g_FileOrderCount = 0;
    const double savedTime = g_GameClock.gameTime;
    PauseAllSounds();
    SetEffectVector("DirLight2_Diff", 0.0f, 0.0f, 0.0f, 0.0f);
    SetEffectVector("DirLight2_Spec", 0.0f, 0.0f, 0.0f, 0.0f);
    SetEffectVector("DirLight2_Dir", 0.0f, 1.0f, 0.0f, 1.0f);
    SetEffectVector("DirLight2_Pos", 0.0f, 0.0f, 0.0f, 1.0f);

    char path[kWorldFolderLength + 16];
    std::snprintf(path, sizeof(path), "%s/Main.loc", folder ? folder : "");
    const bool space = g_WorldIndex != 0;
    if (space) {
        ambient[1] = 0xFF141414u;
        g_LocationLoad.expectedEntries = CountLocationEntries(path);
        if (g_GameMode == 2)
            g_LocationLoad.expectedEntries += 62 * g_Network.session.playerCount;
        ClearStationInteriors();
    }

    CLocationFile file;
    if (!file.Open(path)) {
        Missing("location file \"%s\" cannot be opened%s", path);
        ShowMessage("Can't open location data file", "Error!", MB_OK);
        // The load ends here, but the clock and the sounds must not stay stopped.
        g_GameClock.timeScale = 1.0f;
        g_GameClock.gameTime = savedTime;
        g_GameClock.lastTick = timeGetTime();
        g_AudioManager.ResumeAll();
        return;
    }
    g_LocationLoad.opened = 1;
    std::snprintf(locationFolder, sizeof(locationFolder), "%s", folder);

    if (!space) {
        LoadPlanet(file, path);
    } else {
        g_ViewDistance = 4000.0f;
        CCamera& camera = cameras[1];
        camera.ReleaseTextures();
        camera.fov = 1.46121f;
        camera.Init(Vec3(0.0f, 0.0f, 0.0f), Vec3(0.0f, 0.0f, 10.0f), AspectValue() * 0.85f, 2.0f, 5000.0f);
        // The outside view opens a location's scene, and the scene ends it; a location
        // with no scene of its own (a test location) hands the pilot his cockpit at once.
        if (g_Settings.cutScenes && HasOwnScene(g_LocationDirector.locationId))
            camera.cinematicView = 1;
        LoadSpace(file);
    }

    Camera().Update();
    PrepareObjects();
    for (int i = 0; i < g_FileOrderCount; ++i) {
        CUnit* unit = g_FileOrders[i].unit;
        if (CObjectList::IndexOf(unit) < 0 || unit->orderType != g_FileOrders[i].action)
            continue;
        unit->destination = g_FileOrders[i].point;
        if (g_FileOrders[i].action == ACTION_MOVE)
            unit->movePoint = g_FileOrders[i].point;
    }
    g_FileOrderCount = 0;
    g_D3DRender.SetCursorPos800x600(400.0f, 300.0f);
    // On the planet the player points and clicks; the menu hid the pointer when it handed over.
    if (g_LocationKind != 1)
        g_PointerShown = 1;
    if (g_GameMode == 2)
        g_Network.session.TouchAll();
    g_GameClock.timeScale = 1.0f;
    g_GameClock.gameTime = savedTime;
    g_GameClock.lastTick = timeGetTime();
    g_AudioManager.ResumeAll();
}
