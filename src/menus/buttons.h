// Buttons of the game menu: a press is latched on mouse-down and reported once, 0.1 s
// later, by WasClicked; the same pressed flag set by the program marks a selection.
#pragma once
#include <cstdint>

#include "render/draw2d.h"

class CFont;
class CSound;

// The menu's button sounds (loaded by the game menu; null when missing).
extern CSound* g_ButtonMouseInSound;
extern CSound* g_ButtonPressSound;
extern CSound* g_MainButtonMouseInSound;
extern CSound* g_MainButtonPressSound;

class CButton {
public:
    virtual int OnMouseDown();
    virtual int IsMouseOver();
    virtual int WasClicked();
    virtual int IsPressed();
    virtual void SetPressed(int value);
    virtual void SetEnabled(int value);
    virtual int IsEnabled();

    float left = 0, top = 0, right = 0, bottom = 0;
    int hover = 0;
    int pressed = 0;
    uint32_t pressTime = 0;
    int enabled = 0;
    CFont* font = nullptr;
    char caption[256] = {};

protected:
    int MouseOverWithSound(int over, CSound* mouseIn);
    int PressWithSound(CSound* press);
};

class CMenuButton : public CButton {
public:
    virtual void Create(float x, float y, const char* text, int alignment, uint32_t textColour, uint32_t glowColour,
                        CFont* font, int enabled, float scale);
    virtual void SetText(const char* text);
    virtual void SetPosition(float x, float y);
    virtual void Draw(float scale);

    int alignment = 0;
    uint32_t textColour = 0;
    uint32_t glowColour = 0;
    float scale = 1.0f;

private:
    void Place(float x, float y);
};

class CPlayerNameButton : public CButton {
public:
    virtual void Create(float x, float y, const char* name, CFont* font, float scale);
    // Cuts name (in place) to what fits 130 units at the button's scale.
    virtual void SetText(char* name, int enabled);
    virtual void Draw();
    virtual const char* GetText();

    float scale = 1.0f;
    ScreenSprite unselectedIcon{};
    ScreenSprite selectedIcon{};
};

class CMainMenuButton : public CButton {
public:
    int OnMouseDown() override;
    int IsMouseOver() override;
    virtual void Create(float x, float y, const char* text, CFont* font, int enabled);
    virtual void Draw(int active);

    ScreenSprite idleRing{};
    ScreenSprite hoverRing{};
};

// A sprite's cell of its sheet drawn into a rectangle of the virtual screen.
void DrawSpriteRect(const ScreenSprite& sprite, float x1, float y1, float x2, float y2, uint32_t colour);
