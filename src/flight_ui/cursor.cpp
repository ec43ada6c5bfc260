#include "flight_ui/cursor.h"

int g_PointerShown = 0;
int CCursor::state = 0;
int CCursor::sheet = -1;

void CCursor::Init()
{
    state = 0;
}

void CCursor::Update() {}
void CCursor::Draw() {}
void CCursor::DrawTargetMark() {}
