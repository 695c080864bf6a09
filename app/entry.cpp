// Program entry: the platform's start-up hands over to ViewerMain, whose
// result is the exit status.
#include "app/viewer.h"

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return ViewerMain(instance, showCommand);
}
#else
#include <cstdlib>

#include "app/icon/icon_pixels.h"
#include "platform/icon.h"

int main() {
    // Icon resource 101, which Windows finds in the executable itself.
    SetIconPixels(paraboloidIconRgba);
    // exit, not a return: in the browser, once the program has waited, a
    // return from main no longer reaches the page that ends it.
    std::exit(ViewerMain(GetModuleHandleA(nullptr), SW_SHOWDEFAULT));
}
#endif
