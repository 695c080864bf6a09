// Driving a real program on a private X server: start it, find its windows,
// read their pixels, send it real input through XTest and collect its exit.
//
// Every wait is a bounded poll: it returns as soon as the condition holds and
// gives up after the stated time.
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

// ---- Programs ---------------------------------------------------------------

struct LaunchOptions {
    std::string path;
    std::vector<std::string> args;
    std::optional<std::string> display;  // DISPLAY; nullopt leaves it unset
    std::vector<std::string> env;        // extra NAME=value entries
    bool probe = true;                   // preload the probe library
};

struct Program {
    pid_t pid = -1;
    std::optional<int> status;  // exit code, or 128 + signal number
    std::string stderrPath;     // what the program wrote to stderr
    std::string probePath;
    ProbeBlock* probe = nullptr;  // nullptr when started without the probe
};

// Path of the probe library, set by the test program (compile definition).
void SetProbeLibrary(const std::string& path);

// Starts a program with stdout and stderr sent to a temporary file.
Program Launch(const LaunchOptions& options);

// Waits up to `timeout` for the program to end; returns its status.
std::optional<int> WaitForExit(Program& program, Millis timeout);

// Ends the program if it still runs (SIGKILL), reaps it and removes its files.
void Cleanup(Program& program);

std::string ReadStderr(const Program& program);

// Resident set size in KiB from /proc, 0 when unknown.
long ResidentKiB(pid_t pid);

// Processor time (user + system) used so far, in seconds.
double CpuSeconds(pid_t pid);

// ---- Frames (from the probe) ------------------------------------------------

std::uint64_t Frames(const Program& program);

// Waits until the frame count reaches `count`.
bool WaitForFrames(const Program& program, std::uint64_t count, Millis timeout);

// Waits until no frame has been drawn for `quiet`; false if frames keep coming.
bool WaitForQuiet(const Program& program, Millis quiet, Millis timeout);

// ---- Windows ----------------------------------------------------------------

struct WindowMatch {
    std::string className;    // WM_CLASS class part, exact; empty matches any
    std::string title;        // WM_NAME exact; empty matches any
    std::string titlePrefix;  // WM_NAME prefix; empty matches any
};

inline WindowMatch ByClass(std::string name) {
    WindowMatch m;
    m.className = std::move(name);
    return m;
}
inline WindowMatch ByTitle(std::string title) {
    WindowMatch m;
    m.title = std::move(title);
    return m;
}
inline WindowMatch ByTitlePrefix(std::string prefix) {
    WindowMatch m;
    m.titlePrefix = std::move(prefix);
    return m;
}

struct Geometry {
    int x = 0, y = 0;  // top-left corner in root coordinates
    int width = 0, height = 0;
};

// An open connection, closed on destruction.
class XConnection {
public:
    explicit XConnection(const std::string& display);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
    Display* get() const { return display_; }
    operator Display*() const { return display_; }

private:
    Display* display_;
};

std::string WindowTitle(Display* display, Window window);
std::string WindowClass(Display* display, Window window);

// The viewable top-level client windows (of the root, or one level below a
// window manager's frame) that match.
std::vector<Window> FindWindows(Display* display, const WindowMatch& match);

// One line per viewable client window: id, class and title; for messages.
std::string DescribeWindows(Display* display);

// Waits for a viewable window that matches; returns 0 on timeout.
Window WaitForWindow(Display* display, const WindowMatch& match, Millis timeout);

Geometry GetGeometry(Display* display, Window window);

// ---- Pixels -----------------------------------------------------------------

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // row after row
    const Rgb& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Image&) const = default;
};

// The window's contents as the server holds them.
Image Capture(Display* display, Window window);

// Writes the image as PNG (through ImageMagick's convert); false on failure.
bool SavePng(const Image& image, const std::string& path);

// ---- Input through XTest ----------------------------------------------------

void MovePointer(Display* display, int rootX, int rootY);
void PressButton(Display* display, unsigned button = 1);
void ReleaseButton(Display* display, unsigned button = 1);
void Click(Display* display, int rootX, int rootY);
void PressKey(Display* display, unsigned long keysym);
void ReleaseKey(Display* display, unsigned long keysym);
// Press and release; with `shift` the Shift key is held around it.
void TapKey(Display* display, unsigned long keysym, bool shift = false);
