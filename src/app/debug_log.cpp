#include "app/settings.h"
#include "app/winmain.h"
#include "platform/win/message_box.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {
constexpr int kLineBuffer = 2048;
constexpr const char* kLogName = "debug.txt";
}

void DebugOut(const char* text)
{
    if (g_Settings.debugOut != 1)
        return;
    if (!text) {
        if (FILE* f = std::fopen(kLogName, "w"))
            std::fclose(f);
        return;
    }
    char line[kLineBuffer];
    std::size_t n = std::strlen(text);
    if (n > kLineBuffer - 2)
        n = kLineBuffer - 2;
    std::memcpy(line, text, n);
    line[n] = '\0';
    FILE* f = std::fopen(kLogName, "a");
    if (!f)
        return;
    std::fputs(line, f);
    std::fputs("\n", f);
    std::fclose(f);
}

void DebugOutF(const char* fmt, ...)
{
    if (g_Settings.debugOut != 1 || !fmt)
        return;
    char line[kLineBuffer - 1];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    DebugOut(line);
}

void LogTextureLoadFailed(const char* name)
{
    DebugOutF("Load texture failed: %s", name ? name : "");
}

int ShowMessage(const char* text, const char* caption, unsigned type)
{
    DebugOut(text);
    return MessageBox(g_MainWindow, text, caption, type);
}
