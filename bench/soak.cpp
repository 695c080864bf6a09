// A long run of the spinning viewer on Xvfb: prints, once a minute, the frame
// rate, resident memory and the widest view of the saddle during the last
// full turn against that of the first. Not a test; run it by hand.
//
// Usage: paraboloid_soak [minutes, default 60]
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/support/harness.h"

namespace {

constexpr Millis kTimeout{20000};
constexpr std::uint64_t kFramesPerTurn = 720;  // half a degree per frame

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 60;
    XServer server = StartXServer(1920, 1080);
    if (server.pid <= 0) return 1;
    int result = 1;
    {
        XConnection display(server.display);
        LaunchOptions options;
        options.path = PARABOLOID_BINARY;
        options.display = server.display;
        options.probe = PARABOLOID_PROBE_LIBRARY;
        Program p = Launch(options);
        Window notice = WaitForWindow(display, "soft by ", kTimeout, true);
        Geometry n = GetGeometry(display, notice);
        MovePointer(display, n.x + n.width / 2, n.y + n.height / 2);
        TapKey(display, XK_Return);
        Window window = WaitForWindow(display, " paraboloid velkrin -> p-key", kTimeout);
        if (notice != 0 && window != 0 && WaitForFrames(p, 1, kTimeout)) {
            std::printf("minute  frames     fps  rss_MiB  widest_first_turn  widest_last_turn\n");
            const auto start = std::chrono::steady_clock::now();
            int firstTurn = 0, turnWidest = 0, lastTurn = 0;
            std::uint64_t turnStart = 0, lastFrames = 0;
            long firstRss = 0;
            for (int minute = 1; minute <= minutes; ++minute) {
                const auto end = start + std::chrono::minutes(minute);
                while (std::chrono::steady_clock::now() < end) {
                    std::uint64_t before = Frames(p);
                    Image image = Capture(display, window);
                    if (Frames(p) != before) continue;
                    const PictureStats stats = Analyse(image);
                    const int width = stats.right - stats.left + 1;
                    if (before < kFramesPerTurn) firstTurn = std::max(firstTurn, width);
                    if (before >= turnStart + kFramesPerTurn) {
                        lastTurn = turnWidest;
                        turnWidest = 0;
                        turnStart = before - before % kFramesPerTurn;
                    }
                    turnWidest = std::max(turnWidest, width);
                }
                if (WaitForExit(p, Millis(0))) break;
                std::uint64_t frames = Frames(p);
                long rss = StatusField(p.pid, "VmRSS");
                if (firstRss == 0) firstRss = rss;
                std::printf("%6d %7llu %7.1f %8.1f %18d %17d\n", minute,
                            static_cast<unsigned long long>(frames),
                            static_cast<double>(frames - lastFrames) / 60.0, rss / 1024.0,
                            firstTurn, lastTurn);
                std::fflush(stdout);
                lastFrames = frames;
            }
            std::printf("resident memory: %.1f MiB after the first minute, %.1f MiB at the end\n",
                        firstRss / 1024.0, StatusField(p.pid, "VmRSS") / 1024.0);
            TapKey(display, XK_Escape);
            auto status = WaitForExit(p, kTimeout);
            std::printf("exit status %d\n", status ? *status : -1);
            result = status && *status == 0 ? 0 : 1;
        }
        Cleanup(p);
    }
    StopXServer(server);
    return result;
}
