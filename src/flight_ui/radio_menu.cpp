// The radio menu: its pages, the orders it gives to hired transports and fighters, and
// the typed message of a network game.
#include "flight_ui/radio_menu.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/winmain.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "files/language.h"
#include "locations/location_director.h"
#include "menus/station_menu.h"
#include "net/network.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "world/game_clock.h"
#include "world/object_list.h"
#include "world/objects/item.h"
#include "world/objects/unit.h"
#include "world/world.h"

CRadioMenu g_RadioMenu;

namespace {

const char kMenuFont[] = "Data/Misc/Fonts/Hermes.18";
constexpr unsigned kGreen = 0x009B00u;

// The world index is the space world's while an order runs, then what it was.
class SpaceWorldScope {
public:
    SpaceWorldScope() : saved_(g_WorldIndex) { g_WorldIndex = 1; }
    ~SpaceWorldScope() { g_WorldIndex = saved_; }

private:
    int saved_;
};

bool InLastDockingStages(const CUnit* u) { return u->orderType == ACTION_DOCKING && u->orderSubState >= 3; }

bool IsNetwork() { return g_GameMode == 2; }

const char* const kTransportLines[] = {
    "1 - Вернуться на базу (в док).",
    "2 - Ждать указаний рядом с базой.",
    "3 - Следовать за мной.",
    "4 - Перевозить руду с ближайшей шахты.",
    "5 - Перевозить руду с выбранной мною шахты.",
};
const char* const kFighterLines[] = {
    "1 - Вернуться на базу (в док).",
    "2 - Ждать указаний рядом с базой.",
    "3 - Следовать за мной.",
    "4 - Атаковать мою цель!",
    "5 - Охранять мою цель!",
    "6 - Охранять ближайшую шахту!",
};
// Help: action and key; a null action is a dashed rule.
const char* const kHelp[][2] = {
    {"Увеличение/уменьшение тяги двигателя", "W/S"},
    {"Повороты корабля", "A,D,мышь,"},
    {"", "курсорные клавиши"},
    {"Инверсия вращения вокруг оси X", "Ctrl+Shift+I"},
    {nullptr, nullptr},
    {"Выбрать ближайший дружественный объект", "F"},
    {"Выбрать ближайший вражеский объект", "E"},
    {"Выбрать объект прямо по курсу", "Q"},
    {"Перебор объектов", "T"},
    {"Связь с выбранным объектом", "C"},
    {"Выравнять скорость с выбранным объектом", "X"},
    {nullptr, nullptr},
    {"Активация бортового вооружения", "Ctrl+1..9"},
    {"Выстрел из активных лазерных установок", "Левая кнопка мыши"},
    {"Выстрел из активных ракетных установок", "Пробел"},
    {"Активация противоракетной системы", "M"},
    {nullptr, nullptr},
    {"Режим свободного взгляда из кабины", "Правая кнопка мыши"},
    {"Изменить дальность действия радара", "R"},
    {nullptr, nullptr},
    {"Связь с базой", "F2"},
    {"Активация компьютера управления", "F3"},
    {nullptr, nullptr},
    {"Помощь (этот экран)", "F1"},
};
constexpr int kHelpRows = int(sizeof kHelp / sizeof kHelp[0]);
constexpr float kHelpKeyRight = 507.0f;  // where the keys end, inside the 512-texel panel
constexpr float kHelpKeyGap = 8.0f;      // at least this between an action and its key
constexpr float kBaseFooterTop = 155.0f; // the first line under the base page's view

// An ore run between the home station and a mine, by ids; nothing when there is nothing
// to carry.
void OrderOreRun(CUnit* u, CUnit* mine)
{
    const int home = g_HeroStation ? g_HeroStation->pilot.objectId : -1;
    if (mine && u->ore > 0.0f) u->SetTargetsById(home, mine->pilot.objectId);
    else if (mine && mine->ore > 0.0f) u->SetTargetsById(mine->pilot.objectId, home);
    else if (!mine && u->ore > 0.0f) u->SetTargetsById(home, -1);
    else return;
    u->target = nullptr;
    u->SetOrder(ACTION_TRANSPORT, nullptr, nullptr, 0);
    u->target = nullptr;
    u->scriptStep = -1;
}

// Orders 1 to 3, the same for both kinds; false for other numbers.
bool OrderCommon(CUnit* u, int k)
{
    switch (k) {
    case 1:
        if (g_HeroStation && u->SetOrder(ACTION_DOCKING, g_HeroStation, nullptr, 0)) u->dockTime = 0xFFFFFFFFu;
        return true;
    case 2:
        if (g_HeroStation) u->SetOrder(ACTION_GUARD, g_HeroStation, nullptr, 0);
        return true;
    case 3:
        if (CUnit* player = CObjectList::FindPlayer()) u->SetOrder(ACTION_GUARD, player, nullptr, 0);
        return true;
    default:
        return false;
    }
}

} // namespace

void CUnit::OrderTransport(int k)
{
    SpaceWorldScope world;
    ClearOrderStack();
    if (OrderCommon(this, k)) return;
    CUnit* player = g_PlayerObject;
    if (k == 4) {
        OrderOreRun(this, CObjectList::FindNearestStationTwin(100000.0f, this));
    } else if (k == 5) {
        CUnit* t = player ? player->target : nullptr;
        const bool mine = t && t->kind == GTYPE_SP_STATION && t->FindCargoItem();
        OrderOreRun(this, mine ? t : nullptr);
    }
}

void CUnit::OrderFighter(int k)
{
    SpaceWorldScope world;
    ClearOrderStack();
    if (OrderCommon(this, k)) return;
    CUnit* t = g_PlayerObject ? g_PlayerObject->target : nullptr;
    if (k == 4) {
        if (t && t != this && IsHostileTo(t)) SetOrder(ACTION_ATTACK, t, t, 0);
    } else if (k == 5) {
        if (t && t != this && IsFriendlyTo(t)) SetOrder(ACTION_GUARD, t, nullptr, 0);
    } else if (k == 6) {
        if (CUnit* mine = CObjectList::FindNearestStationTwin(100000.0f, this)) SetOrder(ACTION_GUARD, mine, nullptr, 0);
    }
}

void CRadioMenu::Init()
{
    font.Load(kMenuFont);
    voice = nullptr;
    state = 0;
    page = RADIO_PAGE_CLOSED;
    switching = 0;
    lastTick = 0;
    openPercent = 0.0f;
    rows = entryCount = selection = 0;
    panelHeight = 0.0f;
    panel = CPanelTarget();
}

void CRadioMenu::Open()
{
    g_CommMode = 1;
    state = 1;
    page = RADIO_PAGE_MAIN;
    rows = 0;
    if (g_PlayerObject) g_PlayerObject->inRadioTalk = 1;
    lastTick = g_GameClock.NowMs();
    entryCount = selection = 0;
}

void CRadioMenu::Close()
{
    g_TextInputState = 0;
    g_CommMode = 0;
    state = 0;
    page = RADIO_PAGE_CLOSED;
    rows = 0;
    if (g_PlayerObject) g_PlayerObject->inRadioTalk = 0;
}

void CRadioMenu::ToggleHelp()
{
    if (state == 1 && page == RADIO_PAGE_HELP) {
        Close();
    } else if (!g_CommMode) {
        Open();
        page = RADIO_PAGE_HELP;
    }
}

void CRadioMenu::OnKey(int n)
{
    if (openPercent != 100.0f) return;
    if (voice) g_AudioManager.ReleaseSound(&voice);
    voice = nullptr;
    SpaceWorldScope world;
    if (n == 0) {
        Close();
        return;
    }
    auto turnTo = [this](int newPage) {
        if (newPage != page) switching = 1;
        page = newPage;
    };
    switch (page) {
    case RADIO_PAGE_MAIN:
        if (n == 1 && !g_StationMenuActive) turnTo(RADIO_PAGE_BASE);
        else if (n >= 2 && n <= 4) turnTo(n);
        else if (n == 5 && IsNetwork()) {
            turnTo(RADIO_PAGE_RECIPIENT);
            typed[0] = 0;
        }
        return;
    case RADIO_PAGE_TRANSPORTS:
    case RADIO_PAGE_FIGHTERS: {
        const bool transports = page == RADIO_PAGE_TRANSPORTS;
        if (n < 1 || n > (transports ? 5 : 6)) return;
        const int kind = transports ? GTYPE_SP_NPCSHIP_MERCS_CARGO : GTYPE_SP_NPCSHIP_MERCS_FIGHTER;
        CUnit* first = nullptr;
        int ordered = 0;
        for (uint32_t i = 1; i < CObjectList::unitCount[1]; ++i) {
            CUnit* u = CObjectList::units[1][i];
            if (!u || u->objectClass != GCLASS_SPACE_SHIP || u->kind != kind) continue;
            if (!first) first = u;
            if (InLastDockingStages(u)) continue;
            if (transports) u->OrderTransport(n);
            else u->OrderFighter(n);
            DebugOutF("CRadioMenu: order %d to unit %d, now order %d", n, u->pilot.objectId, u->orderType);
            ++ordered;
            if (IsNetwork() && u->pilot.side != 2) g_Network.SendObjectMessage(14, u);
        }
        DebugOutF("CRadioMenu: order %d to %d %s", n, ordered, transports ? "transports" : "fighters");
        Close();
        if (first) {
            const char* wav = first->radioDialog.FindLineWav(TEXTLINE_GETORDER_OK);
            if (wav && g_Settings.voice) {
                voice = g_AudioManager.LoadSound(wav, SOUND_VOICE, 1.0f, 10.0f);
                PlayPilotVoice(voice, first);
            }
        }
        return;
    }
    case RADIO_PAGE_RECIPIENT: {
        const CNetSession& s = g_Network.session;
        const int players = s.playerCount < 0 ? 0 : (s.playerCount > 4 ? 4 : s.playerCount);
        if (n == 1) {
            recipient = -1;
        } else {
            const int ownId = s.ownIndex >= 0 && s.ownIndex < 4 ? s.playerIds[s.ownIndex] : -1;
            int seen = 0, found = -2;
            for (int i = 0; i < players && found == -2; ++i)
                if (s.playerIds[i] != ownId && ++seen == n - 1) found = s.playerIds[i];
            if (found == -2) return;
            recipient = found;
        }
        turnTo(RADIO_PAGE_MESSAGE);
        g_TextInputChar = 0;
        g_TextInputState = 1;
        return;
    }
    default:
        return;  // the lists, help and typing take no digits
    }
}

void CRadioMenu::SelectPrevious()
{
    if ((page == RADIO_PAGE_BASE || page == RADIO_PAGE_MERCENARIES) && selection > 0) --selection;
}

void CRadioMenu::SelectNext()
{
    if ((page == RADIO_PAGE_BASE || page == RADIO_PAGE_MERCENARIES) && selection < entryCount - 1) ++selection;
}

void CRadioMenu::SelectEntry()
{
    if (selection < 0 || selection >= entryCount || !entries[selection]) return;
    CUnit* u = entries[selection];
    if (page == RADIO_PAGE_BASE) {
        const int id = g_LocationDirector.locationId;
        if (id >= 1 && id <= 99) u->dockTime = 1;
    } else if (page == RADIO_PAGE_MERCENARIES) {
        Close();
        g_CommWindow.Talk(u, 0);
    }
}

void CRadioMenu::ForgetUnit(const CUnit* unit)
{
    int kept = 0;
    for (int i = 0; i < entryCount; ++i)
        if (entries[i] != unit) entries[kept++] = entries[i];
    for (int i = kept; i < entryCount; ++i) entries[i] = nullptr;
    entryCount = kept;
    if (selection >= entryCount) selection = entryCount > 0 ? entryCount - 1 : 0;
}

void CRadioMenu::RefreshEntries()
{
    entryCount = 0;
    const int kinds[2] = {GTYPE_SP_NPCSHIP_MERCS_CARGO, GTYPE_SP_NPCSHIP_MERCS_FIGHTER};
    if (page == RADIO_PAGE_BASE && g_HeroStation) {
        for (int kind : kinds)
            for (int i = 0; i < kMaxDocked && entryCount < kRadioMenuEntries; ++i) {
                CUnit* u = g_HeroStation->dockedUnits[i];
                if (u && u->objectClass == GCLASS_SPACE_SHIP && u->kind == kind && u->dockTime == 0xFFFFFFFFu)
                    entries[entryCount++] = u;
            }
    } else if (page == RADIO_PAGE_MERCENARIES) {
        for (int kind : kinds)
            for (uint32_t i = 1; i < CObjectList::unitCount[1] && entryCount < kRadioMenuEntries; ++i) {
                CUnit* u = CObjectList::units[1][i];
                if (u && u->hull != 0.0f && u->orderType != ACTION_DEAD && u->objectClass == GCLASS_SPACE_SHIP &&
                    u->kind == kind)
                    entries[entryCount++] = u;
            }
    }
    for (int i = entryCount; i < kRadioMenuEntries; ++i) entries[i] = nullptr;
    if (entryCount == 0) selection = 0;
    else if (selection >= entryCount) selection = entryCount - 1;
}

void CRadioMenu::UpdateTyping()
{
    if (!g_PlayerObject) return;
    RefreshEntries();
    const float lh = font.GetTextHeight(1.0f);
    const float net = IsNetwork() ? lh : 0.0f;
    float h = 0.0f;
    switch (page) {
    case RADIO_PAGE_MAIN: h = 6 * lh + 20 + net; break;
    case RADIO_PAGE_BASE:
        h = float(rows) * 28 + 4 * lh + 20 + net;
        // The footer goes under the station's view when the rows end beside it.
        if (h < kBaseFooterTop + lh + 5.0f) h = kBaseFooterTop + lh + 5.0f;
        break;
    case RADIO_PAGE_MERCENARIES: h = float(rows) * 30 + 2 * lh + 20; break;
    case RADIO_PAGE_TRANSPORTS: h = 9 * lh + 20; break;
    case RADIO_PAGE_FIGHTERS: h = 11 * lh + 20; break;
    case RADIO_PAGE_HELP: h = 24 * lh + 20; break;
    case RADIO_PAGE_RECIPIENT: h = float(g_Network.session.playerCount + 3) * lh + 20; break;
    case RADIO_PAGE_MESSAGE: h = float(rows + 4) * lh + 20; break;
    default: break;
    }
    panelHeight = h > kPanelTextureHeight ? kPanelTextureHeight : h;

    if (page == RADIO_PAGE_MESSAGE) {
        switch (g_TextInputState) {
        case 1:
            if (g_TextInputChar) {
                const size_t len = std::strlen(typed);
                if (len < 254 && font.FindChar((unsigned char)g_TextInputChar) >= 0) {
                    typed[len] = g_TextInputChar;
                    typed[len + 1] = 0;
                }
                g_TextInputChar = 0;
            }
            break;
        case 2: {
            if (g_PlayerObject) {
                NetChatText msg{recipient, g_PlayerObject->pilot.objectId, typed};
                g_Network.SendObjectMessage(21, g_PlayerObject, &msg);
            }
            g_TextInputState = 0;
            Close();
            break;
        }
        case 3: {
            const size_t len = std::strlen(typed);
            if (len) typed[len - 1] = 0;
            g_TextInputState = 1;
            break;
        }
        case 4:
            g_TextInputState = 0;
            Close();
            break;
        default: break;
        }
    }

    const uint32_t now = g_GameClock.NowMs();
    const float step = float(now - lastTick) * 0.001f * 300.0f;
    if (state != 0) {
        if (switching) {
            openPercent -= step;
            if (openPercent < 0.0f) switching = 0;
        } else {
            openPercent += step;
        }
    } else {
        openPercent -= step;
    }
    lastTick = now;
    if (openPercent < 0.0f) openPercent = 0.0f;
    if (openPercent > 100.0f) openPercent = 100.0f;
}

void CRadioMenu::DrawListRows(float y0, int mercenaries)
{
    rows = 0;
    for (int i = 0; i < entryCount; ++i) {
        CUnit* u = entries[i];
        if (!u) continue;
        const float y = y0 + float(i) * 28.0f;
        // The panel grows to the rows of the last redraw; only the texture limits them.
        if (y + 26.0f + font.GetTextHeight(1.0f) > kPanelTextureHeight) break;
        const bool selected = i == selection;
        if (selected) DrawScreenQuad(0xFF005000u, 0xFF002800u, 5.0f, y, 330.0f, y + 26.0f, 0xFF005000u, 0xFF002800u, nullptr);
        DrawScreenRect(0xFF00FF00u, 0xFF000000u, 5.0f, y, 330.0f, y + 26.0f, 0xFF00FF00u, 0xFF000000u);
        const unsigned yellow = selected ? 0xC8C800u : 0x969600u;
        font.DrawTextUniform(7.0f, y + 1.0f, u->pilot.pilotName, FlickerColour(yellow), 0.9f);
        char text[320];
        const char* role = u->kind == GTYPE_SP_NPCSHIP_MERCS_CARGO ? "грузовой" : "боевой";
        std::snprintf(text, sizeof text, "%s (%s)", TranslateText(u->displayName), TranslateText(role));
        font.DrawTextUniform(170.0f, y + 1.0f, text, FlickerColour(yellow), 0.9f);
        // Free while it stands by, busy with any other order; beside its row.
        if (mercenaries)
            font.DrawTextUniform(335.0f, y + 1.0f, u->orderType == ACTION_STAY ? "(свободен)" : "(занят)",
                                 FlickerColour(kGreen), 0.9f);
        const float by = y + 18.0f;
        DrawScreenQuad(0xFF643200u, 0xFF643200u, 9.0f, by, 9.0f + 74.0f * u->pilot.skill, by + 5.0f, 0xFFC86400u, 0xFFC86400u, nullptr);
        DrawScreenRectColour(0xFF00C800u, 8.0f, by - 1.0f, 84.0f, by + 6.0f);
        DrawScreenQuad(0xFF003264u, 0xFF003264u, 89.0f, by, 89.0f + 74.0f * u->pilot.skill2, by + 5.0f, 0xFF0064C8u, 0xFF0064C8u, nullptr);
        DrawScreenRectColour(0xFF00C800u, 88.0f, by - 1.0f, 164.0f, by + 6.0f);
        const float hull = u->hullMax > 0.0f ? u->hull / u->hullMax : 0.0f;
        DrawScreenQuad(0xFF006400u, 0xFF006400u, 172.0f, by, 172.0f + 156.0f * hull, by + 5.0f, 0xFF00C800u, 0xFF00C800u, nullptr);
        DrawScreenRectColour(0xFF00C800u, 171.0f, by - 1.0f, 329.0f, by + 6.0f);
        ++rows;
    }
}

void CRadioMenu::DrawPage(float lh)
{
    float y = 10.0f;
    auto line = [&](const char* text, unsigned rgb = kGreen) {
        font.DrawTextUniform(5.0f, y, text, FlickerColour(rgb), 1.0f);
        y += lh;
    };
    char text[512];
    switch (page) {
    case RADIO_PAGE_MAIN:
        if (g_StationMenuActive) font.DrawTextUniform(5.0f, y, "1 - Информация: база...", 0x96006400u, 1.0f), y += lh;
        else line("1 - Информация: база...");
        line("2 - Информация: наемники...");
        line("3 - Приказы пилотам транспортных кораблей...");
        line("4 - Приказы пилотам боевых кораблей...");
        if (IsNetwork()) line("5 - Отправить сообщение...");
        line("F3 - Выход.");
        break;
    case RADIO_PAGE_BASE: {
        CUnit* st = g_HeroStation;
        line("В грузовом отсеке:");
        const float ore = st ? st->ore : 0.0f;
        if (ore >= 1.0f) std::snprintf(text, sizeof text, "%s - %.03f", TranslateText("Чистый иллирион"), ore);
        else std::snprintf(text, sizeof text, "%s - %.0f", TranslateText("Чистый иллирион"), ore * 1000.0f);
        line(text);
        std::snprintf(text, sizeof text, "%s - %d", TranslateText("Кораблей в доке"), st ? st->dockedCount : 0);
        line(text);
        DrawListRows(3.0f * lh + 10.0f, 0);
        y = 3.0f * lh + 14.0f + float(rows) * 28.0f;
        // The long footer would run under the station's view (to y 150): below it then.
        if (entryCount && y < kBaseFooterTop) y = kBaseFooterTop;
        line(entryCount ? "F3 - Выход. <,> - Выбор. C - Приказ на выход в сектор." : "F3 - Выход.");
        if (st) {
            DrawOrbitView(st, panel);
            const float hull = st->hullMax > 0.0f ? st->hull / st->hullMax : 0.0f;
            DrawScreenRectColour(0xFF006400u, 497.0f, 5.0f, 508.0f, 150.0f);
            DrawScreenQuad(0xFF009600u, 0xFF003200u, 499.0f, 148.0f - hull * 141.0f, 506.0f, 148.0f, 0xFF009600u, 0xFF003200u, nullptr);
        }
        break;
    }
    case RADIO_PAGE_MERCENARIES:
        std::snprintf(text, sizeof text, "%s: %d", TranslateText("Наемников в секторе"), entryCount);
        line(text);
        // Rows right under the one header line, so that rows x 30 + 2 lines + 20 holds them.
        DrawListRows(lh + 10.0f, 1);
        y = lh + 14.0f + float(rows) * 28.0f;
        line(entryCount ? "F3 - Выход. <,> - Выбор. C - Связь с выбранным." : "F3 - Выход.");
        break;
    case RADIO_PAGE_TRANSPORTS:
        line("Приказы пилотам транспортных кораблей:");
        for (const char* l : kTransportLines) line(l);
        line("F3 - Выход.");
        break;
    case RADIO_PAGE_FIGHTERS:
        line("Приказы пилотам боевых кораблей:");
        for (const char* l : kFighterLines) line(l);
        line("F3 - Выход.");
        break;
    case RADIO_PAGE_HELP: {
        // Keys right-aligned at the panel's edge, at the largest scale up to 0.9 at which
        // every key clears its action in this language (the actions keep the panel's size).
        float keyScale = 0.9f;
        for (int i = 0; i < kHelpRows; ++i) {
            if (!kHelp[i][0]) continue;
            const float key = font.GetTextWidth(1.0f, kHelp[i][1]);
            const float room = kHelpKeyRight - kHelpKeyGap - 5.0f - font.GetTextWidth(1.0f, kHelp[i][0]);
            if (key > 0.0f && room < key * keyScale) keyScale = room > 0.0f ? room / key : 0.0f;
        }
        for (int i = 0; i < kHelpRows; ++i) {
            if (!kHelp[i][0]) {
                line("--------------------------------------------------------------------");
                continue;
            }
            if (kHelp[i][0][0]) font.DrawTextUniform(5.0f, y, kHelp[i][0], FlickerColour(kGreen), 1.0f);
            const float x = kHelpKeyRight - font.GetTextWidth(keyScale, kHelp[i][1]);
            font.DrawTextUniform(x, y, kHelp[i][1], FlickerColour(0x9B9B00u), keyScale);
            y += lh;
        }
        break;
    }
    case RADIO_PAGE_RECIPIENT: {
        line("Отправить сообщение для:");
        line("1 - Все пилоты.");
        const CNetSession& s = g_Network.session;
        const int ownId = s.ownIndex >= 0 && s.ownIndex < 4 ? s.playerIds[s.ownIndex] : -1;
        int number = 2;
        for (int i = 0; i < s.playerCount && i < 4; ++i) {
            if (s.playerIds[i] == ownId) continue;
            char name[17];
            CopyTextCut(name, sizeof name, s.names[i]);
            std::snprintf(text, sizeof text, "%d - %s", number++, name);
            line(text);
        }
        line("F3 - Выход.");
        break;
    }
    case RADIO_PAGE_MESSAGE: {
        line("Введите сообщение:");
        // The typed text in rows that break at the last blank before x 495.
        rows = 0;
        const char* rest = typed;
        while (rest[0] && rows < 16) {
            size_t len = std::strlen(rest);
            size_t at = font.GetTextWidth(1.0f, rest) <= 495.0f ? len : size_t(font.CharIndexAtX(495.0f, 1.0f, rest));
            if (at > len) at = len;
            if (at < len) {
                size_t b = at;
                while (b > 0 && rest[b] != ' ') --b;
                if (b > 0) at = b;
                else if (at == 0) at = 1;
            }
            char piece[kRadioTypedSize];
            std::memcpy(piece, rest, at);
            piece[at] = 0;
            line(piece);
            rest += at;
            if (rest[0] == ' ') ++rest;
            ++rows;
        }
        line("Enter - Отправить. F3 - Выход.");
        break;
    }
    default:
        break;
    }
}

void CRadioMenu::Draw()
{
    if (openPercent == 0.0f || !IsPanelRedrawFrame()) return;
    CPanelDrawState saved;
    if (!BeginPanelDraw(&panel, &saved)) return;
    if (state == 0 || switching) {
        DrawScreenQuadColour(0x14000000u, 0.0f, 0.0f, float(panel.width), float(panel.height), nullptr);
    } else {
        g_D3DRender.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        DrawPage(font.GetTextHeight(1.0f));
    }
    EndPanelDraw(&saved);
}

void CRadioMenu::Release()
{
    font.ReleaseTexture();
    if (voice) g_AudioManager.ReleaseSound(&voice);
    voice = nullptr;
}

int CRadioMenu::ToPixels(int frames) const
{
    return PanelToPixels(openPercent, frames, panelHeight);
}

void CRadioMenu::SetupQuad(MeshData* quad) const
{
    SetupPanelQuad(quad, panelHeight);
}
