// A guided tour of the viewer on a virtual display, for a machine without
// one: it starts Xvfb, plays a short scripted session with real input and
// saves a picture of every step.
//
// Usage: paraboloid_tour [output directory [viewer]]
#include <X11/keysym.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/harness.h"

namespace {

constexpr Millis kTimeout{15000};

// Writes the image as PNG through ImageMagick.
bool SavePng(const Image& image, const std::string& path) {
    const std::string ppm = path + ".ppm";
    std::FILE* out = std::fopen(ppm.c_str(), "wb");
    if (out == nullptr) return false;
    std::fprintf(out, "P6\n%d %d\n255\n", image.width, image.height);
    const bool written = std::fwrite(image.pixels.data(), sizeof(Rgb), image.pixels.size(), out) ==
                         image.pixels.size();
    const bool ok = std::fclose(out) == 0 && written &&
                    std::system(("convert '" + ppm + "' '" + path + "' 2>/dev/null").c_str()) == 0;
    std::remove(ppm.c_str());
    return ok;
}

struct Tour {
    Display* display = nullptr;
    Program viewer;
    Window window = 0;
    Geometry g;
    std::string directory;
    int step = 0;

    void Save(Window w, const char* name) {
        char file[64];
        std::snprintf(file, sizeof file, "%02d-%s.png", ++step, name);
        std::string path = directory + "/" + file;
        if (SavePng(Capture(display, w), path)) {
            std::printf("  %s\n", path.c_str());
        } else {
            std::printf("  (could not save %s)\n", path.c_str());
        }
        std::fflush(stdout);
    }
    void Say(const char* text) {
        std::printf("%s\n", text);
        std::fflush(stdout);
    }
    // Lets the viewer draw for a while, as a person watching would.
    void Watch(Millis time) { std::this_thread::sleep_for(time); }
    // Waits until the viewer has drawn what the last input asked for.
    void Settle() { WaitForQuiet(viewer, Millis(300), kTimeout); }
    void Center() { MovePointer(display, g.x + g.width / 2, g.y + g.height / 2); }
};

bool Fail(const char* what, Tour& tour) {
    const std::string said = ReadStderr(tour.viewer);
    std::fprintf(stderr, "tour: %s\n", what);
    // The viewer says so when the display works but its box cannot be shown.
    const auto box = said.find("cannot show a message box");
    if (box != std::string::npos) {
        const auto start = said.rfind('\n', box) + 1;  // npos + 1 is 0
        std::fprintf(stderr, "tour: the box failed: %s\n",
                     said.substr(start, said.find('\n', box) - start).c_str());
    }
    std::fprintf(stderr, "%s", said.c_str());
    return false;
}

bool Play(Tour& t) {
    t.Say("The start-up notice:");
    Window notice = WaitForWindow(t.display, "soft by ", kTimeout, true);
    if (notice == 0) return Fail("no start-up notice appeared", t);
    WaitUntil([&] { return t.viewer.probe->boxesShown.load() > 0; }, kTimeout);
    t.Watch(Millis(300));  // the box draws itself after it appears
    t.Save(notice, "notice");
    Geometry n = GetGeometry(t.display, notice);
    MovePointer(t.display, n.x + n.width / 2, n.y + n.height / 2);
    TapKey(t.display, XK_Return);

    t.window = WaitForWindow(t.display, " paraboloid velkrin -> p-key", kTimeout);
    if (t.window == 0 || !WaitForFrames(t.viewer, 1, kTimeout)) {
        return Fail("the viewer window did not appear", t);
    }
    t.g = GetGeometry(t.display, t.window);
    t.Say("Dismissed with Return; the saddle spins from the start:");
    t.Save(t.window, "spinning");
    t.Watch(Millis(3000));
    t.Save(t.window, "spinning-3s-later");

    t.Say("A drag across the window and a throw: it keeps turning that way:");
    const int cx = t.g.x + t.g.width / 2, cy = t.g.y + t.g.height / 2;
    MovePointer(t.display, cx - 120, cy + 40);
    PressButton(t.display);
    for (int i = 1; i <= 12; ++i) {
        MovePointer(t.display, cx - 120 + 20 * i, cy + 40 - 8 * i);
        WaitForFrames(t.viewer, Frames(t.viewer) + 1, Millis(500));
    }
    ReleaseButton(t.display);
    t.Watch(Millis(1500));
    t.Save(t.window, "thrown");

    t.Say("f: fog on:");
    t.Center();
    TapKey(t.display, XK_f);
    t.Watch(Millis(1000));
    t.Save(t.window, "fog");

    t.Say("p: wireframe on:");
    TapKey(t.display, XK_p);
    t.Watch(Millis(1000));
    t.Save(t.window, "fog-wireframe");

    t.Say("f and p again: back to the plain filled surface:");
    TapKey(t.display, XK_f);
    TapKey(t.display, XK_p);
    t.Watch(Millis(1000));
    t.Save(t.window, "filled");

    t.Say("A click without movement stops it:");
    PressButton(t.display);
    ReleaseButton(t.display);
    t.Settle();
    t.Save(t.window, "stopped");

    t.Say("Escape ends it:");
    TapKey(t.display, XK_Escape);
    auto status = WaitForExit(t.viewer, kTimeout);
    if (!status) return Fail("Escape did not end the viewer", t);
    std::printf("  exit status %d\n", *status);
    if (*status != 0) std::fprintf(stderr, "%s", ReadStderr(t.viewer).c_str());
    return *status == 0;
}

}  // namespace

int main(int argc, char** argv) {
    Tour tour;
    tour.directory = argc > 1 ? argv[1] : "tour";
    mkdir(tour.directory.c_str(), 0755);

    XServer server = StartXServer(1920, 1080);
    if (server.pid <= 0) {
        std::fprintf(stderr, "tour: could not start Xvfb\n");
        return 1;
    }
    std::printf("Virtual display %s (1920 x 1080); pictures go to %s\n", server.display.c_str(),
                tour.directory.c_str());
    bool ok = false;
    {
        XConnection connection(server.display);
        tour.display = connection;
        LaunchOptions options;
        options.path = argc > 2 ? argv[2] : PARABOLOID_BINARY;
        options.display = server.display;
        options.probe = PARABOLOID_PROBE_LIBRARY;
        tour.viewer = Launch(options);
        ok = tour.display != nullptr && tour.viewer.pid > 0 && Play(tour);
        Cleanup(tour.viewer);
    }
    StopXServer(server);
    std::printf(ok ? "Tour complete.\n" : "Tour failed.\n");
    return ok ? 0 : 1;
}
