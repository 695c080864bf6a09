// gtest first: X11's macros (None, Bool) break its headers.
#include <gtest/gtest.h>

#include "tests/platform/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "tests/platform/format_request.h"
#include "tests/support/harness.h"

std::vector<Received> received;
Behaviour behaviour;

namespace {

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

XServer server;
Display* display = nullptr;
HDC glDc;
HGLRC glContext;

long NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back({hwnd, message, wParam, lParam});
    switch (message) {
        case WM_CREATE:
            if (behaviour.openGl) {
                glDc = GetDC(hwnd);
                PIXELFORMATDESCRIPTOR pfd = ViewerFormatRequest();
                SetPixelFormat(glDc, ChoosePixelFormat(glDc, &pfd), &pfd);
                glContext = wglCreateContext(glDc);
                wglMakeCurrent(glDc, glContext);
            }
            return behaviour.onCreate;
        case WM_SIZE:
            if (behaviour.keepSize)
                SetWindowPos(hwnd, HWND_TOP, 80, 80, behaviour.keptWidth, behaviour.keptHeight,
                             SWP_NOMOVE);
            return 0;
        case WM_DESTROY:
            if (glContext) {
                wglMakeCurrent(nullptr, nullptr);
                wglDeleteContext(glContext);
                glContext = nullptr;
            }
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

class ServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        server = StartXServer(kScreenWidth, kScreenHeight);
        ASSERT_GT(server.pid, 0) << "Xvfb could not be started";
        UseXServer(server);
        XSetErrorHandler(IgnoreErrors);  // windows may vanish while they are looked at
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        WNDCLASSA c = {};
        c.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        c.lpfnWndProc = RecordingProc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        c.hIcon = LoadIconA(c.hInstance, MAKEINTRESOURCEA(101));
        c.lpszClassName = "Recording";
        ASSERT_NE(RegisterClassA(&c), 0);
    }
    void TearDown() override {
        if (display) XCloseDisplay(display);
        StopXServer(server);
    }
};

const ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

}  // namespace

const XServer& TestServer() {
    return server;
}
Display* TestDisplay() {
    return display;
}

std::vector<Received> ReceivedOf(UINT message) {
    std::vector<Received> out;
    for (const Received& r : received)
        if (r.message == message) out.push_back(r);
    return out;
}

HWND MakeTestWindow(int width, int height, bool show, const char* title) {
    received.clear();
    HWND hwnd = CreateWindowExA(0, "Recording", title, WS_OVERLAPPEDWINDOW, 50, 50, width, height,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd && show) {
        ShowWindow(hwnd, SW_SHOWDEFAULT);
        UpdateWindow(hwnd);
    }
    return hwnd;
}

Window XWindowOf(const char* title) {
    return WaitForWindow(display, ByTitle(title), Millis(3000));
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs, bool pump) {
    long deadline = NowMs() + timeoutMs;
    for (;;) {
        if (pump) PumpPending();
        if (done()) return true;
        if (NowMs() >= deadline) return false;
        timespec pause = {0, 2 * 1000000L};
        nanosleep(&pause, nullptr);
    }
}

void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

ChildResult RunChild(const std::string& mode, const std::vector<std::string>& environment,
                     int timeoutMs,
                     const std::function<void(int pid, const std::string& out)>& whileRunning) {
    ChildResult result;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
    long start = NowMs();
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);  // its own group, so that whatever it starts ends with it
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (const std::string& e : environment) {
            size_t eq = e.find('=');
            std::string name = e.substr(0, eq), value = e.substr(eq + 1);
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        execl(PLATFORM_CHILD, PLATFORM_CHILD, mode.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && NowMs() - start < timeoutMs) {
        if (poll(fds, 2, 5) > 0) {
            for (pollfd& p : fds) {
                if (p.fd < 0 || !(p.revents & (POLLIN | POLLHUP))) continue;
                char buffer[512];
                ssize_t n = read(p.fd, buffer, sizeof buffer);
                if (n <= 0) {
                    close(p.fd);
                    p.fd = -1;
                    --open;
                } else {
                    (p.fd == out[0] ? result.out : result.err).append(buffer, n);
                }
            }
        }
        if (whileRunning) whileRunning(pid, result.out);
    }
    for (pollfd& p : fds)
        if (p.fd >= 0) close(p.fd);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (NowMs() - start >= timeoutMs) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.seconds = (NowMs() - start) / 1000.0;
            return result;
        }
        timespec pause = {0, 2 * 1000000L};
        nanosleep(&pause, nullptr);
    }
    result.seconds = (NowMs() - start) / 1000.0;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}
