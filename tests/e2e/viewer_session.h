// One run of the viewer on a private X server, for the end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/harness.h"
#include "tests/support/picture.h"
#include "tests/support/x_server.h"

inline constexpr const char* kViewerClass = "OpenGL";
inline constexpr const char* kViewerTitle = " paraboloid velkrin -> p-key";
inline constexpr const char* kNoticeCaptionPrefix = "soft by ";
inline constexpr const char* kNoticeText = " mouse: touch the window image for movement----- ";

// Generous bounds: a loaded machine may be slow, a correct program is never
// near them.
inline constexpr Millis kStartTimeout{15000};
inline constexpr Millis kFrameTimeout{5000};
// How long no frame must come before the picture counts as still. Frames
// follow each other within milliseconds while the model moves.
inline constexpr Millis kQuiet{400};

// Path of the viewer under test.
std::string ViewerPath();

// A private X server shared by the tests of one test program.
class ViewerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void TearDown() override;

    // Starts the viewer without dismissing the notice.
    void Launch(std::vector<std::string> env = {});
    // Waits for the notice and dismisses it with Return; fails the test when
    // the notice does not come.
    Window DismissNotice();
    // Launch, dismiss the notice, wait for the window and its first frame.
    void Start(std::vector<std::string> env = {});

    // Root coordinates of a point of the window, in client pixels.
    int RootX(int x) const { return geometry.x + x; }
    int RootY(int y) const { return geometry.y + y; }
    void CenterPointer() {
        MovePointer(display(), RootX(geometry.width / 2), RootY(geometry.height / 2));
    }

    // A click without movement in the window's centre; waits until frames stop.
    void ClickToStop();
    // Types a key with the pointer in the window, as a user would.
    void Type(unsigned long keysym, bool shift = false);
    Image Shot() { return Capture(display(), window); }
    // Waits for the program to end; its status or -1.
    int ExitStatus(Millis timeout);

    Display* display() const { return connection->get(); }

    static XServer server;
    static std::unique_ptr<XConnection> connection;
    Program program;
    Window window = 0;
    Geometry geometry;
};
