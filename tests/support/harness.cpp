#include "tests/support/harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

std::string probeLibrary;

std::string TempPath(const char* stem) {
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd >= 0) close(fd);
    return pattern;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Millis timeout, Millis step) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(step);
    }
}

// ---- Programs ---------------------------------------------------------------

void SetProbeLibrary(const std::string& path) {
    probeLibrary = path;
}

Program Launch(const LaunchOptions& options) {
    Program program;
    program.stderrPath = TempPath("paraboloid-stderr");
    if (options.probe) {
        program.probePath = TempPath("paraboloid-probe");
        int fd = open(program.probePath.c_str(), O_RDWR);
        if (fd >= 0 && ftruncate(fd, sizeof(ProbeBlock)) == 0) {
            void* p = mmap(nullptr, sizeof(ProbeBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (p != MAP_FAILED) program.probe = static_cast<ProbeBlock*>(p);
        }
        if (fd >= 0) close(fd);
    }

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("LD_PRELOAD=", 0) == 0) continue;
        env.push_back(entry);
    }
    if (options.display) env.push_back("DISPLAY=" + *options.display);
    if (options.probe) {
        env.push_back("LD_PRELOAD=" + probeLibrary);
        env.push_back(std::string(kProbeFileVariable) + "=" + program.probePath);
    }
    env.insert(env.end(), options.env.begin(), options.env.end());

    std::vector<std::string> args = {options.path};
    args.insert(args.end(), options.args.begin(), options.args.end());

    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv, envp;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        int out = open(program.stderrPath.c_str(), O_WRONLY | O_TRUNC);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        // Its own process group, so that a stray child of it can be ended too.
        setpgid(0, 0);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    setpgid(pid, pid);  // also here, so the group exists before Launch returns
    program.pid = pid;
    return program;
}

std::optional<int> WaitForExit(Program& program, Millis timeout) {
    if (program.status || program.pid <= 0) return program.status;
    WaitUntil(
        [&] {
            int raw = 0;
            if (waitpid(program.pid, &raw, WNOHANG) != program.pid) return false;
            program.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        },
        timeout, Millis(2));
    return program.status;
}

void Cleanup(Program& program) {
    if (program.pid > 0 && !program.status) {
        kill(-program.pid, SIGKILL);  // its process group: strays included
        kill(program.pid, SIGKILL);
        int raw = 0;
        waitpid(program.pid, &raw, 0);
        program.status = 128 + SIGKILL;
    }
    if (program.probe != nullptr) munmap(program.probe, sizeof(ProbeBlock));
    program.probe = nullptr;
    if (!program.probePath.empty()) unlink(program.probePath.c_str());
    if (!program.stderrPath.empty()) unlink(program.stderrPath.c_str());
    program.probePath.clear();
    program.stderrPath.clear();
}

std::string ReadStderr(const Program& program) {
    std::ifstream in(program.stderrPath);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long ResidentKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    // Fields after the command name, which is in parentheses and may hold blanks.
    auto close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// ---- Frames -----------------------------------------------------------------

std::uint64_t Frames(const Program& program) {
    return program.probe != nullptr ? program.probe->frames.load() : 0;
}

bool WaitForFrames(const Program& program, std::uint64_t count, Millis timeout) {
    return WaitUntil([&] { return Frames(program) >= count; }, timeout);
}

bool WaitForQuiet(const Program& program, Millis quiet, Millis timeout) {
    auto lastChange = std::chrono::steady_clock::now();
    std::uint64_t last = Frames(program);
    return WaitUntil(
        [&] {
            auto now = std::chrono::steady_clock::now();
            std::uint64_t frames = Frames(program);
            if (frames != last) {
                last = frames;
                lastChange = now;
            }
            return now - lastChange >= quiet;
        },
        timeout);
}

// ---- Windows ----------------------------------------------------------------

XConnection::XConnection(const std::string& display) : display_(XOpenDisplay(display.c_str())) {}

XConnection::~XConnection() {
    if (display_ != nullptr) XCloseDisplay(display_);
}

std::string WindowTitle(Display* display, Window window) {
    // The EWMH name in UTF-8 first, then the classic WM_NAME.
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        std::string name(reinterpret_cast<char*>(data), count);
        XFree(data);
        if (type == utf8) return name;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        std::string result = name;
        XFree(name);
        return result;
    }
    return {};
}

std::string WindowClass(Display* display, Window window) {
    XClassHint hint{};
    if (XGetClassHint(display, window, &hint) == 0) return {};
    std::string result = hint.res_class != nullptr ? hint.res_class : "";
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    return result;
}

namespace {

bool Matches(Display* display, Window window, const WindowMatch& match) {
    if (!match.className.empty() && WindowClass(display, window) != match.className) {
        return false;
    }
    if (!match.title.empty() || !match.titlePrefix.empty()) {
        std::string title = WindowTitle(display, window);
        if (!match.title.empty() && title != match.title) return false;
        if (!match.titlePrefix.empty() && title.rfind(match.titlePrefix, 0) != 0) return false;
    }
    return true;
}

std::vector<Window> Children(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
        result.assign(children, children + count);
        if (children != nullptr) XFree(children);
    }
    return result;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

// Errors for windows that vanish while we look at them are expected.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

std::vector<Window> FindWindows(Display* display, const WindowMatch& match) {
    auto previous = XSetErrorHandler(IgnoreErrors);
    std::vector<Window> found;
    // Client windows are children of the root, or, under a window manager,
    // nested in its frame a level or two down.
    std::vector<std::pair<Window, int>> pending = {{DefaultRootWindow(display), 0}};
    while (!pending.empty()) {
        auto [window, depth] = pending.back();
        pending.pop_back();
        for (Window child : Children(display, window)) {
            if (!Viewable(display, child)) continue;
            if (!WindowClass(display, child).empty() || !WindowTitle(display, child).empty()) {
                if (Matches(display, child, match)) found.push_back(child);
            } else if (depth < 3) {
                pending.push_back({child, depth + 1});
            }
        }
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    return found;
}

std::string DescribeWindows(Display* display) {
    std::string text;
    for (Window w : FindWindows(display, WindowMatch{})) {
        Geometry g = GetGeometry(display, w);
        text += std::to_string(w) + " class \"" + WindowClass(display, w) + "\" title \"" +
                WindowTitle(display, w) + "\" " + std::to_string(g.width) + "x" +
                std::to_string(g.height) + "+" + std::to_string(g.x) + "+" + std::to_string(g.y) +
                "\n";
    }
    return text;
}

Window WaitForWindow(Display* display, const WindowMatch& match, Millis timeout) {
    Window found = 0;
    WaitUntil(
        [&] {
            auto windows = FindWindows(display, match);
            if (windows.empty()) return false;
            found = windows.front();
            return true;
        },
        timeout, Millis(10));
    return found;
}

Geometry GetGeometry(Display* display, Window window) {
    Geometry g;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) return g;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &g.x, &g.y, &child);
    g.width = attributes.width;
    g.height = attributes.height;
    return g;
}

// ---- Pixels -----------------------------------------------------------------

Image Capture(Display* display, Window window) {
    Image image;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) return image;
    XImage* x =
        XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (x == nullptr) return image;
    image.width = x->width;
    image.height = x->height;
    image.pixels.resize(static_cast<size_t>(x->width) * x->height);
    // Depth 24 TrueColor: shift each channel out of the pixel value by its mask.
    auto shiftOf = [](unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        return shift;
    };
    int rs = shiftOf(x->red_mask), gs = shiftOf(x->green_mask), bs = shiftOf(x->blue_mask);
    bool direct = x->bits_per_pixel == 32 && x->byte_order == LSBFirst;
    for (int y = 0; y < x->height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(x->data + y * x->bytes_per_line);
        for (int i = 0; i < x->width; ++i) {
            unsigned long p = direct ? row[i] : XGetPixel(x, i, y);
            image.pixels[static_cast<size_t>(y) * x->width + i] = {
                static_cast<std::uint8_t>((p & x->red_mask) >> rs),
                static_cast<std::uint8_t>((p & x->green_mask) >> gs),
                static_cast<std::uint8_t>((p & x->blue_mask) >> bs)};
        }
    }
    XDestroyImage(x);
    return image;
}

bool SavePng(const Image& image, const std::string& path) {
    std::string ppm = path + ".ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << image.width << " " << image.height << "\n255\n";
        out.write(reinterpret_cast<const char*>(image.pixels.data()),
                  static_cast<std::streamsize>(image.pixels.size() * sizeof(Rgb)));
        if (!out) return false;
    }
    std::string command = "convert '" + ppm + "' '" + path + "' 2>/dev/null";
    bool ok = std::system(command.c_str()) == 0;
    unlink(ppm.c_str());
    return ok;
}

// ---- Input ------------------------------------------------------------------

void MovePointer(Display* display, int rootX, int rootY) {
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XSync(display, False);
}

void PressButton(Display* display, unsigned button) {
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
}

void ReleaseButton(Display* display, unsigned button) {
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void Click(Display* display, int rootX, int rootY) {
    MovePointer(display, rootX, rootY);
    PressButton(display);
    ReleaseButton(display);
}

void PressKey(Display* display, unsigned long keysym) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), True, CurrentTime);
    XSync(display, False);
}

void ReleaseKey(Display* display, unsigned long keysym) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), False, CurrentTime);
    XSync(display, False);
}

void TapKey(Display* display, unsigned long keysym, bool shift) {
    if (shift) PressKey(display, XK_Shift_L);
    PressKey(display, keysym);
    ReleaseKey(display, keysym);
    if (shift) ReleaseKey(display, XK_Shift_L);
}
