// The viewer's own window on a private X server, for tests that need a real
// rendering context (Mesa) and the real window procedure.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "app/viewer_state.h"
#include "platform/win32.h"

// Creates the viewer's window (class, create sequence, show, first paint)
// with the given square size; the context is current when it returns.
HWND OpenViewerWindow(int side = 320);

// Puts back the state at load, so every test starts from a fresh viewer.
void ResetViewerState();

// Runs the idle phase once, as the message loop does: calls the hook while it
// is installed and no message waits, at most `limit` times. Returns the calls.
int RunIdleFrames(int limit);

using Rgb = std::array<std::uint8_t, 3>;

struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // row 0 at the top
    Rgb At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// Reads the picture just drawn and presented. After the swap it is still in
// the back buffer with Mesa's software renderer, which these tests run on.
Picture ReadPresentedPicture();

LPARAM PointerParam(int x, int y);

// A test on a fresh viewer with its window open and its context current.
class ViewerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetViewerState();
        window_ = OpenViewerWindow();
        ASSERT_NE(window_, nullptr);
        ASSERT_NE(viewer.renderContext, nullptr);
    }
    void TearDown() override {
        DestroyWindow(window_);  // a no-op when the test destroyed it
        // Leave nothing, the quit request above all, to the next test.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    HWND window_ = nullptr;
};
