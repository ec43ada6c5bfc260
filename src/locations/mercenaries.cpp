#include "locations/mercenaries.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "locations/location_director.h"
#include "net/network.h"
#include "platform/crt/rand.h"
#include "world/game_clock.h"
#include "world/objects/item.h"
#include "world/objects/object_codes.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/space/dock_time.h"

const char* const kLightShipModels[kMercenaryModelCount] = {
    "Data/Space/Ship/Eagle.M1/Main.obj",  "Data/Space/Ship/Hammer.M1/Main.obj", "Data/Space/Ship/Midia.M1/Main.obj",
    "Data/Space/Ship/Pegas.M1/Main.obj",  "Data/Space/Ship/Python.M1/Main.obj", "Data/Space/Ship/Raptor.M1/Main.obj",
    "Data/Space/Ship/Shark.M1/Main.obj",  "Data/Space/Ship/Siluro.M1/Main.obj", "Data/Space/Ship/Valise.M1/Main.obj",
    "Data/Space/Ship/Wanderer.M1/Main.obj"};
const char* const kHeavyShipModels[kMercenaryModelCount] = {
    "Data/Space/Ship/Cobra.M2/Main.obj",  "Data/Space/Ship/Eagle.M2/Main.obj",  "Data/Space/Ship/Glider.M2/Main.obj",
    "Data/Space/Ship/Hammer.M2/Main.obj", "Data/Space/Ship/Hound.M2/Main.obj",  "Data/Space/Ship/Luger.M2/Main.obj",
    "Data/Space/Ship/Midia.M2/Main.obj",  "Data/Space/Ship/Raptor.M2/Main.obj", "Data/Space/Ship/Shark.M2/Main.obj",
    "Data/Space/Ship/Slider.M2/Main.obj"};

namespace {

constexpr uint32_t kFreeSlot = 0xFFFFFFFFu;
constexpr float kDeliverySeconds = 2.0f;
constexpr int AI_FIGHTER = 0;
constexpr int AI_TRANSPORT = 10;
constexpr int AI_DELIVERED = 100;

const char kTransportPilot[] = "Human/Mercenaries/Transport";
const char kFighterPilot[] = "Human/Mercenaries/Fighter";

// rand() mod n, with n from anywhere: never a division by zero.
int RandomBelow(int n)
{
    return n > 0 ? GameRand() % n : 0;
}

const char* LightModel()
{
    return kLightShipModels[RandomBelow(kMercenaryModelCount)];
}

const char* HeavyModel()
{
    return kHeavyShipModels[RandomBelow(kMercenaryModelCount)];
}

// Private data of neutral traffic by sector range.
const char* NeutralPilot(int id, bool fighter)
{
    if (id >= 3 && id <= 5)
        return fighter ? "Human/Neutral/Fighter.S03-05" : "Human/Neutral/Transport.S03-05";
    if (id >= 6 && id <= 8)
        return fighter ? "Human/Neutral/Fighter.S06-08" : "Human/Neutral/Transport.S06-08";
    if (id >= 9 && id <= 11)
        return fighter ? "Human/Neutral/Fighter.S09-11" : "Human/Neutral/Transport.S09-11";
    return fighter ? "Human/Neutral/Fighter" : "Human/Neutral/Transport";
}

// Appends to the current world's list; false when the list was full (the ship is gone).
bool Append(CUnit* ship)
{
    return ship && CObjectList::Add(ship);
}

CUnit* SpawnPirate(const char* path, const char* pilotFormat, int aiMode)
{
    char pilot[64];
    std::snprintf(pilot, sizeof(pilot), pilotFormat, 1 + RandomBelow(2));
    return CreateSpawnedShip(path, -1, pilot, GTYPE_SP_NPCSHIP_MOVED, aiMode);
}

} // namespace

bool LocationKeepsOrderBook(int id)
{
    return IsSectorLocation(id) || IsSingleLocation(id) || IsNetworkLocation(id);
}

CUnit* CreateSpawnedShip(const char* path, int id, const char* privateData, int kind, int aiMode)
{
    CUnit* u = new CUnit();
    if (!u->Load(path, id)) {
        DebugOutF("Spawned ship \"%s\" cannot be loaded", path ? path : "(null)");
        CObjectList::Remove(u);
        return nullptr;
    }
    u->pilot.Load(u, privateData);
    u->kind = kind;
    if (aiMode != kKeepAiMode)
        u->scriptStep = aiMode;
    return u;
}

bool DockAtStation(CUnit* station, CUnit* ship)
{
    if (!ship)
        return false;
    // The first free place: a bay with a gap (a docked ship destroyed) still takes a newcomer.
    int place = -1;
    for (int i = 0; station && i < kMaxDocked && place < 0; ++i)
        if (!station->dockedUnits[i])
            place = i;
    if (place < 0) {
        DebugOutF("Hero station bay full: \"%s\" is not docked", ship->descriptionPath);
        CObjectList::Remove(ship);
        return false;
    }
    station->dockedUnits[place] = ship;
    station->slotIds[place].shipId = ship->pilot.objectId;
    station->dockStartTimes[place] = g_GameClock.NowMs();
    ++station->dockedCount;
    ship->dockTime = kStaysDocked;
    return true;
}

void CLocationDirector::ResetMercenaryOrders()
{
    if (locationId == LOCATION_SPACE_INTRO_2)
        ordersAvailable = 0;
    if (!LocationKeepsOrderBook(locationId))
        return;
    for (int i = 0; i < kMercenaryOrderSlots; ++i) {
        orderTimes[i] = kFreeSlot;
        orderModels[i][0] = 0;
    }
    int docked = 0;
    if (g_HeroStation)
        for (int i = 0; i < kMaxDocked; ++i)
            if (g_HeroStation->dockedUnits[i])
                ++docked;
    ordersAvailable = kMaxDocked - docked;
    nextMercenaryId = 200;
}

int CLocationDirector::CanOrderMercenary() const
{
    if (ordersAvailable <= 0)
        return 0;
    for (int i = 0; i < kMercenaryOrderSlots; ++i)
        if (orderTimes[i] == kFreeSlot)
            return 1;
    return 0;
}

int CLocationDirector::OrderMercenary(const char* path)
{
    // An order without a free slot in the book would be paid for and never delivered.
    if (!CanOrderMercenary())
        return 0;
    for (int i = 0; i < kMercenaryOrderSlots; ++i) {
        if (orderTimes[i] == kFreeSlot) {
            uint32_t now = g_GameClock.NowMs();
            // The free mark is not a time an order can carry.
            orderTimes[i] = now == kFreeSlot ? now - 1 : now;
            std::snprintf(orderModels[i], sizeof(orderModels[i]), "%s", path ? path : "");
            break;
        }
    }
    return --ordersAvailable;
}

void CLocationDirector::DeliverMercenaryOrders()
{
    if (!LocationKeepsOrderBook(locationId))
        return;
    const int savedWorld = g_WorldIndex;
    g_WorldIndex = 1;
    for (int i = 0; i < kMercenaryOrderSlots; ++i) {
        if (orderTimes[i] == kFreeSlot || g_GameClock.SecondsSince(orderTimes[i]) <= kDeliverySeconds)
            continue;
        orderTimes[i] = kFreeSlot;
        char path[kMercenaryModelLength];
        std::memcpy(path, orderModels[i], sizeof(path));
        path[sizeof(path) - 1] = 0;
        orderModels[i][0] = 0;
        CUnit* u = new CUnit();
        if (!u->Load(path, nextMercenaryId++)) {
            DebugOutF("Ordered mercenary \"%s\" cannot be loaded", path);
            CObjectList::Remove(u);
            continue;
        }
        u->scriptStep = AI_DELIVERED;
        if (u->FindCargoItem()) {
            u->pilot.Load(u, kTransportPilot);
            u->kind = GTYPE_SP_NPCSHIP_MERCS_CARGO;
        } else {
            u->pilot.Load(u, kFighterPilot);
            u->kind = GTYPE_SP_NPCSHIP_MERCS_FIGHTER;
        }
        if (!Append(u))
            continue;
        if (g_GameMode == 2)
            g_Network.SendObjectMessage(11, u);
    }
    g_WorldIndex = savedWorld;
}

void CWorld::CreateMercenariesAndHero()
{
    CUnit* station = g_HeroStation;
    if (!station)
        return;
    const bool network = g_GameMode == 2;
    station->ore = 20.0f;

    CUnit* ships[3] = {};
    ships[0] = CreateSpawnedShip(network ? "Data/Space/Ship/Pegas.M1/Main.obj" : LightModel(), 100, kTransportPilot,
                                 GTYPE_SP_NPCSHIP_MERCS_CARGO, kKeepAiMode);
    if (ships[0] && !DockAtStation(station, ships[0]))
        ships[0] = nullptr;

    CUnit* second = new CUnit();
    if (second->Load(network ? "Data/Space/Ship/Raptor.M1/Main.obj" : HeavyModel(), 101)) {
        const bool cargo = second->FindCargoItem() != nullptr;
        second->pilot.Load(second, cargo ? kTransportPilot : kFighterPilot);
        second->kind = cargo ? GTYPE_SP_NPCSHIP_MERCS_CARGO : GTYPE_SP_NPCSHIP_MERCS_FIGHTER;
        ships[1] = DockAtStation(station, second) ? second : nullptr;
    } else {
        DebugOut("Second starting mercenary cannot be loaded");
        CObjectList::Remove(second);
    }

    // The player flies the version of the model made for a human pilot.
    const char* model = "Data/Space/Ship/Raptor.M2/Main.obj";
    if (!network)
        model = RandomBelow(101) < 50 ? LightModel() : HeavyModel();
    char heroPath[kUnitPathLength];
    std::snprintf(heroPath, sizeof(heroPath), "%s", model);
    char* ext = std::strstr(heroPath, ".obj");
    if (ext)
        *ext = 0;
    std::strncat(heroPath, "_H.obj", sizeof(heroPath) - std::strlen(heroPath) - 1);
    ships[2] = CreateSpawnedShip(heroPath, 102, "Human/Hero", GTYPE_SP_HEROSHIP, kKeepAiMode);
    if (ships[2] && !DockAtStation(station, ships[2]))
        ships[2] = nullptr;
    g_PlayerObject = ships[2];

    for (CUnit* u : ships) {
        if (!u)
            continue;
        u->dockTime = kStaysDocked;
        u->UpdateParts();
        u->target = station;
    }
    if (network) {
        for (CUnit* u : ships)
            if (u)
                g_Network.SendObjectMessage(11, u);
        for (CUnit* u : ships)
            if (u)
                g_Network.SendObjectMessage(16, u);
    }
}

int PirateCount(int id)
{
    if (id >= 1 && id <= 8)
        return id + 1;
    if (id >= 9 && id <= 11)
        return 13 - id;
    if (IsSingleLocation(id))
        return id + (id - 20) / 2 - 16;
    return 0;
}

void NeutralTrafficCounts(int id, int* fighters, int* transports)
{
    int f = 0, t = 0;
    if (id == LOCATION_GAME_MENU || id == LOCATION_SPACE_INTRO_1 || id == LOCATION_SPACE_INTRO_2) {
        f = 40;
    } else if (id >= 1 && id <= 8) {
        f = 13 - id;
        t = 10 - id;
    } else if (id >= 9 && id <= 11) {
        f = 13 - id;
    } else if (IsSingleLocation(id)) {
        f = 2 * (32 - id);
        t = 32 - id;
    }
    *fighters = f;
    *transports = t;
}

float SectorDifficulty(int id)
{
    if (IsSectorLocation(id))
        return (float)id / 12.0f;
    if (IsSingleLocation(id))
        return (float)(id - 20) / 12.0f;
    return 0.0f;
}

void SpawnPirates()
{
    if (!g_Settings.cutScenes)
        return;
    const int n = PirateCount(g_LocationDirector.locationId);
    for (int i = 0; i < n; ++i) {
        CUnit* u = SpawnPirate(HeavyModel(), "Human/Pirates/Fighter %02d", AI_FIGHTER);
        if (Append(u))
            ApplySectorDifficulty(u);
    }
    for (int i = 0; i < n; ++i) {
        CUnit* transport = SpawnPirate(LightModel(), "Human/Pirates/Transport %02d", AI_TRANSPORT);
        if (!Append(transport))
            transport = nullptr;
        if (transport)
            ApplySectorDifficulty(transport);
        const int escorts = 1 + RandomBelow(2);
        for (int e = 0; e < escorts; ++e) {
            CUnit* escort = SpawnPirate(HeavyModel(), "Human/Pirates/Fighter %02d", AI_FIGHTER);
            if (!escort)
                continue;
            // An escort without its transport (a full list destroyed it) keeps no order on it.
            if (transport)
                escort->SetOrder(ACTION_GUARD, transport, nullptr, 0);
            escort->scriptStep = AI_FIGHTER;
            if (Append(escort))
                ApplySectorDifficulty(escort);
        }
    }
}

void SpawnNeutralTraffic()
{
    if (!g_Settings.cutScenes)
        return;
    const int id = g_LocationDirector.locationId;
    int fighters = 0, transports = 0;
    NeutralTrafficCounts(id, &fighters, &transports);
    for (int i = 0; i < fighters; ++i)
        Append(CreateSpawnedShip(HeavyModel(), -1, NeutralPilot(id, true), GTYPE_SP_NPCSHIP_MOVED, AI_FIGHTER));
    for (int i = 0; i < transports; ++i)
        Append(CreateSpawnedShip(LightModel(), -1, NeutralPilot(id, false), GTYPE_SP_NPCSHIP_MOVED, AI_TRANSPORT));
}

void ApplySectorDifficulty(CUnit* unit)
{
    const int id = g_LocationDirector.locationId;
    if (!unit || !(IsSectorLocation(id) || IsSingleLocation(id)))
        return;
    const float p = SectorDifficulty(id);
    CPilotData& pilot = unit->pilot;
    pilot.skill += p * 0.5f;
    if (pilot.skill > 1.0f)
        pilot.skill = 1.0f;
    pilot.skill2 += p * 0.5f;
    if (pilot.skill2 > 1.0f)
        pilot.skill2 = 1.0f;
    const int m = (int)(p * 300.0f + 1.0f);
    auto draw = [m]() { return (float)RandomBelow(m) / 1000.0f; };
    UnitBaseValue* b = unit->baseValues;
    b[UNIT_BASE_HULL].bonus = draw() * (250.0f - b[UNIT_BASE_HULL].value);
    b[UNIT_BASE_ENGINE].bonus = draw() * (150.0f - b[UNIT_BASE_ENGINE].value);
    b[UNIT_BASE_MANOEUVRING].bonus = -draw() * (b[UNIT_BASE_MANOEUVRING].value - 2.0f);
    for (int i = 0; i < unit->itemCount && i < kMaxUnitItems; ++i) {
        CItem* item = unit->items[i];
        if (!item)
            continue;
        ItemBaseValue& reload = item->baseValues[ITEM_BASE_RELOAD];
        if (item->kind == GTYPE_LASER_WEAPON)
            reload.bonus = -draw() * (reload.value - 0.2f);
        else if (item->kind == GTYPE_ROCKT_WEAPON || item->kind == GTYPE_MISSL_WEAPON)
            reload.bonus = -draw() * (reload.value - 1.0f);
    }
    unit->UpdateParts();
}
