// What the platform tests share: one private Xvfb for the test program, a
// window procedure that records what it receives, bounded message pumping,
// and running the child program.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tests/support/x_server.h"

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// The test program's X server and a connection of the tests' own to it.
const XServer& TestServer();
Display* TestDisplay();

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Everything the recording window procedure received, in order.
extern std::vector<Received> received;
std::vector<Received> ReceivedOf(UINT message);

// How the recording procedure answers. Reset for every new test window.
struct Behaviour {
    LRESULT onCreate = 0;
    bool openGl = false;    // set up a pixel format and context in WM_CREATE
    bool keepSize = false;  // on WM_SIZE, set the size back as the viewer does
    int keptWidth = 0, keptHeight = 0;
};
extern Behaviour behaviour;

// A window of the recording class; shown (and painted) when `show`.
HWND MakeTestWindow(int width, int height, bool show, const char* title = "platform test");

// The X window of a test window, found by its title.
Window XWindowOf(const char* title);

// Takes and dispatches messages (without waiting) until `done` or until
// timeoutMs have passed; returns whether `done` became true. With `pump`
// false it only polls `done`.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000, bool pump = true);

// Takes and dispatches whatever is waiting now.
void PumpPending();

struct ChildResult {
    int status = -1;  // exit status, or -1 if it did not exit in time (it is killed)
    std::string out, err;
    double seconds = 0;
};

// Runs the child program with one argument. `environment` entries NAME=value
// are set, NAME= removed. While it runs, `whileRunning` is called every few
// milliseconds with the output so far; it may act on the child (input,
// signals). The child is killed after timeoutMs.
ChildResult RunChild(const std::string& mode, const std::vector<std::string>& environment,
                     int timeoutMs,
                     const std::function<void(int pid, const std::string& out)>& whileRunning = {});
