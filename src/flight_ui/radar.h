// The cockpit radar and its panel texture.
#pragma once

class CRadar {
public:
    // The panel's render target under the cockpit effect's texture name.
    void CreateRenderTarget(const char* name);
    void Draw();
};

extern CRadar g_Radar;
