// Preloaded into the viewer by the tests (LD_PRELOAD): wraps SDL's message
// box and buffer swap, records them in the shared ProbeBlock and forwards
// every call to the real SDL, so the viewer behaves as without it.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <utility>
#include <vector>

#include "tests/support/probe.h"

namespace {

ProbeBlock* Block() {
    static ProbeBlock* block = []() -> ProbeBlock* {
        const char* path = std::getenv(kProbeFileVariable);
        int fd = path != nullptr ? open(path, O_RDWR) : -1;
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

// Writes the frame about to be shown as a binary PPM to `path`.
void WritePicture(SDL_Window* window, const char* path) {
    static auto size = Real<void (*)(SDL_Window*, int*, int*)>("SDL_GL_GetDrawableSize");
    static auto read = reinterpret_cast<void (*)(int, int, int, int, unsigned, unsigned, void*)>(
        dlsym(RTLD_DEFAULT, "glReadPixels"));
    static auto store =
        reinterpret_cast<void (*)(unsigned, int)>(dlsym(RTLD_DEFAULT, "glPixelStorei"));
    int width = 0, height = 0;
    size(window, &width, &height);
    std::vector<unsigned char> rows(std::size_t(width) * height * 3);
    store(GL_PACK_ALIGNMENT, 1);  // rows of any width, packed tight
    read(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());  // bottom row first
    if (FILE* out = std::fopen(path, "wb")) {
        std::fprintf(out, "P6 %d %d 255\n", width, height);
        for (int y = height - 1; y >= 0; --y)
            std::fwrite(&rows[std::size_t(y) * width * 3], 3, std::size_t(width), out);
        std::fclose(out);
    }
}

}  // namespace

extern "C" int SDL_ShowMessageBox(const SDL_MessageBoxData* data, int* buttonId) {
    static auto real = Real<int (*)(const SDL_MessageBoxData*, int*)>("SDL_ShowMessageBox");
    ProbeBlock* b = Block();
    ProbeBox* box = b && b->boxesShown < std::size(b->boxes) ? &b->boxes[b->boxesShown] : nullptr;
    if (box != nullptr) {
        std::snprintf(box->text, sizeof box->text, "%s", data->message);
        box->flags = data->flags;
    }
    if (b != nullptr) b->boxesShown.fetch_add(1);
    const int result = real(data, buttonId);
    if (box != nullptr) box->returnedNs = ProbeNowNs();
    return result;
}

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    static auto real = Real<void (*)(SDL_Window*)>("SDL_GL_SwapWindow");
    // The first frame as drawn, when asked for (PARABOLOID_PROBE_FIRST_FRAME).
    static const char* first = std::getenv("PARABOLOID_PROBE_FIRST_FRAME");
    if (first != nullptr) WritePicture(window, std::exchange(first, nullptr));
    real(window);
    if (ProbeBlock* b = Block()) {
        std::int64_t now = ProbeNowNs(), zero = 0;
        b->firstFrameNs.compare_exchange_strong(zero, now);
        b->frames.fetch_add(1);
    }
}
