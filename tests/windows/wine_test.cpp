// paraboloid.exe, built with mingw-w64 from the same sources, run under Wine
// on a private X server: the real Win32 behind the code that our SDL layer
// imitates elsewhere.
//
// What X cannot show (message box texts, Win32 window rectangles, the
// resources in the .exe) is read through Win32 by wine-reporter.exe, run in
// the same Wine session; pictures and input go through the X server.
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/icon/icon_pixels.h"
#include "tests/support/harness.h"
#include "tests/support/x_server.h"

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;
const char kTitle[] = " paraboloid velkrin -> p-key";
const char kNoticeText[] = " mouse: touch the window image for movement----- ";

// Wine starts slowly the first time a prefix is used.
constexpr Millis kStartTimeout(60000);
constexpr Millis kTimeout(10000);

using Fields = std::vector<std::string>;

std::vector<Fields> SplitLines(const std::string& text) {
    std::vector<Fields> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        Fields fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) {
            fields.push_back(field);
        }
        if (!fields.empty()) {
            lines.push_back(fields);
        }
    }
    return lines;
}

std::vector<int> Numbers(const std::string& text) {
    std::vector<int> numbers;
    std::istringstream in(text);
    int n = 0;
    while (in >> n) {
        numbers.push_back(n);
    }
    return numbers;
}

// Runs wine-reporter.exe with `args` and returns its output lines (empty
// when it found nothing).
std::vector<Fields> Inspect(const std::string& args) {
    std::string command =
        std::string(PARABOLOID_WINE) + " " + PARABOLOID_REPORTER + " " + args + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    return SplitLines(output);
}

// The message boxes on screen, as (caption, text).
std::vector<Fields> WaitForBoxes(Millis timeout) {
    std::vector<Fields> boxes;
    WaitUntil(
        [&] {
            boxes = Inspect("boxes");
            return !boxes.empty();
        },
        timeout, Millis(100));
    return boxes;
}

// The images of _NET_WM_ICON, each as (width, height, ARGB pixels).
struct IconImage {
    unsigned long width = 0, height = 0;
    std::vector<unsigned long> argb;
};

std::vector<IconImage> NetWmIcons(Display* display, Window window) {
    Atom property = XInternAtom(display, "_NET_WM_ICON", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<IconImage> images;
    if (XGetWindowProperty(display, window, property, 0, 1 << 20, False, XA_CARDINAL, &type,
                           &format, &count, &after, &data) != Success ||
        data == nullptr) {
        return images;
    }
    // Format 32 comes as longs.
    const unsigned long* values = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long at = 0; at + 2 <= count;) {
        IconImage image;
        image.width = values[at];
        image.height = values[at + 1];
        at += 2;
        unsigned long size = image.width * image.height;
        if (at + size > count) {
            break;
        }
        image.argb.assign(values + at, values + at + size);
        at += size;
        images.push_back(image);
    }
    XFree(data);
    return images;
}

class WineViewer : public ::testing::Test {
protected:
    void Start(const std::vector<std::string>& serverArgs = {}) {
        server_ = StartXServer(kScreenWidth, kScreenHeight, serverArgs);
        ASSERT_GT(server_.pid, 0) << "Xvfb did not start";
        UseXServer(server_);
        setenv("WINEPREFIX", PARABOLOID_WINE_PREFIX, 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        x_ = std::make_unique<XConnection>(server_.display);
        ASSERT_NE(x_->get(), nullptr);

        LaunchOptions options;
        options.path = PARABOLOID_WINE;
        options.args = {PARABOLOID_EXE};
        options.display = server_.display;
        options.probe = false;
        viewer_ = Launch(options);
        ASSERT_GT(viewer_.pid, 0);
    }

    void TearDown() override {
        Cleanup(viewer_);
        // End this session's wineserver and everything it still runs, so the
        // next test starts afresh on its own X server.
        std::system((std::string(PARABOLOID_WINESERVER) + " -k >/dev/null 2>&1").c_str());
        std::system((std::string(PARABOLOID_WINESERVER) + " -w >/dev/null 2>&1").c_str());
        x_.reset();
        if (server_.pid > 0) {
            StopXServer(server_);
        }
    }

    // Presses Return with the pointer over the message box titled `caption`.
    void DismissBox(const std::string& caption) {
        Window box = WaitForWindow(*x_, ByTitle(caption), kTimeout);
        ASSERT_NE(box, 0u) << "no X window for the box " << caption;
        Geometry g = GetGeometry(*x_, box);
        MovePointer(*x_, g.x + g.width / 2, g.y + 5);
        TapKey(*x_, XK_Return);
        ASSERT_TRUE(WaitUntil([&] { return Inspect("boxes").empty(); }, kTimeout, Millis(100)))
            << "the box " << caption << " stayed";
    }

    // Dismisses the start-up notice after checking it; returns the viewer's
    // X window (its client area).
    Window PassNotice() {
        std::vector<Fields> boxes = WaitForBoxes(kStartTimeout);
        EXPECT_EQ(boxes.size(), 1u);
        if (boxes.empty() || boxes[0].size() < 3) {
            ADD_FAILURE() << "no start-up notice";
            return 0;
        }
        EXPECT_EQ(boxes[0][1].rfind("soft by ", 0), 0u) << boxes[0][1];
        EXPECT_EQ(boxes[0][2], kNoticeText);
        // Nothing else is on screen while the notice waits.
        EXPECT_TRUE(Inspect("window").empty());
        EXPECT_TRUE(FindWindows(*x_, ByTitle(kTitle)).empty());
        DismissBox(boxes[0][1]);
        return WaitForWindow(*x_, ByTitle(kTitle), kTimeout);
    }

    // Waits until the window's picture stays the same for `quiet`.
    bool WaitForStill(Window window, Millis quiet, Millis timeout) {
        Image last = Capture(*x_, window);
        auto since = std::chrono::steady_clock::now();
        return WaitUntil(
            [&] {
                Image now = Capture(*x_, window);
                auto t = std::chrono::steady_clock::now();
                if (!(now == last)) {
                    last = now;
                    since = t;
                }
                return t - since >= quiet;
            },
            timeout, Millis(20));
    }

    bool WaitForChange(Window window, const Image& from, Millis timeout) {
        return WaitUntil([&] { return !(Capture(*x_, window) == from); }, timeout, Millis(20));
    }

    XServer server_;
    std::unique_ptr<XConnection> x_;
    Program viewer_;
};

TEST_F(WineViewer, NoticeThenSquareWindowWithStretchedClientArea) {
    Start();
    Window window = PassNotice();
    ASSERT_NE(window, 0u);

    std::vector<Fields> report = Inspect("window");
    ASSERT_EQ(report.size(), 1u);
    ASSERT_EQ(report[0].size(), 6u);
    EXPECT_EQ(report[0][1], kTitle);
    std::vector<int> outer = Numbers(report[0][2]);
    std::vector<int> client = Numbers(report[0][3]);
    std::vector<int> frame = Numbers(report[0][4]);
    const int side = static_cast<int>(kScreenHeight * 0.8);
    EXPECT_EQ(outer, (std::vector<int>{50, 50, side, side}));
    // WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, and visible.
    EXPECT_EQ(report[0][5], "16cf0000");

    // The client area is the outer size less the frame, and the title bar
    // makes it wider than high: the picture is stretched sideways.
    ASSERT_EQ(client.size(), 2u);
    ASSERT_EQ(frame.size(), 2u);
    EXPECT_EQ(client[0], side - frame[0]);
    EXPECT_EQ(client[1], side - frame[1]);
    EXPECT_GT(client[0], client[1]);

    // What X shows is that client area.
    Geometry g = GetGeometry(*x_, window);
    EXPECT_EQ(g.width, client[0]);
    EXPECT_EQ(g.height, client[1]);

    // The window icon is the 256-colour image of resource 101, pixel for pixel.
    bool found = false;
    for (const IconImage& image : NetWmIcons(*x_, window)) {
        if (image.width != kParaboloidIconSize || image.height != kParaboloidIconSize) {
            continue;
        }
        found = true;
        long differing = 0;
        for (int i = 0; i < kParaboloidIconSize * kParaboloidIconSize; ++i) {
            const std::uint8_t* p = paraboloidIconRgba + i * 4;
            unsigned long expected =
                (static_cast<unsigned long>(p[3]) << 24) | (p[0] << 16) | (p[1] << 8) | p[2];
            // Colour under a transparent pixel does not count.
            unsigned long seen = image.argb[i] & 0xffffffffUL;
            if (p[3] == 0 ? (seen >> 24) != 0 : seen != expected) {
                ++differing;
            }
        }
        EXPECT_EQ(differing, 0);
    }
    EXPECT_TRUE(found) << "no 32x32 window icon";

    // The resource holds the two 32x32 images, 16 and 256 colours.
    std::vector<Fields> images = Inspect(std::string("icons ") + PARABOLOID_EXE);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0][1], "32 32 16 4");
    EXPECT_EQ(images[1][1], "32 32 256 8");
}

TEST_F(WineViewer, SpinsUntilClickedThenFAndPRedrawAndEscapeExitsZero) {
    Start();
    Window window = PassNotice();
    ASSERT_NE(window, 0u);
    Geometry g = GetGeometry(*x_, window);
    int cx = g.x + g.width / 2, cy = g.y + g.height / 2;
    MovePointer(*x_, cx, cy);

    // Spinning: the picture keeps changing.
    Image first = Capture(*x_, window);
    ASSERT_TRUE(WaitForChange(window, first, kTimeout)) << "no frames while spinning";
    Image second = Capture(*x_, window);
    EXPECT_TRUE(WaitForChange(window, second, kTimeout)) << "frames stopped by themselves";

    // A click without movement stops it.
    PressButton(*x_);
    ReleaseButton(*x_);
    ASSERT_TRUE(WaitForStill(window, Millis(500), kTimeout)) << "still spinning after a click";
    Image stopped = Capture(*x_, window);
    Rgb background = stopped.at(1, 1);

    // f: fog, and with it another clear colour.
    TapKey(*x_, XK_f);
    ASSERT_TRUE(WaitUntil([&] { return !(Capture(*x_, window).at(1, 1) == background); }, kTimeout))
        << "f changed nothing";
    ASSERT_TRUE(WaitForStill(window, Millis(300), kTimeout));
    Image fogged = Capture(*x_, window);

    // p: wireframe, one new frame and no more spinning.
    TapKey(*x_, XK_p);
    ASSERT_TRUE(WaitForChange(window, fogged, kTimeout)) << "p changed nothing";
    ASSERT_TRUE(WaitForStill(window, Millis(300), kTimeout));
    long reachable = 0;
    Image wire = Capture(*x_, window);
    for (const Rgb& pixel : wire.pixels) {
        reachable += pixel == wire.at(1, 1);
    }
    long before = 0;
    for (const Rgb& pixel : fogged.pixels) {
        before += pixel == fogged.at(1, 1);
    }
    EXPECT_GT(reachable, before) << "lines should let more background through";

    TapKey(*x_, XK_Escape);
    std::optional<int> status = WaitForExit(viewer_, kTimeout);
    ASSERT_TRUE(status.has_value()) << "still running after Escape";
    EXPECT_EQ(*status, 0);
}

TEST_F(WineViewer, WithoutGlxReportsChoosePixelFormatAndExitsOne) {
    Start({"-extension", "GLX"});
    std::vector<Fields> boxes = WaitForBoxes(kStartTimeout);
    ASSERT_EQ(boxes.size(), 1u);
    DismissBox(boxes[0][1]);

    boxes = WaitForBoxes(kTimeout);
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_EQ(boxes[0].size(), 3u);
    EXPECT_EQ(boxes[0][1], "Error");
    EXPECT_EQ(boxes[0][2], "ChoosePixelFormat failed");
    DismissBox("Error");

    std::optional<int> status = WaitForExit(viewer_, kTimeout);
    ASSERT_TRUE(status.has_value()) << "still running after the error";
    EXPECT_EQ(*status, 1);
}

}  // namespace
