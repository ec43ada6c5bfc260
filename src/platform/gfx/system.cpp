#include <cstdlib>
#include <cstring>
#include "platform/gfx/gl_device.h"
#include "platform/gfx/null_device.h"

namespace {
bool g_backendChosen = false;
GfxBackend g_backend = GfxBackend::Gl;
} // namespace

void GfxSelectBackend(GfxBackend backend)
{
    g_backend = backend;
    g_backendChosen = true;
}

GfxBackend GfxSelectedBackend()
{
    if (!g_backendChosen) {
        const char* env = std::getenv("KORVANE_GFX");
        if (env && std::strcmp(env, "null") == 0)
            return GfxBackend::Null;
    }
    return g_backend;
}

GfxSystem* GfxCreateSystem()
{
    // The switch picks the null backend for a whole game run: its devices keep no call log.
    if (!g_backendChosen && GfxSelectedBackend() == GfxBackend::Null)
        g_NullGfxConfig.recordCalls = false;
    return GfxSelectedBackend() == GfxBackend::Null ? NullGfxCreateSystem() : GlGfxCreateSystem();
}
