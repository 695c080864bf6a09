#include <cmath>

#include "app/viewer_state.h"
#include "render/internal.h"
#include "render/render.h"

namespace {

// Shorter axes give no usable direction: OpenGL leaves the rotation
// undefined and libraries disagree (identity, a half turn, or NaNs).
constexpr double kShortestAxis = 1e-4;

// Makes the 3x3 rotation part of a column-major matrix orthonormal again.
void OrthonormaliseRotation(float matrix[16]) {
    // Gram-Schmidt on the first two columns, the third as their cross
    // product, so the result stays a right-handed rotation.
    double c0[3] = {matrix[0], matrix[1], matrix[2]};
    double c1[3] = {matrix[4], matrix[5], matrix[6]};

    const double n0 = std::sqrt(c0[0] * c0[0] + c0[1] * c0[1] + c0[2] * c0[2]);
    if (!(n0 > 0.0)) return;
    for (double& v : c0)
        v /= n0;

    const double dot = c0[0] * c1[0] + c0[1] * c1[1] + c0[2] * c1[2];
    for (int i = 0; i < 3; ++i)
        c1[i] -= dot * c0[i];
    const double n1 = std::sqrt(c1[0] * c1[0] + c1[1] * c1[1] + c1[2] * c1[2]);
    if (!(n1 > 0.0)) return;
    for (double& v : c1)
        v /= n1;

    const double c2[3] = {c0[1] * c1[2] - c0[2] * c1[1], c0[2] * c1[0] - c0[0] * c1[2],
                          c0[0] * c1[1] - c0[1] * c1[0]};
    for (int i = 0; i < 3; ++i) {
        matrix[i] = float(c0[i]);
        matrix[4 + i] = float(c1[i]);
        matrix[8 + i] = float(c2[i]);
    }
}

}  // namespace

void ApplyRotation(float angle, float x, float y, float z) {
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    // Written so that an axis or angle that is not a number applies nothing too.
    if (!(length > kShortestAxis) || !std::isfinite(length) || !std::isfinite(angle)) return;
    glRotatef(angle, x, y, z);
}

// spinMatrix := R x spinMatrix, with R the spin rotation, about axes fixed
// to the viewer. The matrix is then made orthonormal again, so rounding in
// the millions of frames of a long run never shrinks or shears the model.
void SpinStep() {
    glPushMatrix();
    glLoadIdentity();
    ApplyRotation(viewer.spinAngle, viewer.spinAxis[0], viewer.spinAxis[1], viewer.spinAxis[2]);
    glMultMatrixf(viewer.spinMatrix);
    glGetFloatv(GL_MODELVIEW_MATRIX, viewer.spinMatrix);
    glPopMatrix();
    OrthonormaliseRotation(viewer.spinMatrix);
}
