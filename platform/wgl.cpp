// OpenGL rendering contexts on SDL's. In the browser a context is WebGL's,
// with the OpenGL 1.1 subset of fixedgl/ drawing on it.

#include "platform/internal.h"
#include "platform/x11.h"

namespace platform {
namespace {

Context* FindContext(HGLRC rc) {
    for (auto& c : platformState.contexts)
        if (reinterpret_cast<HGLRC>(c.get()) == rc) return c.get();
    return nullptr;
}

}  // namespace
}  // namespace platform

using namespace platform;

HGLRC WINAPI wglCreateContext(HDC dc) {
    Window* w = FromDc(dc);
    if (!w || !w->native || !w->pixelFormat) return nullptr;
    // SDL makes a new context current; wglCreateContext leaves the current one be.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    ApplyPixelFormatAttributes(w->pixelFormat);
    TrapX11Errors();
#if defined(__EMSCRIPTEN__)  // browser only: WebGL's, with OpenGL 1.1 on it
    SDL_GLContext gl = BrowserCreateContext(w->native);
#else  // X11 and Wayland only: SDL's context
    SDL_GLContext gl = SDL_GL_CreateContext(w->native);
#endif
    SDL_GL_MakeCurrent(previousWindow, previousContext);
    if (UntrapX11Errors(w->native) > 0 && gl) {
        SDL_GL_DeleteContext(gl);
        gl = nullptr;
    }
    if (!gl) return nullptr;
    platformState.contexts.push_back(
        std::make_unique<Context>(Context{gl, w->native, w->pixelFormat}));
    return reinterpret_cast<HGLRC>(platformState.contexts.back().get());
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC rc) {
    if (rc == nullptr) {
        if (platformState.videoReady) SDL_GL_MakeCurrent(nullptr, nullptr);
        return TRUE;
    }
    Context* c = FindContext(rc);
    Window* w = FromDc(dc);
    if (!c || !w || !w->native || w->pixelFormat != c->pixelFormat) return FALSE;
    TrapX11Errors();
    const bool made = SDL_GL_MakeCurrent(w->native, c->gl) == 0;
    return UntrapX11Errors(w->native) == 0 && made ? TRUE : FALSE;
}

BOOL WINAPI wglDeleteContext(HGLRC rc) {
    Context* c = FindContext(rc);
    if (!c) return FALSE;
#if defined(__EMSCRIPTEN__)  // browser only: OpenGL 1.1 lets go of the context first
    BrowserDetachContext(c->window, c->gl);
#endif
    SDL_GL_DeleteContext(c->gl);  // stops being current first if it is
    std::erase_if(platformState.contexts, [c](const auto& kept) { return kept.get() == c; });
    return TRUE;
}
