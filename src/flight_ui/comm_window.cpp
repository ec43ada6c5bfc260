#include "flight_ui/comm_window.h"

int g_CommMode = 0;
CCommWindow g_CommWindow;

int CCommWindow::Talk(CUnit*, int)
{
    return 0;
}

void CCommWindow::ChooseReply(int) {}

// Nothing is said until the comm window's talks are in the game.
int CCommWindow::Say(CUnit*, int, int)
{
    return 0;
}

void CCommWindow::EndTalk() {}

void CCommWindow::SayText(CUnit*, const char*) {}

void CCommWindow::CreateRenderTarget(const char*) {}
