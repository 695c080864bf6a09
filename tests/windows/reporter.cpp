// wine-reporter.exe [EXE]: what the Wine tests cannot read from the X server,
// read through Win32 itself, one line each:
//   box<TAB>caption<TAB>text       every message box on screen
//   window<TAB>title<TAB>x y w h<TAB>client w h<TAB>frame w h<TAB>style
//                                  the "OpenGL" window, when it is visible
//   image<TAB>w h colours bits     every image of icon group 101 in EXE
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

BOOL CALLBACK ListBox(HWND window, LPARAM) {
    char name[64] = {}, caption[256] = {}, text[512] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    GetWindowTextA(window, caption, sizeof caption);
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // a message box's text control
    std::printf("box\t%s\t%s\n", caption, text);
    return TRUE;
}

#pragma pack(push, 2)
struct GroupIcon {
    WORD reserved, type, count;
    struct {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    } entries[1];
};
#pragma pack(pop)

}  // namespace

int main(int argc, char** argv) {
    EnumWindows(ListBox, 0);
    HWND window = FindWindowA("OpenGL", nullptr);
    if (window != nullptr && IsWindowVisible(window)) {
        char title[256] = {};
        GetWindowTextA(window, title, sizeof title);
        RECT outer = {}, client = {}, frame = {};
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        const DWORD style = DWORD(GetWindowLongPtrA(window, GWL_STYLE));
        AdjustWindowRectEx(&frame, style, FALSE, DWORD(GetWindowLongPtrA(window, GWL_EXSTYLE)));
        std::printf("window\t%s\t%ld %ld %ld %ld\t%ld %ld\t%ld %ld\t%08lx\n", title, outer.left,
                    outer.top, outer.right - outer.left, outer.bottom - outer.top, client.right,
                    client.bottom, frame.right - frame.left, frame.bottom - frame.top, style);
    }
    HMODULE module =
        argc > 1 ? LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE) : nullptr;
    HRSRC found =
        module ? FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(14)) : nullptr;
    if (found != nullptr) {
        const auto* group =
            static_cast<const GroupIcon*>(LockResource(LoadResource(module, found)));
        for (int i = 0; i < group->count; ++i) {
            const auto& e = group->entries[i];
            std::printf("image\t%d %d %d %d\n", e.width, e.height, e.colours ? e.colours : 256,
                        e.bits);
        }
    }
    std::fflush(stdout);
    return 0;
}
