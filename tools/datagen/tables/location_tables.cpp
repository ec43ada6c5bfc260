// Space locations from a template per kind with per-location overrides: data/Tables/locations.csv
// names each location's template (Tables/Locations/Templates/<kind>.loc) and override file;
// datagen writes Data/Locations.<folder>/Main.loc in the location format's exact columns.
// The override rules are described at the head of locations.csv.
#include "../datagen.h"
#include "tables.h"

#include "platform/win/codepage.h"

#include <cstdio>

using namespace datagen;

namespace {

const char* const kRule = "//------------------------------------------------------------";
const char* const kBlockEnd = "--------------------------------";

struct Section {
    std::string title;
    std::vector<std::vector<std::string>> blocks;   // each ends with its kBlockEnd line
    std::vector<std::string> tail;                  // lines after the last block
};

std::string Label(const std::string& line)
{
    std::string l = line.substr(0, 32);
    while (!l.empty() && l.back() == ' ') l.pop_back();
    return l;
}

bool Parse(const std::string& text, const std::string& where, std::vector<Section>* out, std::string* error)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == kRule && i + 2 < lines.size() && lines[i + 1].rfind("// ", 0) == 0 && lines[i + 2] == kRule) {
            out->push_back({lines[i + 1].substr(3), {}, {}});
            i += 2;
            continue;
        }
        if (out->empty()) {
            *error = where + " line " + std::to_string(i + 1) + ": text before the first section title";
            return false;
        }
        Section& s = out->back();
        s.tail.push_back(lines[i]);
        if (lines[i] == kBlockEnd) {
            s.blocks.push_back(s.tail);
            s.tail.clear();
        }
    }
    return true;
}

std::string Write(const std::vector<Section>& sections)
{
    std::string out;
    bool first = true;
    auto line = [&](const std::string& l) {
        if (!first) out += '\n';
        out += l;
        first = false;
    };
    for (const Section& s : sections) {
        line(kRule);
        line("// " + s.title);
        line(kRule);
        for (const auto& b : s.blocks)
            for (const std::string& l : b) line(l);
        for (const std::string& l : s.tail) line(l);
    }
    return out;
}

bool Keyed(const std::string& title) { return title == "Static objects" || title == "Orders"; }

int FindBlock(const Section& s, const std::string& key)
{
    for (size_t i = 0; i < s.blocks.size(); ++i)
        if (s.blocks[i][0] == key) return (int)i;
    return -1;
}

bool Merge(std::vector<Section>* loc, const std::vector<Section>& over, std::string* error)
{
    for (const Section& o : over) {
        if (o.title == "Location") {
            (*loc)[0].blocks = o.blocks;
            (*loc)[0].tail = o.tail;
            continue;
        }
        Section* s = nullptr;
        for (Section& c : *loc)
            if (c.title == o.title) s = &c;
        if (!s) {
            *error = "the template has no section \"" + o.title + "\"";
            return false;
        }
        if (!Keyed(o.title)) {
            s->blocks = o.blocks;
            s->tail = o.tail;
            continue;
        }
        std::string last;
        for (const auto& b : o.blocks) {
            const int at = FindBlock(*s, b[0]);
            if (b.size() > 1 && b[1] == "Removed") {
                if (at < 0) {
                    *error = "\"" + b[0] + "\" to remove is not in the template";
                    return false;
                }
                s->blocks.erase(s->blocks.begin() + at);
                continue;
            }
            if (at >= 0) {
                // The lines given replace the template's lines of the same label.
                for (size_t k = 1; k + 1 < b.size(); ++k) {
                    bool found = false;
                    for (std::string& l : s->blocks[at])
                        if (Label(l) == Label(b[k]) && &l != &s->blocks[at][0]) {
                            l = b[k];
                            found = true;
                            break;
                        }
                    if (!found) {
                        *error = "\"" + b[0] + "\" has no line labelled \"" + Label(b[k]) + "\"";
                        return false;
                    }
                }
            } else {
                const int after = last.empty() ? -1 : FindBlock(*s, last);
                s->blocks.insert(after < 0 ? s->blocks.end() : s->blocks.begin() + after + 1, b);
            }
            last = b[0];
        }
    }
    return true;
}

} // namespace

DATAGEN_GENERATOR(00_location_tables)
{
    Table t;
    std::string error;
    if (!ReadTable(set, "Tables/locations.csv", &t, &error) || !RequireColumns(t, {"folder", "template", "override"}, &error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return false;
    }
    std::vector<std::string> errors;
    for (size_t r = 0; r < t.rows.size(); ++r) {
        const std::string& folder = t.Get(r, "folder");
        const std::string tpath = "Tables/Locations/Templates/" + t.Get(r, "template") + ".loc";
        const std::string& override = t.Get(r, "override");
        std::vector<Section> loc, over;
        if (!set.Has(tpath)) {
            errors.push_back(t.Where(r) + ": no template " + tpath);
            continue;
        }
        if (!Parse(set.Text(tpath), tpath, &loc, &error) || loc.empty()) {
            errors.push_back(error.empty() ? tpath + " is empty" : error);
            continue;
        }
        if (!override.empty()) {
            const std::string opath = "Tables/Locations/" + override;
            std::string text = set.Text(opath);
            if (!set.Has(opath)) {
                errors.push_back(t.Where(r) + ": no override " + opath);
                continue;
            }
            if (!text.empty() && text.back() == '\n') text.pop_back();
            if (!Parse(text, opath, &over, &error) || !Merge(&loc, over, &error)) {
                errors.push_back(opath + ": " + error);
                continue;
            }
        }
        loc[0].title = "Location: " + folder.substr(folder.find('/') + 1);
        const std::string path = "Data/Locations." + folder + "/Main.loc";
        if (MayGenerate(set, path, t.path)) set.AddText(path, Write(loc));
    }
    for (const std::string& e : errors) std::fprintf(stderr, "datagen: %s\n", Cp1251ToUtf8(e.c_str()).c_str());
    return errors.empty();
}
