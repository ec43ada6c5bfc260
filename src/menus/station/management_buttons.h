// The station menu's buttons: green cut-corner rectangles with a flickering glow. A
// press is latched on mouse-down and reported by the page's poll 0.1 s of game time later.
#pragma once
#include <cstdint>

class CFont;
class CUnit;

class CManagementMenuButton {
public:
    float x = 0, y = 0, width = 0, height = 0;
    int pressed = 0;
    uint32_t pressTime = 0;
    CFont* font = nullptr;
    char caption[256] = {};

    virtual ~CManagementMenuButton() = default;
    virtual void Create(float x, float y, float width, float height, const char* text, CFont* font);
    virtual void Draw();
    virtual int OnMouseDown();
    virtual int IsMouseOver();
    virtual int WasClicked();

protected:
    // 200 under the pointer, 150 otherwise.
    int Brightness();
    // The cut-corner panel, its glowing frame and the caption (centred or at x + 40).
    void DrawPanelAndCaption(bool centred);
};

// One row of the upgrade page: a ship system or one of its weapons.
class CUpgradeSystemButton : public CManagementMenuButton {
public:
    char valueText[256] = {};
    char itemName[256] = {};
    int itemIndex = -1;

    void Draw() override;
    int OnMouseDown() override;
    int WasClicked() override;
};

// One model of the replacement-weapon catalogue.
class CWeaponInfoButton : public CManagementMenuButton {
public:
    float bulletDamage = 0, range = 0, reloadTime = 0;
    char modelPath[255] = {};
    char modelName[255] = {};
    char description[1024] = {};

    int OnMouseDown() override;
    int WasClicked() override;
};

// The action buttons of the station pages: the caption centred.
class CManagementSystemButton : public CManagementMenuButton {
public:
    void Draw() override;
};

// One ship of a station list; takes presses only while it holds a ship.
class CObjectDataButton : public CManagementMenuButton {
public:
    CUnit* object = nullptr;

    int OnMouseDown() override;
};
