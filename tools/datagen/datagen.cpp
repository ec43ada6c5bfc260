// The data set, the generator and check registries and UTF-8 -> CP1251.
#include "datagen.h"
#include "platform/win/codepage.h"

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
    std::fprintf(stderr, "missing: %s\n", Cp1251ToUtf8(what.c_str()).c_str());
}

void CheckContext::Note(const std::string& text)
{
    std::fprintf(stdout, "%s\n", Cp1251ToUtf8(text.c_str()).c_str());
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

int ToCp1251Byte(uint32_t cp)
{
    return Cp1251ByteOf(cp);
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
