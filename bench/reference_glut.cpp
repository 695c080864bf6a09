// The benchmark's yardstick: the same OpenGL stream as the viewer (scene
// state once, then per frame the same clears, switches, lights, materials and
// all faces of the mesh in immediate mode), drawn by plain freeglut with no
// window-system layer of ours in between. Spins at the viewer's start-up
// rate of -0.5 degrees about y per frame, frames back to back.
//
// With PARABOLOID_PROBE_FILE set it counts its buffer swaps in that record,
// as the probe does for the viewer. Escape ends it.
#include <GL/freeglut.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "model/paraboloid_mesh.h"
#include "tests/support/probe.h"

namespace {

ProbeBlock* probe = nullptr;
float spinMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

const float lightPositions[6][4] = {{-10, 14, 4, 0}, {5, -6, -2, 0}, {0, -3, 4, 0},
                                    {0, -2, -5, 0},  {0, 0, -8, 0},  {-20, -10, -2, 0}};
const float lightColours[6][3][4] = {
    {{0.35f, 0.35f, 0.45f, 1}, {0.2f, 0.2f, 0.6f, 1}, {0.2f, 0.2f, 0.45f, 1}},
    {{0.55f, 0.45f, 0.35f, 1}, {0.45f, 0.3f, 0.3f, 1}, {0.5f, 0.4f, 0.4f, 1}},
    {{0.65f, 0.65f, 0.35f, 1}, {0.4f, 0.4f, 0.05f, 1}, {0.5f, 0.5f, 0.4f, 1}},
    {{0.45f, 0.45f, 0.45f, 1}, {0.4f, 0.5f, 0.3f, 1}, {0.2f, 0.4f, 0.35f, 1}},
    {{0.05f, 0.6f, 0.05f, 1}, {0, 0.5f, 0, 1}, {0.05f, 0.6f, 0.08f, 1}},
    {{0.3f, 0.3f, 0.3f, 1}, {0.4f, 0.4f, 0.05f, 1}, {0.45f, 0.55f, 0.55f, 1}}};

void InitScene(int width, int height) {
    const float fogColour[4] = {0.4f, 0.4f, 0.5f, 1};
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogf(GL_FOG_DENSITY, std::bit_cast<float>(std::uint32_t{0x3E78D4FF}));
    glFogfv(GL_FOG_COLOR, fogColour);
    const float a = static_cast<float>(static_cast<double>(width) / height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0 * a, 4.0 * a, -4, 4, -6, 6);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(45, 0, 0, 0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    const float light0[4] = {0.7f, 0.7f, 0.025f, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, light0);
    glEnable(GL_LIGHT0);
    for (int i = 0; i < 6; ++i) {
        GLenum light = GL_LIGHT1 + i;
        glLightfv(light, GL_POSITION, lightPositions[i]);
        glLightfv(light, GL_AMBIENT, lightColours[i][0]);
        glLightfv(light, GL_DIFFUSE, lightColours[i][1]);
        glLightfv(light, GL_SPECULAR, lightColours[i][2]);
        if (light != GL_LIGHT2) glEnable(light);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    std::vector<unsigned char> image(256 * 256 * 4);
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) {
            unsigned char v = ((i ^ j) & 32) != 0 ? 255 : 16;
            unsigned char* t = &image[4 * (256 * i + j)];
            t[0] = t[1] = t[2] = v;
            t[3] = 255;
        }
    }
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
}

void Display() {
    glLineWidth(1.8f);
    glClearColor(0.15f, 0.15f, 0.15f, 1);
    glDisable(GL_FOG);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glLoadIdentity();
    glRotatef(-0.5f, 0, 1, 0);
    glMultMatrixf(spinMatrix);
    glGetFloatv(GL_MODELVIEW_MATRIX, spinMatrix);
    glPopMatrix();
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT1, GL_POSITION, lightPositions[0]);
    glLightfv(GL_LIGHT2, GL_POSITION, lightPositions[1]);
    glEnable(GL_LIGHT2);
    for (int i = 2; i < 6; ++i)
        glLightfv(GL_LIGHT1 + i, GL_POSITION, lightPositions[i]);
    glEnable(GL_DEPTH_TEST);
    glPushMatrix();
    glTranslatef(0, 0, 0);
    glMultMatrixf(spinMatrix);
    const float ambient[4] = {0.05f, 0.05f, 0.05f, 1}, specular[4] = {0.2f, 0.2f, 0.15f, 1};
    const float front[4] = {0.9f, 0.3f, 0.3f, 0.6f}, back[4] = {0.3f, 0.3f, 0.8f, 0.6f};
    for (auto [face, diffuse] : {std::pair{GL_FRONT, front}, std::pair{GL_BACK, back}}) {
        glMaterialfv(face, GL_AMBIENT, ambient);
        glMaterialfv(face, GL_DIFFUSE, diffuse);
        glMaterialfv(face, GL_SPECULAR, specular);
        glMaterialf(face, GL_SHININESS, 30);
    }
    const ParaboloidMesh& mesh = paraboloidMesh;
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < mesh.faceCount; ++f) {
        if (f % 4 >= 2) continue;  // the viewer leaves the reversed twins undrawn
        for (int k = 0; k < 3; ++k) {
            const float* n = mesh.normals[mesh.faces[f].normalIndex[k]];
            const float* v = mesh.vertices[mesh.faces[f].vertexIndex[k]];
            glNormal3f(n[0], n[1], n[2]);
            glVertex3f(v[0], v[1], v[2]);
        }
    }
    glEnd();
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glFlush();
    glutSwapBuffers();
    if (probe != nullptr) {
        std::int64_t now = ProbeNowNs(), zero = 0;
        probe->firstFrameNs.compare_exchange_strong(zero, now);
        probe->lastFrameNs.store(now);
        probe->frames.fetch_add(1);
    }
}

void Keyboard(unsigned char key, int, int) {
    if (key == 27) glutLeaveMainLoop();
}

}  // namespace

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
    const int size = glutGet(GLUT_SCREEN_HEIGHT) * 8 / 10;
    glutInitDisplayString("rgb double depth>=16");
    glutInitWindowPosition(50, 50);
    glutInitWindowSize(size, size);
    glutCreateWindow("reference");
    InitScene(size, size);
    glutDisplayFunc(Display);
    glutIdleFunc(glutPostRedisplay);
    glutKeyboardFunc(Keyboard);
    glutMainLoop();
    return 0;
}
