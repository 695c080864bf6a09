// The message queue: peeking, priorities, the quit message and timers.
// gtest first: X11's macros (None, Bool) break its headers.
#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <time.h>

#include "tests/platform/harness.h"
#include "tests/support/harness.h"

namespace {

double CpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double WallSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Waits until a message of this kind is at the head of the queue, leaving
// WM_PAINT waiting and dispatching anything else that comes first.
bool WaitForWaiting(UINT message) {
    MSG msg;
    return PumpUntil(
        [&] {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                if (msg.message == message) return true;
                if (msg.message == WM_PAINT) return false;
                GetMessageA(&msg, nullptr, 0, 0);
                DispatchMessageA(&msg);
            }
            return false;
        },
        3000, false);
}

TEST(Queue, QuitCodeComesBackFromGetMessage) {
    PostQuitMessage(42);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 42u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(Queue, PeekWithoutRemovingLeavesTheMessageAndPaintWaitsBehindInput) {
    // Shown but not yet painted: WM_PAINT is due, yet a key press that comes
    // in must be seen first, and stay at the head however often it is peeked.
    HWND hwnd = MakeTestWindow(200, 150, false, "queue peek");
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    XWindowOf("queue peek");
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));

    PressKey(TestDisplay(), XK_g);
    ASSERT_TRUE(WaitForWaiting(WM_KEYDOWN));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
        EXPECT_EQ(msg.hwnd, hwnd);
    }
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('G'));
    ReleaseKey(TestDisplay(), XK_g);

    // The paint comes once everything else is taken, and validating ends it.
    ASSERT_TRUE(WaitForWaiting(WM_PAINT));
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    DispatchMessageA(&msg);  // default handling validates
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    DestroyWindow(hwnd);
}

TEST(Queue, EventsThatMapToNoMessageAreDropped) {
    HWND hwnd = MakeTestWindow(200, 150, true, "queue dropped");
    Window x = XWindowOf("queue dropped");
    const Geometry g = GetGeometry(TestDisplay(), x);
    ASSERT_GT(g.width, 0);
    MovePointer(TestDisplay(), g.x + 10, g.y + 10);
    PumpUntil([] { return !ReceivedOf(WM_MOUSEMOVE).empty(); });
    PumpPending();
    // A wheel turn: SDL reports it, but it is no message here.
    PressButton(TestDisplay(), 4);
    ReleaseButton(TestDisplay(), 4);
    MSG msg;
    bool any = PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_FALSE(any) << "message " << std::hex << msg.message;
    DestroyWindow(hwnd);
}

TEST(Queue, TimerTicksTenTimesASecondWhileTheThreadSleeps) {
    HWND hwnd = MakeTestWindow(100, 100, true, "queue timer");
    PumpPending();
    ASSERT_EQ(SetTimer(hwnd, 1, 100, nullptr), 1u);
    int ticks = 0, others = 0;
    double cpu = CpuSeconds(), start = WallSeconds();
    MSG msg;
    while (WallSeconds() - start < 1.05) {
        ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
        if (msg.message == WM_TIMER && msg.hwnd == hwnd && msg.wParam == 1)
            ++ticks;
        else
            ++others;
        DispatchMessageA(&msg);
    }
    double used = CpuSeconds() - cpu;
    EXPECT_GE(ticks, 8);
    EXPECT_LE(ticks, 11);
    // Blocking, not polling: a busy wait would use the whole second.
    EXPECT_LT(used, 0.25) << "CPU seconds used while waiting";
    DestroyWindow(hwnd);
    // The window's timer went with it.
    EXPECT_FALSE(PumpUntil(
        [&] { return PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE); }, 250));
}

TEST(Queue, TimerNeverPilesUp) {
    HWND hwnd = MakeTestWindow(100, 100, false, "queue pile");
    SetTimer(hwnd, 7, 50, nullptr);
    timespec pause = {0, 300 * 1000000L};
    nanosleep(&pause, nullptr);  // many periods pass without the queue being read
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "a second tick was queued";
    DestroyWindow(hwnd);
}

}  // namespace
