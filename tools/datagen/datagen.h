// datagen: the frame of the data build.
//
// HOW TO ADD A GENERATOR
//   In a new file tools/datagen/<thing>.cpp (globbed by CMake, re-run configure):
//
//     #include "datagen.h"
//     DATAGEN_GENERATOR(sounds)                 // name must be a valid identifier
//     {
//         std::vector<uint8_t> wav = MakeWav(...);
//         set.Add("Data/Sounds/Click.wav", std::move(wav));   // path as the game opens it
//         return true;                          // false = build fails (print why to stderr)
//     }
//
//   `set` (datagen::DataSet&) already holds every source file of data/ converted to CP1251
//   (text) or copied (binary) under its game path ("Data/Language.pd"), so a generator can
//   read what the text sources say (set.Get / set.Text) and add what they need.
//   Generators run in the order of their names; use a numeric prefix ("50_meshes") if one
//   must see another's output. Paths use '/', are case-sensitive and start with "Data/"
//   (or any path relative to the game directory). Output must be deterministic.
//   The archive each file goes into is decided by the path rules in pack.cpp (ArchiveFor);
//   add a rule there if a new folder needs a non-default archive.
//
// TABLES (data/Tables/, read with tables.h; never written into the game directory)
//   A game file a table writes may still be given as a source under data/Data: the source is
//   used and the build warns, naming the table to fold it into.
//   ships.csv, weapons.csv, items.csv   every ship, weapon (with its bullet) and system:
//                                       one row each, filled into Tables/Templates/*.obj
//   A new ship or weapon is one row; its values are held to the game's scales
//   (value_scales.h) and the build refuses a row off them.
//   pilots.csv, Pilots/<folder>/Main.pd  pilots' private data, both languages in one source
//                                       ("ENG <text>" under a line), variants as base + changes
//   locations.csv, Locations/          sectors, single missions and network maps: a template per
//                                       kind with each location's overrides
//   objects.csv                         other description files sharing a layout (effects, suns,
//                                       planets, stations, asteroids, planet objects, people)
//   sounds.csv                          every synthesised sound, voice and music piece by recipe
//   content.csv                         what each location's scenes, loaders and menus need
//                                       (units, gate bays, dialog lines, long texts, files):
//                                       `datagen --check` lists the rows not met, without failing
//
// HOW TO ADD A CHECK (run by `datagen --check`)
//
//     DATAGEN_CHECK(fonts)
//     {
//         // runs with the built game directory as the current directory, after
//         // CFileManager::Init() and LoadLanguageData() (g_Settings.useFileManager = 1)
//         if (!LoadSomething("Data/Fonts/Main.fnt")) check.Missing("font Data/Fonts/Main.fnt");
//     }
//
//   check.Missing(what) records something a loader needs and cannot find; the check run
//   prints every missing thing and exits non-zero when there is any. check.Note(text)
//   only prints. check.gameDir is the directory being checked.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace datagen {

// The whole data set, keyed by game path ("Data/Misc/Sphere.msh").
struct DataSet {
    std::map<std::string, std::vector<uint8_t>> files;
    std::string sourceDir;   // the data/ source tree (UTF-8 text), for generators that want it

    // Adds or replaces a file. Backslashes in the path are turned into '/'.
    void Add(const std::string& dataPath, std::vector<uint8_t> bytes);
    // Adds a text already in CP1251 (use ToCp1251 for UTF-8 text).
    void AddText(const std::string& dataPath, const std::string& cp1251);
    bool Has(const std::string& dataPath) const;
    // Null when absent.
    const std::vector<uint8_t>* Get(const std::string& dataPath) const;
    // File bytes as a string (CP1251 for text files); empty when absent.
    std::string Text(const std::string& dataPath) const;
};

using GeneratorFn = bool (*)(DataSet& set);

struct CheckContext {
    std::string gameDir;
    std::string sourceDir;   // the data/ source tree (for checks that read data/Tables)
    std::vector<std::string> missing;
    void Missing(const std::string& what);
    void Note(const std::string& text);
};

using CheckFn = void (*)(CheckContext& check);

// Static registration objects (one per generator or check).
struct GeneratorRegistration {
    GeneratorRegistration(const char* name, GeneratorFn fn);
};
struct CheckRegistration {
    CheckRegistration(const char* name, CheckFn fn);
};

struct NamedGenerator { std::string name; GeneratorFn fn; };
struct NamedCheck { std::string name; CheckFn fn; };
// Registered generators and checks, sorted by name.
std::vector<NamedGenerator> Generators();
std::vector<NamedCheck> Checks();

// UTF-8 -> CP1251. Characters without a CP1251 form become '?' and set *ok false.
std::string ToCp1251(const std::string& utf8, bool* ok = nullptr);

} // namespace datagen

#define DATAGEN_GENERATOR(name)                                                         \
    static bool datagen_gen_##name(datagen::DataSet& set);                             \
    static datagen::GeneratorRegistration datagen_genreg_##name(#name, datagen_gen_##name); \
    static bool datagen_gen_##name([[maybe_unused]] datagen::DataSet& set)

#define DATAGEN_CHECK(name)                                                             \
    static void datagen_chk_##name(datagen::CheckContext& check);                      \
    static datagen::CheckRegistration datagen_chkreg_##name(#name, datagen_chk_##name); \
    static void datagen_chk_##name([[maybe_unused]] datagen::CheckContext& check)
