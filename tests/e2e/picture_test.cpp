// What the window shows and how the pointer and the keys change it.
#include "tests/e2e/viewer_session.h"

#include <X11/keysym.h>

namespace {

const Rgb kBackground{38, 38, 38};     // clear colour 0.15 in 8 bits
const Rgb kFogBackground{51, 38, 38};  // 0.2, 0.15, 0.15

// A plausible picture of the saddle: a good part of the window, not all of it,
// with background around it.
void ExpectSaddle(const Image& image, const PictureStats& s) {
    EXPECT_GT(s.coveredShare(image), 0.05);
    EXPECT_LT(s.coveredShare(image), 0.9);
    EXPECT_GT(s.left, 0);
    EXPECT_LT(s.right, image.width - 1);
}

}  // namespace

TEST_F(ViewerTest, SpinsFromTheStart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Image first = Shot();
    std::uint64_t frames = Frames(program);
    ASSERT_TRUE(WaitForFrames(program, frames + 10, kFrameTimeout)) << "frames stopped";
    Image later;
    EXPECT_TRUE(WaitUntil(
        [&] {
            later = Shot();
            return DifferentPixels(first, later) > 0;
        },
        kFrameTimeout))
        << "the picture does not change";
    PictureStats s = Analyse(later);
    EXPECT_EQ(s.background, kBackground);
    ExpectSaddle(later, s);
}

TEST_F(ViewerTest, BothSidesShowTheirOwnTintWithoutStripes) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // Let it turn until both sides face the viewer in one picture; the
    // turning brings that within a half revolution.
    Image image;
    PictureStats s;
    bool both = WaitUntil(
        [&] {
            image = Shot();
            s = Analyse(image);
            return s.reddish > s.covered / 10 && s.bluish > s.covered / 10;
        },
        Millis(30000), Millis(50));
    if (!both) SavePng(image, ::testing::TempDir() + "sides.png");
    ASSERT_TRUE(both) << "reddish " << s.reddish << ", bluish " << s.bluish << " of " << s.covered;
    // Where the two sides meet there is one seam; stripes of the other
    // material inside a side would make the border many times longer.
    const double seam = static_cast<double>(s.mixedEdges) / static_cast<double>(s.covered);
    EXPECT_LT(seam, 0.01) << "mixed red/blue edges: " << s.mixedEdges << " of " << s.covered;
    if (seam >= 0.01) SavePng(image, ::testing::TempDir() + "stripes.png");
}

TEST_F(ViewerTest, ClickWithoutMovementStopsIt) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    std::uint64_t frames = Frames(program);
    Image a = Shot();
    // Observe a while: the timer keeps waking the program, but nothing is drawn.
    EXPECT_FALSE(WaitForFrames(program, frames + 1, Millis(1000)));
    Image b = Shot();
    EXPECT_EQ(DifferentPixels(a, b), 0);
    ExpectSaddle(b, Analyse(b));
}

TEST_F(ViewerTest, FogKeyTogglesFogWithOneFrameEach) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    Image clear = Shot();
    ASSERT_EQ(Analyse(clear).background, kBackground);

    std::uint64_t frames = Frames(program);
    Type(XK_f);
    ASSERT_TRUE(WaitForFrames(program, frames + 1, kFrameTimeout)) << "f drew no frame";
    ASSERT_TRUE(WaitForQuiet(program, kQuiet, kFrameTimeout));
    EXPECT_EQ(Frames(program), frames + 1);
    Image fog = Shot();
    PictureStats s = Analyse(fog);
    EXPECT_EQ(s.background, kFogBackground);
    // Every background pixel took the new colour, and the saddle changed too.
    long changedSaddle = 0, oldBackgroundLeft = 0;
    for (size_t i = 0; i < fog.pixels.size(); ++i) {
        if (clear.pixels[i] == kBackground) {
            oldBackgroundLeft += fog.pixels[i] == kFogBackground ? 0 : 1;
        } else if (!(clear.pixels[i] == fog.pixels[i])) {
            ++changedSaddle;
        }
    }
    EXPECT_EQ(oldBackgroundLeft, 0);
    EXPECT_GT(changedSaddle, Analyse(clear).covered / 2) << "the saddle looks the same with fog";

    Type(XK_f);
    ASSERT_TRUE(WaitForFrames(program, frames + 2, kFrameTimeout));
    ASSERT_TRUE(WaitForQuiet(program, kQuiet, kFrameTimeout));
    EXPECT_EQ(Frames(program), frames + 2);
    EXPECT_EQ(DifferentPixels(clear, Shot()), 0) << "second f does not give the first picture";
}

TEST_F(ViewerTest, WireframeKeyTogglesWithOneFrameEach) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    Image filled = Shot();
    PictureStats f = Analyse(filled);

    std::uint64_t frames = Frames(program);
    Type(XK_p);
    ASSERT_TRUE(WaitForFrames(program, frames + 1, kFrameTimeout)) << "p drew no frame";
    ASSERT_TRUE(WaitForQuiet(program, kQuiet, kFrameTimeout));
    EXPECT_EQ(Frames(program), frames + 1);
    Image wire = Shot();
    PictureStats w = Analyse(wire);
    EXPECT_EQ(w.background, kBackground);
    // Background shows between the lines: far more of it inside the outline.
    EXPECT_GT(w.backgroundInBox, f.backgroundInBox + f.covered / 10)
        << "filled " << f.backgroundInBox << ", wireframe " << w.backgroundInBox;
    EXPECT_GT(w.covered, f.covered / 10) << "the wireframe is nearly empty";

    Type(XK_p);
    ASSERT_TRUE(WaitForFrames(program, frames + 2, kFrameTimeout));
    ASSERT_TRUE(WaitForQuiet(program, kQuiet, kFrameTimeout));
    EXPECT_EQ(Frames(program), frames + 2);
    EXPECT_EQ(DifferentPixels(filled, Shot()), 0) << "second p does not give the filled picture";
}

TEST_F(ViewerTest, UpperCaseKeysChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    Image still = Shot();
    std::uint64_t frames = Frames(program);

    Type(XK_f, /*shift=*/true);
    Type(XK_p, /*shift=*/true);
    // Caps Lock on, the same two letters, Caps Lock off again.
    Type(XK_Caps_Lock);
    Type(XK_f);
    Type(XK_p);
    Type(XK_Caps_Lock);
    // A lower-case key afterwards proves the others were all handled (one
    // frame for it), and its frame is the only one.
    Type(XK_j);
    ASSERT_TRUE(WaitForFrames(program, frames + 1, kFrameTimeout));
    ASSERT_TRUE(WaitForQuiet(program, kQuiet, kFrameTimeout));
    EXPECT_EQ(Frames(program), frames + 1);
    EXPECT_EQ(DifferentPixels(still, Shot()), 0);
}

TEST_F(ViewerTest, DragAndThrowKeepsTurningAndAClickStopsIt) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    const int cx = geometry.width / 2, cy = geometry.height / 2;
    MovePointer(display(), RootX(cx), RootY(cy));
    PressButton(display());
    for (int i = 1; i <= 5; ++i)
        MovePointer(display(), RootX(cx + 8 * i), RootY(cy + 3 * i));
    ReleaseButton(display());

    // Still turning: frames keep coming and the picture keeps changing.
    std::uint64_t frames = Frames(program);
    EXPECT_TRUE(WaitForFrames(program, frames + 20, kFrameTimeout)) << "it stopped after a throw";
    Image a = Shot();
    EXPECT_TRUE(WaitUntil([&] { return DifferentPixels(a, Shot()) > 0; }, kFrameTimeout));

    ASSERT_NO_FATAL_FAILURE(ClickToStop());
    Image b = Shot();
    frames = Frames(program);
    EXPECT_FALSE(WaitForFrames(program, frames + 1, Millis(500)));
    EXPECT_EQ(DifferentPixels(b, Shot()), 0);
}

TEST_F(ViewerTest, DragBackToThePressPointStops) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const int cx = geometry.width / 2, cy = geometry.height / 2;
    MovePointer(display(), RootX(cx), RootY(cy));
    PressButton(display());
    for (int i = 1; i <= 4; ++i)
        MovePointer(display(), RootX(cx + 10 * i), RootY(cy - 6 * i));
    MovePointer(display(), RootX(cx), RootY(cy));
    ReleaseButton(display());
    ASSERT_TRUE(WaitForQuiet(program, kQuiet, kFrameTimeout)) << "it kept turning";
    Image a = Shot();
    std::uint64_t frames = Frames(program);
    EXPECT_FALSE(WaitForFrames(program, frames + 1, Millis(500)));
    EXPECT_EQ(DifferentPixels(a, Shot()), 0);
}
