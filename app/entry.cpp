// Program entry: the platform's start-up hands over to ViewerMain, whose
// result is the exit status.
#include "app/viewer.h"

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return ViewerMain(instance, showCommand);
}
#else
#include "app/icon/icon_pixels.h"
#include "platform/icon.h"

int main() {
    // Icon resource 101, which Windows finds in the executable itself.
    SetIconPixels(paraboloidIconRgba);
    return ViewerMain(GetModuleHandleA(nullptr), SW_SHOWDEFAULT);
}
#endif
