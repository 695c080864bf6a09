// wine-reporter.exe: reports, through Win32 itself, what the Wine tests
// cannot read from the X server: message box texts, the viewer window's
// rectangles and style, and the images of icon resource 101. (The window's
// icon itself is seen on the X side, as _NET_WM_ICON.)
//
//   wine-reporter.exe boxes          one line per message box on screen:
//                                     box<TAB>caption<TAB>text
//   wine-reporter.exe window         the "OpenGL" window, one line:
//                                     window<TAB>title<TAB>x y w h<TAB>client w h
//                                     <TAB>frame w h<TAB>style
//   wine-reporter.exe icons EXE      the images of icon group 101 in EXE:
//                                     image<TAB>w h colours bits
//   wine-reporter.exe screen         screen<TAB>w h
//
// Exits 0 when it found what it was asked about, 1 otherwise.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

BOOL CALLBACK ListBox(HWND window, LPARAM found) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) {
        return TRUE;
    }
    char caption[256] = {}, text[512] = {};
    GetWindowTextA(window, caption, sizeof caption);
    // A message box shows its text in the static control 0xFFFF.
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    std::printf("box\t%s\t%s\n", caption, text);
    ++*reinterpret_cast<int*>(found);
    return TRUE;
}

int Boxes() {
    int found = 0;
    EnumWindows(ListBox, reinterpret_cast<LPARAM>(&found));
    return found > 0 ? 0 : 1;
}

int Window() {
    HWND window = FindWindowA("OpenGL", nullptr);
    if (window == nullptr || !IsWindowVisible(window)) {
        return 1;
    }
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    RECT outer = {}, client = {}, frame = {0, 0, 0, 0};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE));
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);

    std::printf("window\t%s\t%ld %ld %ld %ld\t%ld %ld\t%ld %ld\t%08lx\n", title, outer.left,
                outer.top, outer.right - outer.left, outer.bottom - outer.top, client.right,
                client.bottom, frame.right - frame.left, frame.bottom - frame.top, style);
    return 0;
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
struct GroupIcon {
    WORD reserved, type, count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

int Icons(const char* path) {
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        return 1;
    }
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(14));  // group icon
    if (found == nullptr) {
        return 1;
    }
    const GroupIcon* group =
        static_cast<const GroupIcon*>(LockResource(LoadResource(module, found)));
    for (int i = 0; i < group->count; ++i) {
        const GroupIconEntry& e = group->entries[i];
        std::printf("image\t%d %d %d %d\n", e.width ? e.width : 256, e.height ? e.height : 256,
                    e.colours ? e.colours : 256, e.bits);
    }
    return group->count > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int result = 2;
    if (argc == 2 && std::strcmp(argv[1], "boxes") == 0) {
        result = Boxes();
    } else if (argc == 2 && std::strcmp(argv[1], "window") == 0) {
        result = Window();
    } else if (argc == 3 && std::strcmp(argv[1], "icons") == 0) {
        result = Icons(argv[2]);
    } else if (argc == 2 && std::strcmp(argv[1], "screen") == 0) {
        std::printf("screen\t%d %d\n", GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN));
        result = 0;
    } else {
        std::fprintf(stderr, "usage: wine-reporter.exe boxes|window|screen|icons EXE\n");
    }
    std::fflush(stdout);
    return result;
}
