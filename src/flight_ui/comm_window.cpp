#include "flight_ui/comm_window.h"

int g_CommMode = 0;
CCommWindow g_CommWindow;

int CCommWindow::Talk(CUnit*, int)
{
    return 0;
}

void CCommWindow::ChooseReply(int) {}

void CCommWindow::CreateRenderTarget(const char*) {}
