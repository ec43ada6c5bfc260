// The radio menu: orders to wing-men, docked ships, mercenaries and help.
#pragma once

class CRadioMenu {
public:
    int state = 0;  // 1 open
    int page = -1;
    void Open();
    void OnKey(int n);
    void SelectPrevious();
    void SelectNext();
    void SelectEntry();
    void ToggleHelp();
    // The panel's picture, and the frame of an n-frame panel mesh that its opening asks for.
    void Draw();
    int ToPixels(int frames);
};

extern CRadioMenu g_RadioMenu;
