#include "sector_run.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

std::string SectorWindow::At(float x, float y) const
{
    return std::to_string(std::lround(x * float(width) / 800.0f)) + " " +
           std::to_string(std::lround(y * float(height) / 600.0f));
}

std::string SectorWindow::Click(int frame, float x, float y) const
{
    const std::string at = " " + At(x, y) + "\n";
    return std::to_string(frame) + " mouse_move" + at + std::to_string(frame) + " lbutton_down" + at +
           std::to_string(frame + 2) + " lbutton_up" + at;
}

std::string PrepareSectorRun(GameRun& run, int sector, const SectorWindow& window, const std::string& extraIni)
{
    namespace fs = std::filesystem;
    fs::create_directories(run.Path("Save/00"));
    run.WriteFile("Save/00/Player.cfg", "[Player data]\nName=Tester\n[Player rating]\nOre transported=0\n"
                                        "Enemy killed=0\nEnemy killed score=0\n");
    for (int n = 1; n <= sector; ++n) {
        char name[64];
        for (const char* ext : {"dat", "stat"}) {
            std::snprintf(name, sizeof name, "Save/00/Sector %02d.%s", n, ext);
            std::error_code ec;
            fs::copy_file(run.Path(std::string("Save/Skip/Sector 01.") + ext), run.Path(name),
                          fs::copy_options::overwrite_existing, ec);
        }
    }
    run.WriteGameIni("[Video]\nWindowed=1\nVideo mode=" + std::to_string(window.mode) +
                     "\n[Misc]\nStart logo=0\nCut scenes=1\nDebug out=1\n" + extraIni);
    // "Корвейн", the window title the counter is kept under.
    std::ifstream boot("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(boot, id);
    run.WriteFile("runtime/Tessarin-\xD0\x9A\xD0\xBE\xD1\x80\xD0\xB2\xD0\xB5\xD0\xB9\xD0\xBD.started", id + "\n1\n");
    run.SetEnv("KORVANE_FRAME_MS", std::to_string(kFrameMs));
    return window.Click(60, 540, 260)      // pilot page: "Продолжить"
           + window.Click(120, 159, 245)   // "Продолжить кампанию"
           + window.Click(180, 560, 478);  // "Продолжить": the last sector unlocked
}

std::vector<std::string> MissingContentLines(const std::vector<std::string>& lines)
{
    // What the scenes report (a unit or dialog line they lack), the loaders' and the
    // message boxes' complaints about the sector's files.
    static const char* const kBad[] = {
        "Scene:", "NPC manager", "CRadioDialog::Load()", "Prepare music error", "Load texture failed",
        "Sound error", "Can't ", "can't open", "not loaded", "has no dialog folder", "location file incomplete",
        "Subtitles: the text is longer",
    };
    std::vector<std::string> bad;
    for (const std::string& l : lines) {
        bool b = l.find("no private data for \"") != std::string::npos && l.find("for \"\"") == std::string::npos;
        for (const char* k : kBad) b = b || l.find(k) != std::string::npos;
        if (b) bad.push_back(l);
    }
    return bad;
}

bool LogHasPrefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (const std::string& l : lines)
        if (l.rfind(prefix, 0) == 0) return true;
    return false;
}
