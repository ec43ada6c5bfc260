// Pilots' private data from one source per pilot holding both languages
// (data/Tables/Pilots/<folder>/Main.pd) and the variants of data/Tables/pilots.csv
// (a base pilot with a few lines changed, like the neutral pilots by sector range).
// Writes Data/Space/Private data.RUS/<folder>/Main.pd and Private data.ENG/<folder>/Main.pd.
// The dialogs of the planet's people and of a few space units are written the same way from
// one source each, data/Tables/Dialogs/<Planet|Space>/<path>, as they are: no variants, no
// voices added.
#include "../datagen.h"
#include "tables.h"

#include "platform/win/codepage.h"

#include <cstdio>

using namespace datagen;

namespace {

constexpr size_t kLabelColumn = 32;   // values start behind the label column
constexpr size_t kDialogText = 42;    // a dialog line's text starts behind its one-shot digit

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return lines;
        start = end + 1;
    }
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + lines[i];
    return out;
}

struct Pilot {
    std::vector<std::string> rus, eng;
};

// Splits a bilingual source: "ENG <text>" after a line is that line's English text.
bool Split(const std::string& source, const std::string& where, Pilot* p, std::string* error)
{
    const std::vector<std::string> in = Lines(source);
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i].rfind("ENG ", 0) == 0) {
            if (p->rus.empty()) {
                *error = where + " line " + std::to_string(i + 1) + ": an English text with no line above it";
                return false;
            }
            const std::string& above = p->rus.back();
            const size_t k = above.rfind("Line ", 0) == 0 ? kDialogText : kLabelColumn;
            if (above.size() < k) {
                *error = where + " line " + std::to_string(i + 1) + ": the line above has no value for an English text";
                return false;
            }
            p->eng.back() = above.substr(0, k) + in[i].substr(4);
            continue;
        }
        p->rus.push_back(in[i]);
        p->eng.push_back(in[i]);
    }
    return true;
}

// A line the unit says itself (its questions, refusals, docking answers, acknowledgements
// and the lines its behaviour makes it say) gets a spoken voice file named after its text:
// "Data/Sounds/Voices/<RUS|ENG>/<FNV-1a of the text>_01.wav"; the voice generator speaks it.
// Lines the player chooses stay silent; a Voice the source names is kept.
bool SaidByUnit(const std::string& kind)
{
    static const char* const kSaid[] = {"TEXTLINE_QUESTION", "TEXTLINE_END_DIALOG_REJECT_COMM",
                                        "TEXTLINE_REQUEST_LANDING_OK", "TEXTLINE_REQUEST_LANDING_TOOFAR",
                                        "TEXTLINE_REQUEST_LANDING_WAIT", "TEXTLINE_GETORDER_OK"};
    for (const char* k : kSaid)
        if (kind == k) return true;
    return kind.rfind("TEXTLINE_TOFRIEND", 0) == 0 || kind.rfind("TEXTLINE_TOENEMY", 0) == 0;
}

void FillVoices(std::vector<std::string>* lines, const char* lang)
{
    auto trimmed = [](const std::string& l, size_t from) {
        std::string v = l.size() > from ? l.substr(from) : std::string();
        while (!v.empty() && (v.back() == ' ' || v.back() == '\r')) v.pop_back();
        return v;
    };
    for (size_t i = 0; i + 2 < lines->size(); ++i) {
        const std::string& line = (*lines)[i];
        std::string& voice = (*lines)[i + 2];
        if (line.rfind("Line ", 0) != 0 || voice.rfind("Voice", 0) != 0) continue;
        const std::string text = trimmed(line, kDialogText);
        if (text.empty() || !SaidByUnit(trimmed((*lines)[i + 1], kLabelColumn)) || !trimmed(voice, kLabelColumn).empty())
            continue;
        uint32_t h = 0x811C9DC5u;
        for (unsigned char c : text) h = (h ^ c) * 0x01000193u;
        char name[96];
        std::snprintf(name, sizeof(name), "Data/Sounds/Voices/%s/%08x_01.wav", lang, h);
        voice = voice.substr(0, kLabelColumn);
        voice.resize(kLabelColumn, ' ');
        voice += name;
    }
}

// Changes "Label=value, Label=value" in both languages; false when a label is not there.
bool Change(Pilot* p, const std::string& changes, std::string* error)
{
    for (const std::string& c : SplitList(changes)) {
        const size_t eq = c.find('=');
        if (eq == std::string::npos) {
            *error = "change \"" + c + "\" is not Label=value";
            return false;
        }
        std::string label = c.substr(0, eq);
        while (!label.empty() && label.back() == ' ') label.pop_back();
        bool found = false;
        for (std::vector<std::string>* lines : {&p->rus, &p->eng})
            for (std::string& l : *lines) {
                std::string head = l.substr(0, kLabelColumn);
                while (!head.empty() && head.back() == ' ') head.pop_back();
                if (head == label && l.size() >= kLabelColumn) {
                    l = l.substr(0, kLabelColumn) + c.substr(eq + 1);
                    found = true;
                    break;
                }
            }
        if (!found) {
            *error = "no line labelled \"" + label + "\"";
            return false;
        }
    }
    return true;
}

} // namespace

DATAGEN_GENERATOR(00_pilot_tables)
{
    Table t;
    std::string error;
    if (!ReadTable(set, "Tables/pilots.csv", &t, &error) || !RequireColumns(t, {"folder", "base", "changes"}, &error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return false;
    }
    std::map<std::string, Pilot> own;
    std::vector<std::string> errors;
    for (int pass = 0; pass < 2; ++pass)
        for (size_t r = 0; r < t.rows.size(); ++r) {
            const std::string& folder = t.Get(r, "folder");
            const std::string& base = t.Get(r, "base");
            if ((pass == 0) != base.empty()) continue;
            Pilot p;
            if (base.empty()) {
                const std::string src = "Tables/Pilots/" + folder + "/Main.pd";
                if (!set.Has(src)) errors.push_back(t.Where(r) + ": no source " + src);
                else if (!Split(set.Text(src), src, &p, &error)) errors.push_back(error);
                own[folder] = p;
            } else {
                auto it = own.find(base);
                if (it == own.end()) {
                    errors.push_back(t.Where(r) + ": base " + base + " is not a pilot with its own source");
                    continue;
                }
                p = it->second;
                for (std::vector<std::string>* lines : {&p.rus, &p.eng})
                    if (lines->size() > 1) (*lines)[1] = "// Pilot: " + folder;
                if (!Change(&p, t.Get(r, "changes"), &error)) errors.push_back(t.Where(r) + ": " + error);
            }
            for (const char* lang : {"RUS", "ENG"}) {
                const std::string path = "Data/Space/Private data." + std::string(lang) + "/" + folder + "/Main.pd";
                std::vector<std::string> lines = lang[0] == 'R' ? p.rus : p.eng;
                FillVoices(&lines, lang);
                if (MayGenerate(set, path, t.path)) set.AddText(path, Join(lines));
            }
        }
    for (const std::string& e : errors) std::fprintf(stderr, "datagen: %s\n", Cp1251ToUtf8(e.c_str()).c_str());
    return errors.empty();
}

DATAGEN_GENERATOR(00_dialog_tables)
{
    static const std::string kRoot = "Tables/Dialogs/";
    std::vector<std::string> errors;
    std::vector<std::pair<std::string, std::string>> sources;
    for (const auto& f : set.files)
        if (f.first.rfind(kRoot, 0) == 0) sources.emplace_back(f.first, set.Text(f.first));
    for (const auto& [src, text] : sources) {
        const std::string rest = src.substr(kRoot.size());
        const size_t slash = rest.find('/');
        const std::string world = slash == std::string::npos ? std::string() : rest.substr(0, slash);
        if (world != "Planet" && world != "Space") {
            errors.push_back(src + ": not under Planet/ or Space/");
            continue;
        }
        Pilot p;
        std::string error;
        if (!Split(text, src, &p, &error)) {
            errors.push_back(error);
            continue;
        }
        for (const char* lang : {"RUS", "ENG"}) {
            const std::string path = "Data/" + world + "/Private data." + lang + rest.substr(slash);
            if (MayGenerate(set, path, src)) set.AddText(path, Join(lang[0] == 'R' ? p.rus : p.eng));
        }
    }
    for (const std::string& e : errors) std::fprintf(stderr, "datagen: %s\n", Cp1251ToUtf8(e.c_str()).c_str());
    return errors.empty();
}
