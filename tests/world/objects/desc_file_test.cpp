#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "app/settings.h"
#include "files/file_manager.h"
#include "world/objects/desc_file.h"
#include "world/objects/game_object.h"

namespace {

// A description-file line: the label padded to the 32-character column, then the value.
std::string L(const std::string& label, const std::string& value = "")
{
    std::string s = label;
    if (s.size() < 32) s.append(32 - s.size(), ' ');
    return s + value;
}

std::string Join(const std::vector<std::string>& lines, const char* eol = "\n")
{
    std::string s;
    for (const std::string& l : lines) s += l + eol;
    return s;
}

class DescFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_SavedUse = g_Settings.useFileManager;
        m_SavedLanguage = g_Settings.language;
        g_Settings.useFileManager = 0;
        char tmpl[] = "/tmp/korvane-desc-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_Dir = tmpl;
    }
    void TearDown() override
    {
        g_Settings.useFileManager = m_SavedUse;
        g_Settings.language = m_SavedLanguage;
        g_ArchiveEntries[0] = m_SavedEntries;
        g_ArchiveEntryCounts[0] = m_SavedCount;
        std::string cmd = "rm -rf '" + m_Dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    // Writes a loose file and returns its path.
    std::string Write(const std::string& name, const std::string& bytes)
    {
        std::string path = m_Dir + "/" + name;
        std::string dir = path.substr(0, path.rfind('/'));
        std::string cmd = "mkdir -p '" + dir + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    // Serves one file from the in-memory Objects archive.
    void ServeFromArchive(const char* name, const std::string& bytes)
    {
        m_Data.assign(bytes.begin(), bytes.end());
        m_Data.push_back(0);
        std::memset(&m_Entry, 0, sizeof m_Entry);
        std::snprintf(m_Entry.name, sizeof m_Entry.name, "%s", name);
        m_Entry.size = uint32_t(bytes.size());
        m_Entry.data = m_Data.data();
        m_SavedEntries = g_ArchiveEntries[0];
        m_SavedCount = g_ArchiveEntryCounts[0];
        g_ArchiveEntries[0] = &m_Entry;
        g_ArchiveEntryCounts[0] = 1;
        g_Settings.useFileManager = 1;
    }

    std::string m_Dir;
    int m_SavedUse = 0, m_SavedLanguage = 0;
    FileArchiveEntry m_Entry{};
    std::vector<char> m_Data;
    FileArchiveEntry* m_SavedEntries = g_ArchiveEntries[0];
    uint32_t m_SavedCount = g_ArchiveEntryCounts[0];
};

}  // namespace

TEST(DescNumbers, ConversionsTakeLeadingNumbersOnly)
{
    EXPECT_EQ(DescToInt("  42abc"), 42);
    EXPECT_EQ(DescToInt("-7"), -7);
    EXPECT_EQ(DescToInt("0050"), 50);
    EXPECT_EQ(DescToInt("abc"), 0);
    EXPECT_EQ(DescToInt(""), 0);
    EXPECT_EQ(DescToInt("99999999999999"), 2147483647);
    EXPECT_EQ(DescToInt("-99999999999999"), -2147483647 - 1);
    EXPECT_FLOAT_EQ(DescToFloat(" 3.5 m"), 3.5f);
    EXPECT_FLOAT_EQ(DescToFloat("-0.25"), -0.25f);
    EXPECT_FLOAT_EQ(DescToFloat("x1"), 0.0f);
    EXPECT_FLOAT_EQ(DescToFloat("1e60"), 0.0f);  // no infinities from a file
}

TEST_F(DescFileTest, ValueStartsAtCharacter33AndShortLinesStayInStep)
{
    std::string path = Write("a.obj", Join({
        L("Name", "Viper Mk2"),
        "Short label",                        // ends inside the label column
        L("Speed", "120"),
        L("Name", std::string(300, 'x')),     // longer than a value field
        L("Count", "7"),
        L("A label that runs past column 32", "tail"),
    }));
    CDescFile f;
    ASSERT_EQ(f.Open(path.c_str()), 1);
    char v[255], label[33];
    f.ReadValueLine(label, v, sizeof v);
    EXPECT_STREQ(v, "Viper Mk2");
    EXPECT_EQ(std::strlen(label), 32u);
    f.ReadText(v, sizeof v);
    EXPECT_STREQ(v, "");
    EXPECT_EQ(f.ReadInt(), 120);
    char small[16];
    f.ReadText(small, sizeof small);
    EXPECT_STREQ(small, "xxxxxxxxxxxxxxx");
    EXPECT_EQ(f.ReadInt(), 7);
    f.ReadText(v, sizeof v);
    EXPECT_STREQ(v, "tail");  // "A label that runs past column 32" is 32 characters
    EXPECT_FALSE(f.Ended());
    f.ReadText(v, sizeof v);
    EXPECT_STREQ(v, "");
    EXPECT_TRUE(f.Ended());
}

TEST_F(DescFileTest, FixedWidthNumberLines)
{
    std::string path = Write("n.obj", Join({
        L("Max speed, speed", "0100 0050"),
        L("Three-char field", "100 50"),   // must be padded to 4: shifts by one
        L("Attenuation", "1.00 0.50 0.25 ignored trailing text"),
        L("Gate colour", "255 128 064"),
        L("Cut short", "0012"),            // the line ends after the first field
        L("Next", "5"),
    }));
    CDescFile f;
    ASSERT_EQ(f.Open(path.c_str()), 1);
    float a = -1, b = -1, c = -1;
    f.ReadTwoNumbers(&a, &b);
    EXPECT_FLOAT_EQ(a, 100.0f);
    EXPECT_FLOAT_EQ(b, 50.0f);
    f.ReadTwoNumbers(&a, &b);
    EXPECT_FLOAT_EQ(a, 100.0f);
    EXPECT_FLOAT_EQ(b, 0.0f);  // separator took the '5'
    f.ReadThreeNumbers(&a, &b, &c);
    EXPECT_FLOAT_EQ(a, 1.0f);
    EXPECT_FLOAT_EQ(b, 0.5f);
    EXPECT_FLOAT_EQ(c, 0.25f);
    f.ReadThreeNumbers(&a, &b, &c, kDescNarrowFieldWidth);
    EXPECT_FLOAT_EQ(a, 255.0f);
    EXPECT_FLOAT_EQ(b, 128.0f);
    EXPECT_FLOAT_EQ(c, 64.0f);
    int i = -1, j = -1;
    f.ReadTwoInts(&i, &j);
    EXPECT_EQ(i, 12);
    EXPECT_EQ(j, 0);
    EXPECT_EQ(f.ReadInt(), 5);  // still in step
}

TEST_F(DescFileTest, ActionAndDerivedLinesCarryTheirKeyInTheLabelColumn)
{
    std::string path = Write("k.obj", Join({
        L("ACTION_MOVE", "00100020walk.wav"),
        L("ACTION_DEAD", "0030"),
        L("DERIVED_TRAIL_1", "Data/Space/Effect/Trail/Main.obj"),
        "DERIVED_TRAIL_1",
        L("Next", "9"),
    }));
    CDescFile f;
    ASSERT_EQ(f.Open(path.c_str()), 1);
    int first = -1, last = -1;
    char sound[255];
    EXPECT_EQ(f.ReadActionLine(&first, &last, sound, sizeof sound), ACTION_MOVE);
    EXPECT_EQ(first, 10);
    EXPECT_EQ(last, 20);
    EXPECT_STREQ(sound, "walk.wav");
    EXPECT_EQ(f.ReadActionLine(&first, &last, sound, sizeof sound), ACTION_DEAD);
    EXPECT_EQ(first, 30);
    EXPECT_EQ(last, 0);
    EXPECT_STREQ(sound, "");
    char path2[255];
    EXPECT_EQ(f.ReadDerivedLine(path2, sizeof path2), DERIVED_TRAIL_1);
    EXPECT_STREQ(path2, "Data/Space/Effect/Trail/Main.obj");
    EXPECT_EQ(f.ReadDerivedLine(path2, sizeof path2), DERIVED_NONE);  // unpadded label
    EXPECT_STREQ(path2, "");
    EXPECT_EQ(f.ReadInt(), 9);
}

TEST_F(DescFileTest, SeparatorKeepsOptionalValues)
{
    std::string path = Write("Main.pd", Join({L("Pitch", "95"), L("//-- end of pilot", ""), "x//--y", L("Pitch", "80")}));
    CDescFile f;
    ASSERT_EQ(f.Open(path.c_str(), FILE_KIND_PRIVATE_DATA), 1);
    int pitch = 100;
    EXPECT_EQ(f.ReadOptionalInt(&pitch), 1);
    EXPECT_EQ(pitch, 95);
    EXPECT_EQ(f.ReadOptionalInt(&pitch), 0);
    EXPECT_EQ(pitch, 95);
    EXPECT_TRUE(f.LastWasSeparator());
    f.SkipLine();
    EXPECT_TRUE(f.LastWasSeparator());
    EXPECT_EQ(f.ReadOptionalInt(&pitch), 1);
    EXPECT_EQ(pitch, 80);
    EXPECT_FALSE(f.LastWasSeparator());
}

namespace {

std::vector<std::string> Header(const std::string& cls, int meshes, int textures, const std::vector<std::string>& tex)
{
    std::vector<std::string> h = {"//////////", L("Description"), "", L("Name", "Cargo pod"),
                                  L("Class", cls), L("Type", "GTYPE_CARGOSYSTEM"), "",
                                  L("Vertex type", "D3D_LVERTEX"), L("Meshes", std::to_string(meshes))};
    for (int i = 0; i < meshes; ++i) h.push_back(L("Mesh", "Data/Misc/Pod" + std::to_string(i) + ".msh"));
    h.push_back(L("Textures", std::to_string(textures)));
    h.push_back(L("Mip levels", "3"));
    for (const std::string& t : tex) h.push_back(L("Texture", t));
    return h;
}

}  // namespace

TEST_F(DescFileTest, CommonHeaderFillsTheObject)
{
    auto lines = Header("GCLASS_ITEM", 2, 3, {"Pod.dds", "", "PodGlow.dds"});
    lines.push_back(L("First own line", "77"));
    std::string path = Write("Items/Pod/Main.obj", Join(lines));
    CDescFile f;
    ASSERT_EQ(f.Open(path.c_str()), 1);
    CGameObject o;
    char name[64];
    int vt = -5;
    ReadObjectHeader(f, &o, name, sizeof name, &vt);
    EXPECT_STREQ(name, "Cargo pod");
    EXPECT_EQ(o.objectClass, unsigned(GCLASS_ITEM));
    EXPECT_EQ(o.kind, GTYPE_CARGOSYSTEM);
    EXPECT_EQ(vt, D3D_LVERTEX);
    EXPECT_EQ(o.meshCount, 2);
    EXPECT_EQ(o.mipLevels, 3);
    EXPECT_STREQ(o.textureNames[0], "Pod.dds");
    EXPECT_STREQ(o.textureNames[1], "");
    EXPECT_EQ(o.textureIds[1], -1);
    EXPECT_STREQ(o.textureNames[2], "PodGlow.dds");
    EXPECT_EQ(f.ReadInt(), 77);
    o.ReleaseMeshes();
    o.ReleaseTextures();
}

TEST_F(DescFileTest, ClassWithTrailingBlankIsNotRecognised)
{
    auto lines = Header("GCLASS_ITEM ", 0, 0, {});
    std::string path = Write("b.obj", Join(lines));
    CDescFile f;
    ASSERT_EQ(f.Open(path.c_str()), 1);
    CGameObject o;
    ReadObjectHeader(f, &o, nullptr, 0, nullptr);
    EXPECT_EQ(o.objectClass, 0u);
    EXPECT_EQ(o.kind, GTYPE_CARGOSYSTEM);
}

TEST_F(DescFileTest, SurplusMeshesAndTexturesAreReadAndDropped)
{
    std::vector<std::string> tex;
    for (int i = 0; i < 70; ++i) tex.push_back("T" + std::to_string(i) + ".dds");
    auto lines = Header("GCLASS_STATIC", 6, 70, tex);
    lines.push_back(L("First own line", "4242"));
    std::string path = Write("s.obj", Join(lines));
    CDescFile f;
    ASSERT_EQ(f.Open(path.c_str()), 1);
    CGameObject o;
    ReadObjectHeader(f, &o, nullptr, 0, nullptr);
    EXPECT_EQ(o.meshCount, kMaxObjectMeshes);
    EXPECT_STREQ(o.textureNames[63], "T63.dds");
    EXPECT_EQ(f.ReadInt(), 4242);  // the file is still in step
    o.ReleaseMeshes();
    o.ReleaseTextures();
}

TEST_F(DescFileTest, HugeCountAtTheEndOfTheFileStops)
{
    std::string path = Write("h.obj", Join({L("Meshes", "2000000000")}));
    CDescFile f;
    ASSERT_EQ(f.Open(path.c_str()), 1);
    EXPECT_EQ(ReadMeshBlock(f, nullptr, 0), kMaxObjectMeshes);
    EXPECT_TRUE(f.Ended());
}

TEST_F(DescFileTest, CrLfLinesReadTheSameLooseAndFromTheArchive)
{
    std::string bytes = Join({L("Class", "GCLASS_SPACE_SHIP"), L("Speed", "0100 0050"), L("Name", "Ship")}, "\r\n");
    for (int archived = 0; archived < 2; ++archived) {
        SCOPED_TRACE(archived ? "archive" : "loose");
        std::string path;
        if (archived) {
            path = "Data/Space/Ship/Main.obj";
            ServeFromArchive(path.c_str(), bytes);
        } else {
            path = Write("crlf.obj", bytes);
        }
        CDescFile f;
        ASSERT_EQ(f.Open(path.c_str()), 1);
        char v[255];
        f.ReadText(v, sizeof v);
        EXPECT_STREQ(v, "GCLASS_SPACE_SHIP");
        EXPECT_EQ(ParseObjectClass(v), unsigned(GCLASS_SPACE_SHIP));
        float a, b;
        f.ReadTwoNumbers(&a, &b);
        EXPECT_FLOAT_EQ(a, 100.0f);
        EXPECT_FLOAT_EQ(b, 50.0f);
        f.ReadText(v, sizeof v);
        EXPECT_STREQ(v, "Ship");
        f.Close();
    }
}

TEST_F(DescFileTest, MissingFileFailsToOpen)
{
    CDescFile f;
    EXPECT_EQ(f.Open((m_Dir + "/none.obj").c_str()), 0);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_TRUE(f.Ended());
    // Reads on a closed file give empty values.
    char v[8] = "junk";
    f.ReadText(v, sizeof v);
    EXPECT_STREQ(v, "");
    EXPECT_EQ(f.ReadInt(), 0);
}

TEST_F(DescFileTest, ItemDescriptionsByLanguage)
{
    std::string obj = Write("Items/Gun/Main.obj", "x\n");
    Write("Items/Gun/Desc_RUS.pd", "Лазерная пушка\n");
    char d[512];
    g_Settings.language = 0;
    ReadItemDescription(obj.c_str(), d, sizeof d);
    EXPECT_STREQ(d, "Лазерная пушка");
    // English is chosen but missing: no data, not the Russian text.
    g_Settings.language = 1;
    ReadItemDescription(obj.c_str(), d, sizeof d);
    EXPECT_STREQ(d, "<нет данных>");
    Write("Items/Gun/Desc_ENG.pd", std::string(600, 'e'));
    ReadItemDescription(obj.c_str(), d, sizeof d);
    EXPECT_EQ(std::strlen(d), 511u);
    char tiny[6];
    ReadItemDescription(obj.c_str(), tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "eeeee");
}

TEST(DescBlockCount, CapsAtTheArrayAndIgnoresNegatives)
{
    EXPECT_EQ(CheckBlockCount(3, 4, "Too many effects!"), 3);
    EXPECT_EQ(CheckBlockCount(4, 4, "Too many effects!"), 4);
    EXPECT_EQ(CheckBlockCount(-2, 4, "Too many effects!"), 0);
}
