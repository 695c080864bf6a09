// Window life and geometry.
// gtest first: X11's macros (None, Bool) break its headers.
#include <gtest/gtest.h>

#include <X11/Xatom.h>

#include <cstdint>
#include <vector>

#include "platform/icon.h"
#include "tests/platform/harness.h"
#include "tests/support/harness.h"

namespace {

std::vector<UINT> Messages() {
    std::vector<UINT> out;
    for (const Received& r : received)
        out.push_back(r.message);
    return out;
}

bool SizeIs(Window x, int width, int height) {
    const Geometry g = GetGeometry(TestDisplay(), x);
    return g.width == width && g.height == height;
}

TEST(WindowLife, CreateShowPaintDestroyInWin32Order) {
    behaviour = Behaviour{};
    HWND hwnd = MakeTestWindow(220, 160, false, "life");
    ASSERT_NE(hwnd, nullptr);
    // WM_CREATE was sent before CreateWindowExA returned.
    EXPECT_EQ(Messages(), std::vector<UINT>{WM_CREATE});
    RECT client;
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right, 220);
    EXPECT_EQ(client.bottom, 160);

    received.clear();
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOWDEFAULT));  // was hidden
    ASSERT_EQ(Messages(), std::vector<UINT>{WM_SIZE});
    EXPECT_EQ(received[0].wParam, static_cast<WPARAM>(SIZE_RESTORED));
    EXPECT_EQ(LOWORD(received[0].lParam), 220);
    EXPECT_EQ(HIWORD(received[0].lParam), 160);
    EXPECT_TRUE(UpdateWindow(hwnd));
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_SIZE, WM_PAINT}));
    Window x = XWindowOf("life");
    ASSERT_NE(x, 0u);
    EXPECT_TRUE(SizeIs(x, 220, 160));

    // A second showing sends no size again.
    received.clear();
    EXPECT_TRUE(ShowWindow(hwnd, SW_SHOWDEFAULT));
    EXPECT_TRUE(ReceivedOf(WM_SIZE).empty());

    received.clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(Messages(), std::vector<UINT>{WM_DESTROY});
    EXPECT_FALSE(GetClientRect(hwnd, &client));
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_EQ(WaitForWindow(TestDisplay(), ByTitle("life"), Millis(0)), 0u)
        << "the native window is still there";
}

TEST(WindowLife, CreateFailsWhenTheProcedureRefuses) {
    behaviour = Behaviour{};
    behaviour.onCreate = -1;
    EXPECT_EQ(MakeTestWindow(100, 100, false, "refused"), nullptr);
    EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
    behaviour = Behaviour{};
}

TEST(WindowLife, CloseRequestComesAsWmCloseAndDefaultHandlingDestroys) {
    behaviour = Behaviour{};
    HWND hwnd = MakeTestWindow(120, 100, true, "closing");
    Window x = XWindowOf("closing");
    ASSERT_NE(x, 0u);
    // What a window manager sends when the close button is pressed.
    Display* d = TestDisplay();
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = x;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, x, False, NoEventMask, &e);
    XSync(d, False);
    ASSERT_TRUE(PumpUntil([] { return !ReceivedOf(WM_DESTROY).empty(); }));
    std::vector<UINT> messages = Messages();
    std::vector<UINT> tail(messages.end() - 2, messages.end());
    EXPECT_EQ(ReceivedOf(WM_CLOSE).size(), 1u);
    EXPECT_EQ(tail, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    RECT r;
    EXPECT_FALSE(GetClientRect(hwnd, &r));
}

TEST(Geometry, ScreenMetricsArePrimaryDisplaySize) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), kScreenHeight);
}

TEST(Geometry, SetWindowPosThatChangesNothingSendsNoSize) {
    behaviour = Behaviour{};
    behaviour.keepSize = true;
    behaviour.keptWidth = 240;
    behaviour.keptHeight = 180;
    // The procedure answers every WM_SIZE with SetWindowPos, as the viewer
    // does: showing must not start a loop.
    HWND hwnd = MakeTestWindow(240, 180, true, "same size");
    EXPECT_EQ(ReceivedOf(WM_SIZE).size(), 1u);
    received.clear();
    EXPECT_TRUE(SetWindowPos(hwnd, HWND_TOP, 80, 80, 240, 180, SWP_NOMOVE));
    EXPECT_TRUE(SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER));
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(ReceivedOf(WM_SIZE).empty());
    behaviour = Behaviour{};
    DestroyWindow(hwnd);
}

TEST(Geometry, SizeSetBackAfterAnOutsideResizeHolds) {
    behaviour = Behaviour{};
    behaviour.keepSize = true;
    behaviour.keptWidth = 260;
    behaviour.keptHeight = 200;
    HWND hwnd = MakeTestWindow(260, 200, true, "resized");
    Window x = XWindowOf("resized");
    ASSERT_NE(x, 0u);
    received.clear();
    // An edge drag, as the window manager would carry it out.
    XResizeWindow(TestDisplay(), x, 400, 300);
    XSync(TestDisplay(), False);
    ASSERT_TRUE(PumpUntil([] { return ReceivedOf(WM_SIZE).size() >= 2; }));
    EXPECT_EQ(LOWORD(ReceivedOf(WM_SIZE)[0].lParam), 400);
    EXPECT_EQ(LOWORD(ReceivedOf(WM_SIZE)[1].lParam), 260);
    ASSERT_TRUE(PumpUntil([&] { return SizeIs(x, 260, 200); }));
    // And it stays so, with no further size messages.
    size_t sizes = ReceivedOf(WM_SIZE).size();
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(SizeIs(x, 260, 200));
    EXPECT_EQ(ReceivedOf(WM_SIZE).size(), sizes);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 260);
    EXPECT_EQ(client.bottom, 200);
    behaviour = Behaviour{};
    DestroyWindow(hwnd);
}

TEST(Icon, WindowShowsTheProgramIcon) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101)), icon);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    std::vector<std::uint8_t> pixels(32 * 32 * 4, 0);
    for (size_t i = 0; i < pixels.size(); i += 4)
        pixels[i] = pixels[i + 3] = 255;  // red
    SetIconPixels(101, pixels.data());

    HWND hwnd = MakeTestWindow(100, 100, true, "icon");
    Window x = XWindowOf("icon");
    ASSERT_NE(x, 0u);
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(TestDisplay(), x, XInternAtom(TestDisplay(), "_NET_WM_ICON", False), 0, 3,
                       False, XA_CARDINAL, &type, &format, &count, &after, &data);
    ASSERT_EQ(count, 3u);
    const long* values = reinterpret_cast<const long*>(data);
    EXPECT_EQ(values[0], 32);
    EXPECT_EQ(values[1], 32);
    EXPECT_EQ(static_cast<unsigned long>(values[2]) & 0xFFFFFFFF, 0xFFFF0000u);  // ARGB red
    XFree(data);
    DestroyWindow(hwnd);
}

}  // namespace
