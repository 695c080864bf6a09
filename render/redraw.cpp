#include "app/viewer_state.h"
#include "render/render.h"

void RequestRedraw() {
    if (viewer.redrawHook == nullptr) viewer.redrawHook = RedrawHook;
}

void RedrawHook() {
    // Without a rendering context there is nothing to draw on: drop the
    // request instead of spinning the idle loop on empty frames.
    if (viewer.renderContext == nullptr) {
        viewer.redrawHook = nullptr;
        return;
    }
    if (viewer.keepAnimating == 0) viewer.redrawHook = nullptr;
    DrawFrame();
}
