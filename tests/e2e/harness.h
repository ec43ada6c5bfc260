// End-to-end harness: runs the built game binary in a fresh directory per test.
//
// A run directory (/tmp/korvane-e2e-<name>-XXXXXX) gets a link to the binary and
// to the data (KORVANE_GAME_DIR/Data), a copy of Save/ when the build has one, and
// its own runtime directory (XDG_RUNTIME_DIR), so the launch counter starts fresh.
// The game runs there with ALSOFT_DRIVERS=null and the test's environment; it is
// killed after the timeout. Set KORVANE_KEEP_RUNS=1 to keep the directories.
#pragma once
#include <cstdint>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

// The built game directory the runs link to (KORVANE_GAME_DIR, else the build's own).
std::string GameDirectory();

// Gives this process's own windows an X server of their own, as every game run has:
// a window opened by another test on a shared display takes the focus, and the game's
// clock stops without it. Call before the first window is made.
void UseOwnDisplay();

struct RunResult {
    int exitCode = -1;     // -1 when killed or crashed
    int signal = 0;        // the signal that ended it, 0 for a normal exit
    bool timedOut = false;
    std::string out, err;  // stdout and stderr
};

class GameRun {
public:
    explicit GameRun(const std::string& name);
    ~GameRun();
    GameRun(const GameRun&) = delete;
    GameRun& operator=(const GameRun&) = delete;

    const std::string& Dir() const { return dir_; }
    std::string Path(const std::string& relative) const { return dir_ + "/" + relative; }

    void WriteFile(const std::string& relative, const std::string& text) const;
    std::string ReadFile(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // Game.ini of the run directory.
    void WriteGameIni(const std::string& text) const { WriteFile("Game.ini", text); }
    // A Game.ini value, or the fallback when missing.
    std::string IniValue(const char* section, const char* key, const char* fallback = "") const;
    // debug.txt split into lines.
    std::vector<std::string> DebugLines() const;
    // Writes an input script into the run directory and points KORVANE_INPUT at it.
    void SetInput(const std::string& script);

    void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
    void UnsetEnv(const std::string& name) { env_.erase(name); }

    // Runs the game to its end (or the timeout) with the run directory as current directory.
    RunResult Run(int timeoutSeconds = 60);
    // Runs so many frames with screenshots of the frames named (comma-separated) in Path("shots").
    RunResult RunFrames(int frames, const std::string& shotFrames, int timeoutSeconds);

private:
    std::string dir_;
    std::map<std::string, std::string> env_;
};

// Images for screenshot checks (KORVANE_SCREENSHOT=dir, KORVANE_SHOT_FRAMES=a,b,c).
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // 4 bytes a pixel, rows top to bottom
    const std::uint8_t* Pixel(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
};

struct Region {
    int x = 0, y = 0, width = 0, height = 0;
};

struct Colour {
    double r = 0, g = 0, b = 0, a = 0;
};

// How many pixels of a region (clipped to the image) pass `test` (given the pixel's RGBA bytes).
template <typename Test>
int CountPixels(const Image& image, const Region& r, Test test)
{
    int n = 0;
    for (int y = std::max(r.y, 0); y < r.y + r.height && y < image.height; ++y)
        for (int x = std::max(r.x, 0); x < r.x + r.width && x < image.width; ++x) n += test(image.Pixel(x, y)) ? 1 : 0;
    return n;
}

// Reads a PNG file as RGBA; false when it cannot be read.
bool ReadPng(const std::string& path, Image* image);
// The PNG files of a directory, sorted by name.
std::vector<std::string> ListPngs(const std::string& dir);
// Mean colour of a region (clipped to the image).
Colour MeanColour(const Image& image, const Region& region);
// Mean absolute difference per channel (0..255) between two images over a region; -1 when sizes differ.
double RegionDifference(const Image& a, const Image& b, const Region& region);
// True when the region's mean colour is within tolerance of the expected colour in r, g and b.
bool RegionNear(const Image& image, const Region& region, const Colour& expected, double tolerance);
