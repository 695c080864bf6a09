// Driving real programs on private X servers: start Xvfb, start a program,
// find its windows, read their pixels, send real input through XTest and
// collect the exit status; and on a private headless Wayland compositor.
// Every wait is a bounded poll.
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/probe.h"

using Millis = std::chrono::milliseconds;

// Polls `condition` every `step` until it holds (true) or `timeout` passes (false).
bool WaitUntil(const std::function<bool()>& condition, Millis timeout, Millis step = Millis(5));

// ---- X servers ----------------------------------------------------------------

struct XServer {
    pid_t pid = -1;
    std::string display;  // ":N"
};

// Xvfb with one screen of width x height x 24, as users run it: it resets
// when its last client leaves. Returns pid -1 when it could not be started.
XServer StartXServer(int width, int height, const std::vector<std::string>& extraArgs = {});
void StopXServer(XServer& server);

// An open connection, closed on destruction.
struct XConnection {
    explicit XConnection(const std::string& name) : display(XOpenDisplay(name.c_str())) {}
    ~XConnection() {
        if (display != nullptr) XCloseDisplay(display);
    }
    XConnection(const XConnection&) = delete;
    operator Display*() const { return display; }
    Display* display;
};

// ---- Programs -----------------------------------------------------------------

struct LaunchOptions {
    std::string path;
    std::vector<std::string> args;
    std::optional<std::string> display;  // DISPLAY; nullopt leaves it unset
    std::vector<std::string> env{};      // extra NAME=value entries
    std::string probe{};                 // the probe library to preload, if any
};

struct Program {
    pid_t pid = -1;
    std::optional<int> status;          // exit code, or 128 + signal number
    std::string outputPath, probePath;  // what it wrote to stdout and stderr; the probe's file
    ProbeBlock* probe = nullptr;        // nullptr when started without the probe
};

// Starts a program in its own process group, output sent to a temporary file;
// the environment is ours, less DISPLAY and LD_PRELOAD, with `env` over it.
Program Launch(const LaunchOptions& options);
std::optional<int> WaitForExit(Program& program, Millis timeout);
// Ends the program's process group if it still runs, reaps it, removes its files.
void Cleanup(Program& program);
std::string ReadStderr(const Program& program);
// A number of the program's main thread from /proc (VmRSS in KiB,
// voluntary_ctxt_switches...), 0 when unknown.
long StatusField(pid_t pid, const std::string& name);

// Frames, counted by the probe.
std::uint64_t Frames(const Program& program);
bool WaitForFrames(const Program& program, std::uint64_t count, Millis timeout);
// Waits until no frame has come for `quiet`; false if frames keep coming.
bool WaitForQuiet(const Program& program, Millis quiet, Millis timeout);

// ---- Windows ------------------------------------------------------------------

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;  // x and y of the top-left corner on the root
};

// The viewable client windows (children of the root or of a window
// manager's frame) whose title is `title`, or begins with it when `prefix`.
std::vector<Window> FindWindows(Display* display, const std::string& title, bool prefix = false);
Window WaitForWindow(Display* display, const std::string& title, Millis timeout,
                     bool prefix = false);
Geometry GetGeometry(Display* display, Window window);
// Pixels of the window's size x size icon (_NET_WM_ICON) that differ from the
// RGBA table (colour under a transparent pixel does not count); -1 without one.
long IconPixelsDiffering(Display* display, Window window, const std::uint8_t* rgba, int size);

// ---- Pixels -------------------------------------------------------------------

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // row after row, top row first
    const Rgb& at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

Image Capture(Display* display, Window window);
long DifferentPixels(const Image& a, const Image& b);

// The two materials: red clearly above blue (front), blue above red (back).
enum class Tint { Neither, Red, Blue };
Tint TintOf(const Rgb& p);

// The saddle in a picture: what differs from the corner pixel.
struct PictureStats {
    Rgb background;
    // Covered pixels differ from the background; the box holds them all.
    long covered = 0;
    int left = 0, right = -1, top = 0, bottom = -1;
};
PictureStats Analyse(const Image& image);

// ---- Wayland ------------------------------------------------------------------

struct Compositor {
    Program sway;
    std::string dir;     // its runtime directory, which holds its configuration
    std::string socket;  // the display's path, for WAYLAND_DISPLAY; empty when it did not start
};

// Headless sway with one output of width x height pixels at `scale`, drawn
// by pixman, without input devices or XWayland, with the `config` lines
// added. Sway does not run as root: as root, it runs as nobody.
Compositor StartCompositor(int width, int height, int scale, const std::string& config = {});
void StopCompositor(Compositor& compositor);
// The output's pixels, as grim takes them; empty when it cannot.
Image Screenshot(const Compositor& compositor);

// ---- Input through XTest ------------------------------------------------------

void MovePointer(Display* display, int rootX, int rootY);
void PressButton(Display* display, unsigned button = 1);
void ReleaseButton(Display* display, unsigned button = 1);
// Press and release; with `shift` the Shift key is held around it.
void TapKey(Display* display, unsigned long keysym, bool shift = false);
