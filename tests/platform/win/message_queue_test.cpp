#include "platform/win/codepage.h"
#include "platform/win/directory.h"
#include "platform/win/test_switches.h"
#include "platform/win/timer.h"
#include "platform/win/window.h"
#include <gtest/gtest.h>
#include <chrono>
#include <thread>
#include <vector>

namespace {
std::vector<MSG> Drain()
{
    std::vector<MSG> out;
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        out.push_back(m);
        TranslateMessage(&m);
    }
    return out;
}
} // namespace

TEST(MessageQueue, FifoAndTranslateGivesControlCharactersRightAfterTheirKey)
{
    ClearMessageQueue();
    PostMessage(nullptr, WM_KEYDOWN, VK_RETURN, 1);
    PostMessage(nullptr, WM_KEYDOWN, 'A', 1);
    PostMessage(nullptr, WM_CHAR, 'a', 1);
    PostMessage(nullptr, WM_KEYDOWN, VK_BACK, 1);
    PostMessage(nullptr, WM_KEYDOWN, VK_ESCAPE, 1);
    std::vector<MSG> got = Drain();
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0].message, WM_KEYDOWN);
    EXPECT_EQ(got[1].message, WM_CHAR);
    EXPECT_EQ(got[1].wParam, 13u);
    EXPECT_EQ(got[2].wParam, WPARAM('A'));
    EXPECT_EQ(got[3].message, WM_CHAR);
    EXPECT_EQ(got[3].wParam, WPARAM('a'));
    EXPECT_EQ(got[5].wParam, 8u);
    EXPECT_EQ(got[7].wParam, 27u);
}

TEST(MessageQueue, PeekWithoutRemoveLeavesTheMessage)
{
    ClearMessageQueue();
    PostMessage(nullptr, WM_CLOSE, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_CLOSE);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueue, PointerWarpAndSocketNotices)
{
    ClearMessageQueue();
    SetCursorPos(400, 300);
    PostSocketNotice(7, FD_WRITE, 0);
    PostSocketNotice(8, FD_READ, 10054);
    std::vector<MSG> got = Drain();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(got[0].lParam), 400);
    EXPECT_EQ(GET_Y_LPARAM(got[0].lParam), 300);
    EXPECT_EQ(got[1].message, WM_SOCKET);
    EXPECT_EQ(got[1].wParam, 7u);
    EXPECT_EQ(LOWORD(std::uintptr_t(got[1].lParam)), unsigned(FD_WRITE));
    EXPECT_EQ(HIWORD(std::uintptr_t(got[1].lParam)), 0u);
    EXPECT_EQ(HIWORD(std::uintptr_t(got[2].lParam)), 10054u);
}

TEST(MessageQueue, WheelDeltaIsSignedHighWord)
{
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(MAKEWPARAM(0, unsigned(-240))), -240);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(MAKEWPARAM(0, 120)), 120);
    EXPECT_EQ(GET_X_LPARAM(MAKELPARAM(unsigned(-5), 7)), -5);
}

TEST(InputScript, ParsesEveryEventKind)
{
    std::string errors;
    // Input files are UTF-8.
    std::string text = reinterpret_cast<const char*>(u8"8 text Да!\n");
    auto ev = ParseInputScript("# comment\n"
                               "5 key_down ESC\n"
                               "2 mouse_move 10 20   # trailing comment\n"
                               "5 key_up esc\n"
                               "6 key f3\n"
                               "7 char ,\n"
                               "7 char 13\n"
                               "9 focus_lost\n"
                               "10 focus_gained\n"
                               "11 wheel -120\n"
                               "12 lbutton_down 1 2\n"
                               "13 socket 4 1 0\n"
                               "14 close\n" + text,
                               &errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(ev.size(), 18u);
    EXPECT_EQ(ev[0].frame, 2u);
    EXPECT_EQ(ev[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(ev[1].message, WM_KEYDOWN);
    EXPECT_EQ(ev[1].wParam, WPARAM(VK_ESCAPE));
    EXPECT_EQ(ev[2].message, WM_KEYUP);
    EXPECT_EQ(ev[3].wParam, WPARAM(VK_F3));
    EXPECT_EQ(ev[4].message, WM_KEYUP);
    EXPECT_EQ(ev[5].wParam, WPARAM(','));
    EXPECT_EQ(ev[6].wParam, 13u);
    // "Да!" arrives as CP1251 characters.
    EXPECT_EQ(ev[7].wParam, 0xC4u);
    EXPECT_EQ(ev[8].wParam, 0xE0u);
    EXPECT_EQ(ev[9].wParam, WPARAM('!'));
    EXPECT_EQ(ev[10].message, WM_ACTIVATE);
    EXPECT_EQ(ev[10].wParam, WPARAM(WA_INACTIVE));
    EXPECT_EQ(ev[11].message, WM_KILLFOCUS);
    EXPECT_EQ(ev[13].message, WM_SETFOCUS);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(ev[14].wParam), -120);
    EXPECT_EQ(ev[15].message, WM_LBUTTONDOWN);
    EXPECT_EQ(ev[16].message, WM_SOCKET);
    EXPECT_EQ(ev[17].message, WM_CLOSE);
}

TEST(InputScript, BadLinesAreReportedAndSkipped)
{
    std::string errors;
    auto ev = ParseInputScript("x key_down A\n3 key_down NOSUCHKEY\n3 warp 1\n4 mouse_move 1\n5 close\n", &errors);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].message, WM_CLOSE);
    EXPECT_NE(errors.find("line 1"), std::string::npos);
    EXPECT_NE(errors.find("line 4"), std::string::npos);
    EXPECT_EQ(errors.find("line 5"), std::string::npos);
}

TEST(FrameCount, PumpPassesCountWhenNothingPresents)
{
    TestSwitchesReset();
    ClearMessageQueue();
    MSG m;
    PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);  // the first pass starts the count
    EXPECT_EQ(PlatformFrameCount(), 0u);
    // Idle passes count a frame only once 20 ms have passed since the last one.
    PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
    unsigned idle = PlatformFrameCount();
    EXPECT_LE(idle, 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(PlatformFrameCount(), idle + 1);
    PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);  // straight after: nothing
    EXPECT_EQ(PlatformFrameCount(), idle + 1);
    // A Present counts; the pass after it adds nothing.
    PlatformFrameDone();
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(PlatformFrameCount(), idle + 2);
    TestSwitchesReset();
}

TEST(Codepage, RoundTripsRussianText)
{
    const char* utf8 = reinterpret_cast<const char*>(u8"Корвейн ёЁ №");
    std::string cp = Utf8ToCp1251(utf8);
    EXPECT_EQ(cp, "\xCA\xEE\xF0\xE2\xE5\xE9\xED \xB8\xA8 \xB9");
    EXPECT_EQ(Cp1251ToUtf8(cp.c_str()), utf8);
    EXPECT_EQ(Utf8ToCp1251(reinterpret_cast<const char*>(u8"a€b\u4e2d")), "a\x88" "b?");
    EXPECT_EQ(Utf8ToCp1251("\xFF\x80z"), "??z");
}

TEST(Directory, CurrentDirectoryAndPaths)
{
    unsigned need = GetCurrentDirectory(0, nullptr);
    ASSERT_GT(need, 1u);
    std::string buf(need, '\0');
    EXPECT_EQ(GetCurrentDirectory(need, buf.data()), need - 1);
    char tiny[2] = {'x', 'x'};
    EXPECT_EQ(GetCurrentDirectory(sizeof tiny, tiny), need);
    EXPECT_EQ(tiny[0], '\0');
    EXPECT_EQ(NormalizePath("Data\\Misc\\a.dat"), "Data/Misc/a.dat");
}

TEST(Timer, IsMonotonic)
{
    std::uint32_t a = timeGetTime();
    std::uint32_t b = timeGetTime();
    EXPECT_LE(std::uint32_t(b - a), 1000u);
}
