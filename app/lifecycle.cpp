// Window life: creation builds the rendering context and the scene,
// destruction ends the program, the size is held, paints ask for frames.
#include "app/viewer.h"
#include "app/viewer_state.h"
#include "render/render.h"

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerPeriodMs = 100;  // only wakes the message loop

// The client area the frames fill; the size asked for until the window
// says otherwise.
void TakeClientSize(std::int32_t width, std::int32_t height) {
    viewer.clientWidth = width > 0 ? width : viewer.windowWidth;
    viewer.clientHeight = height > 0 ? height : viewer.windowHeight;
}

void CreateSequence(HWND window) {
    SetTimer(window, kTimerId, kTimerPeriodMs, nullptr);
    RECT client = {};
    GetClientRect(window, &client);
    TakeClientSize(client.right, client.bottom);
    viewer.deviceContext = GetDC(window);
    SetupPixelFormat(viewer.deviceContext);  // does not return on failure
    SetupPalette(viewer.deviceContext);
    viewer.renderContext = wglCreateContext(viewer.deviceContext);
    wglMakeCurrent(viewer.deviceContext, viewer.renderContext);
    // Without a context the window stays empty; there is no scene to set.
    if (viewer.renderContext != nullptr) InitScene();
}

void DestroySequence(HWND window) {
    if (viewer.renderContext != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(viewer.renderContext);
        viewer.renderContext = nullptr;
    }
    viewer.redrawHook = nullptr;  // no frame after this point
    ReleaseDC(window, viewer.deviceContext);
    viewer.deviceContext = nullptr;
    PostQuitMessage(0);
}

void RealiseViewerPalette() {
    UnrealizeObject(viewer.palette);
    SelectPalette(viewer.deviceContext, viewer.palette, FALSE);
    RealizePalette(viewer.deviceContext);
    RequestRedraw();
}

}  // namespace

bool HandleLifecycleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT* result) {
    switch (message) {
        case WM_CREATE:
            CreateSequence(window);
            *result = 0;
            return true;

        case WM_DESTROY:
            DestroySequence(window);
            *result = 0;
            return true;

        case WM_SIZE:
            if (viewer.renderContext == nullptr) return false;
            // Frames fill the client area the window has (a minimised one
            // has none: the last one stays)...
            if (LOWORD(lParam) > 0 && HIWORD(lParam) > 0) {
                TakeClientSize(LOWORD(lParam), HIWORD(lParam));
                FitSceneToClientArea();
            }
            // ...and whatever changed the size, it is asked back; the
            // position is kept. A window manager may keep it as it is.
            SetWindowPos(window, HWND_TOP, 80, 80, viewer.windowWidth, viewer.windowHeight,
                         SWP_NOMOVE);
            *result = 0;
            return true;

        case WM_PAINT: {
            if (viewer.renderContext == nullptr) return false;
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            RequestRedraw();  // drawn later, when the queue is empty
            EndPaint(window, &paint);
            *result = 0;
            return true;
        }

        case WM_PALETTECHANGED:
            // Our own realisation caused it: nothing to do.
            if (viewer.palette == nullptr || HWND(wParam) == window) return false;
            RealiseViewerPalette();
            *result = 0;
            return true;

        case WM_QUERYNEWPALETTE:
            if (viewer.palette == nullptr) return false;
            RealiseViewerPalette();
            *result = 1;
            return true;

        default:
            return false;
    }
}
