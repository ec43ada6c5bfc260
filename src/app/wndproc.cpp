#include "app/wndproc.h"
#include "app/settings.h"
#include "app/winmain.h"
#include "audio/audio_manager.h"
#include "flight_ui/cockpit.h"
#include "flight_ui/comm_window.h"
#include "flight_ui/cursor.h"
#include "flight_ui/game_interface.h"
#include "flight_ui/radio_menu.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "locations/station_interiors.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "platform/win/message_box.h"
#include "render/d3d_render.h"
#include "world/game_clock.h"
#include "world/objects/object_codes.h"
#include "world/object_list.h"
#include "world/space/player_input.h"
#include "world/objects/unit.h"
#include "world/world.h"

float g_MouseX = 0.0f, g_MouseY = 0.0f;
int g_MouseLeftDown = 0, g_MouseRightDown = 0;
float g_MouseWheelDelta = 0.0f;
int g_KeyEnter = 0, g_KeyShift = 0, g_KeyCtrl = 0, g_KeySpace = 0, g_KeyPageUp = 0, g_KeyPageDown = 0,
    g_KeyHome = 0, g_KeyEnd = 0, g_KeyInsert = 0, g_KeyDelete = 0, g_KeyAdd = 0, g_KeySubtract = 0;
int g_KeyLeft = 0, g_KeyRight = 0, g_KeyUp = 0, g_KeyDown = 0;
int g_KeyA = 0, g_KeyD = 0, g_KeyS = 0, g_KeyW = 0;
int g_KeyEsc = 0;
int g_KeyXToggle = 0;
int g_DebugView = 0;

namespace {

// The held flag of a key of the first key table; null for other keys.
int* HeldFlag(unsigned vk)
{
    switch (vk) {
    case VK_RETURN: return &g_KeyEnter;
    case VK_SHIFT: return &g_KeyShift;
    case VK_CONTROL: return &g_KeyCtrl;
    case VK_SPACE: return &g_KeySpace;
    case VK_PRIOR: return &g_KeyPageUp;
    case VK_NEXT: return &g_KeyPageDown;
    case VK_END: return &g_KeyEnd;
    case VK_HOME: return &g_KeyHome;
    case VK_INSERT: return &g_KeyInsert;
    case VK_DELETE: return &g_KeyDelete;
    case VK_ADD: return &g_KeyAdd;
    case VK_SUBTRACT: return &g_KeySubtract;
    case VK_LEFT: return &g_KeyLeft;
    case VK_UP: return &g_KeyUp;
    case VK_RIGHT: return &g_KeyRight;
    case VK_DOWN: return &g_KeyDown;
    case VK_ESCAPE: return &g_KeyEsc;
    default: return nullptr;
    }
}

// Keys that type a character: while a text field takes input they belong to it.
bool IsTypingKey(unsigned vk)
{
    return (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || vk == VK_SPACE ||
           (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE) || (vk >= VK_OEM_1 && vk <= VK_OEM_3) ||
           (vk >= VK_OEM_4 && vk <= VK_OEM_7) || vk == VK_OEM_102;
}

void Deactivate()
{
    // A network game runs on for the other players whatever this window does.
    if (g_GameMode == 2 && g_Network.initialised) {
        DebugOut("WndProc: focus lost, the network game goes on");
        return;
    }
    PauseAllSounds();
    g_AppActive = 0;
    g_HasFocus = 0;
    g_GameClock.Pause();
    DebugOut("WndProc: focus lost, game paused");
}

void Activate()
{
    g_AudioManager.ResumeAll();
    g_AppActive = 1;
    g_HasFocus = 1;
    g_GameClock.Resume();
    DebugOut("WndProc: focus gained, game resumed");
}

void SetMousePosition(LPARAM lParam)
{
    g_MouseX = float(GET_X_LPARAM(lParam)) / g_ScreenScaleX;
    g_MouseY = float(GET_Y_LPARAM(lParam)) / g_ScreenScaleY;
}

// C and F3: the same in space and on the station's sector map.
void KeyTalkOrSelect(CUnit* player)
{
    if (player && player->target && !g_CommMode)
        g_CommWindow.Talk(player->target, 0);
    else if (g_RadioMenu.state == 1)
        g_RadioMenu.SelectEntry();
}

void KeyRadio(CUnit* player)
{
    if (!player)
        return;
    if (!g_CommMode)
        g_RadioMenu.Open();
    else if (g_RadioMenu.state == 1)
        g_RadioMenu.OnKey(0);
}

void DebugEnterStation()
{
    if (g_LocationKind == 2) {
        CStationMenu::SetActive(1);
        return;
    }
    if (g_LocationKind != 1 || g_PendingLocationKind != -1)
        return;
    CUnit* ship = CObjectList::FindDockedPlayerShip();
    for (uint32_t i = 0; ship && i < CObjectList::unitCount[1]; ++i) {
        CUnit* station = CObjectList::units[1][i];
        const char* folder = g_World.IsDockedAt(ship, station) ? StationInteriorFolder(station) : nullptr;
        if (folder && folder[0]) {
            g_World.RequestLocationKind(2, folder);
            return;
        }
    }
}

void KeyDownFirstTable(unsigned vk, int wasActive)
{
    if (int* flag = HeldFlag(vk)) {
        *flag = 1;
        return;
    }
    switch (vk) {
    case VK_PAUSE:
        if (g_LocationDirector.locationId == 201 || g_GameMenuActive)
            break;
        if (wasActive == 1) {
            g_AppActive = 0;
            if (g_GameMode != 2) {
                PauseAllSounds();
                g_GameClock.Pause();
            }
        } else {
            g_AppActive = 1;
            if (g_GameMode != 2) {
                g_AudioManager.ResumeAll();
                g_GameClock.Resume();
            }
        }
        break;
    case 'D':
        if (g_Settings.debugOut && g_KeyCtrl)
            g_DebugView = !g_DebugView;
        break;
    case 'F':
        if (g_Settings.debugOut && g_DebugView && g_KeyCtrl)
            g_D3DRender.ToggleFillMode();
        break;
    case 'H':
        // Debug shortcut: in space, into the interior of the station the player's ship is
        // docked at; inside, straight to the station menu without the walk to the desk.
        if (g_Settings.debugOut && g_DebugView && g_KeyCtrl && !g_StationMenuActive)
            DebugEnterStation();
        break;
    default:
        break;
    }
}

void KeyDownDigits(unsigned vk)
{
    if (vk < '0' || vk > '9')
        return;
    int n = int(vk - '0');
    if (g_KeyCtrl) {
        if (g_PlayerObject && g_WorldIndex == 1)
            InputSelectWeapon(n == 0 ? 9 : n - 1);
        return;
    }
    if (n == 0 || !g_CommMode)
        return;
    if (g_CommWindow.state == 1)
        g_CommWindow.ChooseReply(n);
    else if (g_RadioMenu.state == 1)
        g_RadioMenu.OnKey(n);
}

void KeyDownSpace(unsigned vk)
{
    CUnit* player = g_PlayerObject;
    switch (vk) {
    case 'A': g_KeyA = 1; break;
    case 'S': g_KeyS = 1; break;
    case 'W': g_KeyW = 1; break;
    case 'D':
        if (!g_KeyCtrl)
            g_KeyD = 1;
        break;
    case 'C':
        KeyTalkOrSelect(player);
        break;
    case 'E':
        if (player)
            player->target = CObjectList::FindNearestObject(-1.0f, player);
        break;
    case 'F':
        if (player && !g_KeyCtrl)
            player->target = CObjectList::FindNearestInRange();
        break;
    case 'I':
        if (g_KeyCtrl && g_KeyShift)
            g_Settings.invertMouse = !g_Settings.invertMouse;
        else if (g_DebugView)
            g_Cockpit.overlayShown = !g_Cockpit.overlayShown;
        break;
    case 'L':
        if (g_DebugView && player) {
            SpaceCameraSetTarget(player->target);
            SpaceCameraToggleView();
        }
        break;
    case 'M': if (player) InputFireSecondary(); break;
    case 'Q': if (player) InputHandleKey(); break;
    case 'R': if (player) InputCycleZoom(); break;
    case 'T': if (player) InputCycleTarget(); break;
    case 'U':
        if (g_DebugView)
            g_Cockpit.shown = !g_Cockpit.shown;
        break;
    case 'X':
        g_KeyXToggle = !g_KeyXToggle;
        break;
    case VK_F1:
        if (player)
            g_RadioMenu.ToggleHelp();
        break;
    case VK_F2:
        if (player && !g_CommMode)
            g_CommWindow.Talk(g_HeroStation, 0);
        break;
    case VK_F3:
        KeyRadio(player);
        break;
    case VK_F9:
        if (g_DebugView)
            SpaceCameraToggleView();
        break;
    default:
        break;
    }
}

void KeyDownPlanet(unsigned vk)
{
    switch (vk) {
    case 'A': g_KeyLeft = 1; break;
    case 'D': g_KeyRight = 1; break;
    case 'S': g_KeyDown = 1; break;
    case 'W': g_KeyUp = 1; break;
    case 'C':
    case VK_F3:
        if (g_StationMenuActive && g_StationMenuPage == 2) {
            if (vk == 'C')
                KeyTalkOrSelect(g_PlayerObject);
            else
                KeyRadio(g_PlayerObject);
        }
        break;
    default:
        break;
    }
}

void KeyUp(unsigned vk)
{
    if (g_WorldIndex == 0) {
        switch (vk) {
        case 'A': g_KeyLeft = 0; break;
        case 'D': g_KeyRight = 0; break;
        case 'S': g_KeyDown = 0; break;
        case 'W': g_KeyUp = 0; break;
        default: break;
        }
    }
    if (int* flag = HeldFlag(vk))
        *flag = 0;
    if (g_WorldIndex == 1) {
        switch (vk) {
        case 'A': g_KeyA = 0; break;
        case 'D': g_KeyD = 0; break;
        case 'S': g_KeyS = 0; break;
        case 'W': g_KeyW = 0; break;
        default: break;
        }
    }
}

void LeftClick()
{
    if (g_WorldIndex != 0) {
        if (g_GameMenuActive)
            CGameMenu::OnClick();
        return;
    }
    if (g_GameMenuActive) {
        CGameMenu::OnClick();
        return;
    }
    if (g_StationMenuActive) {
        CStationMenu::OnClick();
        return;
    }
    if (!g_PlanetClicksEnabled)
        return;
    if (g_GameInterface.IsDialogActive()) {
        g_GameInterface.OnDialogClick();
        return;
    }
    CUnit* picked = g_World.PickObject();
    CUnit* player = g_PlayerObject;
    if (!picked || !player)
        return;
    if (picked->objectClass == GCLASS_LANDSCAPE) {
        Vec3 point;
        if (g_World.PickGroundPoint(g_MouseX, g_MouseY, &point)) {
            OrderUnit(player, ACTION_MOVE, &point, nullptr, 0);
            player->scriptStep = 0;
        }
    } else if (picked->objectClass == GCLASS_CHARACTER_NPC) {
        if (g_GameMode == 2 && player->pilot.side == 2)
            return;
        if (player->orderType == ACTION_DEAD || player->orderType == ACTION_GET_DAMAGE)
            return;
        // The order runs a hero's first follow step itself.
        OrderUnit(player, ACTION_FOLLOW, picked, nullptr, 0);
        player->scriptStep = 0;
    } else if (picked->objectClass == GCLASS_ITEM) {
        player->scriptStep = 100;
    }
}

void RightClick()
{
    if (g_WorldIndex != 0 || !g_PlanetClicksEnabled || g_GameInterface.IsDialogActive())
        return;
    if (CCursor::state == 4) {
        CCursor::state = 0;
        return;
    }
    Vec3 point;
    if (g_PlayerObject && g_World.PickGroundPoint(g_MouseX, g_MouseY, &point))
        OrderUnit(g_PlayerObject, ACTION_STAY, &point, nullptr, 0);
}

} // namespace

LRESULT WndProc(WindowHandle window, unsigned message, WPARAM wParam, LPARAM lParam)
{
    const int wasActive = g_AppActive;

    // While the space world runs beside a docked station everything else goes to the
    // default handler; closing, focus and socket notices must still be seen.
    if (g_AppActive && g_WorldIndex == 1 && g_LocationKind != 1) {
        switch (message) {
        case WM_ACTIVATE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_CLOSE:
        case WM_SOCKET:
            break;
        default:
            return DefWindowProc(window, message, wParam, lParam);
        }
    }

    if (g_TextInputState == TEXT_INPUT_TYPING) {
        if (message == WM_CHAR) {
            g_TextInputChar = char(wParam & 0xFF);
            return 0;
        }
        if (message == WM_KEYDOWN) {
            switch (wParam) {
            case VK_RETURN: g_TextInputState = TEXT_INPUT_ENTER; return 0;
            case VK_BACK: g_TextInputState = TEXT_INPUT_BACKSPACE; return 0;
            case VK_ESCAPE: g_TextInputState = TEXT_INPUT_ESC; return 0;
            default:
                // Typed letters and digits must not steer or fire.
                if (IsTypingKey(unsigned(wParam)))
                    return 0;
                break;
            }
        }
    }

    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            Deactivate();
        else
            Activate();
        return 0;
    case WM_KILLFOCUS:
        Deactivate();
        return 0;
    case WM_SETFOCUS:
        SetCursor(nullptr);
        Activate();
        return 0;
    case WM_CLOSE:
        g_QuitRequested = 1;
        g_LocationFinished = 1;
        return 0;
    case WM_KEYDOWN: {
        unsigned vk = unsigned(wParam);
        KeyDownFirstTable(vk, wasActive);
        KeyDownDigits(vk);
        if (g_WorldIndex == 1)
            KeyDownSpace(vk);
        else if (g_WorldIndex == 0)
            KeyDownPlanet(vk);
        return 0;
    }
    case WM_KEYUP:
        KeyUp(unsigned(wParam));
        return 0;
    case WM_CHAR: {
        unsigned c = unsigned(wParam & 0xFF);
        if (c > 'Z')
            c -= 32;
        if (g_RadioMenu.state == 1) {
            if (c == ',')
                g_RadioMenu.SelectPrevious();
            else if (c == '.')
                g_RadioMenu.SelectNext();
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        SetMousePosition(lParam);
        return 0;
    case WM_LBUTTONDOWN:
        g_MouseLeftDown = 1;
        SetMousePosition(lParam);
        LeftClick();
        return 0;
    case WM_LBUTTONUP:
        g_MouseLeftDown = 0;
        return 0;
    case WM_RBUTTONDOWN:
        g_MouseRightDown = 1;
        SetMousePosition(lParam);
        RightClick();
        return 0;
    case WM_RBUTTONUP:
        g_MouseRightDown = 0;
        if (g_WorldIndex == 1 && !SpaceCameraOutsideView() && g_PlayerObject &&
            g_PlayerObject->manualControl == 1 && g_AppActive == 1)
            g_D3DRender.SetCursorPos800x600(400.0f, 300.0f);
        return 0;
    case WM_MOUSEWHEEL:
        g_MouseWheelDelta = float(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_SOCKET:
        if (HIWORD(std::uintptr_t(lParam)) != 0)
            ShowMessage("WM_SOCKET error!", "Network error!", MB_OK | MB_ICONWARNING);
        else if (LOWORD(std::uintptr_t(lParam)) == FD_READ)
            g_Network.OnReceive(int(wParam));
        else if (LOWORD(std::uintptr_t(lParam)) == FD_WRITE)
            g_Network.SetSocketWritable(int(wParam), 1);
        return 0;
    default:
        return DefWindowProc(window, message, wParam, lParam);
    }
}
