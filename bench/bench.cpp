// Benchmark of the viewer on Xvfb with Mesa's software renderer, side by side
// with a plain freeglut program that sends the same OpenGL stream. Prints a
// table; asserts nothing. With --wayland, the frame rates on a headless
// Wayland compositor at scale 1 and 2 instead.
//
// Usage: paraboloid_bench [seconds per measurement, default 8] [rounds, default 2]
//        paraboloid_bench --wayland [seconds, default 8]
#include <X11/keysym.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/harness.h"

namespace {

// Processor time (user + system) the process has used so far, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat, field;
    std::getline(in, stat);
    // User and system time are fields 14 and 15, counted past the command name.
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        ticks += i >= 14 ? std::stod(field) : 0;
    return ticks / double(sysconf(_SC_CLK_TCK));
}

constexpr Millis kTimeout{20000};

struct Figures {
    std::vector<double> fps;  // one value per second of spinning
    double startMs = 0;       // notice dismissed to first frame
    double stillCpu = -1;     // share of one core while still, in percent
    long rssKiB = 0;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Frames per second, sampled once a second.
void SampleFps(const Program& p, int seconds, Figures& f) {
    auto t0 = std::chrono::steady_clock::now();
    std::uint64_t n0 = Frames(p);
    for (int i = 0; i < seconds; ++i) {
        std::this_thread::sleep_until(t0 + std::chrono::seconds(i + 1));
        auto t1 = std::chrono::steady_clock::now();
        std::uint64_t n1 = Frames(p);
        double dt = std::chrono::duration<double>(t1 - t0).count() - i;
        f.fps.push_back(static_cast<double>(n1 - n0) / dt);
        n0 = n1;
        t0 = t1 - std::chrono::seconds(i + 1);
    }
}

bool RunViewer(Display* display, const std::string& displayName, int seconds, Figures& f) {
    // The focus of the previous run's closed window may have reverted to
    // nothing; keys go to the window under the pointer again.
    XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    LaunchOptions options;
    options.path = PARABOLOID_BINARY;
    options.display = displayName;
    options.probe = PARABOLOID_PROBE_LIBRARY;
    Program p = Launch(options);
    Window notice = WaitForWindow(display, "soft by ", kTimeout, true);
    if (notice == 0) {
        std::fprintf(stderr, "bench: no notice\n%s", ReadStderr(p).c_str());
        Cleanup(p);
        return false;
    }
    Geometry n = GetGeometry(display, notice);
    MovePointer(display, n.x + n.width / 2, n.y + n.height / 2);
    TapKey(display, XK_Return);
    Window window = WaitForWindow(display, " paraboloid velkrin -> p-key", kTimeout);
    if (window == 0 || !WaitForFrames(p, 1, kTimeout)) {
        std::fprintf(stderr, "bench: no viewer frame\n%s", ReadStderr(p).c_str());
        Cleanup(p);
        return false;
    }
    f.startMs =
        static_cast<double>(p.probe->firstFrameNs.load() - p.probe->boxes[0].returnedNs) / 1e6;
    std::this_thread::sleep_for(std::chrono::seconds(1));  // past the first frames
    SampleFps(p, seconds, f);
    f.rssKiB = StatusField(p.pid, "VmRSS");

    // Still: a click without movement, then processor time over a few seconds.
    Geometry g = GetGeometry(display, window);
    MovePointer(display, g.x + g.width / 2, g.y + g.height / 2);
    PressButton(display);
    ReleaseButton(display);
    WaitForQuiet(p, Millis(300), kTimeout);
    double cpu0 = CpuSeconds(p.pid);
    auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    double cpu1 = CpuSeconds(p.pid);
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    f.stillCpu = 100.0 * (cpu1 - cpu0) / wall;

    TapKey(display, XK_Escape);
    WaitForExit(p, kTimeout);
    Cleanup(p);
    return true;
}

bool RunReference(const std::string& displayName, int seconds, Figures& f) {
    LaunchOptions options;
    options.path = PARABOLOID_REFERENCE;
    options.display = displayName;
    // The reference counts its own frames in a probe record.
    std::string path = "/tmp/paraboloid-reference-probe";
    {
        std::ofstream(path, std::ios::binary)
            .write(std::string(sizeof(ProbeBlock), '\0').data(), sizeof(ProbeBlock));
    }
    options.env = {std::string(kProbeFileVariable) + "=" + path};
    Program p = Launch(options);
    p.probePath = path;
    int fd = open(path.c_str(), O_RDWR);
    void* m = mmap(nullptr, sizeof(ProbeBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (m == MAP_FAILED) {
        Cleanup(p);
        return false;
    }
    p.probe = static_cast<ProbeBlock*>(m);
    bool ok = WaitForFrames(p, 1, kTimeout);
    if (!ok) std::fprintf(stderr, "bench: no reference frame\n%s", ReadStderr(p).c_str());
    if (ok) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        SampleFps(p, seconds, f);
        f.rssKiB = StatusField(p.pid, "VmRSS");
    }
    Cleanup(p);
    return ok;
}

// The viewer alone on a headless sway whose output is 1280x800 points at
// `scale`, so that its window is 640x640 points; the frame rate's median.
double RunOnWayland(int scale, int seconds) {
    Compositor wayland = StartCompositor(1280 * scale, 800 * scale, scale,
                                         "for_window [app_id=OpenGL] floating enable");
    LaunchOptions options;
    options.path = PARABOLOID_BINARY;
    options.probe = PARABOLOID_PROBE_LIBRARY;
    // Without X the notice goes to standard error, without zenity.
    options.env = {"WAYLAND_DISPLAY=" + wayland.socket};
    Program p = Launch(options);
    Figures f;
    if (wayland.socket.empty() || !WaitForFrames(p, 1, kTimeout)) {
        std::fprintf(stderr, "bench: no frame on Wayland\n%s%s", ReadStderr(wayland.sway).c_str(),
                     ReadStderr(p).c_str());
    } else {
        std::this_thread::sleep_for(std::chrono::seconds(1));  // past the first frames
        SampleFps(p, seconds, f);
    }
    Cleanup(p);
    StopCompositor(wayland);
    return Median(f.fps);
}

std::string Command(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--wayland") {
        const int seconds = argc > 2 ? std::atoi(argv[2]) : 8;
        std::printf("Headless sway (pixman), output 1280x800 points; window 640x640 points\n\n");
        std::printf("| Wayland output scale | Window buffer | Frames per second, median |\n");
        std::printf("|---|---|---|\n");
        for (int scale : {1, 2})
            std::printf("| %d | %dx%d | %.1f |\n", scale, 640 * scale, 640 * scale,
                        RunOnWayland(scale, seconds));
        return 0;
    }
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 8;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    XServer server = StartXServer(1920, 1080);
    if (server.pid <= 0) {
        std::fprintf(stderr, "bench: could not start Xvfb\n");
        return 1;
    }
    Figures viewer, reference;
    std::vector<double> startMs, stillCpu;
    long viewerRss = 0;
    bool ok = true;
    {
        XConnection display(server.display);
        for (int r = 0; r < rounds && ok; ++r) {
            // Alternate, so that a change in the machine's load hits both.
            Figures v;
            ok = RunViewer(display, server.display, seconds, v) &&
                 RunReference(server.display, seconds, reference);
            viewer.fps.insert(viewer.fps.end(), v.fps.begin(), v.fps.end());
            startMs.push_back(v.startMs);
            stillCpu.push_back(v.stillCpu);
            viewerRss = std::max(viewerRss, v.rssKiB);
        }
    }
    std::string renderer = Command("DISPLAY=" + server.display +
                                   " glxinfo -B 2>/dev/null | sed -n 's/.*renderer string: //p'");
    StopXServer(server);
    if (!ok) {
        std::fprintf(stderr, "bench: a run failed\n");
        return 1;
    }

    auto spread = [](const std::vector<double>& v) {
        auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        return std::to_string(static_cast<int>(*lo + 0.5)) + "-" +
               std::to_string(static_cast<int>(*hi + 0.5));
    };
    const double vm = Median(viewer.fps), rm = Median(reference.fps);
    std::printf("Machine: %s, %s cores; renderer: %s; Xvfb 1920x1080x24, window 864x864\n",
                Command("sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1").c_str(),
                Command("nproc").c_str(), renderer.c_str());
    std::printf("%d rounds of %d s each, alternating viewer and reference\n\n", rounds, seconds);
    std::printf("| Figure | Viewer | Reference (freeglut) |\n");
    std::printf("|---|---|---|\n");
    std::printf("| Frames per second while spinning, median | %.1f | %.1f |\n", vm, rm);
    std::printf("| Frames per second, range over 1 s samples | %s | %s |\n",
                spread(viewer.fps).c_str(), spread(reference.fps).c_str());
    std::printf("| Viewer / reference frame rate | %.3f | |\n", rm > 0 ? vm / rm : 0.0);
    std::printf("| Notice dismissed to first frame, median | %.1f ms | |\n", Median(startMs));
    std::printf("| Processor use while still, median | %.2f %% of one core | |\n",
                Median(stillCpu));
    std::printf("| Resident memory while spinning | %.1f MiB | %.1f MiB |\n", viewerRss / 1024.0,
                reference.rssKiB / 1024.0);
    return 0;
}
