// The data set, the generator and check registries and UTF-8 -> CP1251.
#include "datagen.h"

#include <algorithm>
#include <cstdio>

namespace datagen {

namespace {

std::vector<NamedGenerator>& GeneratorList()
{
    static std::vector<NamedGenerator> list;
    return list;
}

std::vector<NamedCheck>& CheckList()
{
    static std::vector<NamedCheck> list;
    return list;
}

std::string Normalise(const std::string& path)
{
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

} // namespace

void DataSet::Add(const std::string& dataPath, std::vector<uint8_t> bytes)
{
    files[Normalise(dataPath)] = std::move(bytes);
}

void DataSet::AddText(const std::string& dataPath, const std::string& cp1251)
{
    Add(dataPath, std::vector<uint8_t>(cp1251.begin(), cp1251.end()));
}

bool DataSet::Has(const std::string& dataPath) const
{
    return files.count(Normalise(dataPath)) != 0;
}

const std::vector<uint8_t>* DataSet::Get(const std::string& dataPath) const
{
    auto it = files.find(Normalise(dataPath));
    return it == files.end() ? nullptr : &it->second;
}

std::string DataSet::Text(const std::string& dataPath) const
{
    const std::vector<uint8_t>* b = Get(dataPath);
    return b ? std::string(b->begin(), b->end()) : std::string();
}

void CheckContext::Missing(const std::string& what)
{
    missing.push_back(what);
    std::fprintf(stderr, "missing: %s\n", what.c_str());
}

void CheckContext::Note(const std::string& text)
{
    std::fprintf(stdout, "%s\n", text.c_str());
}

GeneratorRegistration::GeneratorRegistration(const char* name, GeneratorFn fn)
{
    GeneratorList().push_back({name, fn});
}

CheckRegistration::CheckRegistration(const char* name, CheckFn fn)
{
    CheckList().push_back({name, fn});
}

std::vector<NamedGenerator> Generators()
{
    std::vector<NamedGenerator> list = GeneratorList();
    std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.name < b.name; });
    return list;
}

std::vector<NamedCheck> Checks()
{
    std::vector<NamedCheck> list = CheckList();
    std::sort(list.begin(), list.end(), [](auto& a, auto& b) { return a.name < b.name; });
    return list;
}

namespace {

// CP1251 0x80..0xBF as Unicode code points (0 = unused byte 0x98).
const uint16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0455, 0x00BF, 0x0457,
};

int ToCp1251Byte(uint32_t cp)
{
    if (cp < 0x80)
        return (int)cp;
    if (cp >= 0x0410 && cp <= 0x044F)
        return (int)(cp - 0x0410 + 0xC0);
    for (int i = 0; i < 64; ++i)
        if (kCp1251High[i] && kCp1251High[i] == cp)
            return 0x80 + i;
    return -1;
}

} // namespace

std::string ToCp1251(const std::string& utf8, bool* ok)
{
    if (ok)
        *ok = true;
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    const size_t n = utf8.size();
    while (i < n) {
        uint8_t c = (uint8_t)utf8[i];
        uint32_t cp;
        int extra;
        if (c < 0x80) { cp = c; extra = 0; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
        else { cp = 0xFFFFFFFF; extra = 0; }
        bool good = cp != 0xFFFFFFFF && i + extra < n;
        for (int k = 1; good && k <= extra; ++k) {
            uint8_t cc = (uint8_t)utf8[i + k];
            if ((cc & 0xC0) != 0x80)
                good = false;
            else
                cp = cp << 6 | (cc & 0x3F);
        }
        int b = good ? ToCp1251Byte(cp) : -1;
        if (b < 0) {
            if (ok)
                *ok = false;
            out += '?';
            i += good ? extra + 1 : 1;
            continue;
        }
        out += (char)b;
        i += extra + 1;
    }
    return out;
}

} // namespace datagen
