#include "locations/pilot_profile.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/settings.h"
#include "files/file_manager.h"
#include "locations/campaign_progress.h"
#include "locations/location_director.h"
#include "locations/sector_save_file.h"
#include "menus/end_game.h"
#include "platform/win/directory.h"
#include "platform/win/message_box.h"
#include "platform/win/profile.h"
#include "world/object_list.h"
#include "world/objects/object_codes.h"
#include "world/world.h"

// -1 until a pilot is chosen in the game menu.
int g_PilotSlot = -1;
PilotRating g_PilotRatings[kPilotSlots];
int g_PilotRatingCount = 0;

namespace {

const char kDataSection[] = "Player data";
const char kRatingSection[] = "Player rating";
const char kOreKey[] = "Ore transported";
const char kKillsKey[] = "Enemy killed";
const char kScoreKey[] = "Enemy killed score";

// A number read from a profile: anything not finite counts as nothing.
float FiniteOrZero(double v)
{
    if (!std::isfinite(v))
        return 0.0f;
    if (v > FLT_MAX)
        return FLT_MAX;
    if (v < -FLT_MAX)
        return -FLT_MAX;
    return (float)v;
}

float AddClamped(float a, float b)
{
    return FiniteOrZero((double)FiniteOrZero(a) + (double)FiniteOrZero(b));
}

int AddClamped(int a, int b)
{
    const long long s = (long long)a + (long long)b;
    return s > INT_MAX ? INT_MAX : s < INT_MIN ? INT_MIN : (int)s;
}

int TruncatedRating(float ore, float score)
{
    const double r = (double)ore + (double)score;
    if (!(r == r))
        return 0;
    if (r >= (double)INT_MAX)
        return INT_MAX;
    if (r <= (double)INT_MIN)
        return INT_MIN;
    return (int)r;
}

void ReadRatingKeys(const char* path, unsigned bufferSize, float* ore, int* kills, float* score)
{
    char value[255];
    if (bufferSize > sizeof(value))
        bufferSize = sizeof(value);
    GetPrivateProfileString(kRatingSection, kOreKey, "0", value, bufferSize, path);
    *ore = FiniteOrZero(std::atof(value));
    GetPrivateProfileString(kRatingSection, kKillsKey, "0", value, bufferSize, path);
    *kills = std::atoi(value);
    GetPrivateProfileString(kRatingSection, kScoreKey, "0", value, bufferSize, path);
    *score = FiniteOrZero(std::atof(value));
}

bool CopyFileBytes(const std::string& from, const std::string& to)
{
    FILE* in = std::fopen(from.c_str(), "rb");
    FILE* out = std::fopen(to.c_str(), "wb");
    bool ok = out != nullptr;
    if (in && out) {
        char buf[4096];
        size_t n;
        while (ok && (n = std::fread(buf, 1, sizeof(buf), in)) > 0)
            ok = std::fwrite(buf, 1, n, out) == n;
        ok = ok && !std::ferror(in);
    }
    if (in)
        std::fclose(in);
    if (out && std::fclose(out) != 0)
        ok = false;
    return ok;
}

// Writes key/value pairs into a copy of the profile, then puts the copy in its place:
// a failure leaves the old file as it was.
struct ProfileEntry {
    const char* section;
    const char* key;
    const char* value;
};

bool WriteProfileAtomically(const char* path, const ProfileEntry* entries, int count)
{
    const std::string file = NormalizePath(path);
    const std::string temp = file + ".tmp";
    std::remove(temp.c_str());
    FILE* probe = std::fopen(file.c_str(), "rb");
    bool ok = true;
    if (probe) {
        std::fclose(probe);
        ok = CopyFileBytes(file, temp);
    }
    for (int i = 0; ok && i < count; ++i)
        ok = WritePrivateProfileString(entries[i].section, entries[i].key, entries[i].value, temp.c_str());
    if (ok)
        ok = std::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok)
        std::remove(temp.c_str());
    return ok;
}

bool IsMercenaryOrHero(const CUnit* u)
{
    return u->kind == GTYPE_SP_NPCSHIP_MERCS_CARGO || u->kind == GTYPE_SP_NPCSHIP_MERCS_FIGHTER ||
           u->kind == GTYPE_SP_HEROSHIP;
}

bool IsOreCarrier(const CUnit* u)
{
    return u->kind == GTYPE_SP_NPCSHIP_MERCS_CARGO || (u->kind == GTYPE_SP_HEROSHIP && u->FindCargoItem());
}

// Descending exchange sort over rows [from, to): a strictly larger key moves up at once.
template <typename Key>
void ExchangeSort(MissionResultRow* rows, int from, int to, Key key)
{
    for (int i = from; i < to; ++i)
        for (int j = i + 1; j < to; ++j)
            if (key(rows[j]) > key(rows[i])) {
                const MissionResultRow t = rows[i];
                rows[i] = rows[j];
                rows[j] = t;
            }
}

} // namespace

bool PilotConfigPath(char* out, unsigned size, int slot)
{
    if (!out || !size)
        return false;
    out[0] = 0;
    if (slot < 0 || slot >= kPilotFolders)
        return false;
    const int n = std::snprintf(out, size, "%s/%02d/Player.cfg", GetSaveRoot(), slot);
    return n > 0 && (unsigned)n < size;
}

bool MakePilotFolder(int slot)
{
    if (slot < 0 || slot >= kPilotFolders)
        return false;
    char folder[512];
    std::snprintf(folder, sizeof(folder), "%s", GetSaveRoot());
    MakeDirectory(folder);
    std::snprintf(folder, sizeof(folder), "%s/%02d", GetSaveRoot(), slot);
    MakeDirectory(folder);
    return DirectoryExists(NormalizePath(folder).c_str());
}

bool ReadPilotName(int slot, char* out, unsigned size)
{
    if (!out || !size)
        return false;
    out[0] = 0;
    char path[512];
    if (!PilotConfigPath(path, sizeof(path), slot))
        return false;
    char name[kPilotNameSize];
    GetPrivateProfileString(kDataSection, "Name", "", name, sizeof(name), path);
    std::snprintf(out, size, "%s", name);
    return out[0] != 0;
}

namespace {

bool FileExists(const char* path)
{
    std::FILE* f = std::fopen(NormalizePath(path).c_str(), "rb");
    if (f)
        std::fclose(f);
    return f != nullptr;
}

// The slot's Player.cfg exists but gives no name.
bool ProfileUnreadable(int slot, char* path, unsigned size)
{
    char name[kPilotNameSize];
    return PilotConfigPath(path, size, slot) && !ReadPilotName(slot, name, sizeof(name)) && FileExists(path);
}

} // namespace

bool IsPilotSlotHeld(int slot)
{
    char path[512];
    if (ProfileUnreadable(slot, path, sizeof(path)))
        return true;
    char bad[600];
    std::snprintf(bad, sizeof(bad), "%s.bad", path);
    return path[0] && FileExists(bad);
}

bool CheckPilotProfile(int slot)
{
    static int reported[kPilotFolders] = {};
    char path[512];
    if (ProfileUnreadable(slot, path, sizeof(path))) {
        const bool kept = KeepAsBad(path);
        if (kept || !reported[slot]) {
            DebugOutF("Pilot profile \"%s\" cannot be read: %s; the slot and its saves are left alone", path,
                      kept ? "kept as Player.cfg.bad" : "it cannot be set aside");
            ShowMessage("Can't load pilot profile!", "Error!", MB_OK);
        }
        reported[slot] = 1;
    }
    return IsPilotSlotHeld(slot);
}

bool IsValidPilotName(const char* name)
{
    if (!name)
        return false;
    bool visible = false;
    for (const unsigned char* c = (const unsigned char*)name; *c; ++c) {
        if (*c < 32 || *c == 127)
            return false;
        if (*c != ' ')
            visible = true;
    }
    return visible;
}

bool CreatePilotProfile(int slot, const char* name)
{
    char path[512];
    // Only the ten listed slots take a pilot; the demo pilot's folder is never one.
    if (slot >= kPilotSlots || !IsValidPilotName(name) || !PilotConfigPath(path, sizeof(path), slot)) {
        DebugOutF("New pilot in slot %d refused: the name is empty or unprintable", slot);
        return false;
    }
    if (IsPilotSlotHeld(slot)) {
        DebugOutF("New pilot in slot %d refused: the slot holds a damaged profile and its saves", slot);
        return false;
    }
    if (!MakePilotFolder(slot)) {
        DebugOutF("New pilot: the folder of slot %d cannot be made", slot);
        return false;
    }
    char stored[kPilotNameSize];
    std::snprintf(stored, sizeof(stored), "%s", name);
    const ProfileEntry entries[] = {
        {kDataSection, "Name", stored},
        {kRatingSection, kOreKey, "0"},
        {kRatingSection, kKillsKey, "0"},
        {kRatingSection, kScoreKey, "0"},
    };
    if (!WriteProfileAtomically(path, entries, 4)) {
        DebugOutF("New pilot: \"%s\" cannot be written", path);
        return false;
    }
    // Saves left in a folder that held no pilot (a start without the menu) are not his.
    DeleteSlotSectorSaves(slot, 1, 13);
    return true;
}

bool DeletePilotProfile(int slot)
{
    if (slot < 0 || slot >= kPilotSlots)
        return false;
    char folder[512];
    std::snprintf(folder, sizeof(folder), "%s/%02d", GetSaveRoot(), slot);
    return DeleteDirectory(folder) == 1;
}

void SortPilotRatings(PilotRating* records, int count, int key)
{
    auto value = [key](const PilotRating& r) -> double {
        return key == RATING_KEY_ORE ? (double)r.ore : key == RATING_KEY_KILLS ? (double)r.kills : (double)r.rating;
    };
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (value(records[j]) > value(records[i])) {
                const PilotRating t = records[i];
                records[i] = records[j];
                records[j] = t;
            }
}

void LoadPilotRatings(int key)
{
    g_PilotRatingCount = 0;
    std::memset(g_PilotRatings, 0, sizeof(g_PilotRatings));
    // Every slot is looked at: a deleted pilot between two others leaves a gap.
    for (int slot = 0; slot < kPilotSlots; ++slot) {
        PilotRating r{};
        if (!ReadPilotName(slot, r.name, sizeof(r.name)))
            continue;
        char path[512];
        PilotConfigPath(path, sizeof(path), slot);
        ReadRatingKeys(path, 255, &r.ore, &r.kills, &r.killScore);
        r.rating = TruncatedRating(r.ore, r.killScore);
        g_PilotRatings[g_PilotRatingCount++] = r;
    }
    SortPilotRatings(g_PilotRatings, g_PilotRatingCount, key);
}

void CLocationDirector::SaveRating()
{
    char path[512];
    if (!PilotConfigPath(path, sizeof(path), g_PilotSlot)) {
        DebugOutF("SaveRating: pilot slot %d is out of range, the rating is not saved", g_PilotSlot);
        return;
    }
    // The pilot's folder may not exist yet when no pilot was created (menu off).
    MakePilotFolder(g_PilotSlot);

    float ore = 0.0f, score = 0.0f;
    int kills = 0;
    ReadRatingKeys(path, 128, &ore, &kills, &score);
    ore = AddClamped(ore, sessionOre);
    kills = AddClamped(kills, sessionKills);
    score = AddClamped(score, sessionKillScore);

    char oreText[64], killsText[32], scoreText[64];
    std::snprintf(oreText, sizeof(oreText), "%f", ore);
    std::snprintf(killsText, sizeof(killsText), "%d", kills);
    std::snprintf(scoreText, sizeof(scoreText), "%f", score);
    const ProfileEntry entries[] = {
        {kRatingSection, kOreKey, oreText},
        {kRatingSection, kKillsKey, killsText},
        {kRatingSection, kScoreKey, scoreText},
    };
    // The totals stay for a later try when the file cannot be written.
    if (!WriteProfileAtomically(path, entries, 3)) {
        DebugOutF("SaveRating: \"%s\" cannot be written, the mission totals are kept", path);
        return;
    }
    sessionOre = 0.0f;
    sessionKills = 0;
    sessionKillScore = 0.0f;
}

int CollectMissionResults(MissionResultRow* table, int* rowCount)
{
    int rows = 0;
    if (table)
        std::memset(table, 0, sizeof(MissionResultRow) * kMissionResultRows);
    if (!table) {
        if (rowCount)
            *rowCount = 0;
        return 0;
    }

    // The live units of the current world from the second on, then the station's docked ships.
    CUnit* ships[kMaxUnits + kMaxDocked];
    int shipCount = 0;
    const int world = g_WorldIndex == 0 ? 0 : 1;
    const int units = (int)CObjectList::unitCount[world];
    for (int i = 1; i < units && i < kMaxUnits; ++i) {
        CUnit* u = CObjectList::units[world][i];
        if (u && u->hull > 0.0f && u->orderType != ACTION_DEAD)
            ships[shipCount++] = u;
    }
    if (g_HeroStation)
        for (int i = 0; i < kMaxDocked; ++i)
            if (g_HeroStation->dockedUnits[i])
                ships[shipCount++] = g_HeroStation->dockedUnits[i];

    bool heroListed = false;
    auto add = [&](CUnit* u) {
        if (rows >= kMissionResultRows)
            return;
        for (int i = 0; i < rows; ++i)
            if (table[i].ship == u)
                return;  // a ship both in the world and in a docking place is one row
        if (u->kind == GTYPE_SP_HEROSHIP) {
            if (heroListed)
                return;
            heroListed = true;
        }
        table[rows].statistics = u->statistics;
        table[rows].ship = u;
        ++rows;
    };
    for (int i = 0; i < shipCount; ++i)
        if (IsMercenaryOrHero(ships[i]) && IsOreCarrier(ships[i]))
            add(ships[i]);
    const int carriers = rows;
    for (int i = 0; i < shipCount; ++i)
        if (IsMercenaryOrHero(ships[i]) && !IsOreCarrier(ships[i]))
            add(ships[i]);

    ExchangeSort(table, 0, carriers, [](const MissionResultRow& r) { return r.statistics.oreDelivered; });
    ExchangeSort(table, carriers, rows, [](const MissionResultRow& r) { return r.statistics.kills; });
    if (rowCount)
        *rowCount = rows;
    return rows;
}
