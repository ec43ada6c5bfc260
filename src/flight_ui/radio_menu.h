// The radio menu: orders to wing-men, docked ships, mercenaries, messages and help.
#pragma once
#include <cstdint>

#include "flight_ui/comm_window.h"
#include "render/font.h"

class CUnit;
class CSound;

enum RadioMenuPage {
    RADIO_PAGE_CLOSED = -1,
    RADIO_PAGE_MAIN = 0,
    RADIO_PAGE_BASE = 1,
    RADIO_PAGE_MERCENARIES = 2,
    RADIO_PAGE_TRANSPORTS = 3,
    RADIO_PAGE_FIGHTERS = 4,
    RADIO_PAGE_HELP = 5,
    RADIO_PAGE_RECIPIENT = 6,
    RADIO_PAGE_MESSAGE = 7,
};

constexpr int kRadioMenuEntries = 64;
constexpr int kRadioTypedSize = 256;

class CRadioMenu {
public:
    int state = 0;  // 1 open
    int page = -1;
    int switching = 0;
    CFont font;
    uint32_t lastTick = 0;
    float openPercent = 0.0f;
    float panelHeight = 0.0f;
    int rows = 0;
    int entryCount = 0;
    int selection = 0;
    CUnit* entries[kRadioMenuEntries] = {};
    int recipient = -1;
    char typed[kRadioTypedSize] = {};
    CSound* voice = nullptr;
    CPanelTarget panel;  // the comm window's render target, copied in when it is made

    void Init();
    void Open();
    void Close();
    void OnKey(int n);
    void SelectPrevious();
    void SelectNext();
    void SelectEntry();
    void ToggleHelp();
    void UpdateTyping();
    // The list of page 1 or 2 built anew.
    void RefreshEntries();
    void Draw();
    void Release();
    int ToPixels(int frames) const;
    void SetupQuad(MeshData* quad) const;
    // A unit leaving the world leaves the lists.
    void ForgetUnit(const CUnit* unit);

private:
    void DrawPage(float lh);
    void DrawListRows(float y0, int mercenaries);
};

extern CRadioMenu g_RadioMenu;
