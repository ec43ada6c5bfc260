#include "flight_ui/cursor.h"

int g_PointerShown = 0;
int CCursor::state = 0;
int CCursor::sheet = -1;
Vec3 CCursor::groundPoint;
ScreenSprite CCursor::arrowSprite;
ScreenSprite CCursor::objectSprites[4];
LitQuad CCursor::groundMarker;
LitQuad CCursor::targetMark;
CUnit* CCursor::hoveredUnit = nullptr;
uint32_t CCursor::hoverStart = 0;

void CCursor::Init() { state = 0; }
void CCursor::Update() {}
void CCursor::Draw() {}
void CCursor::DrawTargetMark() {}
void CCursor::Forget(const CUnit* unit)
{
    if (hoveredUnit == unit) hoveredUnit = nullptr;
}
void SetSpriteFrames(ScreenSprite*, int, float, float, float, float, float) {}
void DrawSpriteRect(const ScreenSprite*, float, float, float, float, uint32_t) {}
void DrawLitQuad(LitQuad*, const Vec3[4], uint32_t) {}
void DrawTexturedQuad(const ScreenSprite*, const float[4][2], uint32_t) {}
void DrawScreenQuad2(const float[5]) {}
