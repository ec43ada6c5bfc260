// The game menu's text buttons. A press is latched on mouse-down and reported once,
// 0.1 s later, by WasClicked, which the page logic polls each frame.
#pragma once
#include <cstdint>

class CFont;

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
