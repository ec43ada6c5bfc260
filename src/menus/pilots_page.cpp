#include "menus/pilots_page.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/winmain.h"
#include "flight_ui/cursor.h"
#include "locations/pilot_profile.h"
#include "locations/sector_save.h"
#include "menus/buttons.h"
#include "menus/game_menu.h"
#include "render/draw2d.h"
#include "render/font.h"
#include "world/game_clock.h"
#include "world/world.h"

char g_PlayerName[24] = "";
CPlayerNameButton g_PlayerNameButtons[10];
CMenuButton g_NewPilotButton;
CMenuButton g_DeletePilotButton;
CMenuButton g_ContinuePilotButton;
int g_SelectedPilotSlot = -1;
int g_PilotCount = 0;

namespace {

const char kEmptySlot[] = "-----------";
constexpr uint32_t kPilotButtonColour = 0x9696FA;

void SetName(const char* name)
{
    // Always terminated: the name is copied on into shorter buffers (the lobby's 16).
    size_t n = name ? std::strlen(name) : 0;
    if (n >= sizeof(g_PlayerName))
        n = sizeof(g_PlayerName) - 1;
    if (n)
        std::memcpy(g_PlayerName, name, n);
    g_PlayerName[n] = 0;
}

void SelectOnly(int slot)
{
    for (int i = 0; i < kPilotSlots; ++i)
        g_PlayerNameButtons[i].SetPressed(i == slot ? 1 : 0);
    g_SelectedPilotSlot = slot;
}

// The dialog ends at the next frame (its time 0 ends the closing animation at once).
void EndNameDialog(int answer)
{
    g_PointerShown = 1;
    CGameMenu::CloseDialog(answer);
    g_TextInputState = TEXT_INPUT_OFF;
    g_MenuDialogTime = 0;
}

void AppendTypedChar(char c)
{
    const size_t len = std::strlen(g_PlayerName);
    if ((unsigned char)c < 32 || (unsigned char)c == 127)
        return;  // control characters never reach a name
    if (len >= (size_t)kPilotNameMaxTyped || len + 1 >= sizeof(g_PlayerName))
        return;
    if (g_MenuFont.GetTextWidth(1.0f, g_PlayerName) >= 157.0f)
        return;
    if (g_MenuFont.FindChar((unsigned char)c) == -1)
        return;
    g_PlayerName[len] = c;
    g_PlayerName[len + 1] = 0;
}

void CreateTypedPilot()
{
    if (!IsValidPilotName(g_PlayerName)) {
        DebugOutF("New pilot: the name \"%s\" is refused", g_PlayerName);
        return;
    }
    int slot = -1;
    for (int i = 0; i < kPilotSlots && slot < 0; ++i)
        if (!g_PlayerNameButtons[i].IsEnabled() && !IsPilotSlotHeld(i))
            slot = i;
    if (slot < 0)
        return;
    if (!CreatePilotProfile(slot, g_PlayerName)) {
        // A pilot that cannot be stored would vanish at the next start with its saves.
        DebugOutF("New pilot \"%s\" is not created: slot %d cannot be written", g_PlayerName, slot);
        return;
    }
    for (int i = 0; i < kPilotSlots; ++i)
        g_PlayerNameButtons[i].SetPressed(0);
    g_PlayerNameButtons[slot].SetText(g_PlayerName, 1);
    g_PlayerNameButtons[slot].SetPressed(1);
    g_SelectedPilotSlot = slot;
    if (++g_PilotCount >= kPilotSlots)
        g_NewPilotButton.SetEnabled(0);
    CGameMenu::ChoosePilot(slot);
}

} // namespace

void LoadPilotNames()
{
    g_NewPilotButton.SetEnabled(0);
    g_ContinuePilotButton.SetEnabled(0);
    g_DeletePilotButton.SetEnabled(0);
    g_PilotCount = 0;
    int first = -1, held = 0;
    for (int slot = 0; slot < kPilotSlots; ++slot) {
        CPlayerNameButton& b = g_PlayerNameButtons[slot];
        b.SetPressed(0);
        char name[kPilotNameSize];
        if (ReadPilotName(slot, name, sizeof(name))) {
            b.SetText(name, 1);
            ++g_PilotCount;
            if (first < 0)
                first = slot;
        } else {
            held += CheckPilotProfile(slot) ? 1 : 0;
            char empty[sizeof(kEmptySlot)];
            std::memcpy(empty, kEmptySlot, sizeof(kEmptySlot));
            b.SetText(empty, 0);
        }
    }
    // A selection that no longer names a pilot (deleted) falls to the first pilot.
    if (g_SelectedPilotSlot < 0 || g_SelectedPilotSlot >= kPilotSlots ||
        !g_PlayerNameButtons[g_SelectedPilotSlot].IsEnabled())
        g_SelectedPilotSlot = first;
    if (g_SelectedPilotSlot >= 0) {
        g_PlayerNameButtons[g_SelectedPilotSlot].SetPressed(1);
        g_DeletePilotButton.SetEnabled(1);
        g_ContinuePilotButton.SetEnabled(1);
    }
    g_NewPilotButton.SetEnabled(g_PilotCount + held < kPilotSlots ? 1 : 0);
}

void CGameMenu::CreatePilotsPage()
{
    for (int i = 0; i < kPilotSlots; ++i)
        g_PlayerNameButtons[i].Create(145.0f, 185.0f + 21.0f * (float)i, kEmptySlot, &g_MenuFont, 0.7f);
    g_NewPilotButton.Create(325.0f, 155.0f, "Новый пилот", 0, kPilotButtonColour, kPilotButtonColour, &g_MenuFont, 1,
                            1.0f);
    g_DeletePilotButton.Create(330.0f, 330.0f, "Удалить пилота", 0, kPilotButtonColour, kPilotButtonColour,
                               &g_MenuFont, 1, 1.0f);
    g_ContinuePilotButton.Create(500.0f, 250.0f, "Продолжить", 0, kPilotButtonColour, kPilotButtonColour, &g_MenuFont,
                                 1, 1.0f);
    g_SelectedPilotSlot = -1;
    g_PilotCount = 0;
}

void CGameMenu::ChoosePilot(int slot)
{
    if (slot < 0 || slot >= kPilotSlots)
        return;
    char name[kPilotNameSize];
    std::snprintf(name, sizeof(name), "%s", g_PlayerNameButtons[slot].GetText());
    SetName(name);
    g_PilotSlot = slot;
    g_MainMenuButtons[2].SetEnabled(CountSavedSectors() >= 1 ? 1 : 0);
    g_World.Camera().StartFade(1.0f, 1, 1, 0);
    CGameMenu::SetPage(MENU_PAGE_MAIN);
    DebugOutF("Pilot %d \"%s\" chosen", slot, g_PlayerName);
}

void CGameMenu::UpdatePilotsPage()
{
    for (int i = 0; i < kPilotSlots; ++i)
        if (g_PlayerNameButtons[i].WasClicked()) {
            SelectOnly(i);
            g_ContinuePilotButton.SetEnabled(1);
            g_DeletePilotButton.SetEnabled(1);
        }
    if (g_NewPilotButton.WasClicked()) {
        g_PointerShown = 0;
        g_TextInputState = TEXT_INPUT_TYPING;
        g_TextInputChar = 0;
        g_PlayerName[0] = 0;
        CGameMenu::OpenDialog(MENU_DIALOG_PILOT_NAME);
    }
    if (g_DeletePilotButton.WasClicked())
        CGameMenu::OpenDialog(MENU_DIALOG_DELETE_PILOT);
    if (g_ContinuePilotButton.WasClicked())
        CGameMenu::ChoosePilot(g_SelectedPilotSlot);
}

void CGameMenu::UpdateNameDialog()
{
    if (!g_MenuDialogOpen || g_MenuDialogType != MENU_DIALOG_PILOT_NAME || g_MenuDialogClosing)
        return;
    g_PlayerName[sizeof(g_PlayerName) - 1] = 0;
    switch (g_TextInputState) {
    case TEXT_INPUT_TYPING:
        if (g_TextInputChar)
            AppendTypedChar(g_TextInputChar);
        g_TextInputChar = 0;
        break;
    case TEXT_INPUT_BACKSPACE: {
        const size_t len = std::strlen(g_PlayerName);
        if (len)
            g_PlayerName[len - 1] = 0;
        g_TextInputState = TEXT_INPUT_TYPING;
        break;
    }
    case TEXT_INPUT_ENTER:
        CreateTypedPilot();
        EndNameDialog(1);
        break;
    case TEXT_INPUT_ESC:
        g_PlayerName[0] = 0;
        EndNameDialog(0);
        break;
    default: break;
    }
}

void CGameMenu::DeleteSelectedPilot()
{
    if (g_SelectedPilotSlot >= 0) {
        if (!DeletePilotProfile(g_SelectedPilotSlot))
            DebugOutF("Pilot %d cannot be deleted", g_SelectedPilotSlot);
        else
            DebugOutF("Pilot %d deleted", g_SelectedPilotSlot);
    }
    g_SelectedPilotSlot = -1;
    LoadPilotNames();
    CGameMenu::CloseDialog(1);
}

int CGameMenu::OnClickPilotsPage()
{
    if (g_MenuDialogOpen && g_MenuDialogType == MENU_DIALOG_PILOT_NAME)
        return 0;
    for (int i = 0; i < kPilotSlots; ++i)
        if (g_PlayerNameButtons[i].OnMouseDown())
            return 1;
    if (g_NewPilotButton.OnMouseDown() || g_DeletePilotButton.OnMouseDown() || g_ContinuePilotButton.OnMouseDown())
        return 1;
    return 0;
}

void CGameMenu::DrawPilotsPage()
{
    DrawSpriteRect(&g_MenuResources.pilotPanel, 20.0f, 40.0f, 520.0f, 430.0f, 0xFFFFFFFFu);
    for (auto& b : g_PlayerNameButtons)
        b.Draw();
    g_NewPilotButton.Draw(1.0f);
    g_DeletePilotButton.Draw(1.0f);
    g_ContinuePilotButton.Draw(1.0f);
}

void CGameMenu::DrawNameDialog()
{
    DrawSpriteRect(&g_MenuResources.nameField, 380.0f, 180.0f, 570.0f, 210.0f, 0xFFFFFFFFu);
    const float h = g_MenuFont.GetTextHeight(1.0f);
    g_MenuFont.DrawText(395.0f, 197.0f - h * 0.5f, g_PlayerName, 0xFFFAFA64u, 0x64FAFA64u, 1.0f);
    if ((g_GameClock.NowMs() % 600u) < 300u)
        DrawScreenDisc16(0xFFFAFA64u, 0x00FAFA64u, 405.0f + g_MenuFont.GetTextWidth(1.0f, g_PlayerName), 195.0f, 18.0f,
                         0.2f, 1.0f);
}
