// Hostile input and a long run.
#include "tests/e2e/viewer_session.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <random>

namespace {

// Frames per full turn at the start-up rotation of half a degree per frame.
constexpr std::uint64_t kFramesPerTurn = 720;  // half a degree a frame
static_assert(kFramesPerTurn == kProbeWidthFrames);

}  // namespace

TEST_F(ViewerTest, SurvivesAnInputStorm) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const unsigned seed = 20240606;
    RecordProperty("seed", static_cast<int>(seed));
    std::mt19937 random(seed);
    auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const int screenW = DisplayWidth(display(), DefaultScreen(display()));
    const int screenH = DisplayHeight(display(), DefaultScreen(display()));
    const unsigned long keys[] = {XK_f, XK_p, XK_j, XK_k};
    bool held = false;

    // 5000 events with no pause between them; XTest queues them in order.
    for (int i = 0; i < 5000; ++i) {
        int kind = uniform(0, 99);
        if (kind < 45) {  // a move inside the window
            XTestFakeMotionEvent(display(), -1, RootX(uniform(0, geometry.width - 1)),
                                 RootY(uniform(0, geometry.height - 1)), CurrentTime);
        } else if (kind < 55) {  // anywhere on the screen, far outside the window too
            XTestFakeMotionEvent(display(), -1, uniform(0, screenW - 1), uniform(0, screenH - 1),
                                 CurrentTime);
        } else if (kind < 60) {  // across the whole window in one move
            bool leftToRight = uniform(0, 1) == 0;
            XTestFakeMotionEvent(display(), -1, RootX(leftToRight ? geometry.width - 1 : 0),
                                 RootY(uniform(0, geometry.height - 1)), CurrentTime);
        } else if (kind < 72) {
            if (!held) XTestFakeButtonEvent(display(), 1, True, CurrentTime);
            held = true;
        } else if (kind < 84) {
            if (held) XTestFakeButtonEvent(display(), 1, False, CurrentTime);
            held = false;
        } else {
            bool shift = kind >= 96;  // F among them
            KeyCode code = XKeysymToKeycode(display(), shift ? XK_f : keys[uniform(0, 3)]);
            KeyCode shiftCode = XKeysymToKeycode(display(), XK_Shift_L);
            if (shift) XTestFakeKeyEvent(display(), shiftCode, True, CurrentTime);
            XTestFakeKeyEvent(display(), code, True, CurrentTime);
            XTestFakeKeyEvent(display(), code, False, CurrentTime);
            if (shift) XTestFakeKeyEvent(display(), shiftCode, False, CurrentTime);
        }
    }
    if (held) XTestFakeButtonEvent(display(), 1, False, CurrentTime);
    XSync(display(), False);

    // It answers: a click stops it, a key then gives exactly one frame.
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    std::uint64_t frames = Frames(program);
    Type(XK_j);
    ASSERT_TRUE(WaitForFrames(program, frames + 1, kFrameTimeout)) << "no answer to a key";
    ASSERT_TRUE(WaitForQuiet(program, kQuiet, kFrameTimeout));
    EXPECT_EQ(Frames(program), frames + 1);

    // The saddle is still there, filled or as lines, fog or not.
    Image image = Shot();
    PictureStats s = Analyse(image);
    EXPECT_GT(s.coveredShare(image), 0.01) << "the window is (nearly) blank";
    if (s.coveredShare(image) <= 0.01) SavePng(image, ::testing::TempDir() + "after-storm.png");

    Type(XK_Escape);
    EXPECT_EQ(ExitStatus(kFrameTimeout), 0);
}

// A minute of spinning at full rate: memory stays flat and the saddle keeps
// its size on screen. The probe measures the width of every frame of the
// first whole turn and of one turn after the minute, so the widest views
// compare exactly, whichever frames a screenshot would have caught.
TEST_F(ViewerTest, LongRunKeepsMemoryAndSize) {
    ASSERT_NO_FATAL_FAILURE(Start({std::string(kProbeWidthsVariable) + "=1"}));
    // Memory counts from the end of the first whole turn, when every pose
    // has been drawn once and start-up allocation is over.
    ASSERT_TRUE(WaitForFrames(program, kFramesPerTurn, Millis(120000)))
        << "less than a turn in two minutes";
    const auto duration = std::chrono::seconds(60);
    std::vector<long> rss;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < duration) {
        ASSERT_FALSE(WaitForExit(program, Millis(1000))) << "the viewer ended";
        rss.push_back(ResidentKiB(program.pid));
    }
    const std::uint64_t from = Frames(program) + 1;
    program.probe->measureFrom.store(from);
    ASSERT_TRUE(WaitForFrames(program, from + kFramesPerTurn, Millis(60000)));
    RecordProperty("frames", static_cast<int>(from));

    const std::uint16_t* first = program.probe->firstWidths;
    const std::uint16_t* later = program.probe->laterWidths;
    const int firstTurn = *std::max_element(first, first + kFramesPerTurn);
    const int laterTurn = *std::max_element(later, later + kFramesPerTurn);
    ASSERT_GT(firstTurn, 0);
    EXPECT_NEAR(laterTurn, firstTurn, firstTurn / 100.0)
        << "widest view: " << firstTurn << " px in the first turn, " << laterTurn
        << " px in the turn from frame " << from;

    // Memory: the first ten seconds after the first turn against the last ten.
    ASSERT_GE(rss.size(), 30u);
    auto median = [](std::vector<long> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    long early = median({rss.begin(), rss.begin() + 10});
    long late = median({rss.end() - 10, rss.end()});
    RecordProperty("rss_early_kib", static_cast<int>(early));
    RecordProperty("rss_late_kib", static_cast<int>(late));
    EXPECT_LE(late - early, std::max(2048L, early / 50))
        << "resident memory grew from " << early << " KiB to " << late << " KiB";

    Type(XK_Escape);
    EXPECT_EQ(ExitStatus(kFrameTimeout), 0);
}
