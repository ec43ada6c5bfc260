// `datagen --check`: what the scene scripts, loaders and menus of each location name,
// listed in data/Tables/content.csv, one row per need. Every row the built set does not
// meet is printed with its location, what is missing and why; the run does not fail on
// them: each issue that builds a scene or a page adds its content and sees its rows met.
//
// Needs (column need; subject and value as below):
//   unit      subject: object id or range "50-53"; value: ship, station or any
//   kind      subject: a kind code (ObjectType) of which the location holds a unit
//   gatebay   subject: object id of a station or ship that must carry a gate bay (scenes dock there)
//   dialog    subject: private-data folder, or "#id" for the dialog of that unit of the location;
//             value: "type KEY" (a line of that type, KEY a TEXTLINE_ name or a number),
//             "line N" (the line exists) or "line N once" (it is one-shot)
//   longtext  subject: index of a long text that must exist in both languages
//   text      subject: a short text that must have its English pair
//   file      subject: a game path that must open (any archive kind or loose), or a folder
//   pilot     subject: a private-data folder that must exist in both languages
// Location: a folder under Data/Locations.* written "Space/Sector 01" or "Planet/Hero Station",
// with '*' and '?' as wildcards ("Space/Sector *"), or "-" for needs of no location.
#include "../datagen.h"
#include "check_util.h"
#include "../frame.h"
#include "location_check.h"
#include "../tables/tables.h"
#include "unit_check.h"

#include "files/language.h"
#include "locations/pilot_profile.h"

#include <fnmatch.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>

using namespace datagen;

namespace {

struct Need {
    std::string location, need, subject, value, why;
    bool met = false;
};

bool ParseRange(const std::string& s, long* a, long* b)
{
    size_t dash = s.find('-', 1);
    if (dash == std::string::npos) return ParseInt(s, a) && (*b = *a, true);
    return ParseInt(s.substr(0, dash), a) && ParseInt(s.substr(dash + 1), b) && *a <= *b;
}

std::vector<CUnit*> LoadedUnits()
{
    std::vector<CUnit*> out;
    const int w = g_WorldIndex;
    for (uint32_t i = 0; i < CObjectList::unitCount[w]; ++i) {
        CUnit* u = CObjectList::units[w][i];
        if (!u) continue;
        out.push_back(u);
        for (int d = 0; d < u->dockedCount && d < kMaxDocked; ++d)
            if (u->dockedUnits[d]) out.push_back(u->dockedUnits[d]);
    }
    return out;
}

CUnit* FindUnit(long id)
{
    for (CUnit* u : LoadedUnits())
        if (u->pilot.objectId == id) return u;
    return nullptr;
}

bool IsStation(const CUnit* u) { return u->kind == GTYPE_SP_STATION || u->kind == GTYPE_SP_LEAFSTATION; }
bool IsShip(const CUnit* u) { return u->objectClass == GCLASS_SPACE_SHIP && u->kind >= 20000 && u->kind < 21000; }

// Does the dialog hold what the value asks for? Empty value: the dialog has any line.
bool DialogHas(const CRadioDialog& d, const std::string& value)
{
    std::vector<std::string> words = SplitList(value, ' ');
    if (words.empty()) return d.lineCount > 0;
    if (words[0] == "type" && words.size() == 2) {
        long type = 0;
        if (!ParseInt(words[1], &type)) type = DialogLineTypeFromKey(words[1].c_str());
        for (uint32_t i = 0; i < d.lineCount; ++i)
            if (d.lines[i].type == type && type != 0) return true;
        return false;
    }
    long n = -1;
    if (words[0] == "line" && words.size() >= 2 && ParseInt(words[1], &n)) {
        if (n < 0 || (uint32_t)n >= d.lineCount) return false;
        return words.size() < 3 || (words[2] == "once" && d.lines[n].oneShot == 1);
    }
    return false;
}

bool PilotDialogHas(const std::string& folder, const std::string& value)
{
    const int saved = g_Settings.language;
    bool ok = true;
    for (int lang = 0; lang <= 1 && ok; ++lang) {
        g_Settings.language = lang;
        const std::string path = std::string("Data/Space/Private data.") + (lang ? "ENG/" : "RUS/") + folder + "/Main.pd";
        if (!unitcheck::FileExists(path.c_str(), FILE_KIND_PRIVATE_DATA)) {
            ok = false;
            break;
        }
        CUnit* u = new CUnit();
        u->kind = GTYPE_SP_NPCSHIP;
        u->pilot.Load(u, folder.c_str());
        ok = DialogHas(u->radioDialog, value);
        u->Release();
        delete u;
    }
    g_Settings.language = saved;
    return ok;
}

bool AnyFileOpens(const std::string& path)
{
    for (int kind = FILE_KIND_OBJECTS; kind <= FILE_KIND_SOUNDS; kind += 1000)
        if (unitcheck::FileExists(path.c_str(), kind)) return true;
    if (unitcheck::FileExists(path.c_str(), FILE_KIND_PLAIN)) return true;
    // A folder (a font) is there when an archive holds a file inside it.
    const std::string prefix = path + "/";
    for (int a = 0; a < 6; ++a)
        for (uint32_t i = 0; g_ArchiveEntries[a] && i < g_ArchiveEntryCounts[a]; ++i)
            if (std::strncmp(g_ArchiveEntries[a][i].name, prefix.c_str(), prefix.size()) == 0) return true;
    return false;
}

// Needs that hold without a location.
bool MeetsGlobal(const Need& n)
{
    long i = 0;
    if (n.need == "longtext") {
        if (!ParseInt(n.subject, &i) || i < 0 || i >= LANG_LONG_COUNT || i > g_LanguageTables.longCount) return false;
        return g_LanguageTables.longRus[i][0] && g_LanguageTables.longEng[i][0];
    }
    if (n.need == "text") {
        for (int k = 0; k < g_LanguageTables.shortCount; ++k)
            if (n.subject == g_LanguageTables.shortRus[k]) return g_LanguageTables.shortEng[k][0] != 0;
        return false;
    }
    if (n.need == "file") return AnyFileOpens(n.subject);
    if (n.need == "pilot")
        return unitcheck::FileExists(("Data/Space/Private data.RUS/" + n.subject + "/Main.pd").c_str(), FILE_KIND_PRIVATE_DATA) &&
               unitcheck::FileExists(("Data/Space/Private data.ENG/" + n.subject + "/Main.pd").c_str(), FILE_KIND_PRIVATE_DATA);
    if (n.need == "dialog" && !n.subject.empty() && n.subject[0] != '#') return PilotDialogHas(n.subject, n.value);
    return false;
}

// Needs that look at the units of the loaded location.
bool MeetsInLocation(const Need& n)
{
    long a = 0, b = 0;
    if (n.need == "unit") {
        if (!ParseRange(n.subject, &a, &b)) return false;
        for (long id = a; id <= b; ++id) {
            const CUnit* u = FindUnit(id);
            if (!u) return false;
            if (n.value == "ship" && !IsShip(u)) return false;
            if (n.value == "station" && !IsStation(u)) return false;
        }
        return true;
    }
    if (n.need == "kind") {
        if (!ParseInt(n.subject, &a)) return false;
        for (const CUnit* u : LoadedUnits())
            if (u->kind == a) return true;
        return false;
    }
    if (n.need == "gatebay") {
        const CUnit* u = ParseInt(n.subject, &a) ? FindUnit(a) : nullptr;
        // A station's, or a ship's built round a bay (the Ark of sector 12).
        return u && (IsStation(u) || IsShip(u)) && u->FindEffectOfKind(GEFFECT_GATEBAY);
    }
    if (n.need == "dialog" && n.subject.size() > 1 && n.subject[0] == '#') {
        const CUnit* u = ParseInt(n.subject.substr(1), &a) ? FindUnit(a) : nullptr;
        return u && DialogHas(u->radioDialog, n.value);
    }
    return MeetsGlobal(n);
}

std::vector<Need*>* g_Pending = nullptr;

void EvaluateLoaded(std::string*)
{
    for (Need* n : *g_Pending) n->met = MeetsInLocation(*n);
}

bool ReadNeeds(const std::string& sourceDir, std::vector<Need>* needs, std::string* error)
{
    DataSet one;
    std::vector<uint8_t> bytes;
    const std::string path = sourceDir + "/Tables/content.csv";
    if (!ReadWholeFile(path, bytes)) {
        *error = "cannot read " + path;
        return false;
    }
    one.AddText("Tables/content.csv", ToCp1251(std::string(bytes.begin(), bytes.end())));
    Table t;
    if (!ReadTable(one, "Tables/content.csv", &t, error)) return false;
    for (size_t r = 0; r < t.rows.size(); ++r)
        needs->push_back({t.Get(r, "location"), t.Get(r, "need"), t.Get(r, "subject"), t.Get(r, "value"), t.Get(r, "why")});
    return true;
}

} // namespace

DATAGEN_CHECK(content)
{
    std::vector<Need> needs;
    std::string error;
    if (check.sourceDir.empty() || !ReadNeeds(check.sourceDir, &needs, &error)) {
        check.Note("content: " + (error.empty() ? std::string("no source folder") : error));
        return;
    }
    datagen::CheckTextureScope textures;
    // Loaded as the game loads them (cut scenes on, sectors from the default start's saves).
    const GameSettings saved = g_Settings;
    const int savedSlot = g_PilotSlot;
    const std::string saveRoot = loccheck::PrepareCheckSaves();
    g_Settings.cutScenes = saveRoot.empty() ? 0 : 1;
    g_Settings.audio = 0;
    g_PilotSlot = 0;
    SetSaveRoot(saveRoot.c_str());

    // Needs by location folder; "-" needs are checked once.
    std::map<std::string, std::vector<Need*>> byFolder;
    const std::vector<std::string> folders = loccheck::LocationFolders();
    for (Need& n : needs) {
        if (n.location == "-") {
            n.met = MeetsGlobal(n);
            continue;
        }
        bool any = false;
        for (const std::string& f : folders) {
            const std::string tail = f.substr(std::string("Data/Locations.").size());
            if (fnmatch(n.location.c_str(), tail.c_str(), 0) == 0) {
                byFolder[f].push_back(&n);
                any = true;
            }
        }
        if (!any) byFolder["Data/Locations." + n.location].push_back(&n);
    }
    // A need met in one folder of its pattern and missing in another is reported per folder.
    std::vector<std::string> report;
    int total = 0, met = 0;
    for (auto& [folder, list] : byFolder) {
        const bool exists = std::find(folders.begin(), folders.end(), folder) != folders.end();
        std::vector<Need> copies;
        for (Need* n : list) copies.push_back(*n);
        std::vector<Need*> pending;
        for (Need& c : copies) pending.push_back(&c);
        if (exists) {
            g_Pending = &pending;
            loccheck::detail::DumpHook() = EvaluateLoaded;
            std::string unused;
            loccheck::LoadOne(folder, &unused);
            loccheck::detail::DumpHook() = nullptr;
            g_Pending = nullptr;
        }
        const std::string where = folder.substr(std::string("Data/Locations.").size());
        for (const Need& c : copies) {
            ++total;
            if (c.met) {
                ++met;
                continue;
            }
            report.push_back(where + ": " + c.need + " " + c.subject + (c.value.empty() ? "" : " " + c.value) +
                             (exists ? "" : " (no such location)") + ": " + c.why);
        }
    }
    for (const Need& n : needs) {
        if (n.location != "-") continue;
        ++total;
        if (n.met) ++met;
        else report.push_back("(any location): " + n.need + " " + n.subject + (n.value.empty() ? "" : " " + n.value) + ": " + n.why);
    }
    for (const std::string& line : report) check.Note("content to add: " + line);
    check.Note("content: " + std::to_string(met) + " of " + std::to_string(total) + " needs met, " +
               std::to_string(total - met) + " to add (listed above; not a failure)");
    SetSaveRoot(nullptr);
    g_PilotSlot = savedSlot;
    if (!saveRoot.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(saveRoot, ec);
    }
    g_Settings = saved;
}
