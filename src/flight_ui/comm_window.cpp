#include "flight_ui/comm_window.h"
#include "flight_ui/radio_menu.h"

int g_CommMode = 0;
CCommWindow g_CommWindow;

int CCommWindow::Talk(CUnit*, int)
{
    return 0;
}

void CCommWindow::ChooseReply(int) {}

// Nothing is said until the comm window's talks are in the game.
int CCommWindow::Say(CUnit*, int, int)
{
    return 0;
}

void CCommWindow::EndTalk() {}

// ---- Cockpit's calls ----
void CCommWindow::Init()
{
    state = 0;
    speaker = nullptr;
    openPercent = 0.0f;
    panelHeight = 0.0f;
    panel = CPanelTarget();
}

// Talks come with the radio work; the panel only folds away.
void CCommWindow::Update()
{
    if (state == 0) openPercent = 0.0f;
}

void CCommWindow::Release()
{
    panel.texture = nullptr;
    if (panel.depth) {
        panel.depth->Release();
        panel.depth = nullptr;
    }
}

// ---- Panel ----
void CCommWindow::CreateRenderTarget(const char* name)
{
    if (!CreatePanelTarget(&panel, name, 1)) return;
    g_RadioMenu.panel = panel;
}

void CCommWindow::ReleaseRenderTarget()
{
    ReleasePanelTarget(&panel);
    g_RadioMenu.panel.texture = nullptr;
    g_RadioMenu.panel.depth = nullptr;
}

void CCommWindow::Reload()
{
    ReloadPanelTarget(&panel, 1);
    g_RadioMenu.panel = panel;
}

// The talk's lines come with the radio work; until then the panel stays as it is.
void CCommWindow::Draw() {}

int CCommWindow::ToPixels(int frames)
{
    return PanelToPixels(openPercent, frames, panelHeight);
}

void CCommWindow::SetupQuad(MeshData* quad)
{
    SetupPanelQuad(quad, panelHeight);
}
// ---- end of panel ----
