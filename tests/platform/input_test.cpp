// Keyboard and pointer input, driven through XTest.
// gtest first: X11's macros (None, Bool) break its headers.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include "tests/platform/harness.h"
#include "tests/support/harness.h"

namespace {

std::vector<WPARAM> Characters() {
    std::vector<WPARAM> out;
    for (const Received& r : ReceivedOf(WM_CHAR))
        out.push_back(r.wParam);
    return out;
}

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override {
        hwnd = MakeTestWindow(200, 150, true, "keyboard");
        ASSERT_NE(XWindowOf("keyboard"), 0u);
        PumpPending();
        received.clear();
    }
    void TearDown() override { DestroyWindow(hwnd); }

    // Taps the key (with Shift held when asked) and waits for its release.
    void Type(KeySym key, bool shift = false) {
        size_t ups = ReceivedOf(WM_KEYUP).size() + 1 + (shift ? 1 : 0);
        if (shift) PressKey(TestDisplay(), XK_Shift_L);
        TapKey(TestDisplay(), key);
        if (shift) ReleaseKey(TestDisplay(), XK_Shift_L);
        ASSERT_TRUE(PumpUntil([&] { return ReceivedOf(WM_KEYUP).size() >= ups; }));
    }

    HWND hwnd;
};

TEST_F(Keyboard, KeyPressGivesVirtualKeyThenTheTypedCharacter) {
    Type(XK_f);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(received[0].wParam, static_cast<WPARAM>('F'));
    EXPECT_EQ(received[0].lParam & 0xFFFF, 1);     // repeat count
    EXPECT_EQ(received[0].lParam & (1 << 30), 0);  // was up before
    EXPECT_EQ(received[1].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(received[1].wParam, 102u);
    EXPECT_EQ(received[2].message, static_cast<UINT>(WM_KEYUP));
    EXPECT_EQ(received[2].wParam, static_cast<WPARAM>('F'));
}

TEST_F(Keyboard, ShiftAndCapsLockGiveCapitals) {
    Type(XK_f);
    Type(XK_f, true);
    Type(XK_Caps_Lock);
    Type(XK_f);
    Type(XK_Caps_Lock);
    Type(XK_p);
    EXPECT_EQ(Characters(), (std::vector<WPARAM>{102, 70, 70, 112}));
}

TEST_F(Keyboard, EscapeAndReturnGiveControlCharacters) {
    Type(XK_Escape);
    Type(XK_Return);
    EXPECT_EQ(Characters(), (std::vector<WPARAM>{27, 13}));
    EXPECT_EQ(ReceivedOf(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>(VK_ESCAPE));
}

TEST_F(Keyboard, HeldKeyRepeats) {
    // Auto-repeat after 50 ms, 50 times a second, for this server.
    XkbSetAutoRepeatRate(TestDisplay(), XkbUseCoreKbd, 50, 20);
    XAutoRepeatOn(TestDisplay());
    XSync(TestDisplay(), False);
    PressKey(TestDisplay(), XK_j);
    bool repeated = PumpUntil([] { return ReceivedOf(WM_CHAR).size() >= 3; });
    ReleaseKey(TestDisplay(), XK_j);
    PumpUntil([] { return !ReceivedOf(WM_KEYUP).empty(); });
    ASSERT_TRUE(repeated);
    for (WPARAM c : Characters())
        EXPECT_EQ(c, 106u);
    auto downs = ReceivedOf(WM_KEYDOWN);
    ASSERT_GE(downs.size(), 2u);
    EXPECT_EQ(downs[0].lParam & (1 << 30), 0);
    EXPECT_NE(downs[1].lParam & (1 << 30), 0);  // repeats say the key was down
}

class Pointer : public ::testing::Test {
protected:
    void SetUp() override {
        hwnd = MakeTestWindow(200, 150, true, "pointer");
        Window x = XWindowOf("pointer");
        ASSERT_NE(x, 0u);
        const Geometry g = GetGeometry(TestDisplay(), x);
        ASSERT_GT(g.width, 0);
        left = g.x;
        top = g.y;
        PumpPending();
        received.clear();
    }
    void TearDown() override {
        ReleaseButton(TestDisplay(), 1);  // in case a test stopped half-way
        DestroyWindow(hwnd);
    }

    bool WaitFor(UINT message, size_t count = 1) {
        return PumpUntil([&] { return ReceivedOf(message).size() >= count; });
    }

    HWND hwnd;
    int left = 0, top = 0;
};

TEST_F(Pointer, CapturedDragOutsideGivesNegativeCoordinates) {
    MovePointer(TestDisplay(), left + 30, top + 40);
    ASSERT_TRUE(WaitFor(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(ReceivedOf(WM_MOUSEMOVE).back().lParam), 30);
    EXPECT_EQ(GET_Y_LPARAM(ReceivedOf(WM_MOUSEMOVE).back().lParam), 40);

    PressButton(TestDisplay(), 1);
    ASSERT_TRUE(WaitFor(WM_LBUTTONDOWN));
    Received down = ReceivedOf(WM_LBUTTONDOWN)[0];
    EXPECT_EQ(GET_X_LPARAM(down.lParam), 30);
    EXPECT_EQ(GET_Y_LPARAM(down.lParam), 40);
    EXPECT_EQ(down.wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
    EXPECT_EQ(SetCapture(hwnd), nullptr);

    // Out past the top-left corner, and past the bottom-right one.
    received.clear();
    MovePointer(TestDisplay(), left - 25, top - 15);
    ASSERT_TRUE(PumpUntil([] {
        auto moves = ReceivedOf(WM_MOUSEMOVE);
        return !moves.empty() && GET_X_LPARAM(moves.back().lParam) == -25;
    })) << "no motion outside the window";
    EXPECT_EQ(GET_Y_LPARAM(ReceivedOf(WM_MOUSEMOVE).back().lParam), -15);
    MovePointer(TestDisplay(), left + 260, top + 170);
    ASSERT_TRUE(PumpUntil([] {
        auto moves = ReceivedOf(WM_MOUSEMOVE);
        return !moves.empty() && GET_X_LPARAM(moves.back().lParam) == 260;
    }));
    MovePointer(TestDisplay(), left - 5, top - 6);
    ReleaseButton(TestDisplay(), 1);
    ASSERT_TRUE(WaitFor(WM_LBUTTONUP)) << "release outside the window was lost";
    Received up = ReceivedOf(WM_LBUTTONUP)[0];
    EXPECT_EQ(GET_X_LPARAM(up.lParam), -5);
    EXPECT_EQ(GET_Y_LPARAM(up.lParam), -6);
    EXPECT_EQ(up.wParam & MK_LBUTTON, 0u);
    EXPECT_TRUE(ReleaseCapture());

    // Without capture, motion outside no longer reaches the window.
    received.clear();
    MovePointer(TestDisplay(), left - 40, top - 40);
    MovePointer(TestDisplay(), left + 10, top + 10);
    ASSERT_TRUE(WaitFor(WM_MOUSEMOVE));
    for (const Received& r : ReceivedOf(WM_MOUSEMOVE))
        EXPECT_GE(GET_X_LPARAM(r.lParam), 0);
}

TEST_F(Pointer, OtherButtonsArriveAsTheirOwnMessages) {
    MovePointer(TestDisplay(), left + 5, top + 6);
    PressButton(TestDisplay(), 3);
    ReleaseButton(TestDisplay(), 3);
    PressButton(TestDisplay(), 2);
    ReleaseButton(TestDisplay(), 2);
    ASSERT_TRUE(WaitFor(WM_MBUTTONUP));
    ASSERT_EQ(ReceivedOf(WM_RBUTTONDOWN).size(), 1u);
    EXPECT_EQ(ReceivedOf(WM_RBUTTONUP).size(), 1u);
    EXPECT_EQ(ReceivedOf(WM_MBUTTONDOWN).size(), 1u);
    EXPECT_EQ(GET_X_LPARAM(ReceivedOf(WM_RBUTTONDOWN)[0].lParam), 5);
    EXPECT_EQ(GET_Y_LPARAM(ReceivedOf(WM_RBUTTONDOWN)[0].lParam), 6);
    EXPECT_TRUE(ReceivedOf(WM_LBUTTONDOWN).empty());
}

}  // namespace
