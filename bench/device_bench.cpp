// The device layer under a real frame: the game's own WinMain in this process plays the test
// location "Test Fight" in the cockpit (and, apart, the main menu) with 20 ms frames, on the GL
// device and on the null device, and reports per frame the draws, the GL calls and the main
// thread's CPU time. The GL side needs a display (run it under Xvfb, e.g.
// xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/korvane_bench --benchmark_filter=Device);
// the picture is the display's size. Without a display the GL side is skipped. Each run plays
// in a child process, so every side starts from a fresh game.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/winmain.h"
#include "platform/gfx/null_device.h"
#include "platform/gfx/state_device.h"
#include "platform/win/test_switches.h"
#include "render/d3d_render.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kWarmFrames = 300;  // loading passes count as frames too
constexpr unsigned kFrames = 300;

struct Sample {
    double cpu = 0;
    GfxDeviceCounts counts;
    unsigned frame = 0;
    int width = 0, height = 0;
};
Sample g_first, g_last;

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void TakeSample(Sample* s, unsigned frame)
{
    s->cpu = ThreadCpuSeconds();
    s->frame = frame;
    s->width = int(g_D3DRender.width);
    s->height = int(g_D3DRender.height);
    if (auto* dev = static_cast<GfxStateDevice*>(g_D3DRender.device)) s->counts = dev->Counts();
}

// Watches only: it posts nothing.
void Watch(unsigned frame)
{
    if (frame == kWarmFrames) TakeSample(&g_first, frame);
    if (frame == kWarmFrames + kFrames) TakeSample(&g_last, frame);
}

void RunFrames(benchmark::State& state, bool gl, const char* location)
{
    const fs::path game = KORVANE_GAME_DIR;
    if (!fs::exists(game / "Data/Locations.hdr")) {
        state.SkipWithError("the data set is not built");
        return;
    }
    const char* display = std::getenv("DISPLAY");
    if (gl && (!display || !*display)) {
        state.SkipWithError("no display: the GL device is not measured");
        return;
    }
    const fs::path old = fs::current_path();
    char tmpl[] = "/tmp/korvane-device-bench-XXXXXX";
    if (!mkdtemp(tmpl)) {
        state.SkipWithError("no run directory");
        return;
    }
    const fs::path dir = tmpl;
    fs::create_directory_symlink(game / "Data", dir / "Data");
    fs::create_directory(dir / "runtime");
    fs::current_path(dir);
    std::ofstream("Game.ini") << "[Game]\nSpace=" << (location ? 1 : 0)
                              << "\n[Video]\nWindowed=1\nVideo mode=100\n[Audio]\nAudio=0\n"
                                 "[Misc]\nStart logo=0\nUse game menu="
                              << (location ? 0 : 1) << "\n";
    setenv("KORVANE_GFX", gl ? "gl" : "null", 1);
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
    setenv("KORVANE_FRAME_MS", "20", 1);
    setenv("KORVANE_FRAMES", std::to_string(kWarmFrames + kFrames + 2).c_str(), 1);
    if (location) setenv("KORVANE_LOCATION", location, 1);
    else unsetenv("KORVANE_LOCATION");
    const bool dummyWindow = !gl && (!display || !*display);
    if (!gl) {
        // The null device's desktop as big as the GL side's picture, so both draw the same frame.
        // Its window stays on the display too: without a window system no cursor warp or focus
        // arrives, the cockpit flies another course and the frame holds other draws.
        if (dummyWindow)
            setenv("SDL_VIDEODRIVER", "dummy", 1);
        g_NullGfxConfig.desktop.Width = 1920;
        g_NullGfxConfig.desktop.Height = 1080;
        g_NullGfxConfig.modes = {g_NullGfxConfig.desktop};
    }
    // Each run in a process of its own: a second WinMain in one process starts from what the
    // first left behind and plays another frame (fewer ships in view), so the two sides would
    // not draw the same picture.
    int status = -1;
    for (auto _ : state) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            break;
        const pid_t child = fork();
        if (child == 0) {
            close(pipeFds[0]);
            TestSwitchesReset();
            g_first = g_last = Sample();
            SetTestFrameHook(Watch);
            const int code = WinMain();
            const Sample both[2] = {g_first, g_last};
            const bool sent = write(pipeFds[1], both, sizeof both) == (ssize_t)sizeof both;
            _exit(code == 0 && sent ? 0 : 1);
        }
        close(pipeFds[1]);
        Sample both[2];
        const bool got = child > 0 && read(pipeFds[0], both, sizeof both) == (ssize_t)sizeof both;
        close(pipeFds[0]);
        int wstatus = 0;
        if (child > 0)
            waitpid(child, &wstatus, 0);
        status = got && WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
        if (got) {
            g_first = both[0];
            g_last = both[1];
        }
    }
    unsetenv("KORVANE_LOCATION");
    unsetenv("KORVANE_FRAMES");
    unsetenv("KORVANE_GFX");
    if (dummyWindow)
        unsetenv("SDL_VIDEODRIVER");
    if (!gl) {
        g_NullGfxConfig.Restore();
    }
    fs::current_path(old);
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (status != 0 || g_last.frame == 0) {
        state.SkipWithError("the game did not run its frames");
        return;
    }
    const double n = double(g_last.frame - g_first.frame);
    state.counters["cpu_ms_per_frame"] = (g_last.cpu - g_first.cpu) * 1000.0 / n;
    state.counters["draws_per_frame"] = double(g_last.counts.draws - g_first.counts.draws) / n;
    state.counters["gl_calls_per_frame"] = double(g_last.counts.driverCalls - g_first.counts.driverCalls) / n;
    state.counters["stream_wraps"] = double(g_last.counts.streamWraps - g_first.counts.streamWraps);
    state.SetLabel(std::to_string(g_last.width) + "x" + std::to_string(g_last.height));
}

void BM_DeviceCockpitFrameGl(benchmark::State& state) { RunFrames(state, true, "Test Fight"); }
void BM_DeviceCockpitFrameNull(benchmark::State& state) { RunFrames(state, false, "Test Fight"); }
void BM_DeviceMenuFrameGl(benchmark::State& state) { RunFrames(state, true, nullptr); }
void BM_DeviceMenuFrameNull(benchmark::State& state) { RunFrames(state, false, nullptr); }
BENCHMARK(BM_DeviceCockpitFrameGl)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceCockpitFrameNull)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceMenuFrameGl)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeviceMenuFrameNull)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
