// Input: character keys and the left button with pointer motion, which
// drives the trackball.
#include "app/viewer.h"
#include "app/viewer_state.h"
#include "render/render.h"
#include "trackball/trackball.h"

namespace {

constexpr WPARAM kEscape = 27;

// j and k step the parameter by 0.05 within [0.01, 1.05]; the bound is
// tested on the sum before it is rounded to a float.
void StepParameterUp() {
    const double sum = double(viewer.stepParameter) + 0.05;
    viewer.stepParameter = (sum >= double(1.05f)) ? 1.05f : float(sum);
}

void StepParameterDown() {
    const double difference = double(viewer.stepParameter) - 0.05;
    viewer.stepParameter = (difference <= double(0.01f)) ? 0.01f : float(difference);
}

bool HandleCharacter(HWND window, WPARAM character) {
    switch (character) {
        case kEscape:
            DestroyWindow(window);  // ends the program; no frame is asked for
            return true;
        case 'f':
            viewer.fogOn = 1 - viewer.fogOn;
            break;
        case 'j':
            StepParameterUp();
            break;
        case 'k':
            StepParameterDown();
            break;
        case 'p':
            viewer.wireframeOn = 1 - viewer.wireframeOn;
            break;
        default:
            return false;  // upper case and every other key
    }
    RequestRedraw();
    return true;
}

}  // namespace

bool HandleInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_CHAR) {
        if (!HandleCharacter(window, wParam)) return false;
        *result = 0;
        return true;
    }

    if (message != WM_LBUTTONDOWN && message != WM_LBUTTONUP && message != WM_MOUSEMOVE &&
        message != WM_CAPTURECHANGED) {
        return false;
    }
    if (viewer.renderContext == nullptr) return false;

    const std::int32_t x = GET_X_LPARAM(lParam);
    const std::int32_t y = GET_Y_LPARAM(lParam);
    switch (message) {
        case WM_LBUTTONDOWN:
            SetCapture(window);
            TrackballPress(x, y);
            break;
        case WM_LBUTTONUP:
            // The release first: letting the capture go reports its loss,
            // which would end the drag where the last move left it.
            TrackballRelease(x, y);
            ReleaseCapture();
            break;
        case WM_CAPTURECHANGED:
            // The capture was taken away mid-drag: the release goes elsewhere.
            TrackballEndDrag();
            break;
        default:  // WM_MOUSEMOVE: the trackball, then the default procedure
            // A move with the button up ends a drag whose release was lost.
            if (viewer.dragging == 1 && !(wParam & MK_LBUTTON)) {
                TrackballEndDrag();
                ReleaseCapture();
            }
            TrackballDrag(x, y);
            return false;
    }
    *result = 0;
    return true;
}
