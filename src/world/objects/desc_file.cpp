#include "world/objects/desc_file.h"
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "app/settings.h"
#include "files/file_manager.h"
#include "world/objects/game_object.h"
#include "world/objects/object_codes.h"

namespace {

constexpr int kValueWidth = kDescLineLength - 1;  // 254
constexpr int kThreeNumberTail = 63;

// Copies src into out (size bytes), dropping a trailing carriage return.
void CopyBounded(char* out, int size, const char* src)
{
    if (!out || size <= 0) return;
    size_t n = std::strlen(src);
    if (n && src[n - 1] == '\r') --n;
    if (n > size_t(size - 1)) n = size_t(size - 1);
    std::memcpy(out, src, n);
    out[n] = 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

int DescToInt(const char* text)
{
    if (!text) return 0;
    const char* p = text;
    while (IsBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (v <= (long long)INT_MAX + 1) v = v * 10 + (*p - '0');
    }
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

float DescToFloat(const char* text)
{
    if (!text) return 0.0f;
    double d = std::strtod(text, nullptr);
    float f = float(d);
    return std::isfinite(f) ? f : 0.0f;
}

CDescFile::CDescFile() : m_Handle(-1), m_LineOpen(false), m_LastSeparator(false), m_Ended(true) {}

CDescFile::~CDescFile() { Close(); }

int CDescFile::Open(const char* name, int kind)
{
    Close();
    if (!name) return 0;
    m_Handle = CFileManager::Open(name, kind, nullptr);
    m_LineOpen = false;
    m_LastSeparator = false;
    m_Ended = m_Handle == -1;
    return m_Handle != -1 ? 1 : 0;
}

void CDescFile::Close()
{
    if (m_Handle != -1) CFileManager::Close(m_Handle);
    m_Handle = -1;
    m_LineOpen = false;
    m_Ended = true;
}

void CDescFile::BeginLine()
{
    m_LineOpen = m_Handle != -1;
    m_LastSeparator = false;
}

int CDescFile::ReadPiece(char* out, int width)
{
    out[0] = 0;
    if (!m_LineOpen) return 0;
    if (CFileManager::ReadLine(out, width + 1, m_Handle) <= 0) {
        out[0] = 0;
        m_Ended = true;
    }
    int n = int(std::strlen(out));
    // Fewer characters than asked for: the line end (or the file's end) was consumed.
    if (n < width) m_LineOpen = false;
    return n;
}

void CDescFile::FinishLine()
{
    char rest[kDescLineLength];
    while (m_LineOpen) ReadPiece(rest, kValueWidth);
}

void CDescFile::NoteSeparator(const char* text)
{
    if (std::strstr(text, "//--")) m_LastSeparator = true;
}

void CDescFile::SkipLine()
{
    BeginLine();
    char buf[kDescLineLength];
    // A separator can stand on a skipped line too.
    char tail[4] = {};
    while (m_LineOpen) {
        ReadPiece(buf, kValueWidth);
        char joined[kDescLineLength + 4];
        std::snprintf(joined, sizeof joined, "%s%s", tail, buf);
        NoteSeparator(joined);
        size_t n = std::strlen(joined);
        std::memcpy(tail, joined + (n > 3 ? n - 3 : 0), n > 3 ? 4 : n + 1);
    }
}

void CDescFile::SkipLines(int count)
{
    for (int i = 0; i < count && !(m_Ended && i > 0); ++i) SkipLine();
}

void CDescFile::ReadWholeLine(char* out, int size)
{
    BeginLine();
    char buf[kDescItemTextLength];
    int width = size - 1 < kDescItemTextLength - 1 ? size - 1 : kDescItemTextLength - 1;
    if (width < 1) width = 1;
    ReadPiece(buf, width);
    NoteSeparator(buf);
    FinishLine();
    CopyBounded(out, size, buf);
}

void CDescFile::ReadValueLine(char* label, char* value, int size)
{
    BeginLine();
    char col[kDescLabelColumn + 1];
    char val[kDescLineLength];
    ReadPiece(col, kDescLabelColumn);
    ReadPiece(val, kValueWidth);  // empty when the line ended inside the label column
    FinishLine();
    char joined[kDescLabelColumn + kDescLineLength];
    std::snprintf(joined, sizeof joined, "%s%s", col, val);
    NoteSeparator(joined);
    if (label) CopyBounded(label, kDescLabelColumn + 1, col);
    CopyBounded(value, size, val);
}

void CDescFile::ReadText(char* out, int size) { ReadValueLine(nullptr, out, size); }

int CDescFile::ReadInt()
{
    char v[kDescLineLength];
    ReadValueLine(nullptr, v, sizeof v);
    return DescToInt(v);
}

float CDescFile::ReadFloat()
{
    char v[kDescLineLength];
    ReadValueLine(nullptr, v, sizeof v);
    return DescToFloat(v);
}

int CDescFile::ReadOptionalInt(int* value)
{
    char v[kDescLineLength];
    ReadValueLine(nullptr, v, sizeof v);
    if (m_LastSeparator) return 0;
    if (value) *value = DescToInt(v);
    return 1;
}

int CDescFile::ReadOptionalFloat(float* value)
{
    char v[kDescLineLength];
    ReadValueLine(nullptr, v, sizeof v);
    if (m_LastSeparator) return 0;
    if (value) *value = DescToFloat(v);
    return 1;
}

int CDescFile::ReadOptionalText(char* out, int size)
{
    char v[kDescLineLength];
    ReadValueLine(nullptr, v, sizeof v);
    if (m_LastSeparator) return 0;
    CopyBounded(out, size, v);
    return 1;
}

int CDescFile::ReadCount()
{
    int n = ReadInt();
    return n < 0 ? 0 : n;
}

void CDescFile::ReadTwoFieldLine(char (&first)[kDescFieldWidth + 1], char (&rest)[kDescLineLength])
{
    BeginLine();
    char col[kDescLabelColumn + 1], sep[2];
    ReadPiece(col, kDescLabelColumn);
    ReadPiece(first, kDescFieldWidth);
    ReadPiece(sep, 1);
    ReadPiece(rest, kValueWidth);
    FinishLine();
}

void CDescFile::ReadTwoNumbers(float* first, float* second)
{
    char f1[kDescFieldWidth + 1], rest[kDescLineLength];
    ReadTwoFieldLine(f1, rest);
    if (first) *first = DescToFloat(f1);
    if (second) *second = DescToFloat(rest);
}

void CDescFile::ReadTwoInts(int* first, int* second)
{
    char f1[kDescFieldWidth + 1], rest[kDescLineLength];
    ReadTwoFieldLine(f1, rest);
    if (first) *first = DescToInt(f1);
    if (second) *second = DescToInt(rest);
}

void CDescFile::ReadThreeNumbers(float* a, float* b, float* c, int fieldWidth)
{
    if (fieldWidth < 1 || fieldWidth > kDescFieldWidth) fieldWidth = kDescFieldWidth;
    BeginLine();
    char col[kDescLabelColumn + 1], f[3][kDescFieldWidth + 1], sep[2], tail[kThreeNumberTail + 1];
    ReadPiece(col, kDescLabelColumn);
    ReadPiece(f[0], fieldWidth);
    ReadPiece(sep, 1);
    ReadPiece(f[1], fieldWidth);
    ReadPiece(sep, 1);
    ReadPiece(f[2], fieldWidth);
    ReadPiece(tail, kThreeNumberTail);
    FinishLine();
    if (a) *a = DescToFloat(f[0]);
    if (b) *b = DescToFloat(f[1]);
    if (c) *c = DescToFloat(f[2]);
}

int CDescFile::ReadActionLine(int* firstFrame, int* lastFrame, char* sound, int size)
{
    BeginLine();
    char col[kDescLabelColumn + 1], f1[kDescFieldWidth + 1], f2[kDescFieldWidth + 1], rest[kDescLineLength];
    ReadPiece(col, kDescLabelColumn);
    ReadPiece(f1, kDescFieldWidth);
    ReadPiece(f2, kDescFieldWidth);
    ReadPiece(rest, kValueWidth);
    FinishLine();
    if (firstFrame) *firstFrame = DescToInt(f1);
    if (lastFrame) *lastFrame = DescToInt(f2);
    CopyBounded(sound, size, rest);
    return ParseAction(col);
}

int CDescFile::ReadDerivedLine(char* path, int size)
{
    char col[kDescLabelColumn + 1];
    ReadValueLine(col, path, size);
    return ParseDerivedSlot(col);
}

void ReadClassAndKind(CDescFile& file, CGameObject* object)
{
    char text[kDescLineLength];
    file.ReadText(text, sizeof text);
    unsigned cls = ParseObjectClass(text);
    file.ReadText(text, sizeof text);
    int kind = ParseObjectType(text);
    if (object) {
        object->objectClass = cls;
        object->kind = kind;
    }
}

int ReadVertexTypeLine(CDescFile& file)
{
    char text[kDescLineLength];
    file.ReadText(text, sizeof text);
    return ParseVertexType(text);
}

int ReadMeshBlock(CDescFile& file, CGameObject* object, int vertexType)
{
    int count = file.ReadCount();
    int kept = 0;
    char path[kDescLineLength];
    for (int i = 0; i < count; ++i) {
        if (i >= kMaxObjectMeshes) {
            if (i == kMaxObjectMeshes) DebugOutF("Too many meshes (%d), the rest are skipped.", count);
            if (file.Ended()) break;
            file.SkipLine();
            continue;
        }
        file.ReadText(path, sizeof path);
        ++kept;
        if (object && object->meshCount < kMaxObjectMeshes) object->AddMesh(path, vertexType);
    }
    return kept;
}

int ReadTextureBlock(CDescFile& file, CGameObject* object)
{
    int count = file.ReadCount();
    int mip = file.ReadInt();
    if (object) object->mipLevels = mip;
    int kept = 0;
    char name[kDescLineLength];
    for (int i = 0; i < count; ++i) {
        if (i >= kMaxObjectTextures) {
            if (i == kMaxObjectTextures) DebugOutF("Too many textures (%d), the rest are skipped.", count);
            if (file.Ended()) break;
            file.SkipLine();
            continue;
        }
        file.ReadText(name, sizeof name);
        ++kept;
        if (object && name[0]) object->AddTexture(i, name, mip);
    }
    return kept;
}

void ReadObjectHeader(CDescFile& file, CGameObject* object, char* name, int nameSize, int* vertexType)
{
    char text[kDescLineLength];
    file.SkipLines(3);
    file.ReadText(text, sizeof text);
    if (name) CopyBounded(name, nameSize, text);
    ReadClassAndKind(file, object);
    file.SkipLine();
    int vt = ReadVertexTypeLine(file);
    if (vertexType) *vertexType = vt;
    ReadMeshBlock(file, object, vt);
    ReadTextureBlock(file, object);
}

int CheckBlockCount(int count, int limit, const char* message)
{
    if (count < 0) return 0;
    if (count > limit) {
        ShowMessage(message, "Error:", 0);
        return limit;
    }
    return count;
}

void ReadItemDescription(const char* mainObjPath, char* out, int size)
{
    if (!out || size <= 0) return;
    static const char kNoData[] = "<нет данных>";
    const char* file = g_Settings.language == 1 ? "Desc_ENG.pd" : "Desc_RUS.pd";
    char path[512];
    size_t folder = 0;
    if (mainObjPath) {
        for (size_t i = 0; mainObjPath[i]; ++i)
            if (mainObjPath[i] == '/' || mainObjPath[i] == '\\') folder = i + 1;
    }
    if (folder + std::strlen(file) + 1 > sizeof path) {
        CopyBounded(out, size, kNoData);
        return;
    }
    std::memcpy(path, mainObjPath, folder);
    std::strcpy(path + folder, file);
    CDescFile desc;
    if (!desc.Open(path, FILE_KIND_OBJECTS)) {
        CopyBounded(out, size, kNoData);
        return;
    }
    desc.ReadWholeLine(out, size < kDescItemTextLength ? size : kDescItemTextLength);
    desc.Close();
}
