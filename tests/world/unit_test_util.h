// Shared fixture of the unit, item and attached-effect tests: loose files in a fresh
// directory, written in the description-file columns.
#pragma once

#include "files/files_test_util.h"
#include "locations/location_director.h"
#include "world/game_clock.h"
#include "world/objects/unit.h"
#include "world/world.h"

#include <string>
#include <vector>

#include "../../tools/datagen/models/mesh_builder.h"

inline std::string Col(const std::string& label, const std::string& value = "")
{
    std::string l = label.size() < 32 ? label + std::string(32 - label.size(), ' ') : label.substr(0, 32);
    return l + value + "\n";
}

inline std::string Sep() { return "//------------------------------------------------\n"; }

struct UnitText {
    std::string name = "Test";
    std::string cls = "GCLASS_SPACE_SHIP";
    std::string kind = "GTYPE_SP_NPCSHIP";
    std::string vertex = "D3D_VERTEX";
    std::vector<std::string> meshes;
    std::vector<std::string> textures;
    std::string hullLine = "0400 350";
    std::string rating = "120";
    std::string engineLine = "0150 20";
    std::string manoeuvring = "2.0";
    std::string shot = "7";
    std::vector<std::string> effects;   // whole blocks, each with its leading skipped line
    int effectCount = -1;               // -1: effects.size()
    std::vector<std::string> items;
    int itemCount = -1;
    std::vector<std::string> actions;   // whole lines
    int actionCount = -1;
    std::vector<std::string> derived;   // whole lines
    int derivedCount = -1;
    std::string tail;                   // lines after the last separator

    std::string Text() const
    {
        std::string s = Sep() + "// test unit\n" + Sep();
        s += Col("Name", name) + Col("Class", cls) + Col("Type", kind) + Sep();
        s += Col("Vertex type", vertex) + Col("Meshes", std::to_string(meshes.size()));
        for (auto& m : meshes) s += Col("Mesh", m);
        s += Col("Textures", std::to_string(textures.size())) + Col("Mip levels", "0");
        for (auto& t : textures) s += Col("Texture", t);
        s += Sep() + Col("Hull", hullLine) + Col("Rating", rating) + Col("Engine", engineLine) +
             Col("Manoeuvring", manoeuvring) + Col("Shot", shot);
        s += Sep() + Col("Effects", std::to_string(effectCount < 0 ? (int)effects.size() : effectCount));
        for (auto& e : effects) s += e;
        s += Sep() + Col("Items", std::to_string(itemCount < 0 ? (int)items.size() : itemCount));
        for (auto& i : items) s += Col("Item", i);
        s += Sep() + Col("Actions", std::to_string(actionCount < 0 ? (int)actions.size() : actionCount));
        for (auto& a : actions) s += a;
        s += Sep() + Col("Derived", std::to_string(derivedCount < 0 ? (int)derived.size() : derivedCount));
        for (auto& d : derived) s += d;
        s += Sep() + tail;
        return s;
    }
};

inline std::string EffectBlock(const std::string& kind, const std::vector<std::string>& meshes = {},
                               const std::vector<std::string>& textures = {}, const std::string& sound = "",
                               const std::string& colourLine = "")
{
    std::string s = Sep() + Col("Class", "GCLASS_EFFECT") + Col("Type", kind);
    if (!colourLine.empty()) s += Col("Colour", colourLine);
    s += Col("Vertex type", "D3D_LVERTEX") + Col("Meshes", std::to_string(meshes.size()));
    for (auto& m : meshes) s += Col("Mesh", m);
    s += Col("Textures", std::to_string(textures.size())) + Col("Mip levels", "0");
    for (auto& t : textures) s += Col("Texture", t);
    s += Col("Sound", sound);
    return s;
}

// An effect object's description file: one mesh, the values, then its effect blocks and
// action lines.
struct EffectObjectText {
    std::string name = "Fx";
    std::string kind = "GEFFECT_EXPLODE";
    std::vector<std::string> textures;
    std::string alive = "1";
    std::string damage = "0";
    std::string growth = "1.0";
    std::string inertia = "1.0";
    std::string life = "1.0";
    std::vector<std::string> effects;   // whole blocks, each with its leading skipped line
    std::vector<std::string> actions;   // whole lines

    std::string Text() const
    {
        std::string s = Sep() + "// effect\n" + Sep();
        s += Col("Name", name) + Col("Class", "GCLASS_EFFECT") + Col("Type", kind) + Sep();
        s += Col("Vertex type", "D3D_LVERTEX") + Col("Meshes", "1") + Col("Mesh", "Data/T/Door.msh");
        s += Col("Textures", std::to_string(textures.size())) + Col("Mip levels", "0");
        for (auto& t : textures) s += Col("Texture", t);
        s += Sep() + Col("Alive", alive) + Col("Damage", damage) + Col("Growth", growth) +
             Col("Tumble inertia", inertia) + Col("Life time", life) + Sep();
        s += Col("Effects", std::to_string(effects.size()));
        for (auto& e : effects) s += e;
        s += Sep() + Col("Actions", std::to_string(actions.size()));
        for (auto& a : actions) s += a;
        s += Sep();
        return s;
    }
};

inline std::string LightBlock()
{
    return Sep() + Col("Class", "GCLASS_EFFECT") + Col("Type", "GEFFECT_LIGHTSOURCE") + Col("Range", "750") +
           Col("Attenuation", "1.00 0.50 0.25") + Col("Colour 1", "0.50 0.25 1.00") + Col("Colour 2", "0.10 0.20 0.30");
}

inline std::string ItemText(const std::string& kind, const std::string& ammoLine = "0010 0007",
                            const std::vector<std::string>& bullets = {})
{
    std::string s = Sep() + "// item\n" + Sep() + Col("Name", "Gun") + Col("Class", "GCLASS_ITEM") + Col("Type", kind) + Sep();
    s += Col("Vertex type", "D3D_VERTEX") + Col("Meshes", "0") + Col("Textures", "0") + Col("Mip levels", "0");
    s += Col("Fire sound", "") + Sep() + Col("Range", "1500") + Col("Shot speed", "800.5") + Col("Capacity", "200") +
         Col("Reload", "0.5") + Col("Ammo", ammoLine) + Sep() + Col("Bullets", std::to_string(bullets.size()));
    for (auto& b : bullets) s += Col("Bullet", b);
    s += Sep();
    return s;
}

// A camera's eye, look-at point and up vector, put back after a test that moves it.
struct SavedView {
    Vec3 eye, lookAt, up;
    void Save(const CCamera& c)
    {
        eye = c.eye;
        lookAt = c.lookAt;
        up = c.up;
    }
    void Restore(CCamera& c) const { c.SetMatrices(eye, lookAt, up); }
};

class UnitFilesTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        savedMode_ = g_GameMode;
        savedWorld_ = g_WorldIndex;
        savedKind_ = g_LocationKind;
        savedLocation_ = g_LocationDirector.locationId;
        g_Settings.language = 0;
        g_Settings.audio = 0;
        g_GameMode = 1;
        g_WorldIndex = 1;
        g_LocationKind = 1;
        g_GameClock.Reset();
        WriteTestMeshes();
        Start(0);
    }
    void TearDown() override
    {
        g_GameMode = savedMode_;
        g_WorldIndex = savedWorld_;
        g_LocationKind = savedKind_;
        g_LocationDirector.locationId = savedLocation_;
        FilesTest::TearDown();
    }
    // A ship mesh with two laser and two rocket points, and a door of five frames.
    static void WriteTestMeshes()
    {
        auto bytes = [](const meshgen::Model& m) {
            auto v = meshgen::Serialize(m);
            return std::string(v.begin(), v.end());
        };
        WriteFile("Data/T/Ship.msh", bytes(meshgen::MakeFighter()));
        meshgen::Model door = meshgen::MakeGateBay();
        door.frames.assign(5, door.frames[0]);
        WriteFile("Data/T/Door.msh", bytes(door));
    }
    // A unit of the kind with the test ship's mesh and a 1000 hull, written at path,
    // loaded with the id and its parts updated; not in the object list.
    CUnit* LoadShip(const char* kind, const std::string& path, int id)
    {
        UnitText t;
        t.kind = kind;
        t.meshes = {"Data/T/Ship.msh"};
        t.hullLine = "1000 1000";
        WriteFile(path, t.Text());
        CUnit* u = new CUnit();
        EXPECT_EQ(u->Load(path.c_str(), id), 1);
        u->UpdateParts();
        return u;
    }
    int savedMode_ = 0, savedWorld_ = 0, savedKind_ = 0, savedLocation_ = 0;
};
