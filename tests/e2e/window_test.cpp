// The window: its size, position, title and class, and that it keeps its size.
#include "tests/e2e/viewer_session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

TEST_F(ViewerTest, WindowOnScreen1080) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(geometry.width, 864);
    EXPECT_EQ(geometry.height, 864);
    EXPECT_EQ(geometry.x, 50);
    EXPECT_EQ(geometry.y, 50);
    EXPECT_EQ(WindowTitle(display(), window), kViewerTitle);
    EXPECT_EQ(WindowClass(display(), window), kViewerClass);
}

namespace {

// Waits until the window has the given size; false on timeout.
bool WaitForSize(Display* display, Window window, int width, int height) {
    return WaitUntil(
        [&] {
            Geometry g = GetGeometry(display, window);
            return g.width == width && g.height == height;
        },
        kFrameTimeout);
}

// Waits for a ConfigureNotify of the window with the given size.
bool WaitForConfigure(Display* display, Window window, int width, int height) {
    return WaitUntil(
        [&] {
            XEvent event;
            while (XCheckTypedWindowEvent(display, window, ConfigureNotify, &event)) {
                if (event.xconfigure.width == width && event.xconfigure.height == height) {
                    return true;
                }
            }
            return false;
        },
        kFrameTimeout);
}

// Waits until the window's configuration has settled: no ConfigureNotify for
// a while. Returns the sizes it went through.
std::vector<std::pair<int, int>> SettleConfigure(Display* display, Window window) {
    std::vector<std::pair<int, int>> sizes;
    auto last = std::chrono::steady_clock::now();
    WaitUntil(
        [&] {
            XEvent event;
            while (XCheckTypedWindowEvent(display, window, ConfigureNotify, &event)) {
                sizes.emplace_back(event.xconfigure.width, event.xconfigure.height);
                last = std::chrono::steady_clock::now();
            }
            return std::chrono::steady_clock::now() - last >= Millis(500);
        },
        kFrameTimeout);
    return sizes;
}

std::string Describe(const std::vector<std::pair<int, int>>& sizes) {
    std::string text;
    for (auto [w, h] : sizes)
        text += std::to_string(w) + "x" + std::to_string(h) + " ";
    return text;
}

}  // namespace

TEST_F(ViewerTest, ResizeRequestIsUndone) {
    ASSERT_NO_FATAL_FAILURE(Start());
    XSelectInput(display(), window, StructureNotifyMask);
    XResizeWindow(display(), window, 500, 400);
    XSync(display(), False);
    // The change happens, then the viewer sets its size back.
    ASSERT_TRUE(WaitForConfigure(display(), window, 500, 400));
    EXPECT_TRUE(WaitForConfigure(display(), window, geometry.width, geometry.height))
        << "the window stayed at 500 x 400";
    EXPECT_TRUE(WaitForSize(display(), window, geometry.width, geometry.height));
    XSelectInput(display(), window, NoEventMask);
    // And it stays so: still answering, still the same size.
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    Geometry g = GetGeometry(display(), window);
    EXPECT_EQ(g.width, geometry.width);
    EXPECT_EQ(g.height, geometry.height);
}

// Tests that need a screen of another size or a window manager get their own
// server.
class OwnServerTest : public ViewerTest {
protected:
    static void SetUpTestSuite() { SetProbeLibrary(PARABOLOID_PROBE_LIBRARY); }
    static void TearDownTestSuite() {}
    void UseServer(int width, int height) {
        server = StartXServer(width, height);
        ASSERT_GT(server.pid, 0);
        connection = std::make_unique<XConnection>(server.display);
        ASSERT_NE(connection->get(), nullptr);
    }
    void TearDown() override {
        ViewerTest::TearDown();
        if (windowManager.pid > 0) Cleanup(windowManager);
        connection.reset();
        StopXServer(server);
    }
    // Starts openbox and waits until it manages the screen.
    void StartWindowManager() {
        LaunchOptions options;
        options.path = "/usr/bin/openbox";
        options.args = {"--sm-disable"};
        options.display = server.display;
        options.probe = false;
        windowManager = ::Launch(options);
        ASSERT_GT(windowManager.pid, 0);
        Atom check = XInternAtom(display(), "_NET_SUPPORTING_WM_CHECK", False);
        ASSERT_TRUE(WaitUntil(
            [&] {
                Atom type;
                int format;
                unsigned long count, after;
                unsigned char* data = nullptr;
                bool present = XGetWindowProperty(display(), DefaultRootWindow(display()), check, 0,
                                                  1, False, XA_WINDOW, &type, &format, &count,
                                                  &after, &data) == Success &&
                               count == 1;
                if (data != nullptr) XFree(data);
                return present;
            },
            kStartTimeout))
            << "openbox did not start";

        // Announcing itself is not yet managing windows: for a moment after
        // start-up openbox drops map requests, and a window mapped then never
        // shows. Map a window of ours until openbox frames it.
        Window probe =
            XCreateSimpleWindow(display(), DefaultRootWindow(display()), 0, 0, 10, 10, 0, 0, 0);
        const bool managed = WaitUntil(
            [&] {
                XMapWindow(display(), probe);
                XSync(display(), False);
                Window root = 0, parent = 0, *children = nullptr;
                unsigned count = 0;
                if (!XQueryTree(display(), probe, &root, &parent, &children, &count)) return false;
                if (children != nullptr) XFree(children);
                XWindowAttributes attributes{};
                return parent != root && XGetWindowAttributes(display(), probe, &attributes) &&
                       attributes.map_state == IsViewable;
            },
            kStartTimeout, Millis(100));
        XDestroyWindow(display(), probe);
        XSync(display(), False);
        ASSERT_TRUE(managed) << "openbox does not manage windows";
    }
    Program windowManager;
};

TEST_F(OwnServerTest, WindowOnScreen1050) {
    ASSERT_NO_FATAL_FAILURE(UseServer(1680, 1050));
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(geometry.width, 840);
    EXPECT_EQ(geometry.height, 840);
    EXPECT_EQ(geometry.x, 50);
    EXPECT_EQ(geometry.y, 50);
}

TEST_F(OwnServerTest, MaximiseAndResizeThroughWindowManagerAreUndone) {
    ASSERT_NO_FATAL_FAILURE(UseServer(1920, 1080));
    ASSERT_NO_FATAL_FAILURE(StartWindowManager());
    ASSERT_NO_FATAL_FAILURE(Start());
    const int width = geometry.width, height = geometry.height;
    XSelectInput(display(), window, StructureNotifyMask);

    // Maximise as a pager or a title-bar button does: ask the window manager.
    Atom state = XInternAtom(display(), "_NET_WM_STATE", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // add
    event.xclient.data.l[1] =
        static_cast<long>(XInternAtom(display(), "_NET_WM_STATE_MAXIMIZED_VERT", False));
    event.xclient.data.l[2] =
        static_cast<long>(XInternAtom(display(), "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    event.xclient.data.l[3] = 1;  // from an application
    XSendEvent(display(), DefaultRootWindow(display()), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display(), False);
    // Either the window manager grows it and the viewer sets it back, or the
    // window manager already respects its fixed size; either way it ends at
    // its creation size and stays there.
    auto sizes = SettleConfigure(display(), window);
    Geometry g = GetGeometry(display(), window);
    EXPECT_EQ(g.width, width) << "sizes seen: " << Describe(sizes);
    EXPECT_EQ(g.height, height) << "sizes seen: " << Describe(sizes);

    // A resize through the window manager (_NET_MOVERESIZE_WINDOW, as a
    // pager or a script would send it): width and height only.
    XEvent resize{};
    resize.xclient.type = ClientMessage;
    resize.xclient.window = window;
    resize.xclient.message_type = XInternAtom(display(), "_NET_MOVERESIZE_WINDOW", False);
    resize.xclient.format = 32;
    resize.xclient.data.l[0] = (1 << 10) | (1 << 11) | (2 << 12);  // width, height; from a pager
    resize.xclient.data.l[3] = 600;
    resize.xclient.data.l[4] = 500;
    XSendEvent(display(), DefaultRootWindow(display()), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &resize);
    XSync(display(), False);
    sizes = SettleConfigure(display(), window);
    g = GetGeometry(display(), window);
    EXPECT_EQ(g.width, width) << "sizes seen: " << Describe(sizes);
    EXPECT_EQ(g.height, height) << "sizes seen: " << Describe(sizes);
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    EXPECT_EQ(WaitForExit(program, Millis(0)), std::nullopt) << "the viewer ended";
}
