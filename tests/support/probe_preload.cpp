// Preloaded into the viewer by the tests (LD_PRELOAD). Wraps three SDL
// functions, records what they were asked to do in the shared ProbeBlock and
// forwards every call to the real SDL, so the viewer behaves as without it.
#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>

#include "tests/support/probe.h"

namespace {

ProbeBlock* Block() {
    static ProbeBlock* block = []() -> ProbeBlock* {
        const char* path = std::getenv(kProbeFileVariable);
        if (path == nullptr) return nullptr;
        int fd = open(path, O_RDWR);
        if (fd < 0) return nullptr;
        void* p = mmap(nullptr, sizeof(ProbeBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        return p == MAP_FAILED ? nullptr : static_cast<ProbeBlock*>(p);
    }();
    return block;
}

template <typename F>
F Real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// Records a box being shown; returns its slot or -1.
int BoxShown(const char* title, const char* text) {
    ProbeBlock* b = Block();
    if (b == nullptr) return -1;
    std::uint32_t n = b->boxesShown.load();
    if (n >= std::size(b->boxes)) {
        b->boxesShown.fetch_add(1);
        return -1;
    }
    ProbeBox& box = b->boxes[n];
    std::snprintf(box.title, sizeof box.title, "%s", title != nullptr ? title : "");
    std::snprintf(box.text, sizeof box.text, "%s", text != nullptr ? text : "");
    box.shownNs = ProbeNowNs();
    box.returnedNs = 0;
    box.framesBefore = b->frames.load();
    b->boxesShown.fetch_add(1);
    return static_cast<int>(n);
}

void BoxReturned(int slot) {
    ProbeBlock* b = Block();
    if (b == nullptr) return;
    if (slot >= 0) b->boxes[slot].returnedNs = ProbeNowNs();
    b->boxesClosed.fetch_add(1);
}

// SDL_ShowSimpleMessageBox may be built on SDL_ShowMessageBox; count a box once.
thread_local bool insideBox = false;

}  // namespace

extern "C" {

int SDL_ShowMessageBox(const SDL_MessageBoxData* data, int* buttonId) {
    static auto real = Real<int (*)(const SDL_MessageBoxData*, int*)>("SDL_ShowMessageBox");
    if (insideBox) return real(data, buttonId);
    insideBox = true;
    int slot = BoxShown(data != nullptr ? data->title : nullptr,
                        data != nullptr ? data->message : nullptr);
    int result = real(data, buttonId);
    BoxReturned(slot);
    insideBox = false;
    return result;
}

int SDL_ShowSimpleMessageBox(Uint32 flags, const char* title, const char* message,
                             SDL_Window* window) {
    static auto real =
        Real<int (*)(Uint32, const char*, const char*, SDL_Window*)>("SDL_ShowSimpleMessageBox");
    if (insideBox) return real(flags, title, message, window);
    insideBox = true;
    int slot = BoxShown(title, message);
    int result = real(flags, title, message, window);
    BoxReturned(slot);
    insideBox = false;
    return result;
}

void SDL_GL_SwapWindow(SDL_Window* window) {
    static auto real = Real<void (*)(SDL_Window*)>("SDL_GL_SwapWindow");
    real(window);
    if (ProbeBlock* b = Block()) {
        std::int64_t now = ProbeNowNs();
        std::int64_t zero = 0;
        b->firstFrameNs.compare_exchange_strong(zero, now);
        b->lastFrameNs.store(now);
        b->frames.fetch_add(1);
    }
}

}  // extern "C"
