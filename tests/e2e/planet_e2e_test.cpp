// The first planet intro end to end: with "Space" 0 and no game menu the game starts on the
// planet, loads the meadow with its people without a missing file, draws a lit scene round
// the hero and ends cleanly after the frames it was given.
#include "harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// Cut scenes off: the camera stays where the loader puts it, behind and above the hero.
const char kIni[] =
    "[Game]\nSpace=0\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=0\nDebug out=1\n";

bool HasLine(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& l : lines)
        if (l.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

bool Contains(const std::vector<std::string>& lines, const std::string& part)
{
    for (const std::string& l : lines)
        if (l.find(part) != std::string::npos) return true;
    return false;
}

double Brightness(const Colour& c) { return (c.r + c.g + c.b) / 3.0; }

// Gives the run its own loose Data tree in which the first planet location is the named
// station interior: every folder links to the built one, the interior's files are copied
// into "Locations.Planet/Intro 01".
bool StageInteriorAsFirstLocation(const GameRun& run, const std::string& interior)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path game = fs::path(GameDirectory()) / "Data", data = fs::path(run.Dir()) / "Data";
    fs::remove(data, ec);
    if (!fs::create_directories(data / "Locations.Planet" / "Intro 01", ec)) return false;
    for (const auto& e : fs::directory_iterator(game, ec))
        if (e.path().filename() != "Locations.Planet") fs::create_directory_symlink(e.path(), data / e.path().filename(), ec);
    for (const auto& e : fs::directory_iterator(game / "Locations.Planet", ec))
        if (e.path().filename() != "Intro 01")
            fs::create_directory_symlink(e.path(), data / "Locations.Planet" / e.path().filename(), ec);
    for (const char* file : {"Main.loc", "MapPoints.dat"})
        if (!fs::copy_file(game / "Locations.Planet" / interior / file, data / "Locations.Planet" / "Intro 01" / file, ec))
            return false;
    return !ec;
}

} // namespace

TEST(PlanetE2E, FirstIntroShowsTheMeadowAndItsPeople)
{
    GameRun run("planet");
    run.WriteGameIni(kIni);
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    // The location fades in over 3 s of real time: the last shot is well past it.
    run.SetEnv("KORVANE_SHOT_FRAMES", "100,300,1000");
    run.SetEnv("KORVANE_FRAMES", "1100");
    RunResult r = run.Run(240);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Can't open location data file"), std::string::npos) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    EXPECT_TRUE(HasLine(lines, "Location 110: Data/Locations.Planet/Intro 01")) << run.ReadFile("debug.txt");
    // Every unit, mesh and texture the location names is there.
    EXPECT_FALSE(Contains(lines, "can't open")) << run.ReadFile("debug.txt");
    EXPECT_FALSE(Contains(lines, "Load texture failed")) << run.ReadFile("debug.txt");
    EXPECT_TRUE(HasLine(lines, "CMeshContainer::ReleaseAllMeshData() done!")) << run.ReadFile("debug.txt");

    Image shots[3];
    const char* names[3] = {"frame_100.png", "frame_300.png", "frame_1000.png"};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(ReadPng(run.Path(names[i]), &shots[i])) << names[i];
    const Image& last = shots[2];
    const int w = last.width, h = last.height;
    const Region all{0, 0, w, h};

    // The fade-in only brightens the picture, and at its end the scene is lit.
    EXPECT_GE(Brightness(MeanColour(shots[1], all)) + 1.0, Brightness(MeanColour(shots[0], all)));
    EXPECT_GE(Brightness(MeanColour(shots[2], all)) + 1.0, Brightness(MeanColour(shots[1], all)));
    EXPECT_GT(Brightness(MeanColour(last, all)), 30.0);

    // The ground fills the picture from edge to edge: a meadow, green above all, in the
    // far strip as in the near one, in every shot (the fade scales all colours alike).
    for (const Image& shot : shots)
        for (const Region& ground : {Region{0, 0, w, h / 8}, Region{0, h - h / 8, w, h / 8}}) {
            const Colour c = MeanColour(shot, ground);
            EXPECT_GT(c.g, c.r * 1.15) << "region at y " << ground.y;
            EXPECT_GT(c.g, c.b * 1.3) << "region at y " << ground.y;
            EXPECT_GT(Brightness(c), 3.0) << "region at y " << ground.y;
        }

    // The hero stands at the centre of the view (the camera looks at his feet): his
    // dark suit stands out from the grass beside him.
    const Region hero{w / 2 - w / 80, h / 2 - h / 14, w / 40, h / 16};
    const Region grassLeft{w / 2 - w / 8, h / 2 - h / 14, w / 40, h / 16};
    const Colour suit = MeanColour(last, hero), grass = MeanColour(last, grassLeft);
    EXPECT_LT(suit.g, grass.g * 0.85) << "hero " << suit.r << "," << suit.g << "," << suit.b << " grass " << grass.r
                                      << "," << grass.g << "," << grass.b;
}

// A station interior (read as loose files in place of the first planet location): the
// room's tiled floor, its back wall and the people stand lit in the picture, and the saved
// walking grid is taken as it is.
TEST(PlanetE2E, StationInteriorShowsTheRoomAndItsPeople)
{
    GameRun run("planet-room");
    ASSERT_TRUE(StageInteriorAsFirstLocation(run, "Hero Station"));
    run.WriteGameIni(std::string(kIni) + "Use file manager=0\n");
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    run.SetEnv("KORVANE_SHOT_FRAMES", "1000");
    run.SetEnv("KORVANE_FRAMES", "1100");
    RunResult r = run.Run(240);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    EXPECT_TRUE(HasLine(lines, "Location 110: Data/Locations.Planet/Intro 01")) << run.ReadFile("debug.txt");
    EXPECT_FALSE(Contains(lines, "can't open")) << run.ReadFile("debug.txt");
    EXPECT_FALSE(Contains(lines, "MapPoints.dat")) << run.ReadFile("debug.txt");

    Image shot;
    ASSERT_TRUE(ReadPng(run.Path("frame_1000.png"), &shot));
    const int w = shot.width, h = shot.height;
    // Grey floor tiles round the hero, neither black nor washed out.
    const Colour floor = MeanColour(shot, Region{w / 4, h * 5 / 8, w / 2, h / 4});
    const double level = Brightness(floor);
    EXPECT_GT(level, 30.0);
    EXPECT_LT(level, 230.0);
    EXPECT_NEAR(floor.r, floor.g, level * 0.15);
    EXPECT_NEAR(floor.g, floor.b, level * 0.2);
    // The back wall across the top is darker than the floor.
    const Colour wall = MeanColour(shot, Region{0, 0, w, h / 20});
    EXPECT_LT(Brightness(wall), level * 0.85);
    // The hero at the centre stands out from the floor beside him.
    const Colour hero = MeanColour(shot, Region{w / 2 - w / 80, h / 2 - h / 14, w / 40, h / 16});
    const Colour beside = MeanColour(shot, Region{w / 2 + w / 10, h / 2 - h / 14, w / 40, h / 16});
    EXPECT_LT(Brightness(hero), Brightness(beside) * 0.85);
}

namespace {

// Share of a region's pixels brighter than the level in every channel (text on the dark box).
double BrightShare(const Image& image, const Region& r, int level)
{
    int bright = 0, all = 0;
    for (int y = r.y; y < r.y + r.height && y < image.height; ++y)
        for (int x = r.x; x < r.x + r.width && x < image.width; ++x, ++all) {
            const std::uint8_t* p = image.Pixel(x, y);
            if (p[0] > level && p[1] > level && p[2] > level) ++bright;
        }
    return all ? double(bright) / all : 0.0;
}

}  // namespace

// The first planet intro with its scenes on: the shuttle lands, the guide walks up and
// talks with the hero in the dialog box (the player clicks the replies), night falls, the
// second talk, and the shuttle leaves: the director goes on to the first space intro.
TEST(PlanetE2E, FirstIntroPlaysItsScenesWithTheGuidesTalks)
{
    GameRun run("planet-scenes");
    run.WriteGameIni(
        "[Game]\nSpace=0\n[Video]\nWindowed=1\n[Misc]\nStart logo=0\nUse game menu=0\nCut scenes=1\nDebug out=1\n");
    // Clicks on the box's reply rows all through the run, at client pixels of the
    // 1280 x 1024 desktop: down the box's rows from where the box may reach, one at a time.
    std::string input;
    for (int f = 300; f < 3000; f += 6) {
        const int vy = 440 + f / 6 % 22 * 7;
        input += std::to_string(f) + " lbutton_down 640 " + std::to_string(vy * 1024 / 600) + "\n";
        input += std::to_string(f + 1) + " lbutton_up 640 " + std::to_string(vy * 1024 / 600) + "\n";
    }
    run.SetInput(input);
    std::string shots;
    for (int f = 500; f <= 3000; f += 60) shots += (shots.empty() ? "" : ",") + std::to_string(f);
    run.SetEnv("KORVANE_SCREENSHOT", run.Dir());
    run.SetEnv("KORVANE_SHOT_FRAMES", shots);
    run.SetEnv("KORVANE_FRAMES", "3000");
    run.SetEnv("KORVANE_FRAME_MS", "50");  // 150 s of game time, however fast the machine draws
    RunResult r = run.Run(600);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("NPC manager."), std::string::npos) << r.err;

    const std::vector<std::string> lines = run.DebugLines();
    ASSERT_TRUE(HasLine(lines, "Location 110: Data/Locations.Planet/Intro 01")) << run.ReadFile("debug.txt");
    // The scene ran to its end and handed over to the director.
    EXPECT_TRUE(HasLine(lines, "Location 200: Data/Locations.Space/Intro 01")) << run.ReadFile("debug.txt");

    // At least one picture shows a talk: light text rows in the box at the bottom.
    int talks = 0;
    for (const std::string& name : ListPngs(run.Dir())) {
        Image shot;
        if (!ReadPng(name, &shot) || shot.width != 1280 || shot.height != 1024) continue;
        const Region box{100 * 1280 / 800, 440 * 1024 / 600, 600 * 1280 / 800, 150 * 1024 / 600};
        if (BrightShare(shot, box, 170) > 0.01) ++talks;
    }
    EXPECT_GE(talks, 1);
}
