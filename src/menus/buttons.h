// The game menu's buttons: text buttons, pilot list lines and the main menu's ring
// buttons. A press is latched on mouse-down and reported once, 0.1 s later, by
// WasClicked, which the page logic polls each frame.
#pragma once
#include "flight_ui/cursor.h"
#include <cstdint>

#include "render/draw2d.h"

class CFont;
class CSound;

// Menu sounds, loaded by the game menu; null when missing (then skipped).
extern CSound* g_ButtonMouseInSound;
extern CSound* g_ButtonPressSound;
extern CSound* g_MainButtonMouseInSound;
extern CSound* g_MainButtonPressSound;

// The unscaled clock time in whole milliseconds: the press stamp of the buttons.
std::uint32_t ButtonClockMs();

class CButton {
public:
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
    int hover = 0;
    int pressed = 0;
    std::uint32_t pressTime = 0;
    int enabled = 0;
    CFont* font = nullptr;
    char caption[256] = {};

    virtual ~CButton() = default;
    virtual int OnMouseDown();
    virtual int IsMouseOver();
    int WasClicked();
    int IsPressed() const { return pressed; }
    void SetPressed(int value);
    void SetEnabled(int value) { enabled = value; }
    int IsEnabled() const { return enabled; }

protected:
    int MouseDownWith(CSound* press);
    int HoverWith(int over, CSound* mouseIn);
};

class CMenuButton : public CButton {
public:
    int alignment = 0;          // 0 left edge, 1 right edge, 2 centred on x
    std::uint32_t textColour = 0;
    std::uint32_t glowColour = 0;
    float scale = 1.0f;

    void Create(float x, float y, const char* text, int align, std::uint32_t text_, std::uint32_t glow, CFont* f,
                int enable, float textScale);
    void SetText(const char* text);
    void SetPosition(float x, float y);
    // 1.0 means the button's own scale.
    void Draw(float drawScale);

private:
    void Place(float x, float y);
};

class CPlayerNameButton : public CButton {
public:
    float scale = 1.0f;
    ScreenSprite unselectedIcon = {};
    ScreenSprite selectedIcon = {};

    void Create(float x, float y, const char* name, CFont* f, float textScale);
    // Cuts `name` in place after the character under x = 130 at the button's scale.
    void SetText(char* name, int enable);
    void Draw();
    const char* GetText() const { return caption; }
};

class CMainMenuButton : public CButton {
public:
    ScreenSprite idleRing = {};
    ScreenSprite hoverRing = {};

    int OnMouseDown() override;
    int IsMouseOver() override;
    void Create(float x, float y, const char* text, CFont* f, int enable);
    // The spin angle of the ring at a multimedia time.
    float SpinAngle(std::uint32_t nowMs) const;
    void Draw(int active);
};
