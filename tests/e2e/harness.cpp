#include "harness.h"
#include "platform/win/profile.h"
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <png.h>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

std::string GameDirectory()
{
    const char* env = std::getenv("KORVANE_GAME_DIR");
    return env && *env ? env : KORVANE_GAME_DIR;
}

namespace {

void CopyTree(const std::string& from, const std::string& to)
{
    std::string cmd = "cp -r '" + from + "' '" + to + "'";
    if (std::system(cmd.c_str()) != 0)
        std::fprintf(stderr, "e2e: cannot copy %s\n", from.c_str());
}

// An X server of the run's own: games run side by side on one display take the focus
// from each other, and a game without focus pauses its clock. Off with
// KORVANE_E2E_OWN_DISPLAY=0, or when Xvfb is not installed (the runner's DISPLAY is used).
class OwnDisplay {
public:
    OwnDisplay()
    {
        const char* use = std::getenv("KORVANE_E2E_OWN_DISPLAY");
        if (use && *use == '0')
            return;
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            // The server goes with the test, even when the test is killed.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, 0);
                dup2(null, 1);
                dup2(null, 2);
            }
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                   "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (pid_ < 0) {
            close(fds[0]);
            return;
        }
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 200) <= 0)
                continue;
            char c;
            if (read(fds[0], &c, 1) != 1)
                break;
            if (c == '\n')
                break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            std::fprintf(stderr, "e2e: no display of the run's own; using the runner's\n");
            Stop();
            return;
        }
        name_ = ":" + number;
    }
    ~OwnDisplay() { Stop(); }
    OwnDisplay(const OwnDisplay&) = delete;
    OwnDisplay& operator=(const OwnDisplay&) = delete;
    // ":N", or empty when the runner's display is used.
    const std::string& Name() const { return name_; }

private:
    void Stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    pid_t pid_ = -1;
    std::string name_;
};
} // namespace

void UseOwnDisplay()
{
    // Kept until the process ends; its destructor stops the server.
    static OwnDisplay display;
    if (!display.Name().empty())
        setenv("DISPLAY", display.Name().c_str(), 1);
}

GameRun::GameRun(const std::string& name)
{
    std::string tmpl = "/tmp/korvane-e2e-" + name + "-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    dir_ = buf.data();
    std::string game = GameDirectory();
    if (symlink((game + "/korvane").c_str(), Path("korvane").c_str()) != 0)
        std::perror("symlink korvane");
    struct stat st {};
    if (stat((game + "/Data").c_str(), &st) == 0)
        if (symlink((game + "/Data").c_str(), Path("Data").c_str()) != 0)
            std::perror("symlink Data");
    // The start-logo picture lies beside Data/, as on a player's machine.
    if (stat((game + "/logo").c_str(), &st) == 0)
        if (symlink((game + "/logo").c_str(), Path("logo").c_str()) != 0)
            std::perror("symlink logo");
    if (stat((game + "/Save").c_str(), &st) == 0)
        CopyTree(game + "/Save", Path("Save"));
    mkdir(Path("runtime").c_str(), 0700);
    env_["ALSOFT_DRIVERS"] = "null";
    env_["XDG_RUNTIME_DIR"] = Path("runtime");
}

GameRun::~GameRun()
{
    const char* keep = std::getenv("KORVANE_KEEP_RUNS");
    if (keep && *keep && *keep != '0')
        return;
    std::string cmd = "rm -rf '" + dir_ + "'";
    (void)std::system(cmd.c_str());
}

void GameRun::WriteFile(const std::string& relative, const std::string& text) const
{
    std::ofstream out(Path(relative), std::ios::binary);
    out << text;
}

std::string GameRun::ReadFile(const std::string& relative) const
{
    std::ifstream in(Path(relative), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool GameRun::Exists(const std::string& relative) const
{
    return access(Path(relative).c_str(), F_OK) == 0;
}

std::string GameRun::IniValue(const char* section, const char* key, const char* fallback) const
{
    char buf[256];
    GetPrivateProfileString(section, key, fallback, buf, sizeof buf, Path("Game.ini").c_str());
    return buf;
}

std::vector<std::string> GameRun::DebugLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(ReadFile("debug.txt"));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

void GameRun::SetInput(const std::string& script)
{
    WriteFile("input.txt", script);
    SetEnv("KORVANE_INPUT", Path("input.txt"));
}

RunResult GameRun::Run(int timeoutSeconds)
{
    RunResult result;
    std::string outPath = Path("stdout.txt"), errPath = Path("stderr.txt");
    // A test that names its own DISPLAY keeps it.
    std::optional<OwnDisplay> display;
    if (!env_.count("DISPLAY"))
        display.emplace();
    pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        return result;
    }
    if (pid == 0) {
        if (chdir(dir_.c_str()) != 0)
            _exit(126);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0)
            dup2(out, 1);
        if (err >= 0)
            dup2(err, 2);
        // The test's own switches must not leak in from the runner's environment.
        for (const char* v : {"KORVANE_FRAMES", "KORVANE_INPUT", "KORVANE_SCREENSHOT", "KORVANE_SHOT_FRAMES",
                              "KORVANE_DEVICE_LOST"})
            unsetenv(v);
        for (const auto& [k, v] : env_)
            setenv(k.c_str(), v.c_str(), 1);
        if (display && !display->Name().empty())
            setenv("DISPLAY", display->Name().c_str(), 1);
        execl("./korvane", "korvane", static_cast<char*>(nullptr));
        _exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            break;
        if (r < 0 && errno != EINTR)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.out = ReadFile("stdout.txt");
    result.err = ReadFile("stderr.txt");
    return result;
}

RunResult GameRun::RunFrames(int frames, const std::string& shotFrames, int timeoutSeconds)
{
    mkdir(Path("shots").c_str(), 0755);
    SetEnv("KORVANE_SCREENSHOT", Path("shots"));
    SetEnv("KORVANE_SHOT_FRAMES", shotFrames);
    SetEnv("KORVANE_FRAMES", std::to_string(frames));
    return Run(timeoutSeconds);
}

bool ReadPng(const std::string& path, Image* image)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return false;
    png.format = PNG_FORMAT_RGBA;
    image->width = int(png.width);
    image->height = int(png.height);
    image->rgba.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, image->rgba.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    return true;
}

std::vector<std::string> ListPngs(const std::string& dir)
{
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".png") == 0)
                files.push_back(dir + "/" + n);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

namespace {
Region Clip(const Image& image, const Region& r)
{
    Region c;
    c.x = std::max(0, r.x);
    c.y = std::max(0, r.y);
    int x2 = std::min(image.width, r.x + r.width), y2 = std::min(image.height, r.y + r.height);
    c.width = std::max(0, x2 - c.x);
    c.height = std::max(0, y2 - c.y);
    return c;
}
} // namespace

Colour MeanColour(const Image& image, const Region& region)
{
    Colour sum;
    Region r = Clip(image, region);
    double n = double(r.width) * r.height;
    if (n <= 0)
        return sum;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x) {
            const std::uint8_t* p = image.Pixel(x, y);
            sum.r += p[0];
            sum.g += p[1];
            sum.b += p[2];
            sum.a += p[3];
        }
    sum.r /= n;
    sum.g /= n;
    sum.b /= n;
    sum.a /= n;
    return sum;
}

double RegionDifference(const Image& a, const Image& b, const Region& region)
{
    if (a.width != b.width || a.height != b.height)
        return -1.0;
    Region r = Clip(a, region);
    double n = double(r.width) * r.height * 3;
    if (n <= 0)
        return 0.0;
    double sum = 0;
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x)
            for (int c = 0; c < 3; ++c)
                sum += std::abs(int(a.Pixel(x, y)[c]) - int(b.Pixel(x, y)[c]));
    return sum / n;
}

bool RegionNear(const Image& image, const Region& region, const Colour& expected, double tolerance)
{
    Colour m = MeanColour(image, region);
    return std::abs(m.r - expected.r) <= tolerance && std::abs(m.g - expected.g) <= tolerance &&
           std::abs(m.b - expected.b) <= tolerance;
}
