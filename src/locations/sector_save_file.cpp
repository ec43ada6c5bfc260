#include "locations/sector_save_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <time.h>

#include "app/settings.h"
#include "files/file_manager.h"
#include "platform/win/directory.h"

namespace {

char g_SaveRoot[256] = "Save";

// Little-endian writer over a fixed buffer; any overflow sticks.
struct Writer {
    uint8_t* p;
    size_t cap;
    size_t n = 0;
    bool ok = true;

    void Bytes(const void* src, size_t count)
    {
        if (!ok || count > cap - n) {
            ok = false;
            return;
        }
        std::memcpy(p + n, src, count);
        n += count;
    }
    void U32(uint32_t v)
    {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        Bytes(b, 4);
    }
    void I32(int32_t v) { U32((uint32_t)v); }
    void F32(float f)
    {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        U32(v);
    }
    // Fixed-size text field: the text cut to size - 1, zero-filled.
    void Text(const char* s, size_t size)
    {
        uint8_t field[kSavePathLength] = {};
        const size_t len = s ? strnlen(s, size - 1) : 0;
        if (len)
            std::memcpy(field, s, len);
        Bytes(field, size);
    }
};

struct Reader {
    const uint8_t* p;
    size_t size;
    size_t n = 0;
    const char* error = nullptr;

    bool Need(size_t count, const char* what)
    {
        if (error)
            return false;
        if (count > size - n) {
            error = what;
            return false;
        }
        return true;
    }
    uint32_t U32(const char* what)
    {
        if (!Need(4, what))
            return 0;
        const uint32_t v = uint32_t(p[n]) | uint32_t(p[n + 1]) << 8 | uint32_t(p[n + 2]) << 16 | uint32_t(p[n + 3]) << 24;
        n += 4;
        return v;
    }
    int32_t I32(const char* what) { return (int32_t)U32(what); }
    float F32(const char* what)
    {
        const uint32_t v = U32(what);
        float f;
        std::memcpy(&f, &v, 4);
        if (!error && !std::isfinite(f))
            error = "a number is not finite";
        return error ? 0.0f : f;
    }
    // The field must hold its terminating zero.
    void Text(char* out, size_t fieldSize, const char* what)
    {
        out[0] = 0;
        if (!Need(fieldSize, what))
            return;
        const void* end = std::memchr(p + n, 0, fieldSize);
        if (!end) {
            error = "a text field has no end";
            return;
        }
        std::memcpy(out, p + n, fieldSize);
        n += fieldSize;
    }
};

void SetWhy(char* why, size_t whySize, const char* text)
{
    if (why && whySize)
        std::snprintf(why, whySize, "%s", text);
}

} // namespace

void SetSaveRoot(const char* folder)
{
    std::snprintf(g_SaveRoot, sizeof(g_SaveRoot), "%s", folder && folder[0] ? folder : "Save");
}

const char* GetSaveRoot()
{
    return g_SaveRoot;
}

bool SectorSavePath(char* out, size_t size, int slot, int sector, bool statistics)
{
    if (!out || !size)
        return false;
    out[0] = 0;
    // Slot 10 is the demo pilot of a run without the game menu.
    if (slot < 0 || slot > 10 || sector < 1 || sector > 13)
        return false;
    const int n = std::snprintf(out, size, "%s/%02d/Sector %02d.%s", g_SaveRoot, slot, sector, statistics ? "stat" : "dat");
    return n > 0 && (size_t)n < size;
}

void SkipSavePath(char* out, size_t size, bool statistics)
{
    // The default start ships with the game: it is always the game directory's own.
    std::snprintf(out, size, "Save/Skip/Sector 01.%s", statistics ? "stat" : "dat");
}

void SavePrivateDataName(const char* name, char* out, size_t size)
{
    if (!name)
        name = "";
    const char* m = std::strstr(name, "Mercenaries");
    if (m)
        std::snprintf(out, size, "Human/%s", m);
    else
        std::snprintf(out, size, "%s", name);
}

bool EncodeSectorSave(const SectorSave& save, uint8_t* dat, size_t datCapacity, size_t* datSize, uint8_t* stat,
                      size_t statCapacity, size_t* statSize)
{
    if (save.shipCount < 0 || save.shipCount > kSaveMaxShips)
        return false;
    Writer d{dat, datCapacity};
    Writer s{stat, statCapacity};
    d.I32(save.shipCount);
    d.F32(save.ore);
    for (int i = 0; i < save.shipCount; ++i) {
        const SectorSaveShip& sh = save.ships[i];
        if (sh.itemCount < 0 || sh.itemCount > kSaveMaxItems)
            return false;
        d.Text(sh.path, kSavePathLength);
        d.F32(sh.hull);
        for (float b : sh.bonuses)
            d.F32(b);
        d.Text(sh.privateData, kSavePathLength);
        d.I32(sh.sex);
        d.Text(sh.pilotName, kSavePilotNameLength);
        d.F32(sh.skill);
        d.F32(sh.skill2);
        d.I32(sh.voicePitch);
        d.I32(sh.itemCount);
        for (int j = 0; j < sh.itemCount; ++j) {
            const SectorSaveItem& it = sh.items[j];
            d.Text(it.path, kSavePathLength);
            d.F32(it.rangeBonus);
            d.F32(it.secondBonus);
            d.F32(it.capacityBonus);
            d.F32(it.reloadBonus);
            d.I32(it.ammo);
        }
        const CPilotStatistics& st = sh.statistics;
        s.F32(st.distance);
        s.I32(st.kills);
        s.I32(st.missionKills);
        s.F32(st.killScore);
        s.F32(st.missionKillScore);
        s.I32(st.shotsFired);
        s.I32(st.shotsOnTarget);
        s.F32(st.oreDelivered);
        s.F32(st.missionOreDelivered);
    }
    if (!d.ok || !s.ok)
        return false;
    if (datSize)
        *datSize = d.n;
    if (statSize)
        *statSize = s.n;
    return true;
}

bool DecodeSectorSaveDat(const uint8_t* data, size_t size, SectorSave* save, char* why, size_t whySize)
{
    std::memset(save, 0, sizeof(*save));
    if (!data) {
        SetWhy(why, whySize, "no data");
        return false;
    }
    Reader r{data, size};
    const int32_t count = r.I32("the file ends in its header");
    const float ore = r.F32("the file ends in its header");
    if (!r.error && (count < 0 || count > kSaveMaxShips))
        r.error = "the ship count is out of range";
    if (!r.error && ore < 0.0f)
        r.error = "the ore stock is negative";
    for (int i = 0; !r.error && i < count; ++i) {
        SectorSaveShip& sh = save->ships[i];
        const char* cut = "the file ends inside a ship";
        r.Text(sh.path, kSavePathLength, cut);
        if (!r.error && !sh.path[0])
            r.error = "a ship has no description path";
        sh.hull = r.F32(cut);
        for (float& b : sh.bonuses)
            b = r.F32(cut);
        r.Text(sh.privateData, kSavePathLength, cut);
        sh.sex = r.I32(cut);
        r.Text(sh.pilotName, kSavePilotNameLength, cut);
        sh.skill = r.F32(cut);
        sh.skill2 = r.F32(cut);
        sh.voicePitch = r.I32(cut);
        sh.itemCount = r.I32(cut);
        if (!r.error && (sh.itemCount < 0 || sh.itemCount > kSaveMaxItems))
            r.error = "an item count is out of range";
        for (int j = 0; !r.error && j < sh.itemCount; ++j) {
            SectorSaveItem& it = sh.items[j];
            const char* icut = "the file ends inside an item";
            r.Text(it.path, kSavePathLength, icut);
            if (!r.error && !it.path[0])
                r.error = "an item has no description path";
            it.rangeBonus = r.F32(icut);
            it.secondBonus = r.F32(icut);
            it.capacityBonus = r.F32(icut);
            it.reloadBonus = r.F32(icut);
            it.ammo = r.I32(icut);
            if (!r.error && it.ammo < 0)
                r.error = "an ammunition count is negative";
        }
    }
    if (!r.error && r.n != size)
        r.error = "bytes follow the last ship";
    if (r.error) {
        SetWhy(why, whySize, r.error);
        std::memset(save, 0, sizeof(*save));
        return false;
    }
    save->shipCount = count;
    save->ore = ore;
    return true;
}

bool DecodeSectorSaveStat(const uint8_t* data, size_t size, SectorSave* save, char* why, size_t whySize)
{
    if (!data || size != (size_t)save->shipCount * kSaveStatBytes) {
        SetWhy(why, whySize, "the statistics do not match the ships");
        return false;
    }
    CPilotStatistics stats[kSaveMaxShips] = {};
    Reader r{data, size};
    for (int i = 0; i < save->shipCount; ++i) {
        CPilotStatistics& st = stats[i];
        const char* cut = "the file ends inside a record";
        st.distance = r.F32(cut);
        st.kills = r.I32(cut);
        st.missionKills = r.I32(cut);
        st.killScore = r.F32(cut);
        st.missionKillScore = r.F32(cut);
        st.shotsFired = r.I32(cut);
        st.shotsOnTarget = r.I32(cut);
        st.oreDelivered = r.F32(cut);
        st.missionOreDelivered = r.F32(cut);
    }
    if (r.error) {
        SetWhy(why, whySize, r.error);
        return false;
    }
    for (int i = 0; i < save->shipCount; ++i)
        save->ships[i].statistics = stats[i];
    return true;
}

namespace {
// A busy machine can refuse a file for a moment (an interrupted call, the descriptors or the
// kernel's file table used up, a lock): such a refusal is tried again before it counts.
bool Transient(int error)
{
    return error == EINTR || error == EAGAIN || error == EMFILE || error == ENFILE || error == EBUSY ||
           error == ENOMEM || error == ETXTBSY;
}

constexpr int kFileTries = 5;

void PauseBeforeRetry(int attempt)
{
    struct timespec t = {0, 20000000L * (attempt + 1)};
    nanosleep(&t, nullptr);
}

// The file steps of a save and of its repair, for tests that stop the process there.
void Step(const std::string& path, int after)
{
    if (g_SectorSaveFileStep)
        g_SectorSaveFileStep(path.c_str(), after);
}

bool FileExists(const char* path)
{
    struct stat st;
    return ::stat(path, &st) == 0;
}

bool TempName(const char* path, char* temp, size_t size)
{
    return path && std::snprintf(temp, size, "%s.tmp", path) < (int)size;
}

bool OldName(const char* path, char* old, size_t size)
{
    return path && std::snprintf(old, size, "%s.old", path) < (int)size;
}

// rename and remove, each one file step, tried again while the refusal is a passing one.
bool Rename(const std::string& from, const std::string& to)
{
    Step(from, 0);
    bool ok = false;
    for (int attempt = 0; attempt < kFileTries; ++attempt) {
        if (std::rename(from.c_str(), to.c_str()) == 0) {
            ok = true;
            break;
        }
        const int error = errno;
        if (!Transient(error)) {
            DebugOutF("Sector save: \"%s\" cannot be renamed to \"%s\": %s", from.c_str(), to.c_str(),
                      std::strerror(error));
            break;
        }
        PauseBeforeRetry(attempt);
    }
    Step(from, 1);
    return ok;
}

// True when the file is gone (or never was).
bool Remove(const std::string& path)
{
    if (!FileExists(path.c_str()))
        return true;
    Step(path, 0);
    for (int attempt = 0; attempt < kFileTries && std::remove(path.c_str()) != 0 && Transient(errno); ++attempt)
        PauseBeforeRetry(attempt);
    Step(path, 1);
    if (!FileExists(path.c_str()))
        return true;
    DebugOutF("Sector save: \"%s\" cannot be removed: %s", path.c_str(), std::strerror(errno));
    return false;
}

std::string Suffixed(const char* path, const char* suffix)
{
    return NormalizePath((std::string(path) + suffix).c_str());
}
} // namespace

void (*g_SectorSaveFileStep)(const char* path, int after) = nullptr;

bool ReadWholeFile(const char* path, uint8_t* buffer, size_t capacity, size_t* size)
{
    *size = 0;
    uint32_t length = 0;
    int h = -1;
    for (int attempt = 0; attempt < kFileTries; ++attempt) {
        errno = 0;
        h = CFileManager::Open(path, FILE_KIND_PLAIN, &length);
        if (h >= 0 || !Transient(errno))
            break;
        PauseBeforeRetry(attempt);
    }
    if (h < 0)
        return false;
    bool ok = length <= capacity;
    if (ok && length)
        ok = CFileManager::Read(buffer, 1, length, h) == length;
    CFileManager::Close(h);
    if (ok)
        *size = length;
    return ok;
}

bool WriteTempFile(const char* path, const uint8_t* data, size_t size)
{
    char temp[1024];
    if (!TempName(path, temp, sizeof(temp)))
        return false;
    const std::string tempPath = NormalizePath(temp);
    Step(tempPath, 0);
    bool ok = false;
    for (int attempt = 0; attempt < kFileTries && !ok; ++attempt) {
        errno = 0;
        const int h = CFileManager::OpenForWrite(temp);
        if (h < 0) {
            const int error = errno;
            DebugOutF("Sector save: \"%s\" cannot be opened for writing: %s", temp,
                      error ? std::strerror(error) : "no free file handle");
            // A handle of the game's own table frees itself no faster than a descriptor.
            if (error && !Transient(error))
                break;
            PauseBeforeRetry(attempt);
            continue;
        }
        const bool written = size == 0 || CFileManager::Write(data, size, h);
        // The close counts too: buffered bytes that never reach the disk are a failed save.
        const bool closed = CFileManager::CloseWritten(h) != 0;
        ok = written && closed;
        if (!ok) {
            const int error = errno;
            DebugOutF("Sector save: \"%s\" cannot be written: %s", temp, std::strerror(error));
            if (!Transient(error))
                break;
            PauseBeforeRetry(attempt);
        }
    }
    if (!ok)
        std::remove(tempPath.c_str());
    Step(tempPath, 1);
    return ok;
}

bool CommitTempFile(const char* path)
{
    char temp[1024];
    if (!TempName(path, temp, sizeof(temp)))
        return false;
    const std::string from = NormalizePath(temp);
    if (!Rename(from, NormalizePath(path))) {
        Remove(from);
        return false;
    }
    return true;
}

void RemoveTempFile(const char* path)
{
    char temp[1024];
    if (TempName(path, temp, sizeof(temp)))
        Remove(NormalizePath(temp));
}

bool RemoveSaveFile(const char* path)
{
    return !path || Remove(NormalizePath(path));
}

bool KeepAsBad(const char* path)
{
    char bad[1024];
    if (!path || std::snprintf(bad, sizeof(bad), "%s.bad", path) >= (int)sizeof(bad))
        return false;
    return std::rename(NormalizePath(path).c_str(), NormalizePath(bad).c_str()) == 0;
}

namespace {
// The file to "<path>.old" or back; nothing to do when the file to move is not there.
bool MoveAside(const char* path, bool back)
{
    char old[1024];
    if (!OldName(path, old, sizeof(old)))
        return false;
    const std::string file = NormalizePath(path), aside = NormalizePath(old);
    const std::string& from = back ? aside : file;
    return !FileExists(from.c_str()) || Rename(from, back ? file : aside);
}
} // namespace

bool SetAside(const char* path)
{
    return MoveAside(path, false);
}

bool PutBack(const char* path)
{
    return MoveAside(path, true);
}

bool DropSetAside(const char* path)
{
    char old[1024];
    return OldName(path, old, sizeof(old)) && Remove(NormalizePath(old));
}

bool CommitSectorSaveDat(const char* dat)
{
    return dat && Rename(Suffixed(dat, ".tmp"), NormalizePath(dat));
}

bool UndoSectorSavePair(const char* dat, const char* stat)
{
    // The .dat's temporary file is the mark of a pair never committed: it goes last, so a
    // repair cut short is undone the same way by the next one.
    return Remove(Suffixed(stat, ".tmp")) && PutBack(stat) && Remove(Suffixed(dat, ".tmp"));
}

bool FinishSectorSavePair(const char* stat)
{
    if (!DropSetAside(stat))
        return false;
    const std::string temp = Suffixed(stat, ".tmp");
    if (!FileExists(temp.c_str()))
        return true;
    if (Rename(temp, NormalizePath(stat)))
        return true;
    // The old statistics must not stay beside the new ships; the new ones wait for the
    // next repair.
    RemoveSaveFile(stat);
    return false;
}

int RecoverSectorSavePair(const char* dat, const char* stat)
{
    char datTemp[1024], statTemp[1024], statOld[1024];
    if (!TempName(dat, datTemp, sizeof(datTemp)) || !TempName(stat, statTemp, sizeof(statTemp)) ||
        !OldName(stat, statOld, sizeof(statOld)))
        return 0;
    if (FileExists(NormalizePath(datTemp).c_str()))
        return UndoSectorSavePair(dat, stat) ? kPairUndone : kPairStuck;
    if (!FileExists(NormalizePath(statTemp).c_str()) && !FileExists(NormalizePath(statOld).c_str()))
        return kPairWhole;
    return FinishSectorSavePair(stat) ? kPairFinished : kPairStuck;
}

bool WriteFileSafely(const char* path, const uint8_t* data, size_t size)
{
    return WriteTempFile(path, data, size) && CommitTempFile(path);
}
