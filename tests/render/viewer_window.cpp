#include "tests/render/viewer_window.h"

#include <gtest/gtest.h>

#include "app/viewer.h"
#include "app/viewer_state.h"
#include "tests/support/x_server.h"

namespace {

const ViewerState stateAtLoad = viewer;

// One private X server for the whole test program.
class XServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        server_ = StartXServer(1280, 1024);
        ASSERT_GT(server_.pid, 0) << "Xvfb did not start";
        UseXServer(server_);
    }
    void TearDown() override { StopXServer(server_); }

private:
    XServer server_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);

bool classRegistered = false;

}  // namespace

void ResetViewerState() {
    viewer = stateAtLoad;
}

HWND OpenViewerWindow(int side) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!classRegistered) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = ViewerWindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = viewer.windowClassName;
        RegisterClassA(&windowClass);
        classRegistered = true;
    }
    viewer.windowWidth = side;
    viewer.windowHeight = side;
    HWND window =
        CreateWindowExA(0, viewer.windowClassName, viewer.windowTitle,
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, viewer.windowX,
                        viewer.windowY, side, side, nullptr, nullptr, instance, nullptr);
    if (window != nullptr) {
        ShowWindow(window, SW_SHOWDEFAULT);
        UpdateWindow(window);
    }
    return window;
}

int RunIdleFrames(int limit) {
    int calls = 0;
    MSG message;
    while (viewer.redrawHook != nullptr && calls < limit) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            // Handle what is waiting first, as the loop does.
            if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        viewer.redrawHook();
        ++calls;
    }
    return calls;
}

Picture ReadPresentedPicture() {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    Picture picture;
    picture.width = viewport[2];
    picture.height = viewport[3];
    std::vector<std::uint8_t> rgb(std::size_t(picture.width) * picture.height * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, picture.width, picture.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    picture.pixels.resize(std::size_t(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* p =
                &rgb[(std::size_t(picture.height - 1 - y) * picture.width + x) * 3];
            picture.pixels[std::size_t(y) * picture.width + x] = {p[0], p[1], p[2]};
        }
    }
    return picture;
}

LPARAM PointerParam(int x, int y) {
    return LPARAM((std::uint32_t(std::uint16_t(x))) | (std::uint32_t(std::uint16_t(y)) << 16));
}
