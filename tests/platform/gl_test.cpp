// Pixel formats, OpenGL contexts and palettes.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "tests/platform/format_request.h"
#include "tests/platform/harness.h"

namespace {

TEST(PixelFormat, ClosestRealFormatIsChosenAndDescribed) {
    behaviour = Behaviour{};
    HWND hwnd = MakeTestWindow(64, 48, false, "format");
    HDC dc = GetDC(hwnd);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(WindowFromDC(dc), hwnd);
    EXPECT_EQ(GetDC(hwnd), dc);  // the window's own device context
    EXPECT_EQ(GetPixelFormat(dc), 0);

    PIXELFORMATDESCRIPTOR request = ViewerFormatRequest();
    int format = ChoosePixelFormat(dc, &request);
    ASSERT_GT(format, 0);
    EXPECT_TRUE(SetPixelFormat(dc, format, &request));
    EXPECT_EQ(GetPixelFormat(dc), format);

    PIXELFORMATDESCRIPTOR real = {};
    EXPECT_GE(DescribePixelFormat(dc, format, sizeof real, &real), format);
    EXPECT_EQ(real.nSize, sizeof real);
    DWORD wanted = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    EXPECT_EQ(real.dwFlags & wanted, wanted);
    EXPECT_EQ(real.dwFlags & PFD_NEED_PALETTE, 0u);  // true colour
    EXPECT_EQ(real.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(real.cColorBits, 24);
    EXPECT_EQ(real.cRedBits, 8);
    EXPECT_EQ(real.cRedShift, 16);
    EXPECT_EQ(real.cGreenShift, 8);
    EXPECT_EQ(real.cBlueShift, 0);
    EXPECT_GE(real.cDepthBits, 16);
    EXPECT_EQ(DescribePixelFormat(dc, 0, sizeof real, &real), 0);

    // The format of a window is set once.
    EXPECT_TRUE(SetPixelFormat(dc, format, &request));
    DestroyWindow(hwnd);
    EXPECT_EQ(GetPixelFormat(dc), 0);
}

TEST(PixelFormat, ContextDrawsWithTheFixedFunctionPipeline) {
    behaviour = Behaviour{};
    behaviour.openGl = true;
    HWND hwnd = MakeTestWindow(64, 48, true, "drawing");
    HDC dc = GetDC(hwnd);
    ASSERT_NE(glGetString(GL_VERSION), nullptr) << "no current context after WM_CREATE";

    glViewport(0, 0, 64, 48);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2f(-1, -1);
    glVertex2f(3, -1);
    glVertex2f(-1, 3);
    glEnd();
    unsigned char pixel[4] = {};
    glReadPixels(32, 24, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[2], 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(SwapBuffers(dc));

    // Released with NULLs; a released context cannot be drawn with.
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_FALSE(SwapBuffers(dc));
    DestroyWindow(hwnd);
}

TEST(PixelFormat, ContextNeedsAPixelFormat) {
    behaviour = Behaviour{};
    HWND hwnd = MakeTestWindow(32, 32, false, "no format");
    EXPECT_EQ(wglCreateContext(GetDC(hwnd)), nullptr);
    EXPECT_FALSE(wglDeleteContext(nullptr));
    DestroyWindow(hwnd);
}

TEST(Palette, PalettesArePlainObjects) {
    behaviour = Behaviour{};
    HWND hwnd = MakeTestWindow(32, 32, false, "palette");
    HDC dc = GetDC(hwnd);
    struct {
        LOGPALETTE header;
        PALETTEENTRY more[3];
    } logical = {};
    logical.header.palVersion = 0x300;
    logical.header.palNumEntries = 4;
    HPALETTE palette = CreatePalette(&logical.header);
    ASSERT_NE(palette, nullptr);
    HPALETTE stock = SelectPalette(dc, palette, FALSE);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(RealizePalette(dc), 0u);
    EXPECT_TRUE(UnrealizeObject(palette));
    EXPECT_FALSE(DeleteObject(palette)) << "deleted while selected";
    EXPECT_EQ(SelectPalette(dc, stock, FALSE), palette);
    EXPECT_TRUE(DeleteObject(palette));
    EXPECT_FALSE(DeleteObject(palette));
    EXPECT_FALSE(UnrealizeObject(palette));
    DestroyWindow(hwnd);
}

}  // namespace
