#include "platform/win/launch_counter.h"
#include "platform/win/codepage.h"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {
std::string g_stateDir;
std::string g_bootIdFile;

std::string StateDir()
{
    if (!g_stateDir.empty())
        return g_stateDir;
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    return xdg && *xdg ? xdg : "/tmp";
}

bool BootId(std::string* id)
{
    std::ifstream in(g_bootIdFile.empty() ? "/proc/sys/kernel/random/boot_id" : g_bootIdFile);
    if (!in || !std::getline(in, *id))
        return false;
    while (!id->empty() && (id->back() == '\r' || id->back() == ' '))
        id->pop_back();
    return !id->empty();
}

std::string StateFile(const char* title)
{
    std::string name = Cp1251ToUtf8(title ? title : "");
    for (char& c : name)
        if (c == '/' || c == '\\')
            c = '_';
    return StateDir() + "/Tessarin-" + name + ".started";
}
} // namespace

bool LaunchCounterRead(const char* title, unsigned* value)
{
    std::string boot, storedBoot;
    if (!value || !BootId(&boot))
        return false;
    std::ifstream in(StateFile(title));
    unsigned long v = 0;
    if (!in || !std::getline(in, storedBoot) || !(in >> v) || storedBoot != boot)
        return false;
    *value = unsigned(v);
    return true;
}

bool LaunchCounterWrite(const char* title, unsigned value)
{
    std::string boot;
    if (!BootId(&boot))
        return false;
    std::string file = StateFile(title);
    std::string tmp = file + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "w");
    if (!f)
        return false;
    bool ok = std::fprintf(f, "%s\n%u\n", boot.c_str(), value) > 0;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), file.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

void LaunchCounterSetPaths(const char* stateDir, const char* bootIdFile)
{
    g_stateDir = stateDir ? stateDir : "";
    g_bootIdFile = bootIdFile ? bootIdFile : "";
}
