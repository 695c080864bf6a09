// The viewer's real frame (InitScene, DrawFrame) drawn in a window of its
// own, without the platform layer. Built twice from this source: on Mesa's
// OpenGL with its fixed-function pipeline, and with FRAMES_ON_FIXEDGL on the
// fixedgl layer over Mesa's OpenGL ES 2.0. Both make their context through
// GLX on the same kind of window, with the same buffers.
//
//   frame_pictures OUTPUT SIDE CASE...   CASE = angle,x,y,z,fog,wireframe,spin
//     For each case: spinMatrix := the rotation by angle degrees about
//     (x, y, z), as this build's glRotatef makes it; fogOn, wireframeOn,
//     spinActive as given; one DrawFrame. Writes the SIDE x SIDE picture
//     (RGBA, bottom row first, as glReadPixels gives it) of each case to
//     OUTPUT.
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/viewer_state.h"
#include "render/render.h"
#ifdef FRAMES_ON_FIXEDGL
#include "fixedgl/fixedgl.h"
#endif

// The frame ends with a swap; the picture is read from the back buffer
// before it is shown, so there is nothing to do here.
BOOL WINAPI SwapBuffers(HDC) {
    return TRUE;
}

namespace {

// OpenGL calls of this program's own, not among the viewer's: loaded like the
// layer's ES functions, so that neither build names them at link time.
using ReadPixelsFunction = void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);

void* Load(const char* name) {
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

int Fail(const char* what) {
    std::fprintf(stderr, "frame_pictures: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Fail("usage: OUTPUT SIDE CASE...");
    const int side = std::atoi(argv[2]);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return Fail("no display");
    // Double-buffered, with the 16-bit depth buffer the viewer asks for (not the deepest).
    const int attributes[] = {GLX_DOUBLEBUFFER, True, GLX_DEPTH_SIZE, 16, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    GLXFBConfig config = nullptr;
    for (int i = 0; i < count && config == nullptr; ++i) {
        int depthBits = 0;
        glXGetFBConfigAttrib(display, configs[i], GLX_DEPTH_SIZE, &depthBits);
        if (depthBits == 16) config = configs[i];
    }
    if (configs != nullptr) XFree(configs);
    if (config == nullptr) return Fail("no frame buffer configuration with a 16-bit depth buffer");
    XVisualInfo* visual = glXGetVisualFromFBConfig(display, config);
    if (visual == nullptr) return Fail("no visual");
    const Window root = RootWindow(display, visual->screen);
    XSetWindowAttributes windowAttributes = {};
    windowAttributes.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
    const Window window =
        XCreateWindow(display, root, 0, 0, unsigned(side), unsigned(side), 0, visual->depth,
                      InputOutput, visual->visual, CWColormap, &windowAttributes);
    XFree(visual);
    XMapWindow(display, window);
    XSync(display, False);

#ifdef FRAMES_ON_FIXEDGL
    using CreateContextFunction =
        GLXContext (*)(Display*, GLXFBConfig, GLXContext, Bool, const int*);
    const auto createContext =
        reinterpret_cast<CreateContextFunction>(Load("glXCreateContextAttribsARB"));
    const int esAttributes[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 2, GLX_CONTEXT_PROFILE_MASK_ARB,
                                GLX_CONTEXT_ES2_PROFILE_BIT_EXT, None};
    GLXContext context =
        createContext ? createContext(display, config, nullptr, True, esAttributes) : nullptr;
#else
    GLXContext context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
#endif
    if (context == nullptr || !glXMakeContextCurrent(display, window, window, context))
        return Fail("no context");
    viewer.clientWidth = viewer.clientHeight = side;
#ifdef FRAMES_ON_FIXEDGL
    // A whole frame before the layer is attached draws nothing and calls no ES function.
    InitScene();
    DrawFrame();
    if (!FixedGlAttach(Load)) return Fail("the layer did not attach");
#endif
    InitScene();
    int status = 0;
    const auto readPixels = reinterpret_cast<ReadPixelsFunction>(Load("glReadPixels"));
    FILE* output = std::fopen(argv[1], "wb");
    if (output == nullptr) return Fail("cannot write the output");
    std::vector<unsigned char> rgba(std::size_t(side) * side * 4);
    for (int i = 3; i < argc; ++i) {
        float angle = 0, x = 0, y = 0, z = 0;
        int fog = 0, wireframe = 0, spin = 0;
        if (std::sscanf(argv[i], "%f,%f,%f,%f,%d,%d,%d", &angle, &x, &y, &z, &fog, &wireframe,
                        &spin) != 7)
            return Fail("bad case");
        glPushMatrix();
        glLoadIdentity();
        glRotatef(angle, x, y, z);
        glGetFloatv(GL_MODELVIEW_MATRIX, viewer.spinMatrix);
        glPopMatrix();
        viewer.fogOn = fog, viewer.wireframeOn = wireframe, viewer.spinActive = spin;
        DrawFrame();
        // RGBA with unsigned bytes is the one format ES always reads.
        readPixels(0, 0, side, side, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        if (std::fwrite(rgba.data(), 1, rgba.size(), output) != rgba.size()) status = 1;
    }
    if (std::fclose(output) != 0) status = 1;
#ifdef FRAMES_ON_FIXEDGL
    FixedGlDetach();
#endif
    // Context, window and display stay until the process ends: closing the
    // display makes Mesa unload its driver, which leaves two small blocks
    // behind that a sanitizer build reports with no library name to tell
    // them apart by.
    return status;
}
