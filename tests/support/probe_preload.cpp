// Preloaded into the viewer by the tests (LD_PRELOAD). Wraps three SDL
// functions, records what they were asked to do in the shared ProbeBlock and
// forwards every call to the real SDL, so the viewer behaves as without it.
#include <GL/gl.h>
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
#include <vector>

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

// The width of the picture about to be presented: the columns holding any
// pixel that differs from the bottom-left corner, which is background.
int PictureWidth() {
    static auto getIntegerv =
        reinterpret_cast<void (*)(GLenum, GLint*)>(dlsym(RTLD_DEFAULT, "glGetIntegerv"));
    static auto readPixels =
        reinterpret_cast<void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*)>(
            dlsym(RTLD_DEFAULT, "glReadPixels"));
    if (getIntegerv == nullptr || readPixels == nullptr) return 0;
    GLint viewport[4] = {};
    getIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2], height = viewport[3];
    if (width <= 0 || height <= 0) return 0;
    static std::vector<std::uint32_t> pixels;
    pixels.resize(std::size_t(width) * height);
    readPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const std::uint32_t background = pixels[0];
    int left = width, right = -1;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = &pixels[std::size_t(y) * width];
        for (int x = 0; x < left; ++x) {
            if (row[x] != background) {
                left = x;
                break;
            }
        }
        for (int x = width - 1; x > right; --x) {
            if (row[x] != background) {
                right = x;
                break;
            }
        }
    }
    return right >= left ? right - left + 1 : 0;
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
    static const bool measure = std::getenv(kProbeWidthsVariable) != nullptr;
    ProbeBlock* block = Block();
    if (measure && block != nullptr) {
        const std::uint64_t frame = block->frames.load();
        const std::uint64_t from = block->measureFrom.load();
        if (frame < kProbeWidthFrames) {
            block->firstWidths[frame] = std::uint16_t(PictureWidth());
        } else if (from != 0 && frame >= from && frame - from < kProbeWidthFrames) {
            block->laterWidths[frame - from] = std::uint16_t(PictureWidth());
        }
    }
    real(window);
    if (ProbeBlock* b = block) {
        std::int64_t now = ProbeNowNs();
        std::int64_t zero = 0;
        b->firstFrameNs.compare_exchange_strong(zero, now);
        b->lastFrameNs.store(now);
        b->frames.fetch_add(1);
    }
}

}  // extern "C"
