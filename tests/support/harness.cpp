#include "tests/support/harness.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <thread>

namespace {

std::string TempPath(const char* stem) {
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    close(mkstemp(pattern.data()));
    return pattern;
}

// Starts args[0] in a process group of its own, so that whatever it starts
// ends with it; its output goes to outFd. The environment is ours, less
// DISPLAY and LD_PRELOAD, with the NAME=value entries of `env` over it.
pid_t Spawn(std::vector<std::string> args, std::vector<std::string> env, int outFd) {
    pid_t pid = fork();
    if (pid == 0) {
        unsetenv("DISPLAY");
        unsetenv("LD_PRELOAD");
        for (std::string& e : env)
            putenv(e.data());
        std::vector<char*> argv(args.size() + 1);  // null-terminated
        std::ranges::transform(args, argv.begin(), [](std::string& a) { return a.data(); });
        dup2(outFd, 1);
        dup2(outFd, 2);
        setpgid(0, 0);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    if (pid > 0) setpgid(pid, pid);
    close(outFd);
    return pid;
}

std::string WindowTitle(Display* display, Window window) {
    // The EWMH name in UTF-8, else the classic WM_NAME.
    XTextProperty name{};
    std::string title;
    if (XGetTextProperty(display, window, &name, XInternAtom(display, "_NET_WM_NAME", False)) ||
        XGetWMName(display, window, &name))
        title.assign(reinterpret_cast<char*>(name.value), name.nitems);
    XFree(name.value);
    return title;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, Millis timeout, Millis step) {
    for (auto deadline = std::chrono::steady_clock::now() + timeout;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(step);
    }
}

XServer StartXServer(int width, int height, const std::vector<std::string>& extraArgs) {
    // Xvfb picks a free display and writes its number to -displayfd once it
    // accepts connections.
    int fds[2];
    if (pipe(fds) != 0) return {};
    const std::string size = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> args = {
        "Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", size, "-nolisten", "tcp"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    XServer server{Spawn(args, {}, open("/dev/null", O_WRONLY)), ":"};
    close(fds[1]);
    pollfd p = {fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        server.display += c;
    close(fds[0]);
    if (server.display.size() < 2) StopXServer(server);
    return server;
}

void StopXServer(XServer& server) {
    if (server.pid <= 0) return;
    kill(server.pid, SIGTERM);
    waitpid(server.pid, nullptr, 0);
    server.pid = -1;
}

Program Launch(const LaunchOptions& options) {
    Program program;
    program.outputPath = TempPath("paraboloid-output");
    std::vector<std::string> env = options.env;
    if (options.display) env.push_back("DISPLAY=" + *options.display);
    if (!options.probe.empty()) {
        program.probePath = TempPath("paraboloid-probe");
        int fd = open(program.probePath.c_str(), O_RDWR);
        void* p = ftruncate(fd, sizeof(ProbeBlock)) == 0
                      ? mmap(nullptr, sizeof(ProbeBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                      : MAP_FAILED;
        close(fd);
        if (p != MAP_FAILED) program.probe = static_cast<ProbeBlock*>(p);
        env.push_back("LD_PRELOAD=" + options.probe);
        env.push_back(std::string(kProbeFileVariable) + "=" + program.probePath);
    }
    std::vector<std::string> args = {options.path};
    args.insert(args.end(), options.args.begin(), options.args.end());
    program.pid = Spawn(args, env, open(program.outputPath.c_str(), O_WRONLY | O_TRUNC));
    return program;
}

std::optional<int> WaitForExit(Program& program, Millis timeout) {
    WaitUntil(
        [&] {
            int raw = 0;
            if (program.status || program.pid <= 0) return true;
            if (waitpid(program.pid, &raw, WNOHANG) != program.pid) return false;
            program.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        },
        timeout, Millis(2));
    return program.status;
}

void Cleanup(Program& program) {
    if (program.pid > 0) kill(-program.pid, SIGKILL);  // its strays too
    if (program.pid > 0 && !program.status) waitpid(program.pid, nullptr, 0);
    if (program.probe != nullptr) munmap(program.probe, sizeof(ProbeBlock));
    unlink(program.probePath.c_str());
    unlink(program.outputPath.c_str());
    program = Program{};
}

std::string ReadStderr(const Program& program) {
    std::ifstream in(program.outputPath);
    return {std::istreambuf_iterator<char>(in), {}};
}

long StatusField(pid_t pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name + ":", 0) == 0) return std::stol(line.substr(name.size() + 1));
    return 0;
}

std::uint64_t Frames(const Program& program) {
    return program.probe != nullptr ? program.probe->frames.load() : 0;
}

bool WaitForFrames(const Program& program, std::uint64_t count, Millis timeout) {
    return WaitUntil([&] { return Frames(program) >= count; }, timeout);
}

bool WaitForQuiet(const Program& program, Millis quiet, Millis timeout) {
    return WaitUntil([&] { return !WaitForFrames(program, Frames(program) + 1, quiet); }, timeout,
                     Millis(0));
}

Compositor StartCompositor(int width, int height, int scale, const std::string& config) {
    Compositor c;
    std::string dir = "/tmp/paraboloid-sway-XXXXXX", name;
    if (mkdtemp(dir.data()) == nullptr) return c;
    c.dir = dir;
    // Sway runs the exec lines once its display is up.
    std::ofstream(dir + "/config") << "output HEADLESS-1 resolution " << width << "x" << height
                                   << " scale " << scale << "\nxwayland disable\n"
                                   << config << "\nexec echo $WAYLAND_DISPLAY >" << dir << "/up\n";
    std::vector<std::string> args = {"-c", dir + "/config"}, as;
    const passwd* nobody = getuid() == 0 ? getpwnam("nobody") : nullptr;
    if (nobody != nullptr && chown(dir.c_str(), nobody->pw_uid, nobody->pw_gid) == 0)
        as = {"--reuid=" + std::to_string(nobody->pw_uid),
              "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", "sway"};
    args.insert(args.begin(), as.begin(), as.end());
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + dir, "HOME=" + dir,
                                          "WLR_BACKENDS=headless", "WLR_RENDERER=pixman",
                                          "WLR_LIBINPUT_NO_DEVICES=1"};
    c.sway = Launch({as.empty() ? "sway" : "setpriv", args, std::nullopt, env});
    if (WaitUntil([&] { return bool(std::ifstream(dir + "/up") >> name); }, Millis(15000)))
        c.socket = dir + "/" + name;
    return c;
}

void StopCompositor(Compositor& compositor) {
    Cleanup(compositor.sway);
    if (!compositor.dir.empty()) std::filesystem::remove_all(compositor.dir);
    compositor = Compositor{};
}

Image Screenshot(const Compositor& compositor) {
    const std::string path = compositor.dir + "/shot.ppm";
    Program grim = Launch(
        {"grim", {"-t", "ppm", path}, std::nullopt, {"WAYLAND_DISPLAY=" + compositor.socket}});
    WaitForExit(grim, Millis(10000));
    Cleanup(grim);
    // P6: a header of four words, then three bytes a pixel, row after row.
    static_assert(sizeof(Rgb) == 3);
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maximum = 0;
    Image image;
    in >> magic >> image.width >> image.height >> maximum;
    in.get();
    image.pixels.resize(std::size_t(std::max(image.width * image.height, 0)));
    if (magic != "P6" || maximum != 255 ||
        !in.read(reinterpret_cast<char*>(image.pixels.data()), long(image.pixels.size() * 3)))
        return {};
    return image;
}

std::vector<Window> FindWindows(Display* display, const std::string& title, bool prefix) {
    // Windows may vanish while we look at them.
    auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::vector<Window> found;
    // Client windows are children of the root or, under a window manager,
    // nested in its frames (named or not) a level or two down.
    std::vector<std::pair<Window, int>> pending = {{DefaultRootWindow(display), 0}};
    for (std::size_t next = 0; next < pending.size(); ++next) {
        const auto [window, depth] = pending[next];
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, window, &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a{};
            if (!XGetWindowAttributes(display, children[i], &a) || a.map_state != IsViewable)
                continue;
            const std::string name = WindowTitle(display, children[i]);
            if (!name.empty() && (prefix ? name.rfind(title, 0) == 0 : name == title))
                found.push_back(children[i]);
            else if (depth < 3)
                pending.push_back({children[i], depth + 1});
        }
        XFree(children);
    }
    XSetErrorHandler(previous);
    return found;
}

Window WaitForWindow(Display* display, const std::string& title, Millis timeout, bool prefix) {
    std::vector<Window> found;
    WaitUntil([&] { return !(found = FindWindows(display, title, prefix)).empty(); }, timeout,
              Millis(10));
    return found.empty() ? 0 : found.front();
}

Geometry GetGeometry(Display* display, Window window) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(display, window, &a) == 0) return {};
    Geometry g{0, 0, a.width, a.height};
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &g.x, &g.y, &child);
    return g;
}

long IconPixelsDiffering(Display* display, Window window, const std::uint8_t* rgba, int size) {
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 1 << 20,
                       False, AnyPropertyType, &type, &format, &count, &after, &data);
    // Format 32 comes as longs: width, height, then ARGB pixels, image after image.
    const auto* v = reinterpret_cast<const unsigned long*>(data);
    long differing = -1;
    for (unsigned long at = 0; at + 2 <= count && differing < 0; at += 2 + v[at] * v[at + 1]) {
        if (v[at] != unsigned(size) || v[at + 1] != unsigned(size)) continue;
        differing = 0;
        for (int i = 0; i < size * size; ++i) {
            const std::uint8_t* p = rgba + 4 * i;
            const unsigned long seen = v[at + 2 + i] & 0xFFFFFFFF,
                                want = (0UL + p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2];
            differing += p[3] == 0 ? (seen >> 24) != 0 : seen != want;
        }
    }
    XFree(data);
    return differing;
}

Image Capture(Display* display, Window window) {
    Geometry g = GetGeometry(display, window);
    XImage* x =
        g.width ? XGetImage(display, window, 0, 0, g.width, g.height, AllPlanes, ZPixmap) : nullptr;
    if (x == nullptr) return {};
    Image image{x->width, x->height, {}};
    for (int i = 0; i < x->width * x->height; ++i) {
        unsigned long p = XGetPixel(x, i % x->width, i / x->width);  // depth 24: 8 bits a channel
        image.pixels.push_back({std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
    }
    XDestroyImage(x);
    return image;
}

long DifferentPixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return long(a.pixels.size());
    return std::transform_reduce(a.pixels.begin(), a.pixels.end(), b.pixels.begin(), 0L,
                                 std::plus<>(), std::not_equal_to<>());
}

Tint TintOf(const Rgb& p) {
    constexpr int kMargin = 24;
    return p.r > p.b + kMargin ? Tint::Red : p.b > p.r + kMargin ? Tint::Blue : Tint::Neither;
}

PictureStats Analyse(const Image& image) {
    PictureStats s{image.pixels.empty() ? Rgb{} : image.at(1, 1), 0, image.width, -1, image.height};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.at(x, y) == s.background) continue;
            ++s.covered;
            s.left = std::min(s.left, x), s.right = std::max(s.right, x);
            s.top = std::min(s.top, y), s.bottom = std::max(s.bottom, y);
        }
    }
    return s;
}

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

void TapKey(Display* display, unsigned long keysym, bool shift) {
    const KeyCode key = XKeysymToKeycode(display, keysym),
                  shiftKey = XKeysymToKeycode(display, XK_Shift_L);
    if (shift) XTestFakeKeyEvent(display, shiftKey, True, CurrentTime);
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(display, shiftKey, False, CurrentTime);
    XSync(display, False);
}
