// The viewer's real frame (InitScene, DrawFrame) drawn in a window of its
// own, without the platform layer. Built twice from this source: on Mesa's
// OpenGL with its fixed-function pipeline, and with FRAMES_ON_FIXEDGL on the
// fixedgl layer over Mesa's OpenGL ES 2.0. Both make their context through
// GLX on the same kind of window, with the same buffers.
//
//   frame_pictures OUTPUT SIDE CASE...   CASE = angle,x,y,z,fog,wireframe,spin
//     For each case: spinMatrix := the rotation by angle degrees about
//     (x, y, z); fogOn, wireframeOn, spinActive as given; one DrawFrame. Writes
//     the SIDE x SIDE picture (RGB, top row first) and then spinMatrix (16
//     floats) of each case to OUTPUT.
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cmath>
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

// A rotation matrix, column-major, as the viewer accumulates them.
void SetPose(float angle, float x, float y, float z) {
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    const double u[3] = {x / length, y / length, z / length};
    const double a = angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) {
            double value = (1 - c) * u[row] * u[col] + (row == col ? c : 0);
            const int k = 3 - row - col;  // the third axis, when row != col
            if (row != col) value += ((col - row + 3) % 3 == 1 ? -1 : 1) * s * u[k];
            viewer.spinMatrix[col * 4 + row] = float(value);
        }
        viewer.spinMatrix[col * 4 + 3] = 0;
    }
    for (int row = 0; row < 3; ++row)
        viewer.spinMatrix[12 + row] = 0;
    viewer.spinMatrix[15] = 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Fail("usage: OUTPUT SIDE CASE...");
    const int side = std::atoi(argv[2]);
    if (side <= 0 || side > 4096) return Fail("bad side");

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return Fail("no display");
    const int attributes[] = {GLX_DRAWABLE_TYPE,
                              GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_DOUBLEBUFFER,
                              True,
                              GLX_RED_SIZE,
                              8,
                              GLX_GREEN_SIZE,
                              8,
                              GLX_BLUE_SIZE,
                              8,
                              GLX_DEPTH_SIZE,
                              16,
                              None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    // The viewer asks for a 16-bit depth buffer: take that, not the deepest.
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
    const int esAttributes[] = {GLX_CONTEXT_MAJOR_VERSION_ARB,
                                2,
                                GLX_CONTEXT_MINOR_VERSION_ARB,
                                0,
                                GLX_CONTEXT_PROFILE_MASK_ARB,
                                GLX_CONTEXT_ES2_PROFILE_BIT_EXT,
                                None};
    GLXContext context =
        createContext ? createContext(display, config, nullptr, True, esAttributes) : nullptr;
#else
    GLXContext context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
#endif
    if (context == nullptr || !glXMakeContextCurrent(display, window, window, context))
        return Fail("no context");
#ifdef FRAMES_ON_FIXEDGL
    // A whole frame before the layer is attached draws nothing and calls no ES function.
    viewer.clientWidth = viewer.clientHeight = side;
    InitScene();
    DrawFrame();
    if (!FixedGlAttach(Load)) return Fail("the layer did not attach");
#endif

    viewer.clientWidth = viewer.clientHeight = side;
    InitScene();
    int status = 0;
    const auto readPixels = reinterpret_cast<ReadPixelsFunction>(Load("glReadPixels"));
    FILE* output = std::fopen(argv[1], "wb");
    if (output == nullptr) return Fail("cannot write the output");
    std::vector<unsigned char> rgba(std::size_t(side) * side * 4);
    std::vector<unsigned char> rgb(std::size_t(side) * side * 3);
    for (int i = 3; i < argc; ++i) {
        float angle = 0, x = 0, y = 0, z = 0;
        int fog = 0, wireframe = 0, spin = 0;
        if (std::sscanf(argv[i], "%f,%f,%f,%f,%d,%d,%d", &angle, &x, &y, &z, &fog, &wireframe,
                        &spin) != 7)
            return Fail("bad case");
        SetPose(angle, x, y, z);
        viewer.fogOn = fog, viewer.wireframeOn = wireframe, viewer.spinActive = spin;
        DrawFrame();
        // RGBA with unsigned bytes is the one format ES always reads.
        readPixels(0, 0, side, side, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        for (int row = 0; row < side; ++row)
            for (int column = 0; column < side; ++column)
                for (int k = 0; k < 3; ++k)
                    rgb[(std::size_t(row) * side + column) * 3 + k] =
                        rgba[(std::size_t(side - 1 - row) * side + column) * 4 + k];
        if (std::fwrite(rgb.data(), 1, rgb.size(), output) != rgb.size() ||
            std::fwrite(viewer.spinMatrix, sizeof(float), 16, output) != 16)
            status = 1;
    }
    if (std::fclose(output) != 0) status = 1;
#ifdef FRAMES_ON_FIXEDGL
    FixedGlDetach();
#endif
    glXMakeContextCurrent(display, None, None, nullptr);
    glXDestroyContext(display, context);
    XDestroyWindow(display, window);
    // The display stays open until the process ends: closing it makes Mesa
    // unload its driver, which leaves two small blocks behind that a
    // sanitizer build reports with no library name to tell them apart by.
    XFlush(display);
    return status;
}
