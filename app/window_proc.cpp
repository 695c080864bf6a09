#include "app/viewer.h"

// The window procedure: window life first, then input; whatever neither
// handles goes to the default procedure with the same arguments.
LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleLifecycleMessage(window, message, wParam, lParam, &result)) return result;
    if (HandleInputMessage(window, message, wParam, lParam, &result)) return result;
    return DefWindowProcA(window, message, wParam, lParam);
}
