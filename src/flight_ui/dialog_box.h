// The dialog box of the planet world: a scrolling history of what was said and the
// replies the player clicks.
#pragma once
#include <cstdint>

#include "flight_ui/radio_dialog.h"
#include "render/font.h"

class CUnit;
class CSound;

constexpr int kDialogHistoryLines = 64;
constexpr int kDialogHistoryText = 255;

struct DialogHistoryLine {
    char text[kDialogHistoryText];
    uint32_t colour;
    int32_t type;
    int32_t line;
};

class CDialogBox {
public:
    int32_t left = 100, top = 560, right = 700, bottom = 599;
    CFont font;
    DialogHistoryLine history[kDialogHistoryLines] = {};
    int32_t pending = 0;
    uint32_t firstLineTime = 0;
    CUnit* speaker = nullptr;
    RadioReplyEntry replies[RADIO_REPLY_TABLE_SIZE] = {};
    CSound* voice = nullptr;
    CUnit* hoveredOwner = nullptr;
    float height = 10.0f;
    float targetHeight = 10.0f;
    float slideOffset = 0.0f;
    uint32_t slideTime = 0;
    uint32_t heightTime = 0;

    void Reset();
    // The slide and height steps count from now (after the game clock restarts, say).
    void RenewStamps();
    // Opens or continues a talk with the unit from the given line.
    void StartTalk(CUnit* unit, int startLine);
    void OnClick();
    // Of the replies offered in the history, only the chosen one stays.
    void KeepChosenReply(const RadioReplyEntry& chosen);
    void AddLine(const char* text, uint32_t colour, int type, int line);
    void ScrollHistory(const char* text, uint32_t colour, int type, int line);
    // The reply row under the pointer, or -1 (always while lines are still sliding in).
    int ReplyAtPointer() const;
    bool IsMouseOver() const;
    void ConfinePointer();
    // True when the unit is not the one named last (and remembers it).
    bool SetHovered(CUnit* unit);
    void Draw();

    // The top edge as drawn: the box grows upwards from its bottom.
    float DrawnTop() const;
};

extern CDialogBox g_DialogBox;
