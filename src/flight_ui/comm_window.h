// The comm window: radio talks in space.
#pragma once

class CUnit;

// Set while a radio talk or the radio menu holds the digit keys.
extern int g_CommMode;

class CCommWindow {
public:
    int state = 0;  // 1 talking
    // ---- Speaker (read by the damage code's radio lines) ----
    CUnit* speaker = nullptr;  // the unit being talked to; null when idle
    int IsSpeaker(const CUnit* unit) const { return unit == speaker; }
    // ---- end of speaker ----
    int Talk(CUnit* unit, int startLine);
    void ChooseReply(int n);
    // The unit says a line of the type; 1 when it did. Head mode 1, or 2 for a new head
    // animation.
    int Say(CUnit* unit, int lineType, int headMode);
    // The unit's line is a text of its own (a network chat line), not a line type.
    void SayText(CUnit* unit, const char* text);
    // Closes any talk.
    void EndTalk();
    // The panel texture under the cockpit effect's texture name (shared with the radio menu).
    void CreateRenderTarget(const char* name);
};

extern CCommWindow g_CommWindow;
