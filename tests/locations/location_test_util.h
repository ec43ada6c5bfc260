// Shared pieces of the location tests: Main.loc texts written in the format's columns,
// and a fixture with a small set of units (loose files in a fresh directory).
#pragma once

#include "world/unit_test_util.h"
#include "dataset_util.h"

#include "audio/audio_manager.h"
#include "locations/location_director.h"
#include "locations/location_file.h"
#include "locations/location_loader.h"
#include "flight_ui/subtitles.h"
#include "net/network.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "world/object_list.h"
#include "world/objects/unit.h"
#include "world/world.h"

#include <cstdio>
#include <string>
#include <vector>

inline std::string LocNum(double v, int width = 7)
{
    char b[64];
    std::snprintf(b, sizeof b, "%*.1f", width, v);
    if ((int)std::string(b).size() > width) std::snprintf(b, sizeof b, "%*.0f", width, v);
    return b;
}

inline std::string LocTriple(const std::string& label, double x, double y, double z)
{
    return Col(label, LocNum(x) + " " + LocNum(y) + " " + LocNum(z));
}

inline std::string LocHead() { return Sep() + "// section\n" + Sep(); }
inline const char* kLocEnd = "///////////////////\n";
inline const char* kLocDash = "--------------------------------\n";

inline std::string MusicBlock(std::vector<std::string> calm = {"Data/Music/Space/Calm 01.wav"},
                              std::vector<std::string> battle = {"Data/Music/Space/Battle 01.wav"})
{
    std::string s = "Calm music\n" + std::to_string(calm.size()) + "\n";
    for (auto& c : calm) s += c + "\n";
    s += "Battle music\n" + std::to_string(battle.size()) + "\n";
    for (auto& b : battle) s += b + "\n";
    return s + Sep() + Sep() + Sep();
}

// A space Main.loc put together section by section.
struct SpaceLoc {
    std::vector<std::string> lights;
    std::string objects, orders, groups, fields;
    std::string music = MusicBlock();
    int lightCount = -1;

    SpaceLoc& Light(int r, int g, int b)
    {
        char t[32];
        std::snprintf(t, sizeof t, "%03d %03d %03d", r, g, b);
        lights.push_back(Col("Light", t));
        return *this;
    }
    SpaceLoc& Object(int id, const std::string& path, const std::string& pilot, double x, double y, double z,
                     double rx = 0, double ry = 0, double rz = 0)
    {
        objects += Col("Object id", std::to_string(id)) + Col("Description", path) + Col("Private data", pilot) +
                   LocTriple("Position", x, y, z) + LocTriple("Rotation", rx, ry, rz) + kLocDash;
        return *this;
    }
    SpaceLoc& Order(int unit, int target, const std::string& action, const std::string* interior = nullptr,
                    const std::string& second = "")
    {
        orders += Col("Unit id", std::to_string(unit)) + Col("Target id", std::to_string(target)) +
                  LocTriple("Point", 10, 20, 30) + Col("Order", action);
        if (interior) orders += Col("Interior", *interior) + Col("Second text", second);
        orders += kLocDash;
        return *this;
    }
    SpaceLoc& Group(const std::string& path, const std::string& pilot, int from, int to, const std::string& action,
                    int count)
    {
        groups += Col("Ship", path) + Col("Private data", pilot) + Col("From id", std::to_string(from)) +
                  Col("To id", std::to_string(to)) + Col("Order", action) + Col("Number", std::to_string(count)) +
                  kLocDash;
        return *this;
    }
    SpaceLoc& Field(double x, double y, double z, double inner, double outer, int count)
    {
        char a[32], b[32];
        std::snprintf(a, sizeof a, "%g", inner);
        std::snprintf(b, sizeof b, "%g", outer);
        fields += LocTriple("Centre", x, y, z) + Col("Inner", a) + Col("Outer", b) + Col("Name", "Field") +
                  Col("Number", std::to_string(count)) + kLocDash;
        return *this;
    }
    std::string Text() const
    {
        std::string s = Sep() + "// test location\n" + Sep();
        s += Col("Lights", std::to_string(lightCount < 0 ? (int)lights.size() : lightCount));
        for (auto& l : lights) s += l;
        s += LocHead() + objects + kLocEnd;
        s += LocHead() + orders + kLocEnd;
        s += LocHead() + groups + kLocEnd;
        s += LocHead() + fields + kLocEnd;
        s += LocHead() + music;
        return s;
    }
};

inline std::string PlanetLoc(int light, const std::string& ambient, const std::vector<std::string>& blocks,
                             int count = -1)
{
    std::string s = Sep() + "// planet\n" + Sep() + Col("Light", std::to_string(light)) + Col("Ambient", ambient) +
                    Sep() + Col("Objects", std::to_string(count < 0 ? (int)blocks.size() : count)) + Sep();
    for (auto& b : blocks) s += b;
    return s + Sep() + Sep() +
           MusicBlock({"Data/Music/Planet/Calm 01.wav"}, {"Data/Music/Planet/Battle 01.wav"});
}

inline std::string PlanetBlock(const std::string& path, double x, double y, double z, double s = 1.0)
{
    auto t = [](const std::string& label, double a, double b, double c) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "%8.2f %8.2f %8.2f", a, b, c);
        return Col(label, buf);
    };
    return Col("Description", path) + t("Position", x, y, z) + t("Rotation", 0, 0, 0) + t("Scale", s, s, s) + kLocDash;
}

// Units of the test locations: loose descriptions over the fixture's test meshes.
class LocationTest : public UnitFilesTest {
protected:
    void SetUp() override
    {
        UnitFilesTest::SetUp();
        devices_.Install(true);
        savedCutScenes_ = g_Settings.cutScenes;
        g_Settings.cutScenes = 0;
        g_Network.session.Init();
        g_NetRandomSeed = 0;
        CSubtitles::Clear();
        WriteUnits();
        g_World.ResetForLocation();
    }
    void TearDown() override
    {
        for (int w = 0; w < 2; ++w) {
            g_WorldIndex = w;
            g_LocationKind = w;
            g_World.UnloadLocation();
        }
        g_PlayerObject = nullptr;
        g_HeroStation = nullptr;
        g_Network.session.Init();
        g_NetRandomSeed = 0;
        CSubtitles::Clear();
        g_Settings.cutScenes = savedCutScenes_;
        devices_.Remove();
        UnitFilesTest::TearDown();
    }

    static void WriteUnit(const std::string& path, const std::string& cls, const std::string& kind,
                          const std::vector<std::string>& items = {})
    {
        UnitText u;
        u.cls = cls;
        u.kind = kind;
        u.meshes = {"Data/T/Ship.msh"};
        u.items = items;
        WriteFile(path, u.Text());
    }
    static void WritePilot(const std::string& folder, const std::string& side)
    {
        std::string s = Sep() + "// pilot\n" + Sep() + Col("Title", "FROM_OBJECT") + Col("Second", "x") +
                        Col("Marker", "Pilot") + Col("Sex", "MAN") + Col("Name", "Test") + Col("Side", side) +
                        Col("Skill", "50") + Col("Skill 2", "50") + Col("Head mesh") + Col("Head texture") +
                        Col("Head text") + Col("Voice pitch", "110") + Sep();
        WriteFile("Data/Space/Private data.RUS/" + folder + "/Main.pd", s);
    }
    static void WriteUnits()
    {
        WriteUnit("Data/U/Sky/Main.obj", "GCLASS_SPACE_SKY", "GTYPE_NOTDEFINED");
        WriteUnit("Data/U/Sun/Main.obj", "GCLASS_SPACE_OBJECT", "GTYPE_SP_STAR");
        WriteUnit("Data/U/Station/Main.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_STATION");
        WriteUnit("Data/U/Hero/Main.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_HEROSHIP");
        WriteUnit("Data/U/Ship/Main.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_NPCSHIP");
        for (int k = 1; k <= 3; ++k) WriteUnit("Data/U/Leaf 0" + std::to_string(k) + "/Main.obj", "GCLASS_SPACE_SHIP",
                                               "GTYPE_SP_LEAFSHIP");
        WriteUnit("Data/Space/Static/Asteroid 01/Main.obj", "GCLASS_SPACE_OBJECT", "GTYPE_SP_ASTEROID");
        WriteUnit("Data/Space/Ship/Mine 01/Main.obj", "GCLASS_SPACE_SHIP", "GTYPE_SP_STATION");
        WriteUnit("Data/P/Hero/Main.obj", "GCLASS_CHARACTER_HERO", "GTYPE_NPC");
        WritePilot("Human/Hero", "WORLD_STATUS_NEUTRAL");
        WritePilot("Human/Station", "WORLD_STATUS_NEUTRAL");
        WritePilot("Aliens/Leafs", "WORLD_STATUS_ALIEN");
        WritePilot("Human/Mining.Source", "WORLD_STATUS_NEUTRAL");
        WriteFile("Data/Music/Space/Calm 01.wav", "RIFF");
        WriteFile("Data/Music/Space/Battle 01.wav", "RIFF");
        WriteFile("Data/Music/Planet/Calm 01.wav", "RIFF");
        WriteFile("Data/Music/Planet/Battle 01.wav", "RIFF");
        WriteFile("Data/Locations.Planet/Inside/Main.loc", PlanetLoc(1, "080 080 090", {}));
    }

    // Loads a space location from text into the space world; the missing reports are collected.
    void LoadSpace(const std::string& text, const std::string& folder = "Data/Locations.Space/Test")
    {
        WriteFile(folder + "/Main.loc", text);
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_World.ResetForLocation();
        missing_.clear();
        g_LocationMissingHook = &LocationTest::Collect;
        sink_ = &missing_;
        g_World.LoadLocation(folder.c_str());
        g_LocationMissingHook = nullptr;
        sink_ = nullptr;
    }
    static void Collect(const char* what)
    {
        if (sink_) sink_->push_back(what);
    }
    static int CountKind(int kind)
    {
        int n = 0;
        for (int i = 0; i < CObjectList::Count(); ++i)
            if (CObjectList::units[g_WorldIndex][i]->kind == kind) ++n;
        return n;
    }
    // A simple scene: sky, a star, a station with its interior, the hero ship.
    static SpaceLoc BasicScene()
    {
        static const std::string interior = "Data/Locations.Planet/Inside";
        SpaceLoc loc;
        loc.Light(255, 128, 0)
            .Object(1, "Data/U/Sky/Main.obj", "", 0, 0, 0)
            .Object(2, "Data/U/Sun/Main.obj", "", -30000, 12000, 40000)
            .Object(1000, "Data/U/Station/Main.obj", "Human/Station", 0, 0, 0)
            .Object(20, "Data/U/Hero/Main.obj", "Human/Hero", 0, -1500, -3000, 0, 90, 0)
            .Order(1000, -1, "ACTION_STAY", &interior, "Home");
        return loc;
    }

    inline static std::vector<std::string>* sink_ = nullptr;
    std::vector<std::string> missing_;
    testutil::NullDeviceSwap devices_;
    int savedCutScenes_ = 1;
};
