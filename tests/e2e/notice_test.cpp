// The start-up notice comes before anything else and is dismissed by the user.
#include "tests/e2e/viewer_session.h"

#include <X11/keysym.h>

#include <cstring>

namespace {

// The OK button: the largest patch of the box's button colour.
bool FindButton(const Image& box, const Rgb& buttonColour, int* x, int* y) {
    int left = box.width, right = -1, top = box.height, bottom = -1;
    for (int j = 0; j < box.height; ++j) {
        for (int i = 0; i < box.width; ++i) {
            if (!(box.at(i, j) == buttonColour)) continue;
            left = std::min(left, i);
            right = std::max(right, i);
            top = std::min(top, j);
            bottom = std::max(bottom, j);
        }
    }
    if (right < 0) return false;
    *x = (left + right) / 2;
    *y = (top + bottom) / 2;
    return true;
}

}  // namespace

TEST_F(ViewerTest, NoticeComesFirstAndReturnDismissesIt) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    Window notice = WaitForWindow(display(), ByTitlePrefix(kNoticeCaptionPrefix), kStartTimeout);
    ASSERT_NE(notice, 0u) << "no start-up notice appeared";

    // While it is up: no viewer window and nothing drawn.
    EXPECT_TRUE(FindWindows(display(), ByClass(kViewerClass)).empty());
    EXPECT_TRUE(FindWindows(display(), ByTitle(kViewerTitle)).empty());
    EXPECT_EQ(Frames(program), 0u);
    ASSERT_EQ(program.probe->boxesShown.load(), 1u);
    EXPECT_STREQ(program.probe->boxes[0].text, kNoticeText);
    EXPECT_EQ(std::strncmp(program.probe->boxes[0].title, kNoticeCaptionPrefix,
                           std::strlen(kNoticeCaptionPrefix)),
              0)
        << program.probe->boxes[0].title;
    EXPECT_EQ(WindowTitle(display(), notice), program.probe->boxes[0].title);

    Geometry g = GetGeometry(display(), notice);
    MovePointer(display(), g.x + g.width / 2, g.y + g.height / 2);
    TapKey(display(), XK_Return);

    window = WaitForWindow(display(), ByTitle(kViewerTitle), kStartTimeout);
    ASSERT_NE(window, 0u) << "Return did not lead to the viewer window";
    EXPECT_EQ(program.probe->boxesClosed.load(), 1u);
    EXPECT_TRUE(FindWindows(display(), ByTitlePrefix(kNoticeCaptionPrefix)).empty());
    EXPECT_TRUE(WaitForFrames(program, 1, kFrameTimeout));
}

TEST_F(ViewerTest, OkButtonDismissesNotice) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    Window notice = WaitForWindow(display(), ByTitlePrefix(kNoticeCaptionPrefix), kStartTimeout);
    ASSERT_NE(notice, 0u);
    Geometry g = GetGeometry(display(), notice);
    // The box draws its one button with a colour of its own; wait until the
    // box has been drawn at all, then click the middle of that patch.
    const Rgb buttonColour{105, 102, 99};
    int bx = 0, by = 0;
    ASSERT_TRUE(
        WaitUntil([&] { return FindButton(Capture(display(), notice), buttonColour, &bx, &by); },
                  kStartTimeout))
        << "no button found in the notice";
    EXPECT_GT(by, g.height / 2) << "the button should be below the text";
    Click(display(), g.x + bx, g.y + by);
    window = WaitForWindow(display(), ByTitle(kViewerTitle), kStartTimeout);
    ASSERT_NE(window, 0u) << "clicking OK did not lead to the viewer window";
    EXPECT_EQ(program.probe->boxesClosed.load(), 1u);
}
