// A small program on the platform layer that the tests run as a child
// process, for what only a whole process shows: the exit status, standard
// error, signals and a blocking message box.
//
//   platform_child message-box   shows a box, exits with MessageBoxA's result
//   platform_child start         a box, then a window as the viewer opens it;
//                                exits 1 if no window can be created
//   platform_child choose        prints ChoosePixelFormat's result
//   platform_child loop          a viewer-like window and loop drawing frames;
//                                prints "ready", exits with the quit code
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "platform/win32.h"
#include "tests/platform/format_request.h"

namespace {

HDC dc;
HGLRC rc;
bool drawing;

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            dc = GetDC(hwnd);
            PIXELFORMATDESCRIPTOR pfd = ViewerFormatRequest();
            int format = ChoosePixelFormat(dc, &pfd);
            if (format == 0 || !SetPixelFormat(dc, format, &pfd)) return -1;
            rc = wglCreateContext(dc);
            wglMakeCurrent(dc, rc);
            return 0;
        }
        case WM_CLOSE:
            std::printf("close\n");
            std::fflush(stdout);
            break;
        case WM_DESTROY:
            wglMakeCurrent(nullptr, nullptr);
            wglDeleteContext(rc);
            ReleaseDC(hwnd, dc);
            PostQuitMessage(0);
            return 0;
        case WM_CHAR:
            if (wParam == 27) DestroyWindow(hwnd);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND OpenWindow() {
    WNDCLASSA c = {};
    c.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    c.lpfnWndProc = Proc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = "Child";
    RegisterClassA(&c);
    return CreateWindowExA(0, "Child", "platform child", WS_OVERLAPPEDWINDOW, 50, 50, 200, 200,
                           nullptr, nullptr, c.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "message-box") == 0)
        return MessageBoxA(nullptr, "Press Return", "platform box", MB_OK | MB_ICONHAND);
    if (std::strcmp(mode, "start") == 0) {
        MessageBoxA(nullptr, "the notice text", "the notice caption", MB_OK);
        return OpenWindow() ? 0 : 1;
    }
    if (std::strcmp(mode, "choose") == 0) {
        WNDCLASSA c = {};
        c.lpfnWndProc = DefWindowProcA;
        c.lpszClassName = "Plain";
        RegisterClassA(&c);
        HWND hwnd = CreateWindowExA(0, "Plain", "plain", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                    nullptr, nullptr, nullptr, nullptr);
        if (!hwnd) return 2;
        PIXELFORMATDESCRIPTOR pfd = ViewerFormatRequest();
        std::printf("%d\n", ChoosePixelFormat(GetDC(hwnd), &pfd));
        return 0;
    }
    if (std::strcmp(mode, "loop") == 0) {
        HWND hwnd = OpenWindow();
        if (!hwnd) return 1;
        ShowWindow(hwnd, SW_SHOWDEFAULT);
        UpdateWindow(hwnd);
        std::printf("ready\n");
        std::fflush(stdout);
        MSG msg;
        drawing = true;
        for (;;) {
            while (drawing) {
                if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) break;
                glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
                glClear(GL_COLOR_BUFFER_BIT);
                glBegin(GL_TRIANGLES);
                glVertex2f(-0.5f, -0.5f);
                glVertex2f(0.5f, -0.5f);
                glVertex2f(0.0f, 0.5f);
                glEnd();
                SwapBuffers(dc);
            }
            BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got <= 0) return got == 0 ? static_cast<int>(msg.wParam) : 3;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 2;
}
