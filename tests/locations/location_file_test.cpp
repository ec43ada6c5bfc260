// Main.loc read in its fixed columns: widths, end lines, the station orders' optional
// texts, CR LF, malformed and over-long lines, the counting pass and "#k" ship models.
#include "location_test_util.h"

#include <gtest/gtest.h>

namespace {

class LocationFileTest : public FilesTest {
protected:
    void SetUp() override
    {
        FilesTest::SetUp();
        Start(0);
    }
    // Opens the text as a loose file and positions on its first line.
    void OpenText(const std::string& text, const std::string& path = "Data/Locations.Space/T/Main.loc")
    {
        WriteFile(path, text);
        ASSERT_TRUE(file_.Open(path.c_str()));
        ASSERT_TRUE(file_.NextLine());
    }
    CLocationFile file_;
};

TEST_F(LocationFileTest, StaticObjectReadsFixedColumns)
{
    OpenText(Col("Object id", "1000") + Col("Description", "Data/U/Station/Main.obj") + Col("Private data", "Human/Station") +
             LocTriple("Position", -9999.5, 12000, 7) + LocTriple("Rotation", 0, 90, -45) + kLocDash + "//\n");
    LocStaticObject o;
    ASSERT_EQ(file_.ReadStaticObject(&o), LOC_READ_OK);
    EXPECT_EQ(o.id, 1000);
    EXPECT_STREQ(o.path, "Data/U/Station/Main.obj");
    EXPECT_STREQ(o.privateData, "Human/Station");
    EXPECT_FLOAT_EQ(o.position.x, -9999.5f);
    EXPECT_FLOAT_EQ(o.position.y, 12000.0f);
    EXPECT_FLOAT_EQ(o.position.z, 7.0f);
    EXPECT_FLOAT_EQ(o.rotation.y, 90.0f);
    EXPECT_FLOAT_EQ(o.rotation.z, -45.0f);
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadStaticObject(&o), LOC_READ_END);
    EXPECT_EQ(file_.Errors(), 0);
}

TEST_F(LocationFileTest, NumberWiderThanItsColumnIsRefusedWithoutShiftingTheNextLines)
{
    // x of 8 characters: it would spill into the separator and shift y and z.
    const std::string wide = Col("Position", "-1000.00 0.0     0.0");
    OpenText(Col("Object id", "5") + Col("Description", "A") + Col("Private data", "") + wide + LocTriple("Rotation", 0, 0, 0) +
             kLocDash + Col("Object id", "6") + Col("Description", "B") + Col("Private data", "") +
             LocTriple("Position", 1, 2, 3) + LocTriple("Rotation", 0, 0, 0) + kLocDash + "//\n");
    LocStaticObject o;
    EXPECT_EQ(file_.ReadStaticObject(&o), LOC_READ_REFUSED);
    EXPECT_EQ(file_.Errors(), 1);
    ASSERT_TRUE(file_.NextLine());
    ASSERT_EQ(file_.ReadStaticObject(&o), LOC_READ_OK);
    EXPECT_EQ(o.id, 6);
    EXPECT_FLOAT_EQ(o.position.z, 3.0f);
}

TEST_F(LocationFileTest, MalformedLinesAreRefusedAndCounted)
{
    // A short position line, an id that is no number, a z that runs into the rest.
    OpenText(Col("Object id", "7") + Col("Description", "A") + Col("Private data", "") + Col("Position", "  1.0") +
             LocTriple("Rotation", 0, 0, 0) + kLocDash + Col("Object id", "x12") + Col("Description", "B") +
             Col("Private data", "") + LocTriple("Position", 1, 2, 3) + LocTriple("Rotation", 0, 0, 0) + kLocDash +
             Col("Object id", "8") + Col("Description", "C") + Col("Private data", "") +
             Col("Position", "    1.0     2.0     3.01") + LocTriple("Rotation", 0, 0, 0) + kLocDash + "//\n");
    LocStaticObject o;
    EXPECT_EQ(file_.ReadStaticObject(&o), LOC_READ_REFUSED);
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadStaticObject(&o), LOC_READ_REFUSED);
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadStaticObject(&o), LOC_READ_REFUSED);
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadStaticObject(&o), LOC_READ_END);
    EXPECT_EQ(file_.Errors(), 3);
}

TEST_F(LocationFileTest, FileEndingInsideARecordIsReported)
{
    OpenText(Col("Object id", "7") + Col("Description", "A"));
    LocStaticObject o;
    EXPECT_EQ(file_.ReadStaticObject(&o), LOC_READ_EOF);
    EXPECT_GE(file_.Errors(), 1);
}

TEST_F(LocationFileTest, EndMarkersAreSearchedInTheLabelColumnOnly)
{
    // Slashes after the label column do not end a section; 12 slashes end the orders but
    // not the ship groups.
    OpenText(Col("Unit id", "1000") + Col("Target id", "-1") + LocTriple("Point", 0, 0, 0) +
             Col("Order", "ACTION_STAY // no end here") + kLocDash + "////////////\n" + "////////////\n" +
             "///////////////////\n");
    LocOrder order;
    ASSERT_EQ(file_.ReadOrderHead(&order), LOC_READ_OK);
    ASSERT_EQ(file_.ReadOrderTail(&order, false), LOC_READ_OK);
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadOrderHead(&order), LOC_READ_END);
    ASSERT_TRUE(file_.NextLine());
    EXPECT_FALSE(file_.LabelContains(kLocEndGroups));
    ASSERT_TRUE(file_.NextLine());
    EXPECT_TRUE(file_.LabelContains(kLocEndGroups));
    EXPECT_TRUE(file_.LabelContains(kLocEndStatic));
}

TEST_F(LocationFileTest, StationOrderTextsAreReadOnlyWhenAsked)
{
    OpenText(Col("Unit id", "1000") + Col("Target id", "-1") + LocTriple("Point", 1, 2, 3) + Col("Order", "ACTION_STAY") +
             Col("Interior", "Data/Locations.Planet/Hero Station") + Col("Second", "Home") + kLocDash +
             Col("Unit id", "20") + Col("Target id", "1000") + LocTriple("Point", 4, 5, 6) + Col("Order", "ACTION_GUARD") +
             kLocDash + "///////////////////\n");
    LocOrder a;
    ASSERT_EQ(file_.ReadOrderHead(&a), LOC_READ_OK);
    EXPECT_EQ(a.unitId, 1000);
    EXPECT_EQ(a.targetId, -1);
    EXPECT_FLOAT_EQ(a.point.z, 3.0f);
    ASSERT_EQ(file_.ReadOrderTail(&a, true), LOC_READ_OK);
    EXPECT_STREQ(a.text1, "Data/Locations.Planet/Hero Station");
    EXPECT_STREQ(a.text2, "Home");
    ASSERT_TRUE(file_.NextLine());
    LocOrder b;
    ASSERT_EQ(file_.ReadOrderHead(&b), LOC_READ_OK);
    EXPECT_EQ(b.unitId, 20);
    EXPECT_EQ(b.targetId, 1000);
    EXPECT_STREQ(b.action, "ACTION_GUARD");
    ASSERT_EQ(file_.ReadOrderTail(&b, false), LOC_READ_OK);
    EXPECT_STREQ(b.text1, "");
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadOrderHead(&b), LOC_READ_END);
}

TEST_F(LocationFileTest, CrLfLinesReadLikeLfLinesLooseAndArchived)
{
    std::string text = Col("Centre", "  100.0  -200.0   300.0") + Col("Inner", "500") + Col("Outer", "1500") +
                       Col("Name", "Belt") + Col("Number", "12") + kLocDash + "///////////////////\n";
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    for (int archived = 0; archived < 2; ++archived) {
        SCOPED_TRACE(archived ? "archive" : "loose");
        CFileManager::Release();
        if (archived) {
            WriteArchive(FILE_KIND_LOCATIONS, {{"Data/Locations.Space/C/Main.loc", crlf}});
            std::filesystem::remove_all("Data/Locations.Space");
        } else {
            WriteFile("Data/Locations.Space/C/Main.loc", crlf);
        }
        Start(archived);
        CLocationFile f;
        ASSERT_TRUE(f.Open("Data/Locations.Space/C/Main.loc"));
        ASSERT_TRUE(f.NextLine());
        LocAsteroidField field;
        ASSERT_EQ(f.ReadAsteroidField(&field), LOC_READ_OK);
        EXPECT_FLOAT_EQ(field.centre.y, -200.0f);
        EXPECT_FLOAT_EQ(field.inner, 500.0f);
        EXPECT_FLOAT_EQ(field.outer, 1500.0f);
        EXPECT_STREQ(field.name, "Belt");
        EXPECT_EQ(field.count, 12);
        ASSERT_TRUE(f.NextLine());
        EXPECT_EQ(f.ReadAsteroidField(&field), LOC_READ_END);
        EXPECT_EQ(f.Errors(), 0);
    }
}

TEST_F(LocationFileTest, OverLongLinesAreRefusedAndTheNextLineStaysInStep)
{
    const std::string longPath(600, 'p');
    const std::string hugeLine(3000, 'q');
    OpenText(Col("Ship", "Data/" + longPath) + Col("Private data", "Human/Hero") + Col("From", "1") + Col("To", "2") +
             Col("Order", "ACTION_TRANSPORT") + Col("Number", "3") + hugeLine + "\n" + Col("Ship", "Data/U/Ship/Main.obj") +
             Col("Private data", "Human/Hero") + Col("From", "1") + Col("To", "2") + Col("Order", "ACTION_TRANSPORT") +
             Col("Number", "2") + kLocDash + "///////////////////\n");
    LocShipGroup g;
    EXPECT_EQ(file_.ReadShipGroup(&g), LOC_READ_REFUSED);
    EXPECT_EQ(g.count, 0);
    ASSERT_TRUE(file_.NextLine());
    ASSERT_EQ(file_.ReadShipGroup(&g), LOC_READ_OK);
    EXPECT_STREQ(g.path, "Data/U/Ship/Main.obj");
    EXPECT_EQ(g.count, 2);
    EXPECT_EQ(g.fromId, 1);
    EXPECT_EQ(g.toId, 2);
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadShipGroup(&g), LOC_READ_END);
}

TEST_F(LocationFileTest, FieldRadiiAndCountsAreChecked)
{
    OpenText(LocTriple("Centre", 0, 0, 0) + Col("Inner", "900") + Col("Outer", "100") + Col("Name", "") +
             Col("Number", "4") + kLocDash + LocTriple("Centre", 0, 0, 0) + Col("Inner", "100") + Col("Outer", "100") +
             Col("Name", "") + Col("Number", "-4") + kLocDash + LocTriple("Centre", 0, 0, 0) + Col("Inner", "100") +
             Col("Outer", "100") + Col("Name", "") + Col("Number", "4") + kLocDash);
    LocAsteroidField f;
    EXPECT_EQ(file_.ReadAsteroidField(&f), LOC_READ_REFUSED);   // inner above outer
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadAsteroidField(&f), LOC_READ_REFUSED);   // negative count
    ASSERT_TRUE(file_.NextLine());
    EXPECT_EQ(file_.ReadAsteroidField(&f), LOC_READ_OK);        // inner = outer is a shell
    EXPECT_EQ(f.count, 4);
}

TEST_F(LocationFileTest, ColoursAreBytes)
{
    OpenText(Col("Light", "255 128 000") + Col("Light", "256 000 000") + Col("Light", "12a 0 0"));
    int r = 0, g = 0, b = 0;
    ASSERT_TRUE(file_.Colour(&r, &g, &b));
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 128);
    EXPECT_EQ(b, 0);
    ASSERT_TRUE(file_.NextLine());
    EXPECT_FALSE(file_.Colour(&r, &g, &b));
    ASSERT_TRUE(file_.NextLine());
    EXPECT_FALSE(file_.Colour(&r, &g, &b));
    EXPECT_EQ(file_.Errors(), 2);
}

TEST(LocationGroupModel, HashDigitPicksOneOfKModels)
{
    EXPECT_EQ(GroupModelCount("Data/Space/Ship/UFO-Leaf #5/Main.obj"), 5);
    EXPECT_EQ(GroupModelCount("Data/Space/Ship/Eagle.M1/Main.obj"), 0);
    EXPECT_EQ(GroupModelCount("Data/Space/Ship/Leaf #0/Main.obj"), -1);
    EXPECT_EQ(GroupModelCount("Data/Space/Ship/Leaf #/Main.obj"), -1);
    bool seen[4] = {};
    for (int r = 0; r < 30; ++r) {
        char path[] = "Data/U/Leaf #3/Main.obj";
        ASSERT_EQ(PickGroupModel(path, r), 1);
        ASSERT_EQ(std::string(path).substr(0, 13), "Data/U/Leaf 0");
        int n = path[13] - '0';
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 3);
        seen[n] = true;
    }
    EXPECT_TRUE(seen[1] && seen[2] && seen[3]);
    char fixed[] = "Data/U/Ship/Main.obj";
    EXPECT_EQ(PickGroupModel(fixed, 7), 0);
    EXPECT_STREQ(fixed, "Data/U/Ship/Main.obj");
    char zero[] = "Data/U/Leaf #0/Main.obj";
    EXPECT_EQ(PickGroupModel(zero, 7), -1);
    EXPECT_STREQ(zero, "Data/U/Leaf #0/Main.obj");
}

TEST_F(LocationFileTest, CountingPassAddsObjectsGroupsAndAsteroids)
{
    static const std::string inside = "Data/Locations.Planet/In";
    SpaceLoc loc;
    loc.Light(255, 255, 255)
        .Object(1, "Data/U/Sky/Main.obj", "", 0, 0, 0)
        .Object(1000, "Data/U/Station/Main.obj", "Human/Station", 0, 0, 0)
        .Order(1000, -1, "ACTION_STAY", &inside, "x")
        .Order(1, -1, "ACTION_STAY")
        .Group("Data/U/Ship/Main.obj", "Human/Hero", 1000, 1, "ACTION_TRANSPORT", 3)
        .Group("Data/U/Ship/Main.obj", "Human/Hero", 1000, 1, "ACTION_TRANSPORT", -2)
        .Field(0, 0, 0, 100, 200, 7)
        .Field(0, 0, 0, 100, 200, 5);
    WriteFile("Data/Locations.Space/Count/Main.loc", loc.Text());
    EXPECT_EQ(CountLocationEntries("Data/Locations.Space/Count/Main.loc"), 2 + 3 + 7 + 5);
    EXPECT_EQ(CountLocationEntries("Data/Locations.Space/Nothing/Main.loc"), 0);
    // Too many lights are read and dropped: the sections after them stay in step.
    loc.lightCount = 1;
    loc.lights.push_back(Col("Light", "000 000 000"));
    loc.lightCount = 2;
    WriteFile("Data/Locations.Space/Count/Main.loc", loc.Text());
    EXPECT_EQ(CountLocationEntries("Data/Locations.Space/Count/Main.loc"), 17);
}

TEST(LocationProgress, PercentNeverDividesByZero)
{
    EXPECT_EQ(LoadingPercent(5, 0), 100);
    EXPECT_EQ(LoadingPercent(0, 0), 100);
    EXPECT_EQ(LoadingPercent(1, 3), 33);
    EXPECT_EQ(LoadingPercent(2, 3), 66);
    EXPECT_EQ(LoadingPercent(9, 3), 100);
    EXPECT_EQ(LoadingPercent(-1, 3), 0);
}

} // namespace
