#include "menus/start_logo.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/settings.h"
#include "app/winmain.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "menus/game_menu.h"
#include "platform/win/timer.h"
#include "render/d3d_render.h"

namespace {

const char kStartLogoMusic[] = "Data/Music/Game menu/Start logo.wav";

enum LogoPhase {
    LOGO_PICTURE_IN = 0,
    LOGO_PICTURE_OUT = 1,
    LOGO_TURN = 2,
    LOGO_MAKER_IN = 4,
    LOGO_MAKER_OUT = 5,
    LOGO_DONE = 6,
};

bool BeginFrame()
{
    GfxDevice* device = g_D3DRender.device;
    if (!device || device->BeginScene() < 0)
        return false;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    return true;
}

void EndFrame()
{
    g_D3DRender.device->EndScene();
    g_D3DRender.Present();
}

// The picture at full screen height with a 4:3 shape, centred.
void DrawPicture(int texture, unsigned alpha)
{
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    const float width = g_D3DRender.width;
    const float l = (width - sy * 800.0f) * 0.5f / sy;
    const float r = (width - sy * l) / sy;
    g_ScreenScaleX = sy;
    const unsigned c = MenuColour(alpha, 0xFFFFFF);
    DrawScreenQuadTextureId(c, c, l - 1.0f, -1.0f, r + 1.0f, 601.0f, c, c, texture);
    g_ScreenScaleX = sx;
}

void DrawMakerLogo(int texture, unsigned alpha)
{
    const unsigned c = MenuColour(alpha, 0xFFFFFF);
    DrawScreenQuadTextureId(c, c, 360.0f, 260.0f, 440.0f, 340.0f, c, c, texture);
}

} // namespace

void ShowStartLogo()
{
    int phase = LOGO_PICTURE_IN;
    std::uint32_t phaseStart = timeGetTime();
    float hold = 1.0f;
    bool musicStarted = false;

    g_TextureErrorMessages = 0;
    int maker = g_D3DRender.LoadTexture("Data/Misc/GameMenu/Logo_Tessarin.dds", 1, -1);
    int picture = g_D3DRender.LoadTexture("logo/logo_start.jpg", 1, -1);
    g_TextureErrorMessages = 1;
    auto startMusic = [&musicStarted] {
        if (!musicStarted)
            g_AudioManager.musicPlayer.Play(kStartLogoMusic);
        musicStarted = true;
    };

    // A closed window ends the logo at once: the program is on its way out.
    while (phase != LOGO_DONE && !g_QuitRequested) {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                break;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        if (g_MouseLeftDown || g_KeyEsc || g_KeySpace || g_KeyEnter) {
            g_MouseLeftDown = g_KeyEsc = g_KeySpace = g_KeyEnter = 0;
            phaseStart = timeGetTime();
            hold = 0.0f;
            if (phase <= LOGO_PICTURE_OUT)
                phase = LOGO_MAKER_IN;
            else if (phase <= 3)
                phase = maker < 0 ? LOGO_DONE : LOGO_MAKER_IN;
            else
                phase = LOGO_DONE;
            DebugOutF("Start logo: skipped to phase %d", phase);
        }
        float progress = float(timeGetTime() - phaseStart) * 0.0006f;
        if (hold != 0.0f) {
            if (progress < hold)
                continue;
            phaseStart = timeGetTime();
            progress = 0.0f;
            hold = 0.0f;
        }
        if (!BeginFrame())
            continue;
        if ((phase == LOGO_PICTURE_IN && picture < 0) || phase == LOGO_TURN)
            phase = LOGO_MAKER_IN;
        int next = LOGO_DONE;
        float nextHold = 0.0f;
        const unsigned in = unsigned(std::min(254.0f * progress, 254.0f));
        const unsigned out = unsigned(std::max(254.0f - 254.0f * progress, 0.0f));
        switch (phase) {
        case LOGO_PICTURE_IN:
            startMusic();
            DrawPicture(picture, in);
            next = LOGO_PICTURE_OUT, nextHold = 2.0f;
            break;
        case LOGO_PICTURE_OUT:
            DrawPicture(picture, out);
            next = LOGO_TURN;
            break;
        case LOGO_MAKER_IN:
            startMusic();
            DrawMakerLogo(maker, in);
            next = LOGO_MAKER_OUT, nextHold = 2.0f;
            break;
        case LOGO_MAKER_OUT:
            DrawMakerLogo(maker, out);
            next = LOGO_DONE;
            break;
        default:
            break;
        }
        if (progress >= 1.0f) {
            phaseStart = timeGetTime();
            hold = nextHold;
            phase = next;
        }
        EndFrame();
    }

    if (maker >= 0)
        g_D3DRender.ReleaseTexture(maker);
    if (picture >= 0)
        g_D3DRender.ReleaseTexture(picture);
    g_Settings.startLogo = 0;
    DebugOut("Start logo: done");
    CMusicPlayer& music = g_AudioManager.musicPlayer;
    if (music.segment) {
        music.segment->Stop();
        music.ReleaseSegment();
    }
}

void LoadingGlow(int percent, float* x, float* radius)
{
    const float g = float(percent) * 3.4f - 170.0f;
    *x = 630.0f + g;
    *radius = (170.0f - std::fabs(g)) / 10.0f + 2.0f;
}

void DrawLoadingScreen(int percent)
{
    if (g_D3DRender.deviceLost || !g_D3DRender.device)
        return;
    GfxDevice* device = g_D3DRender.device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    const char* text = "Загрузка...";
    if (percent == -1) {
        text = "Выход...";
        percent = 100;
    }
    if (device->BeginScene() < 0)
        return;
    DebugOutF("Loading screen: %d%%", percent);
    DrawSpriteRect(&g_MenuResources.loadingSprite, 0.0f, 0.0f, 800.0f, 600.0f, 0xFFFFFFFFu);
    DrawScreenDisc16(MenuColour(255, 0x3296FF), MenuColour(0, 0x3296FF), 630.0f, 555.0f, 170.0f, 1.0f, 0.05f);
    const float half = g_MenuFont.GetTextHeight(1.0f) * 0.5f;
    const float w = g_MenuFont.GetTextWidth(1.0f, text);
    g_MenuFont.DrawText(632.0f - w * 0.5f, 556.0f - half, text, 0xFF000000u, 0xFF000000u, 1.0f);
    g_MenuFont.DrawText(630.0f - w * 0.5f, 555.0f - half, text, MenuColour(255, 0x9664C8), MenuColour(255, 0x9664C8), 1.0f);
    float x = 0.0f, radius = 0.0f;
    LoadingGlow(percent, &x, &radius);
    DrawScreenDisc16(MenuColour(255, 0x64C8FF), MenuColour(0, 0x64C8FF), x, 555.0f, radius, 1.0f, 1.0f);
    device->EndScene();
    g_D3DRender.Present();
}
