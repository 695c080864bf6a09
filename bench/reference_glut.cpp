// The benchmark's yardstick: the viewer's own scene and frame (InitScene once,
// DrawFrame per frame, the `viewer` record as at load, so spinning -0.5
// degrees about y per frame), drawn by plain freeglut instead of the platform
// layer, frames back to back. The window system is the only difference.
//
// With PARABOLOID_PROBE_FILE set it counts its buffer swaps in that record,
// as the probe does for the viewer. Escape ends it.
#include <GL/freeglut.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "app/viewer_state.h"
#include "render/render.h"
#include "tests/support/probe.h"

namespace {

ProbeBlock* probe = nullptr;

void Reshape(int width, int height) {
    // As the viewer takes a new size: a minimised window keeps the last one.
    if (width <= 0 || height <= 0) return;
    viewer.clientWidth = width;
    viewer.clientHeight = height;
    FitSceneToClientArea();
}

void Keyboard(unsigned char key, int, int) {
    if (key == 27) glutLeaveMainLoop();
}

}  // namespace

// The frame's presentation: freeglut's swap, counted.
BOOL WINAPI SwapBuffers(HDC) {
    glutSwapBuffers();
    if (probe != nullptr) {
        std::int64_t now = ProbeNowNs(), zero = 0;
        probe->firstFrameNs.compare_exchange_strong(zero, now);
        probe->frames.fetch_add(1);
    }
    return TRUE;
}

int main(int argc, char** argv) {
    if (const char* path = std::getenv(kProbeFileVariable)) {
        int fd = open(path, O_RDWR);
        if (fd >= 0) {
            void* p = mmap(nullptr, sizeof(ProbeBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (p != MAP_FAILED) probe = static_cast<ProbeBlock*>(p);
            close(fd);
        }
    }
    glutInit(&argc, argv);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    // Square, from the screen height, as the viewer's window.
    const int side = int(glutGet(GLUT_SCREEN_HEIGHT) * 0.8);
    glutInitDisplayString("rgb double depth>=16");
    glutInitWindowPosition(viewer.windowX, viewer.windowY);
    glutInitWindowSize(side, side);
    glutCreateWindow("reference");
    viewer.windowWidth = viewer.windowHeight = side;
    viewer.clientWidth = viewer.clientHeight = side;
    InitScene();
    glutDisplayFunc(DrawFrame);
    glutReshapeFunc(Reshape);
    glutIdleFunc(glutPostRedisplay);
    glutKeyboardFunc(Keyboard);
    glutMainLoop();
    return 0;
}
