#include "platform/win/profile.h"
#include "platform/win/directory.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <strings.h>
#include <vector>

namespace {

struct IniLine {
    std::string raw;  // without the line end
    bool crlf = false;
};

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

bool EqualNoCase(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

bool ReadLines(const std::string& path, std::vector<IniLine>* lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        IniLine l;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            l.crlf = true;
        }
        l.raw = line;
        lines->push_back(l);
        if (nl == std::string::npos)
            break;
        pos = nl + 1;
    }
    return true;
}

// "[name]" -> name, else false.
bool SectionName(const std::string& raw, std::string* name)
{
    std::string t = Trim(raw);
    if (t.size() < 2 || t[0] != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    *name = Trim(t.substr(1, close - 1));
    return true;
}

// "key=value" -> trimmed key and value.
bool KeyValue(const std::string& raw, std::string* key, std::string* value)
{
    size_t eq = raw.find('=');
    if (eq == std::string::npos)
        return false;
    *key = Trim(raw.substr(0, eq));
    *value = Trim(raw.substr(eq + 1));
    return true;
}

// The range [begin, end) of the section's body lines; false when the section is missing.
bool FindSection(const std::vector<IniLine>& lines, const char* section, size_t* header, size_t* end)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (SectionName(lines[i].raw, &name) && EqualNoCase(name, section)) {
            size_t j = i + 1;
            std::string other;
            while (j < lines.size() && !SectionName(lines[j].raw, &other))
                ++j;
            *header = i;
            *end = j;
            return true;
        }
    }
    return false;
}

bool FindValue(const char* section, const char* key, const char* path, std::string* value)
{
    if (!section || !key || !path)
        return false;
    std::vector<IniLine> lines;
    if (!ReadLines(NormalizePath(path), &lines))
        return false;
    size_t header, end;
    if (!FindSection(lines, section, &header, &end))
        return false;
    for (size_t i = header + 1; i < end; ++i) {
        std::string k, v;
        if (KeyValue(lines[i].raw, &k, &v) && EqualNoCase(k, key)) {
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            *value = v;
            return true;
        }
    }
    return false;
}

bool WriteLines(const std::string& path, const std::vector<IniLine>& lines)
{
    std::string text;
    for (const IniLine& l : lines) {
        text += l.raw;
        text += l.crlf ? "\r\n" : "\n";
    }
    std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace

unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* out, unsigned size, const char* path)
{
    if (!out || size == 0)
        return 0;
    std::string value;
    if (!FindValue(section, key, path, &value))
        value = Trim(defaultValue ? defaultValue : "");
    size_t n = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return unsigned(n);
}

int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* path)
{
    std::string value;
    if (!FindValue(section, key, path, &value))
        return defaultValue;
    return std::atoi(value.c_str());
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* path)
{
    if (!section || !path)
        return false;
    std::string file = NormalizePath(path);
    std::vector<IniLine> lines;
    ReadLines(file, &lines);
    bool crlf = !lines.empty() && lines[0].crlf;

    size_t header, end;
    bool hasSection = FindSection(lines, section, &header, &end);
    if (!key) {
        if (hasSection)
            lines.erase(lines.begin() + long(header), lines.begin() + long(end));
        return WriteLines(file, lines);
    }
    if (hasSection) {
        for (size_t i = header + 1; i < end; ++i) {
            std::string k, v;
            if (KeyValue(lines[i].raw, &k, &v) && EqualNoCase(k, key)) {
                if (!value)
                    lines.erase(lines.begin() + long(i));
                else
                    lines[i].raw = std::string(key) + "=" + value;
                return WriteLines(file, lines);
            }
        }
        if (!value)
            return true;
        // After the section's last non-blank line.
        size_t at = end;
        while (at > header + 1 && Trim(lines[at - 1].raw).empty())
            --at;
        IniLine l;
        l.raw = std::string(key) + "=" + value;
        l.crlf = crlf;
        lines.insert(lines.begin() + long(at), l);
        return WriteLines(file, lines);
    }
    if (!value)
        return true;
    IniLine h, l;
    h.raw = std::string("[") + section + "]";
    h.crlf = l.crlf = crlf;
    l.raw = std::string(key) + "=" + value;
    lines.push_back(h);
    lines.push_back(l);
    return WriteLines(file, lines);
}
