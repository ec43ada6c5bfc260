#include "locations/location_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/settings.h"
#include "files/file_manager.h"

const char kLocEndStatic[] = "//";
const char kLocEndOrders[] = "////////////";
const char kLocEndGroups[] = "///////////////////";

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
}

void CopyText(char* out, int size, const char* text, int length)
{
    if (size <= 0)
        return;
    if (length > size - 1)
        length = size - 1;
    if (length < 0)
        length = 0;
    std::memcpy(out, text, (size_t)length);
    out[length] = 0;
}

// A whole number in the text, blanks around it allowed.
bool ParseInt(const char* text, int* out)
{
    while (IsBlank(*text))
        ++text;
    if (!*text)
        return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || v < -2147483647L || v > 2147483647L)
        return false;
    while (IsBlank(*end))
        ++end;
    if (*end)
        return false;
    *out = (int)v;
    return true;
}

bool ParseFloat(const char* text, float* out)
{
    while (IsBlank(*text))
        ++text;
    if (!*text)
        return false;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v) || std::fabs(v) > 3.0e38)
        return false;
    while (IsBlank(*end))
        ++end;
    if (*end)
        return false;
    *out = (float)v;
    return true;
}

} // namespace

CLocationFile::~CLocationFile()
{
    Close();
}

int CLocationFile::Open(const char* path)
{
    Close();
    CopyText(name, sizeof(name), path ? path : "", path ? (int)std::strlen(path) : 0);
    lineNumber = 0;
    errors = 0;
    line[0] = 0;
    lineLength = 0;
    if (!path)
        return 0;
    handle = CFileManager::Open(path, FILE_KIND_LOCATIONS);
    return handle != -1;
}

void CLocationFile::Close()
{
    if (handle != -1)
        CFileManager::Close(handle);
    handle = -1;
}

void CLocationFile::Report(const char* what)
{
    ++errors;
    DebugOutF("%s(%d): %s", name, lineNumber, what);
}

int CLocationFile::NextLine()
{
    line[0] = 0;
    lineLength = 0;
    if (handle == -1)
        return 0;
    if (CFileManager::ReadLine(line, kLocLineBuffer, handle) <= 0) {
        line[0] = 0;
        return 0;
    }
    ++lineNumber;
    lineLength = (int)std::strlen(line);
    if (lineLength == kLocLineBuffer - 1) {
        // Drop the rest of an over-long line so that the next read starts on the next line.
        char rest[kLocLineBuffer];
        while (CFileManager::ReadLine(rest, kLocLineBuffer, handle) > 0 && (int)std::strlen(rest) == kLocLineBuffer - 1) {
        }
        Report("line too long, cut");
    }
    while (lineLength > 0 && (line[lineLength - 1] == '\r' || line[lineLength - 1] == '\n'))
        line[--lineLength] = 0;
    return 1;
}

int CLocationFile::SkipLines(int n)
{
    for (int i = 0; i < n; ++i) {
        if (!NextLine()) {
            Report("file ends early");
            return 0;
        }
    }
    return 1;
}

bool CLocationFile::LabelContains(const char* marker) const
{
    char label[kLocLabelWidth + 1];
    CopyText(label, sizeof(label), line, lineLength);
    return std::strstr(label, marker) != nullptr;
}

bool CLocationFile::Value(char* out, int size)
{
    out[0] = 0;
    if (lineLength > kLocValueLineSize - 1) {
        Report("value line longer than 511 characters");
        return false;
    }
    if (lineLength <= kLocLabelWidth)
        return true;
    CopyText(out, size, line + kLocLabelWidth, lineLength - kLocLabelWidth);
    return true;
}

bool CLocationFile::Rest(char* out, int size)
{
    out[0] = 0;
    if (lineLength <= kLocLabelWidth)
        return true;
    if (lineLength - kLocLabelWidth > kLocRestSize - 1) {
        Report("field longer than 254 characters");
        return false;
    }
    CopyText(out, size, line + kLocLabelWidth, lineLength - kLocLabelWidth);
    return true;
}

bool CLocationFile::IntValue(int* out)
{
    char text[kLocTextSize];
    if (!Value(text, sizeof(text)))
        return false;
    if (!ParseInt(text, out)) {
        Report("not a whole number");
        return false;
    }
    return true;
}

bool CLocationFile::FloatValue(float* out)
{
    char text[kLocTextSize];
    if (!Value(text, sizeof(text)))
        return false;
    if (!ParseFloat(text, out)) {
        Report("not a number");
        return false;
    }
    return true;
}

bool CLocationFile::NumberField(int start, int width, bool last, float* out, const char* what)
{
    char text[80];
    char message[96];
    if (start >= lineLength) {
        std::snprintf(message, sizeof(message), "%s missing", what);
        Report(message);
        return false;
    }
    CopyText(text, sizeof(text), line + start, lineLength - start < width ? lineLength - start : width);
    // The character after the field is the separator (or the start of the unused rest):
    // a digit there means the number runs past its column.
    int after = start + width;
    if (after < lineLength) {
        char c = line[after];
        if (IsNumberChar(c) || (!last && !IsBlank(c) && c != ',' && c != ';')) {
            std::snprintf(message, sizeof(message), "%s wider than %d characters", what, width);
            Report(message);
            return false;
        }
    }
    if (!ParseFloat(text, out)) {
        std::snprintf(message, sizeof(message), "%s is not a number", what);
        Report(message);
        return false;
    }
    return true;
}

bool CLocationFile::Triple(int width, int lastWidth, Vec3* out)
{
    float v[3];
    int x = kLocLabelWidth;
    int y = x + width + 1;
    int z = y + width + 1;
    if (!NumberField(x, width, false, &v[0], "x") || !NumberField(y, width, false, &v[1], "y") ||
        !NumberField(z, lastWidth, true, &v[2], "z"))
        return false;
    *out = Vec3(v[0], v[1], v[2]);
    return true;
}

bool CLocationFile::Colour(int* r, int* g, int* b)
{
    float v[3];
    int x = kLocLabelWidth;
    int w = kLocColourWidth;
    if (!NumberField(x, w, false, &v[0], "red") || !NumberField(x + w + 1, w, false, &v[1], "green") ||
        !NumberField(x + 2 * (w + 1), w, true, &v[2], "blue"))
        return false;
    for (float c : v) {
        if (c < 0.0f || c > 255.0f || c != std::floor(c)) {
            Report("colour component outside 0..255");
            return false;
        }
    }
    *r = (int)v[0];
    *g = (int)v[1];
    *b = (int)v[2];
    return true;
}

LocRead CLocationFile::ReadLineIn(const char* section)
{
    if (NextLine())
        return LOC_READ_OK;
    char message[96];
    std::snprintf(message, sizeof(message), "file ends inside the %s", section);
    Report(message);
    return LOC_READ_EOF;
}

bool CLocationFile::CheckCount(int* count, const char* things)
{
    char message[96];
    if (*count < 0) {
        std::snprintf(message, sizeof(message), "negative number of %s", things);
        Report(message);
        return false;
    }
    if (*count > kLocMaxCount) {
        std::snprintf(message, sizeof(message), "more %s than a world holds, cut to %d", things, kLocMaxCount);
        Report(message);
        *count = kLocMaxCount;
    }
    return true;
}

LocRead CLocationFile::ReadStaticObject(LocStaticObject* out)
{
    *out = {};
    if (LabelContains(kLocEndStatic))
        return LOC_READ_END;
    bool ok = true;
    char text[kLocTextSize];
    if (!Rest(text, sizeof(text))) {
        ok = false;
    } else if (!ParseInt(text, &out->id)) {
        Report("object id is not a whole number");
        ok = false;
    }
    if (ReadLineIn("static objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Value(out->path, sizeof(out->path)) && ok;
    if (ReadLineIn("static objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Value(out->privateData, sizeof(out->privateData)) && ok;
    if (ReadLineIn("static objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Triple(kLocSpaceNumberWidth, kLocSpaceNumberWidth, &out->position) && ok;
    if (ReadLineIn("static objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Triple(kLocSpaceNumberWidth, kLocSpaceNumberWidth, &out->rotation) && ok;
    if (ReadLineIn("static objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    return ok ? LOC_READ_OK : LOC_READ_REFUSED;
}

LocRead CLocationFile::ReadOrderHead(LocOrder* out)
{
    *out = {};
    out->unitId = -1;
    out->targetId = -1;
    if (LabelContains(kLocEndOrders))
        return LOC_READ_END;
    bool ok = true;
    char text[kLocTextSize];
    if (!Rest(text, sizeof(text))) {
        ok = false;
    } else if (!ParseInt(text, &out->unitId)) {
        Report("order's unit id is not a whole number");
        out->unitId = -1;
        ok = false;
    }
    if (ReadLineIn("orders") != LOC_READ_OK)
        return LOC_READ_EOF;
    if (!IntValue(&out->targetId)) {
        out->targetId = -1;
        ok = false;
    }
    if (ReadLineIn("orders") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Triple(kLocSpaceNumberWidth, kLocSpaceNumberWidth, &out->point) && ok;
    if (ReadLineIn("orders") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Value(out->action, sizeof(out->action)) && ok;
    return ok ? LOC_READ_OK : LOC_READ_REFUSED;
}

LocRead CLocationFile::ReadOrderTail(LocOrder* out, bool readTexts)
{
    bool ok = true;
    if (readTexts) {
        if (ReadLineIn("orders") != LOC_READ_OK)
            return LOC_READ_EOF;
        ok = Value(out->text1, sizeof(out->text1)) && ok;
        if (ReadLineIn("orders") != LOC_READ_OK)
            return LOC_READ_EOF;
        ok = Value(out->text2, sizeof(out->text2)) && ok;
    }
    if (ReadLineIn("orders") != LOC_READ_OK)
        return LOC_READ_EOF;
    return ok ? LOC_READ_OK : LOC_READ_REFUSED;
}

LocRead CLocationFile::ReadShipGroup(LocShipGroup* out)
{
    *out = {};
    if (LabelContains(kLocEndGroups))
        return LOC_READ_END;
    bool ok = Rest(out->path, sizeof(out->path));
    if (ok && GroupModelCount(out->path) < 0) {
        Report("'#' in a ship group path must be followed by a digit 1..9");
        ok = false;
    }
    if (ReadLineIn("ship groups") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Value(out->privateData, sizeof(out->privateData)) && ok;
    if (ReadLineIn("ship groups") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = IntValue(&out->fromId) && ok;
    if (ReadLineIn("ship groups") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = IntValue(&out->toId) && ok;
    if (ReadLineIn("ship groups") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Value(out->action, sizeof(out->action)) && ok;
    if (ReadLineIn("ship groups") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = IntValue(&out->count) && ok;
    ok = ok && CheckCount(&out->count, "ships");
    if (ReadLineIn("ship groups") != LOC_READ_OK)
        return LOC_READ_EOF;
    if (!ok)
        out->count = 0;
    return ok ? LOC_READ_OK : LOC_READ_REFUSED;
}

LocRead CLocationFile::ReadAsteroidField(LocAsteroidField* out)
{
    *out = {};
    if (LabelContains(kLocEndGroups))
        return LOC_READ_END;
    bool ok = Triple(kLocSpaceNumberWidth, kLocSpaceNumberWidth, &out->centre);
    if (ReadLineIn("asteroid fields") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = FloatValue(&out->inner) && ok;
    if (ReadLineIn("asteroid fields") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = FloatValue(&out->outer) && ok;
    if (ReadLineIn("asteroid fields") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Value(out->name, sizeof(out->name)) && ok;
    if (ReadLineIn("asteroid fields") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = IntValue(&out->count) && ok;
    ok = ok && CheckCount(&out->count, "asteroids");
    if (ok && (out->inner < 0.0f || out->outer < out->inner)) {
        Report("asteroid field radii must satisfy 0 <= inner <= outer");
        ok = false;
    }
    if (ReadLineIn("asteroid fields") != LOC_READ_OK)
        return LOC_READ_EOF;
    if (!ok)
        out->count = 0;
    return ok ? LOC_READ_OK : LOC_READ_REFUSED;
}

LocRead CLocationFile::ReadPlanetObject(LocPlanetObject* out)
{
    *out = {};
    bool ok = Value(out->path, sizeof(out->path));
    if (ReadLineIn("objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Triple(kLocPlanetNumberWidth, kLocPlanetLastWidth, &out->position) && ok;
    if (ReadLineIn("objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Triple(kLocPlanetNumberWidth, kLocPlanetLastWidth, &out->rotation) && ok;
    if (ReadLineIn("objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    ok = Triple(kLocPlanetNumberWidth, kLocPlanetLastWidth, &out->scale) && ok;
    if (ReadLineIn("objects") != LOC_READ_OK)
        return LOC_READ_EOF;
    return ok ? LOC_READ_OK : LOC_READ_REFUSED;
}

int GroupModelCount(const char* path)
{
    const char* hash = std::strchr(path, '#');
    if (!hash)
        return 0;
    char d = hash[1];
    if (d < '1' || d > '9')
        return -1;
    return d - '0';
}

int PickGroupModel(char* path, int randomValue)
{
    int k = GroupModelCount(path);
    if (k <= 0)
        return k;
    char* hash = std::strchr(path, '#');
    hash[0] = '0';
    hash[1] = (char)('0' + 1 + (randomValue < 0 ? -randomValue : randomValue) % k);
    return 1;
}

namespace {

// Adds the counts of a section's records read whole, up to its end line; false when the
// file ends inside the section.
template <class Record>
bool AddSectionCounts(CLocationFile& file, LocRead (CLocationFile::*read)(Record*), int Record::*count, int* total)
{
    for (;;) {
        if (!file.NextLine())
            return false;
        Record record;
        const LocRead r = (file.*read)(&record);
        if (r == LOC_READ_END)
            return true;
        if (r == LOC_READ_EOF)
            return false;
        if (r == LOC_READ_OK && *total < 1000000)
            *total += record.*count;
    }
}

} // namespace

int CountLocationEntries(const char* path)
{
    CLocationFile file;
    if (!file.Open(path))
        return 0;
    int total = 0;
    int lights = 0;
    if (!file.SkipLines(4))
        return 0;
    if (!file.IntValue(&lights) || lights < 0)
        lights = 0;
    if (!file.SkipLines(lights) || !file.SkipLines(3))
        return 0;
    // Static objects.
    for (;;) {
        if (!file.NextLine())
            return total;
        LocStaticObject object;
        LocRead r = file.ReadStaticObject(&object);
        if (r == LOC_READ_END)
            break;
        if (r == LOC_READ_EOF)
            return total;
        if (r == LOC_READ_OK)
            ++total;
    }
    // Orders count nothing: skip to the section's end line.
    if (!file.SkipLines(3))
        return total;
    for (;;) {
        if (!file.NextLine())
            return total;
        if (file.LabelContains(kLocEndOrders))
            break;
    }
    if (!file.SkipLines(3) || !AddSectionCounts(file, &CLocationFile::ReadShipGroup, &LocShipGroup::count, &total))
        return total;
    if (file.SkipLines(3))
        AddSectionCounts(file, &CLocationFile::ReadAsteroidField, &LocAsteroidField::count, &total);
    return total;
}
