// The data build's tables: the project's ship, weapon and item tables build, and a row
// off the game's scales or naming what no table holds is refused with its line.
#include "../../tools/datagen/frame.h"
#include "../../tools/datagen/tables/tables.h"

#include <gtest/gtest.h>

#include <cstdio>

// The generator under test is built in here; the frame comes with datagen_test.cpp.
#include "../../tools/datagen/tables/object_tables.cpp"
#include "../../tools/datagen/tables/pilot_tables.cpp"
#include "../../tools/datagen/tables/location_tables.cpp"
#include "../../tools/datagen/tables/tables.cpp"

namespace {

bool RunGenerator(bool (*gen)(datagen::DataSet&), datagen::DataSet& set, std::string* stderrText)
{
    // The generator reports on stderr; keep it for the assertions.
    std::fflush(stderr);
    char path[] = "/tmp/korvane-tables-XXXXXX";
    int fd = mkstemp(path);
    int saved = dup(2);
    dup2(fd, 2);
    bool ok = gen(set);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::vector<uint8_t> bytes;
    datagen::ReadWholeFile(path, bytes);
    close(fd);
    std::remove(path);
    stderrText->assign(bytes.begin(), bytes.end());
    return ok;
}

bool RunObjectTables(datagen::DataSet& set, std::string* stderrText)
{
    return RunGenerator(datagen_gen_00_object_tables, set, stderrText);
}

datagen::DataSet ProjectSources()
{
    datagen::DataSet set;
    EXPECT_TRUE(datagen::LoadSources(std::string(KORVANE_SOURCE_DIR) + "/data", set));
    return set;
}

void ReplaceInTable(datagen::DataSet& set, const std::string& path, const std::string& from, const std::string& to)
{
    std::string t = set.Text(path);
    size_t at = t.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    t.replace(at, from.size(), to);
    set.AddText(path, t);
}

} // namespace

TEST(DatagenTables, TheProjectsTablesBuildEveryShipItemAndBullet)
{
    datagen::DataSet set = ProjectSources();
    std::string err;
    ASSERT_TRUE(RunObjectTables(set, &err)) << err;
    for (const char* path : {"Data/Space/Ship/Raptor.M2/Main.obj", "Data/Space/Ship/Raptor.M2/Main_H.obj",
                             "Data/Space/Ship/UFO-Leaf 05/Main.obj", "Data/Space/Item/Rocket Weapon/ML M9/Desc_ENG.pd",
                             "Data/Space/Item/System/Cargo M1/Main.obj", "Data/Space/Bullet/Missile M9/Main.obj"})
        EXPECT_TRUE(set.Has(path)) << path;
    EXPECT_EQ(set.Text("Data/Space/Ship/Raptor.M2/Main_H.obj").find("{"), std::string::npos);
    EXPECT_NE(set.Text("Data/Space/Ship/Raptor.M2/Main_H.obj").find("GTYPE_SP_HEROSHIP"), std::string::npos);
    EXPECT_NE(set.Text("Data/Space/Ship/Raptor.M2/Main.obj").find("GTYPE_SP_NPCSHIP"), std::string::npos);
}

TEST(DatagenTables, RowsOffTheScalesOrNamingNothingAreRefused)
{
    struct Case {
        const char* table;
        const char* from;
        const char* to;
        const char* message;
    } cases[] = {
        {"Tables/ships.csv", "Cobra M2;120;", "Cobra M2;300;", "hull 300 outside (0, 250)"},
        {"Tables/ships.csv", "Cobra M2;120;200;100;", "Cobra M2;120;200;195;", "engine 195 outside (0, 150)"},
        {"Tables/ships.csv", "Cobra M2;120;200;100;2.5;", "Cobra M2;120;200;100;1.4;", "manoeuvring 1.4 outside (2, 11]"},
        {"Tables/ships.csv", "Laser M1, Laser M1, RL M1", "Laser M1, Laser X1, RL M1", "item Laser X1 is in neither"},
        {"Tables/weapons.csv", "GTYPE_LASER_WEAPON;Data/Sounds/Space/Units/Laser_01.wav;1600;1250;0.57",
         "GTYPE_LASER_WEAPON;Data/Sounds/Space/Units/Laser_01.wav;1600;850;0.57", "shot speed must be its bolt's speed"},
        {"Tables/weapons.csv", ";1600;1250;0.57;", ";1600;1250;0.2;", "laser reload 0.2 outside (0.2, 60]"},
        {"Tables/weapons.csv", ";1600;1250;0.57;", ";2600;1250;0.57;", "range 2600 beyond what its bullet reaches"},
        {"Tables/weapons.csv", "Laser M1;bolt;1;2;", "Laser M1;bolt;1;0;", "bullet damage 0 outside [1, 9999]"},
        {"Tables/weapons.csv", "bullet_template;bullet_look;", "bullet_template;bullet_lok;", "has no column \"bullet_look\""},
        {"Tables/weapons.csv", "Laser M1;bolt;1;2;", "Laser M1;bolt;1;2;;", "19 columns instead of 18"},
        // A cargo bay is held to its scale where a ship carries it.
        {"Tables/items.csv", "GTYPE_CARGOSYSTEM;;0;0;200;", "GTYPE_CARGOSYSTEM;;0;0;1200;",
         ": item Cargo M1 cargo capacity 1200 outside [0, 1000)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        datagen::DataSet set = ProjectSources();
        ReplaceInTable(set, c.table, c.from, c.to);
        std::string err;
        EXPECT_FALSE(RunObjectTables(set, &err));
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
        // Every refusal names the table, and the line of the row where there is one.
        EXPECT_NE(err.find(".csv"), std::string::npos) << err;
    }
}

TEST(DatagenTables, PilotsComeInBothLanguagesAndVariantsFromTheirBase)
{
    datagen::DataSet set = ProjectSources();
    std::string err;
    ASSERT_TRUE(RunGenerator(datagen_gen_00_pilot_tables, set, &err)) << err;
    const std::string rus = set.Text("Data/Space/Private data.RUS/Human/Hero station/Main.pd");
    const std::string eng = set.Text("Data/Space/Private data.ENG/Human/Hero station/Main.pd");
    EXPECT_NE(rus.find("Second text                     \xD1\xF2\xE0\xED\xF6\xE8\xFF"), std::string::npos);   // "Станция"
    EXPECT_NE(eng.find("Second text                     Station"), std::string::npos);
    EXPECT_EQ(eng.find("ENG "), std::string::npos);
    // A range variant is its base with its own name line and its own skill.
    std::string base = set.Text("Data/Space/Private data.ENG/Human/Neutral/Fighter/Main.pd");
    const std::string variant = set.Text("Data/Space/Private data.ENG/Human/Neutral/Fighter.S06-08/Main.pd");
    base.replace(base.find("// Pilot: Human/Neutral/Fighter"), 31, "// Pilot: Human/Neutral/Fighter.S06-08");
    base.replace(base.find("Skill                           RANDOM_SKILL"), 44, "Skill                           50");
    EXPECT_EQ(variant, base);

    datagen::DataSet bad = ProjectSources();
    ReplaceInTable(bad, "Tables/pilots.csv", "Fighter;Skill=50", "Fighter;Skil=50");
    EXPECT_FALSE(RunGenerator(datagen_gen_00_pilot_tables, bad, &err));
    EXPECT_NE(err.find("no line labelled \"Skil\""), std::string::npos) << err;
}

// The planet people's dialogs and a few space ones: one source holds both languages, so
// no Russian or English file is written by hand beside it, and the two files it makes
// differ only in their texts.
TEST(DatagenTables, EveryTwoLanguageDialogComesFromOneSource)
{
    datagen::DataSet set = ProjectSources();
    for (const auto& f : set.files)
        EXPECT_TRUE(f.first.find("/Private data.RUS/") == std::string::npos &&
                    f.first.find("/Private data.ENG/") == std::string::npos)
            << f.first << " is written by hand";
    std::string err;
    ASSERT_TRUE(RunGenerator(datagen_gen_00_dialog_tables, set, &err)) << err;

    struct Case {
        const char* path;     // under Data/<world>/Private data.<language>/
        const char* english;  // a line of the English file
    };
    const Case cases[] = {
        {"Planet|Human/Intro 01/Guide/Main.pd", nullptr},
        {"Planet|Human/Intro 02/Captain/Main.pd", nullptr},
        {"Planet|Human/Mercenaries/Merc 01/Main.pd", nullptr},
        {"Planet|Human/Mercenaries/Merc 02/Main.pd", nullptr},
        {"Planet|Human/Pilot/Man.pd", nullptr},
        {"Planet|Human/Pilot/Woman.pd", nullptr},
        {"Planet|Human/Station Intro 01/Guide/Main.pd", nullptr},
        {"Planet|Human/Station/Operator/Main.pd", "Line 0                                   1Glad to see you on the station, pilot."},
        {"Planet|Human/Station/Passer-by/Main.pd", nullptr},
        {"Planet|Human/Station/Technician/Main.pd", nullptr},
        {"Space|Human/Hero station.Sector 12/Main.pd", nullptr},
        {"Space|Human/Intro 01/Escort/Main.pd", nullptr},
        {"Space|Human/Sector 12/Ark/Main.pd", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string p = c.path;
        const std::string world = p.substr(0, p.find('|')), rest = p.substr(p.find('|') + 1);
        const std::string rus = set.Text("Data/" + world + "/Private data.RUS/" + rest);
        const std::string eng = set.Text("Data/" + world + "/Private data.ENG/" + rest);
        ASSERT_FALSE(rus.empty());
        ASSERT_FALSE(eng.empty());
        EXPECT_EQ(eng.find("\nENG "), std::string::npos);
        if (c.english) {
            EXPECT_NE(eng.find(c.english), std::string::npos);
        }
        // Line for line the same file: labels, types and replies agree, texts differ.
        const std::vector<std::string> r = Lines(rus), e = Lines(eng);
        ASSERT_EQ(r.size(), e.size());
        for (size_t i = 0; i < r.size(); ++i) {
            const size_t k = r[i].rfind("Line ", 0) == 0 ? kDialogText : kLabelColumn;
            EXPECT_EQ(r[i].substr(0, k), e[i].substr(0, k)) << "line " << i + 1;
        }
    }
    EXPECT_EQ(set.files.size(), ProjectSources().files.size() + 2 * std::size(cases));
}

TEST(DatagenTables, LocationsAreTheirTemplateWithTheirOverrides)
{
    datagen::DataSet set = ProjectSources();
    std::string err;
    ASSERT_TRUE(RunGenerator(datagen_gen_00_location_tables, set, &err)) << err;
    const std::string s6 = set.Text("Data/Locations.Space/Sector 06/Main.loc");
    EXPECT_EQ(s6.rfind("//------------------------------------------------------------\n// Location: Sector 06\n", 0), 0u);
    // An added object stands where the override puts it: after object 2, before object 5.
    const size_t two = s6.find("Object id                       2\n"), three = s6.find("Object id                       3\n"),
                 five = s6.find("Object id                       5\n");
    EXPECT_TRUE(two < three && three < five) << two << " " << three << " " << five;
    // A changed line replaces the template's; the rest of the block stays.
    EXPECT_NE(s6.find("Object id                       5\nDescription                     Data/Space/Static/Planet 01/Main.obj\n"
                      "Private data                    \nPosition                        11000.0"), std::string::npos);
    // Sector 4 drops the convoy of the template.
    EXPECT_EQ(set.Text("Data/Locations.Space/Sector 04/Main.loc").find("Object id                       50\n"), std::string::npos);

    datagen::DataSet bad = ProjectSources();
    std::string o = bad.Text("Tables/Locations/Space/Sector 06.loc");
    o.replace(o.find("Description                     Data/Space/Static/Sun 01"), 11, "Descriptio ");
    bad.AddText("Tables/Locations/Space/Sector 06.loc", o);
    EXPECT_FALSE(RunGenerator(datagen_gen_00_location_tables, bad, &err));
    EXPECT_NE(err.find("has no line labelled \"Descriptio\""), std::string::npos) << err;
}
