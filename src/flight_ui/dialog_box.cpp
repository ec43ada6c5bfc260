#include "flight_ui/dialog_box.h"

#include <cmath>
#include <cstring>

#include "app/settings.h"
#include "app/wndproc.h"
#include "audio/audio_manager.h"
#include "audio/sound.h"
#include "flight_ui/comm_window.h"
#include "locations/location_director.h"
#include "menus/game_menu.h"
#include "platform/crt/rand.h"
#include "platform/win/window.h"
#include "render/d3d_render.h"
#include "render/draw2d.h"
#include "world/game_clock.h"
#include "world/objects/unit.h"
#include "world/world.h"

CDialogBox g_DialogBox;

namespace {

constexpr uint32_t kSeparatorColour = 0xFF646496u;
constexpr uint32_t kEndColour = 0xFF0000C8u;
constexpr uint32_t kNameColour = 0xFF009600u;
constexpr uint32_t kHoverColour = 0xFF64FF64u;
constexpr int kSeparatorType = 1000;
constexpr float kWrapWidth = 590.0f;
// The most rows a talk opens the box to: its top stays under the talk framing's heads.
constexpr int kTalkRowsMost = 12;

float SecondsSince(uint32_t stamp) { return float((g_GameClock.gameTime - double(stamp)) * 0.001); }

unsigned WithAlpha(unsigned colour, int alpha)
{
    alpha = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha);
    return (colour & 0x00FFFFFFu) | (unsigned(alpha) << 24);
}

bool EndsTalk(int type)
{
    switch (type) {
    case TEXTLINE_END_DIALOG_NORMAL:
    case TEXTLINE_END_DIALOG_BATTLE:
    case TEXTLINE_END_DIALOG_QUEST_ID0:
    case TEXTLINE_END_DIALOG_QUEST_ID1:
    case TEXTLINE_END_DIALOG_QUEST_ID2:
    case TEXTLINE_END_DIALOG_OUTDOCKING:
    case TEXTLINE_END_DIALOG_MISSION_COMPLETE:
        return true;
    default:
        return false;
    }
}

}  // namespace

float CDialogBox::DrawnTop() const
{
    return float(bottom) - font.GetTextHeight(1.0f) * 20.0f * height / 100.0f;
}

void CDialogBox::Reset()
{
    std::memset(history, 0, sizeof(history));
    for (DialogHistoryLine& h : history) h.line = -1;
    std::memset(replies, 0, sizeof(replies));
    pending = 0;
    firstLineTime = 0;
    speaker = nullptr;
    hoveredOwner = nullptr;
    height = 0.0f;
    slideOffset = 0.0f;
    RenewStamps();
    if (voice) g_AudioManager.ReleaseSound(&voice);
}

void CDialogBox::RenewStamps()
{
    slideTime = heightTime = g_GameClock.NowMs();
}

void CDialogBox::ScrollHistory(const char* text, uint32_t colour, int type, int line)
{
    std::memmove(&history[1], &history[0], sizeof(history[0]) * (kDialogHistoryLines - 1));
    CopyTextCut(history[0].text, sizeof(history[0].text), text);
    history[0].colour = colour;
    history[0].type = type;
    history[0].line = line;
    // Lines that never got to slide in are not waited for past the history's end.
    if (pending < kDialogHistoryLines) ++pending;
}

void CDialogBox::AddLine(const char* text, uint32_t colour, int type, int line)
{
    if (!firstLineTime) firstLineTime = g_GameClock.NowMs() ? g_GameClock.NowMs() : 1;
    if (type == 0) ScrollHistory("", kSeparatorColour, 0, -1);
    if (!text) text = "";

    // Word-wrap into pieces, then push the last piece first so the first ends on top.
    char pieces[kDialogHistoryLines][kDialogHistoryText];
    int count = 0;
    const size_t len = std::strlen(text);
    size_t start = 0;
    while (start < len && count < kDialogHistoryLines) {
        size_t end = start, lastBreak = start;
        char piece[kDialogHistoryText];
        while (end < len && end - start < kDialogHistoryText - 1) {
            std::memcpy(piece, text + start, end - start + 1);
            piece[end - start + 1] = '\0';
            if (font.GetTextWidth(1.0f, piece) > kWrapWidth && end > start) break;
            if (text[end] == ' ') lastBreak = end;
            ++end;
        }
        // Break at the last blank when the line had to be cut inside a word.
        if (end < len && lastBreak > start) end = lastBreak;
        if (end == start) end = start + 1;  // a glyph wider than the box still moves on
        std::memcpy(pieces[count], text + start, end - start);
        pieces[count][end - start] = '\0';
        ++count;
        start = end;
        while (start < len && text[start] == ' ') ++start;
    }
    if (count == 0) {
        pieces[0][0] = '\0';
        count = 1;
    }
    for (int i = count - 1; i >= 0; --i) ScrollHistory(pieces[i], colour, type, line);
}

void CDialogBox::StartTalk(CUnit* unit, int startLine)
{
    if (!g_PlayerObject || !unit) return;
    pending = 0;
    slideOffset = 0.0f;
    // The box may not have been drawn since the game clock last restarted.
    RenewStamps();
    hoveredOwner = nullptr;
    for (RadioReplyEntry& r : replies) r.type = 0, r.nextLine = 0;

    g_PlayerObject->inRadioTalk = 1;
    unit->inRadioTalk = 1;
    speaker = unit;
    g_CommMode = 1;
    AddLine("", kSeparatorColour, kSeparatorType, -1);

    int count = 0;
    const char* wav = nullptr;
    unit->radioDialog.BuildReplyList(unit->displayName, startLine, replies, &count, &wav);
    if (count > RADIO_REPLY_TABLE_SIZE) count = RADIO_REPLY_TABLE_SIZE;

    if (wav && wav[0] && g_Settings.voice) {
        if (voice) g_AudioManager.ReleaseSound(&voice);
        voice = g_AudioManager.LoadSound(wav, SOUND_VOICE, 1.0f, 10.0f);
        if (voice) {
            voice->SetFrequency(unsigned(float(voice->frequency) / 100.0f * float(unit->pilot.voicePitch) * 1.05f));
            voice->SetVolume(100.0f);
            voice->Play(0);
        }
    }
    for (int i = count - 1; i >= 0; --i) AddLine(replies[i].text, replies[i].colour, replies[i].type, replies[i].line);
    DebugOutF("CDialogBox: talk with unit %d at line %d, %d replies", unit->pilot.objectId, startLine, count - 1);
    // The box opens far enough to show the question and every reply (20 rows are 100 %):
    // at its resting 10 % only the question's first row would show and no reply could be
    // clicked. The exchange before it shows whole when it fits under the speakers' heads;
    // a row of it cut off at the box's edge would read as a sentence broken off.
    int before = 0;
    for (int i = pending; i < kDialogHistoryLines && history[i].type != kSeparatorType && history[i].text[0]; ++i)
        ++before;
    const int rows = pending + before <= kTalkRowsMost ? pending + before : pending - 1;
    const float wanted = float(rows + 1) * 5.0f + 2.5f;
    if (targetHeight < wanted) targetHeight = wanted > 100.0f ? 100.0f : wanted;
}

void CDialogBox::OnClick()
{
    if (!g_PlayerObject || !speaker) return;
    const int r = ReplyAtPointer();
    if (r < 0) return;
    const RadioReplyEntry row = replies[r];
    if (row.type == TEXTLINE_QUESTION || row.type == 0) return;
    DebugOutF("CDialogBox: reply %d (line %d) to unit %d", r, row.line, speaker->pilot.objectId);
    if (row.oneShot == 1) speaker->radioDialog.MarkLine(row.line, 1);
    KeepChosenReply(row);

    if (!EndsTalk(row.type)) {
        StartTalk(speaker, row.nextLine);
        return;
    }
    g_CommMode = 0;
    g_D3DRender.SetCursorPos800x600(400.0f, 300.0f);
    g_PlayerObject->inRadioTalk = 0;
    speaker->inRadioTalk = 0;
    if (g_WorldIndex == 0 && g_PlayerObject->target == speaker) g_PlayerObject->target = nullptr;
    g_World.Camera().EndTalkFraming();
    speaker = nullptr;
    AddLine("Диалог закончен...", kEndColour, 0, -1);
    switch (row.type) {
    case TEXTLINE_END_DIALOG_QUEST_ID0: g_LocationDirector.questFlags[0] = 1; break;
    case TEXTLINE_END_DIALOG_QUEST_ID1: g_LocationDirector.questFlags[1] = 1; break;
    case TEXTLINE_END_DIALOG_QUEST_ID2: g_LocationDirector.questFlags[2] = 1; break;
    case TEXTLINE_END_DIALOG_OUTDOCKING: g_LocationDirector.outDockingRequested = 1; break;
    case TEXTLINE_END_DIALOG_MISSION_COMPLETE: g_LocationDirector.missionOver = 1; break;
    default: break;
    }
    if (voice) g_AudioManager.ReleaseSound(&voice);
}

void CDialogBox::KeepChosenReply(const RadioReplyEntry& chosen)
{
    // The history keeps what was said: of the question's replies only the one picked stays.
    // The question's rows run from the newest slot down to the talk's separator.
    int kept = 0;
    int i = 0;
    for (; i < kDialogHistoryLines && history[i].type != kSeparatorType; ++i) {
        const DialogHistoryLine& h = history[i];
        const bool offered = h.type != TEXTLINE_QUESTION && h.line >= 0;
        if (offered && !(h.line == chosen.line && h.type == chosen.type)) continue;
        if (kept != i) history[kept] = h;
        ++kept;
    }
    if (kept == i) return;
    std::memmove(&history[kept], &history[i], sizeof(history[0]) * size_t(kDialogHistoryLines - i));
    for (int j = kDialogHistoryLines - (i - kept); j < kDialogHistoryLines; ++j) {
        history[j] = DialogHistoryLine();
        history[j].line = -1;
    }
}

int CDialogBox::ReplyAtPointer() const
{
    if (pending > 0 || !speaker) return -1;
    const float h = font.GetTextHeight(1.0f);
    if (h <= 0.0f || g_MouseX < float(left) || g_MouseX > float(right)) return -1;
    const float top0 = DrawnTop();
    const float rel = g_MouseY - (top0 + h / 2.0f);
    if (rel < 0.0f || g_MouseY > float(bottom)) return -1;
    const int slot = int(rel / h);
    if (slot < 0 || slot >= kDialogHistoryLines) return -1;
    const DialogHistoryLine& hl = history[slot];
    if (hl.type == TEXTLINE_QUESTION || hl.type == kSeparatorType || hl.line < 0) return -1;
    for (int j = 1; j < RADIO_REPLY_TABLE_SIZE; ++j) {
        if (replies[j].type == 0) break;
        if (replies[j].line == hl.line && replies[j].type == hl.type) return j;
    }
    return -1;
}

bool CDialogBox::IsMouseOver() const
{
    return g_MouseX >= float(left) && g_MouseX <= float(right) && g_MouseY >= DrawnTop() &&
           g_MouseY <= float(bottom);
}

void CDialogBox::ConfinePointer()
{
    const float t = DrawnTop();
    float x = g_MouseX, y = g_MouseY;
    if (x >= float(left) && x <= float(right) && y >= t && y <= float(bottom)) return;
    if (x < float(left)) x = float(left) + 2.0f;
    if (x > float(right)) x = float(right) - 2.0f;
    if (y < t) y = t + 2.0f;
    if (y > float(bottom)) y = float(bottom) - 2.0f;
    g_MouseX = x, g_MouseY = y;
    SetCursorPos(int(std::lround(x * g_ScreenScaleX)), int(std::lround(y * g_ScreenScaleY)));
}

bool CDialogBox::SetHovered(CUnit* unit)
{
    if (unit == hoveredOwner) return false;
    hoveredOwner = unit;
    return true;
}

void CDialogBox::Draw()
{
    if (voice && !voice->IsPlaying()) g_AudioManager.ReleaseSound(&voice);
    const uint32_t now = g_GameClock.NowMs();

    if (!g_CommMode) {
        const float step = 100.0f * SecondsSince(heightTime);
        if (g_KeyPageUp || g_KeyPageDown) {
            height += g_KeyPageUp ? step : -step;
            height = height < 10.0f ? 10.0f : (height > 100.0f ? 100.0f : height);
            targetHeight = height;
        }
    } else if (!g_GameMenuActive) {
        ConfinePointer();
    }

    const float H = font.GetTextHeight(1.0f);
    const float top0 = float(bottom) - H * 20.0f * height / 100.0f;
    const float l = float(left), r = float(right), b = float(bottom);

    // The box flickers: its shade is drawn anew every frame.
    const int a = int(float(rand() % 50) / 5.0f - 5.0f);
    DrawScreenQuad(WithAlpha(0x32, a + 100), unsigned((a - 6) & 0xFF) << 24, l, top0, r, b, WithAlpha(0x32, a + 100),
                   unsigned((a - 6) & 0xFF) << 24, nullptr);
    const unsigned frame = WithAlpha(0xC8C8FF, (2 * a - 16) & 0xFF);
    DrawScreenLine(frame, 0x00C8C8FFu, l, b, l, top0);
    DrawScreenLine(frame, 0x00C8C8FFu, r, b, r, top0);
    DrawScreenLineColour(frame, l, b, r, b);
    for (int i = 0; i < 10; ++i) {
        const float x = l + float(rand() % (right - left));
        const int k = 50 - int(50.0f - float(rand() % 100) / 2.0f);
        DrawScreenLine(WithAlpha(0xC8C8FF, k), 0x00C8C8FFu, x, b, x, top0);
    }

    const int hovered = ReplyAtPointer();
    if (pending > 0) {
        slideOffset += 150.0f * SecondsSince(slideTime);
        if (slideOffset >= H) {
            slideOffset = 0.0f;
            --pending;
        }
    }
    slideTime = now;

    const float x0 = l + 5.0f;
    const float s = slideOffset;
    float y = top0 + H / 2.0f;
    for (int i = pending; i < kDialogHistoryLines && y < b; ++i) {
        if (i == pending && pending > 0) {
            const DialogHistoryLine& in = history[pending - 1];
            const int alpha = s < H / 2.0f ? 0 : int((s - H / 2.0f) * 510.0f / H);
            font.DrawText(x0, y - H + s, in.text, WithAlpha(in.colour, alpha), WithAlpha(in.colour, alpha), 1.0f);
        }
        const DialogHistoryLine& hl = history[i];
        unsigned colour = hl.colour;
        if (g_CommMode && hl.type != TEXTLINE_QUESTION && hovered > 0 && hl.line == replies[hovered].line)
            colour = kHoverColour;
        const float yy = y + s;
        int alpha = 255;
        const float fadeFrom = b - 1.5f * H;
        if (yy > fadeFrom) alpha = int(255.0f - 255.0f * (yy - fadeFrom) / (H / 2.0f));
        if (yy >= b - H) alpha = 0;

        const char* body = hl.text;
        float nameWidth = 0.0f;
        char name[128] = {};
        if (hl.type == TEXTLINE_QUESTION) {
            if (const char* colon = std::strchr(hl.text, ':')) {
                size_t n = size_t(colon - hl.text) + 1;
                if (n > sizeof(name) - 1) n = sizeof(name) - 1;
                std::memcpy(name, hl.text, n);
                name[n] = '\0';
                nameWidth = font.GetTextWidth(1.0f, name);
                body = colon + 1;
            }
        }
        if (alpha > 0) {
            font.DrawText(x0 + nameWidth, yy, body, WithAlpha(colour, alpha), WithAlpha(colour, alpha), 1.0f);
            if (name[0]) font.DrawText(x0, yy, name, WithAlpha(kNameColour, alpha), WithAlpha(kNameColour, alpha), 1.0f);
        }
        y += H;
    }

    if (height < targetHeight) {
        height += 100.0f * SecondsSince(heightTime);
        if (height > targetHeight) height = targetHeight;
    } else if (height > targetHeight) {
        height -= 100.0f * SecondsSince(heightTime);
        if (height < targetHeight) height = targetHeight;
    }
    height = height < 10.0f ? 10.0f : (height > 100.0f ? 100.0f : height);
    heightTime = now;
}
