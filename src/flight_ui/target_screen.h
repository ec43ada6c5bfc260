// The target screen (kind 0) and the system screen (kind 1) of the cockpit.
#pragma once

class CTargetScreen {
public:
    // The panel's render target under the cockpit effect's texture name.
    void CreateRenderTarget(const char* name);
    void Draw();
};

extern CTargetScreen g_TargetScreen;
extern CTargetScreen g_SystemScreen;
