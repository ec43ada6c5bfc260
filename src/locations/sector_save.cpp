#include "locations/sector_save.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/settings.h"
#include "files/file_manager.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save_file.h"
#include "platform/win/message_box.h"
#include "world/objects/desc_file.h"
#include "world/objects/item.h"
#include "world/objects/object_codes.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"
#include "world/space/dock_time.h"

namespace {

void Copy(char* out, size_t size, const char* text)
{
    std::snprintf(out, size, "%s", text ? text : "");
}

// The station's docked ships are released (the save replaces them).
void ClearDocked(CUnit* station)
{
    for (int i = 0; i < kMaxDocked; ++i) {
        CUnit* u = station->dockedUnits[i];
        station->dockedUnits[i] = nullptr;
        if (u)
            CObjectList::Remove(u);
        station->slotIds[i].shipId = -1;
    }
    station->dockedCount = 0;
}

void ApplyItems(CUnit* ship, const SectorSaveShip& rec)
{
    for (int j = 0; j < rec.itemCount; ++j) {
        const SectorSaveItem& saved = rec.items[j];
        CItem* item = j < ship->itemCount ? ship->items[j] : nullptr;
        if (!item || std::strcmp(item->filePath, saved.path) != 0) {
            // A weapon changed at a station (or bought into a slot the model lacks) comes back.
            if (!item && ship->itemCount >= kMaxUnitItems)
                break;
            CItem* fresh = new CItem();
            if (!fresh->Load(saved.path, ship, item ? item->attachIndex : -1)) {
                DebugOutF("Sector save: item \"%s\" of \"%s\" cannot be loaded, the model's stays", saved.path,
                          ship->descriptionPath);
                fresh->Release();
                delete fresh;
                if (!item)
                    continue;
            } else {
                if (item) {
                    item->Release();
                    delete item;
                    ship->items[j] = fresh;
                } else {
                    ship->items[ship->itemCount++] = fresh;
                }
                item = fresh;
            }
        }
        item->baseValues[ITEM_BASE_RANGE].bonus = saved.rangeBonus;
        item->baseValues[ITEM_BASE_SHOT_SPEED].bonus = saved.secondBonus;
        item->baseValues[ITEM_BASE_CAPACITY].bonus = saved.capacityBonus;
        item->baseValues[ITEM_BASE_RELOAD].bonus = saved.reloadBonus;
        item->ammo = saved.ammo;
    }
}

// One ship of the save, or null when its description cannot be loaded.
CUnit* LoadShip(const SectorSaveShip& rec, int id)
{
    CUnit* u = new CUnit();
    if (!u->Load(rec.path, id)) {
        DebugOutF("Sector save: ship \"%s\" cannot be loaded and is left out", rec.path);
        CObjectList::Remove(u);
        return nullptr;
    }
    if (u->kind != GTYPE_SP_HEROSHIP)
        u->kind = GTYPE_SP_NPCSHIP_MERCS_FIGHTER;
    u->hull = rec.hull;
    for (int k = 0; k < 5; ++k)
        u->baseValues[k].bonus = rec.bonuses[k];
    // CPilotData::Load reads the radio dialog too.
    u->pilot.Load(u, rec.privateData);
    // A record without a pilot name (the default start) keeps the pilot its private data
    // gives: the player's own name, a mercenary's random one.
    if (rec.pilotName[0]) {
        u->pilot.sex = rec.sex;
        Copy(u->pilot.pilotName, sizeof(u->pilot.pilotName), rec.pilotName);
        u->pilot.skill = rec.skill;
        u->pilot.skill2 = rec.skill2;
        u->pilot.voicePitch = rec.voicePitch;
    }
    ApplyItems(u, rec);
    if (u->kind != GTYPE_SP_HEROSHIP && u->FindCargoItem())
        u->kind = GTYPE_SP_NPCSHIP_MERCS_CARGO;
    u->dockTime = kStaysDocked;
    u->statistics = rec.statistics;
    u->statistics.missionKills = 0;
    u->statistics.missionKillScore = 0.0f;
    u->statistics.missionOreDelivered = 0.0f;
    u->UpdateParts();
    return u;
}

// A pilot folder named by a ship that the game cannot open: the save is not the game's.
bool PilotFolderMissing(const char* folder)
{
    if (!folder[0])
        return false;
    char path[600];
    for (const char* language : {"ENG", "RUS"}) {
        std::snprintf(path, sizeof(path), "Data/Space/Private data.%s/%s/Main.pd", language, folder);
        CDescFile file;
        if (file.Open(path, FILE_KIND_PRIVATE_DATA))
            return false;
    }
    return true;
}

// Reads and checks the .dat; false when it is missing or refused.
bool ReadDat(const char* path, SectorSave* save, uint8_t* buffer)
{
    size_t size = 0;
    if (!ReadWholeFile(path, buffer, kSaveMaxDatBytes, &size)) {
        // Missing, unreadable or larger than any save can be.
        uint32_t length = 0;
        const int h = CFileManager::Open(path, FILE_KIND_PLAIN, &length);
        if (h >= 0) {
            CFileManager::Close(h);
            DebugOutF("Sector save \"%s\" refused: %u bytes, more than a save can hold", path, length);
        }
        return false;
    }
    char why[128];
    if (!DecodeSectorSaveDat(buffer, size, save, why, sizeof(why))) {
        DebugOutF("Sector save \"%s\" refused: %s", path, why);
        return false;
    }
    for (int i = 0; i < save->shipCount; ++i) {
        if (PilotFolderMissing(save->ships[i].privateData)) {
            DebugOutF("Sector save \"%s\" refused: ship %d names the pilot data \"%s\", which does not exist", path, i,
                      save->ships[i].privateData);
            return false;
        }
    }
    return true;
}

// Damaged saves that could not be set aside: nothing writes over them in this run.
constexpr int kUnkeptSaves = 16;
char g_UnkeptSaves[kUnkeptSaves][512];
int g_UnkeptSaveCount = 0;

bool IsUnkept(const char* path)
{
    for (int i = 0; i < g_UnkeptSaveCount; ++i)
        if (std::strcmp(g_UnkeptSaves[i], path) == 0)
            return true;
    return false;
}

void ForgetUnkept(const char* path)
{
    for (int i = 0; i < g_UnkeptSaveCount; ++i)
        if (std::strcmp(g_UnkeptSaves[i], path) == 0) {
            Copy(g_UnkeptSaves[i], sizeof(g_UnkeptSaves[i]), g_UnkeptSaves[--g_UnkeptSaveCount]);
            return;
        }
}

void RememberUnkept(const char* path)
{
    if (!IsUnkept(path) && g_UnkeptSaveCount < kUnkeptSaves)
        Copy(g_UnkeptSaves[g_UnkeptSaveCount++], sizeof(g_UnkeptSaves[0]), path);
}

bool ReadStat(const char* path, SectorSave* save, uint8_t* buffer)
{
    size_t size = 0;
    if (!ReadWholeFile(path, buffer, kSaveMaxStatBytes, &size))
        return false;
    char why[128];
    if (!DecodeSectorSaveStat(buffer, size, save, why, sizeof(why))) {
        DebugOutF("Sector statistics \"%s\" refused: %s", path, why);
        return false;
    }
    return true;
}

// What a save cut short left of the pair, finished or undone; false when it cannot be.
bool RecoverPair(const char* dat, const char* stat)
{
    const int recovered = RecoverSectorSavePair(dat, stat);
    if (recovered == kPairStuck)
        DebugOutF("Sector save \"%s\": a save cut short cannot be repaired yet", dat);
    else if (recovered)
        DebugOutF("Sector save \"%s\": a save cut short was %s", dat,
                  recovered == kPairFinished ? "finished" : "undone");
    return recovered != kPairStuck;
}

} // namespace

void CaptureSectorSave(const CUnit* station, SectorSave* save)
{
    std::memset(save, 0, sizeof(*save));
    if (!station)
        return;
    save->ore = station->ore;
    int n = 0;
    for (int i = 0; i < kMaxDocked; ++i) {
        const CUnit* u = station->dockedUnits[i];
        if (!u)
            continue;
        SectorSaveShip& sh = save->ships[n++];
        Copy(sh.path, sizeof(sh.path), u->descriptionPath);
        sh.hull = u->hull;
        for (int k = 0; k < 5; ++k)
            sh.bonuses[k] = u->baseValues[k].bonus;
        SavePrivateDataName(u->pilot.folder, sh.privateData, sizeof(sh.privateData));
        sh.sex = u->pilot.sex;
        Copy(sh.pilotName, sizeof(sh.pilotName), u->pilot.pilotName);
        sh.skill = u->pilot.skill;
        sh.skill2 = u->pilot.skill2;
        sh.voicePitch = u->pilot.voicePitch;
        int m = 0;
        for (int j = 0; j < u->itemCount && j < kMaxUnitItems; ++j) {
            const CItem* it = u->items[j];
            if (!it)
                continue;
            SectorSaveItem& si = sh.items[m++];
            Copy(si.path, sizeof(si.path), it->filePath);
            si.rangeBonus = it->baseValues[ITEM_BASE_RANGE].bonus;
            si.secondBonus = it->baseValues[ITEM_BASE_SHOT_SPEED].bonus;
            si.capacityBonus = it->baseValues[ITEM_BASE_CAPACITY].bonus;
            si.reloadBonus = it->baseValues[ITEM_BASE_RELOAD].bonus;
            si.ammo = it->ammo < 0 ? 0 : it->ammo;
        }
        sh.itemCount = m;
        sh.statistics = u->statistics;
    }
    save->shipCount = n;
}

int ApplySectorSave(CUnit* station, const SectorSave& save)
{
    if (!station)
        return 0;
    ClearDocked(station);
    station->ore = save.ore;
    int n = 0;
    for (int i = 0; i < save.shipCount && i < kSaveMaxShips; ++i) {
        CUnit* u = LoadShip(save.ships[i], 100 + i);
        if (!u)
            continue;
        station->dockedUnits[n] = u;
        station->slotIds[n].shipId = u->pilot.objectId;
        ++n;
    }
    station->dockedCount = n;
    return n;
}

bool WriteSectorSave(int sector)
{
    CUnit* station = g_HeroStation;
    char dat[512];
    char stat[512];
    if (!SectorSavePath(dat, sizeof(dat), g_PilotSlot, sector, false) ||
        !SectorSavePath(stat, sizeof(stat), g_PilotSlot, sector, true)) {
        DebugOutF("WriteSectorSave: pilot slot %d or sector %d out of range", g_PilotSlot, sector);
        return false;
    }
    if (!station) {
        DebugOutF("WriteSectorSave: no hero station, sector %d not saved", sector);
        return false;
    }
    MakePilotFolder(g_PilotSlot);
    std::unique_ptr<SectorSave> save(new SectorSave());
    if (IsUnkept(dat)) {
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[kSaveMaxDatBytes]);
        uint32_t length = 0;
        const int h = CFileManager::Open(dat, FILE_KIND_PLAIN, &length);
        if (h >= 0)
            CFileManager::Close(h);
        if (h >= 0 && !ReadDat(dat, save.get(), buffer.get())) {
            DebugOutF("WriteSectorSave: \"%s\" is a damaged save that could not be kept aside; it is not written over",
                      dat);
            return false;
        }
        ForgetUnkept(dat);
    }
    // A won sector writes the next one's save without loading it: what an earlier save cut
    // short left of this pair is repaired first, or it would be taken for this save's.
    if (!RecoverPair(dat, stat)) {
        ShowMessage("Can't write objects on hero station!", "Error!", MB_OK);
        return false;
    }

    CaptureSectorSave(station, save.get());
    std::unique_ptr<uint8_t[]> datBytes(new uint8_t[kSaveMaxDatBytes]);
    uint8_t statBytes[kSaveMaxStatBytes];
    size_t datSize = 0, statSize = 0;
    // Both files go to temporary files first, the .dat's first; its rename commits the
    // pair (RecoverSectorSavePair finishes or undoes a pair that a kill cut short).
    if (!EncodeSectorSave(*save, datBytes.get(), kSaveMaxDatBytes, &datSize, statBytes, sizeof(statBytes),
                          &statSize) ||
        !WriteTempFile(dat, datBytes.get(), datSize)) {
        ShowMessage("Can't write objects on hero station!", "Error!", MB_OK);
        return false;
    }
    const bool statWritten = WriteTempFile(stat, statBytes, statSize);
    // Old statistics must never stay beside new ships: without new ones they are set aside
    // first, and come back only when the old ships stay too.
    if ((!statWritten && !SetAside(stat)) || !CommitSectorSaveDat(dat)) {
        UndoSectorSavePair(dat, stat);
        ShowMessage("Can't write objects on hero station!", "Error!", MB_OK);
        return false;
    }
    if (!FinishSectorSavePair(stat) || !statWritten)
        DebugOutF("WriteSectorSave: \"%s\" cannot be written, the statistics are left out", stat);
    return true;
}

void LoadSectorSave(int sector)
{
    CUnit* station = g_HeroStation;
    if (!station)
        return;
    char dat[512];
    char stat[512];
    if (!SectorSavePath(dat, sizeof(dat), g_PilotSlot, sector, false) ||
        !SectorSavePath(stat, sizeof(stat), g_PilotSlot, sector, true)) {
        DebugOutF("LoadSectorSave: pilot slot %d or sector %d out of range", g_PilotSlot, sector);
        return;
    }
    std::unique_ptr<SectorSave> save(new SectorSave());
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kSaveMaxDatBytes]);

    RecoverPair(dat, stat);

    bool fromSkip = false;
    if (!ReadDat(dat, save.get(), buffer.get())) {
        uint32_t length = 0;
        const int h = CFileManager::Open(dat, FILE_KIND_PLAIN, &length);
        const bool damaged = h >= 0;
        if (h >= 0)
            CFileManager::Close(h);
        // A damaged save is the player's progress: the pair is kept beside as .bad; one
        // that cannot be kept is never written over.
        if (damaged) {
            if (KeepAsBad(dat)) {
                KeepAsBad(stat);
                DebugOutF("Sector save \"%s\" kept as \"%s.bad\"", dat, dat);
            } else {
                RememberUnkept(dat);
                DebugOutF("Sector save \"%s\" is damaged and cannot be kept aside", dat);
            }
        }
        // A later sector without a readable save is the location's business.
        if (sector != 1) {
            ShowMessage("Can't load objects on hero station!", "Error!", MB_OK);
            return;
        }
        if (damaged)
            ShowMessage("Can't load objects on hero station!", "Error!", MB_OK);
        char skip[64];
        SkipSavePath(skip, sizeof(skip), false);
        if (!ReadDat(skip, save.get(), buffer.get())) {
            if (!damaged)
                ShowMessage("Can't load objects on hero station!", "Error!", MB_OK);
            return;
        }
        fromSkip = true;
    }

    bool statsRead = false;
    if (!fromSkip)
        statsRead = ReadStat(stat, save.get(), buffer.get());
    if (!statsRead && (fromSkip || sector == 1)) {
        char skip[64];
        SkipSavePath(skip, sizeof(skip), true);
        statsRead = ReadStat(skip, save.get(), buffer.get());
    }
    if (!statsRead) {
        // The ships matter more than their records: they come back with empty statistics.
        ShowMessage("Can't load statistics on hero station!", "Error!", MB_OK);
        for (int i = 0; i < save->shipCount; ++i)
            std::memset(&save->ships[i].statistics, 0, sizeof(CPilotStatistics));
    }

    const int docked = ApplySectorSave(station, *save);
    DebugOutF("Sector %02d: %d ships and %.1f ore on the hero station%s", sector, docked, station->ore,
              fromSkip ? " (default start)" : "");
    if (fromSkip)
        WriteSectorSave(sector);
}

int CountSavedSectors()
{
    int found = 0;
    // Twelve sectors make the campaign; a stray thirteenth file unlocks nothing more.
    for (int n = 1; n <= 12; ++n) {
        char path[512];
        if (!SectorSavePath(path, sizeof(path), g_PilotSlot, n, false))
            return found;
        const int h = CFileManager::Open(path, FILE_KIND_PLAIN);
        if (h < 0)
            return found;
        CFileManager::Close(h);
        found = n;
    }
    return found;
}

void ReadSectorSaveSummary(int sector, int* ships, float* ore)
{
    if (ships)
        *ships = 0;
    if (ore)
        *ore = 0.0f;
    char path[512];
    if (!SectorSavePath(path, sizeof(path), g_PilotSlot, sector, false))
        return;
    uint32_t length = 0;
    const int h = CFileManager::Open(path, FILE_KIND_PLAIN, &length);
    if (h < 0)
        return;
    uint8_t head[8];
    if (length >= 8 && CFileManager::Read(head, 1, 8, h) == 8) {
        int32_t n;
        float f;
        std::memcpy(&n, head, 4);
        std::memcpy(&f, head + 4, 4);
        // The page shows these numbers: nonsense shows as nothing.
        if (n >= 0 && n <= kSaveMaxShips && f == f && f >= 0.0f && f < 1e30f) {
            if (ships)
                *ships = n;
            if (ore)
                *ore = f;
        }
    }
    CFileManager::Close(h);
}
