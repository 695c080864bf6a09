#include "app/viewer_state.h"
#include "model/paraboloid_mesh.h"
#include "render/internal.h"
#include "render/render.h"

namespace {

// Front diffuse (reddish) and back diffuse (bluish), red-green-blue each.
const float materialColours[6] = {0.9f, 0.3f, 0.3f, 0.3f, 0.3f, 0.8f};

const float materialAmbient[4] = {0.05f, 0.05f, 0.05f, 1.0f};
const float materialSpecular[4] = {0.2f, 0.2f, 0.15f, 1.0f};
constexpr float kShininess = 30.0f;
constexpr float kDiffuseAlpha = 0.6f;

void ApplyMaterial(GLenum face, const float* diffuseRgb) {
    const float diffuse[4] = {diffuseRgb[0], diffuseRgb[1], diffuseRgb[2], kDiffuseAlpha};
    glMaterialfv(face, GL_AMBIENT, materialAmbient);
    glMaterialfv(face, GL_DIFFUSE, diffuse);
    glMaterialfv(face, GL_SPECULAR, materialSpecular);
    glMaterialf(face, GL_SHININESS, kShininess);
}

void ApplyMaterials() {
    ApplyMaterial(GL_FRONT, &materialColours[0]);
    ApplyMaterial(GL_BACK, &materialColours[3]);
}

void DrawMesh() {
    const ParaboloidMesh& mesh = paraboloidMesh;
    glBegin(GL_TRIANGLES);
    for (int f = 0; f < mesh.faceCount; ++f) {
        // Faces come in groups of four: two that look to the +y side, then
        // the same two reversed. Two-sided lighting already gives each
        // triangle its back material, and the reversed copies, drawn at the
        // same place, would only fight the first ones for the depth buffer.
        if (f % 4 >= 2) continue;
        const MeshFace& face = mesh.faces[f];
        for (int k = 0; k < 3; ++k) {
            const float* normal = mesh.normals[face.normalIndex[k]];
            const float* vertex = mesh.vertices[face.vertexIndex[k]];
            glNormal3f(normal[0], normal[1], normal[2]);
            glVertex3f(vertex[0], vertex[1], vertex[2]);
        }
    }
    glEnd();
}

}  // namespace

void DrawFrame() {
    glLineWidth(1.8f);
    if (viewer.fogOn) {
        glClearColor(0.2f, 0.15f, 0.15f, 1.0f);
        glEnable(GL_FOG);
    } else {
        glClearColor(0.15f, 0.15f, 0.15f, 1.0f);
        glDisable(GL_FOG);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (viewer.spinActive == 1) SpinStep();

    if (viewer.wireframeOn) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);

    if (viewer.lightingOn) {
        glEnable(GL_LIGHTING);
        glLightfv(GL_LIGHT1, GL_POSITION, lightPositions[0]);
        glLightfv(GL_LIGHT2, GL_POSITION, lightPositions[1]);
        glEnable(GL_LIGHT2);
        for (int i = 2; i < 6; ++i)
            glLightfv(GL_LIGHT1 + i, GL_POSITION, lightPositions[i]);
    }
    glEnable(GL_DEPTH_TEST);

    glPushMatrix();
    glTranslatef(viewer.panOffset[0], viewer.panOffset[1], 0.0f);
    glMultMatrixf(viewer.spinMatrix);
    ApplyMaterials();
    DrawMesh();
    glPopMatrix();

    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);

    glFlush();
    SwapBuffers(viewer.deviceContext);
}
