#include "app/viewer.h"
#include "app/viewer_state.h"

namespace {

const char kNoticeText[] = " mouse: touch the window image for movement----- ";
const char kNoticeCaption[] = "soft by the paraboloid project";
constexpr int kIconResource = 101;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

void RegisterViewerClass(HINSTANCE instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ViewerWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;  // never erased with a brush
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = viewer.windowClassName;
    RegisterClassA(&windowClass);
}

// The window is square: both sides come from the screen height.
std::int32_t SideFromScreenHeight() {
    return std::int32_t(GetSystemMetrics(SM_CYSCREEN) * 0.8);
}

}  // namespace

std::int32_t ViewerMain(HINSTANCE instance, int showCommand) {
    RegisterViewerClass(instance);
    MessageBoxA(nullptr, kNoticeText, kNoticeCaption, MB_OK);

    viewer.windowWidth = SideFromScreenHeight();
    viewer.windowHeight = SideFromScreenHeight();

    // Creation builds the rendering context and the scene before it returns.
    HWND window = CreateWindowExA(0, viewer.windowClassName, viewer.windowTitle, kWindowStyle,
                                  viewer.windowX, viewer.windowY, viewer.windowWidth,
                                  viewer.windowHeight, nullptr, nullptr, instance, nullptr);
    // Without a window no message would ever come: fail instead of waiting.
    if (window == nullptr) return 1;

    ShowWindow(window, showCommand);
    UpdateWindow(window);  // the first paint asks for the first frame
    return RunMessageLoop();
}

std::int32_t RunMessageLoop() {
    MSG message;
    for (;;) {
        // Idle phase: frames only while nothing is waiting.
        while (viewer.redrawHook != nullptr) {
            if (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) break;
            viewer.redrawHook();
        }

        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) return std::int32_t(message.wParam);  // the quit message
        if (got < 0) return 1;                              // the wait failed

        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
