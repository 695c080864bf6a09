// Attaching the layer to an OpenGL ES 2.0 context: its functions, the shader
// pair and OpenGL 1.1's initial state; and making them anew in a context
// that came back empty after a loss (FixedGlRestore).
#include <cstring>

#include "fixedgl/state.h"

namespace fixedgl {

namespace {

// Positions come in clip coordinates and colours already lit; the shaders
// interpolate them and apply fog per fragment, as OpenGL does with the
// distance it computes per vertex.
const char* const kVertexShader = R"(
attribute vec4 position;
attribute vec4 colour;
attribute float fogDistance;
varying vec4 vColour;
varying float vFogDistance;
void main() {
    gl_Position = position;
    vColour = colour;
    vFogDistance = fogDistance;
}
)";

// fog: (scale, exponent) with f = 2^-((distance x scale)^exponent), the
// scale being the density over ln 2 (EXP) or over its square root (EXP2).
const char* const kFragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform bool fogOn;
uniform vec2 fog;
uniform vec3 fogColour;
varying vec4 vColour;
varying float vFogDistance;
void main() {
    vec4 colour = vColour;
    if (fogOn) {
        float t = vFogDistance * fog.x;
        float f = clamp(exp2(-(fog.y > 1.5 ? t * t : t)), 0.0, 1.0);
        colour.rgb = fogColour * (1.0 - f) + colour.rgb * f;
    }
    gl_FragColor = colour;
}
)";

constexpr GLenum kFragmentShaderType = 0x8B30;  // GL_FRAGMENT_SHADER
constexpr GLenum kVertexShaderType = 0x8B31;    // GL_VERTEX_SHADER
constexpr GLenum kCompileStatus = 0x8B81;       // GL_COMPILE_STATUS
constexpr GLenum kLinkStatus = 0x8B82;          // GL_LINK_STATUS

bool LoadFunctions(FixedGlLoader loader, EsFunctions& es) {
    bool complete = true;
#define FIXEDGL_ES_LOAD(result, name, parameters)                      \
    es.name = reinterpret_cast<decltype(es.name)>(loader("gl" #name)); \
    complete = complete && es.name != nullptr;
    FIXEDGL_ES_FUNCTIONS(FIXEDGL_ES_LOAD)
#undef FIXEDGL_ES_LOAD
    return complete;
}

GLuint CompileShader(const EsFunctions& es, GLenum type, const char* source) {
    const GLuint shader = es.CreateShader(type);
    es.ShaderSource(shader, 1, &source, nullptr);
    es.CompileShader(shader);
    GLint compiled = 0;
    es.GetShaderiv(shader, kCompileStatus, &compiled);
    if (compiled) return shader;
    es.DeleteShader(shader);
    return 0;
}

GLuint BuildProgram(const EsFunctions& es) {
    const GLuint vertex = CompileShader(es, kVertexShaderType, kVertexShader);
    const GLuint fragment = CompileShader(es, kFragmentShaderType, kFragmentShader);
    GLuint program = 0;
    if (vertex != 0 && fragment != 0) {
        program = es.CreateProgram();
        es.AttachShader(program, vertex);
        es.AttachShader(program, fragment);
        es.BindAttribLocation(program, 0, "position");
        es.BindAttribLocation(program, 1, "colour");
        es.BindAttribLocation(program, 2, "fogDistance");
        es.LinkProgram(program);
        GLint linked = 0;
        es.GetProgramiv(program, kLinkStatus, &linked);
        if (!linked) {
            es.DeleteProgram(program);
            program = 0;
        }
    }
    // Once linked, the program keeps what it needs of them.
    if (vertex != 0) es.DeleteShader(vertex);
    if (fragment != 0) es.DeleteShader(fragment);
    return program;
}

void SetFour(float* target, float a, float b, float c, float d) {
    target[0] = a, target[1] = b, target[2] = c, target[3] = d;
}

void SetIdentity(float* matrix) {
    for (int i = 0; i < 16; ++i)
        matrix[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// OpenGL 1.1's initial state, for everything the layer keeps.
void ResetState(State& s) {
    s.matrixMode = GL_MODELVIEW;
    SetIdentity(s.modelView[0]);
    SetIdentity(s.projection[0]);
    s.modelViewDepth = s.projectionDepth = 1;

    s.lighting = false;
    s.twoSided = false;
    SetFour(s.modelAmbient, 0.2f, 0.2f, 0.2f, 1.0f);
    for (int i = 0; i < kLightCount; ++i) {
        Light& light = s.lights[i];
        light.enabled = false;
        const float colour = (i == 0) ? 1.0f : 0.0f;  // light 0 alone is white
        SetFour(light.ambient, 0, 0, 0, 1);
        SetFour(light.diffuse, colour, colour, colour, 1);
        SetFour(light.specular, colour, colour, colour, 1);
        SetFour(light.position, 0, 0, 1, 0);
    }
    for (Material& material : s.materials) {
        SetFour(material.ambient, 0.2f, 0.2f, 0.2f, 1);
        SetFour(material.diffuse, 0.8f, 0.8f, 0.8f, 1);
        SetFour(material.specular, 0, 0, 0, 1);
        SetFour(material.emission, 0, 0, 0, 1);
        material.shininess = 0;
    }

    s.depthTest = false;
    SetFour(s.clearColour, 0, 0, 0, 0);
    s.cullFace = false;
    s.polygonMode[0] = s.polygonMode[1] = GL_FILL;
    s.lineWidth = 1;
    s.fog = false;
    s.fogMode = GL_EXP;
    s.fogDensity = 1;
    SetFour(s.fogColour, 0, 0, 0, 0);

    s.inBatch = false;
    s.triangles = false;
    s.normal[0] = s.normal[1] = 0;
    s.normal[2] = 1;
    s.vertices.clear();
    s.stream.clear();
}

}  // namespace

// OpenGL 1.1's initial state from the start, so that calls made before the
// layer is attached find valid matrix stacks.
State fixedglState = [] {
    State initial = {};
    ResetState(initial);
    return initial;
}();

}  // namespace fixedgl

using fixedgl::fixedglState;

namespace fixedgl {
namespace {

// The ES objects the layer draws with, made in the current context: false,
// with none made, when the shaders do not build.
bool MakeObjects(State& s) {
    const EsFunctions& es = s.es;
    s.program = BuildProgram(es);
    if (s.program == 0) return false;
    s.fogOnUniform = es.GetUniformLocation(s.program, "fogOn");
    s.fogUniform = es.GetUniformLocation(s.program, "fog");
    s.fogColourUniform = es.GetUniformLocation(s.program, "fogColour");
    es.GenBuffers(1, &s.buffer);
    es.GenTextures(1, &s.texture);
    es.BindTexture(GL_TEXTURE_2D, s.texture);
    return true;
}

// Gives the ES context the state the layer keeps of it. ES contexts begin
// with dithering on, as OpenGL does, and blending off.
void ApplyEsState(const State& s) {
    const EsFunctions& es = s.es;
    es.Viewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    es.ClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
    (s.depthTest ? es.Enable : es.Disable)(GL_DEPTH_TEST);
    es.Disable(GL_CULL_FACE);  // the layer culls itself
}

}  // namespace
}  // namespace fixedgl

bool FixedGlAttach(FixedGlLoader loader) {
    FixedGlDetach();
    fixedglState.es = {};
    if (loader == nullptr || !fixedgl::LoadFunctions(loader, fixedglState.es) ||
        !fixedgl::MakeObjects(fixedglState))
        return false;
    fixedgl::ResetState(fixedglState);
    // A new context's viewport covers its drawable, and so does this one's.
    fixedglState.es.GetIntegerv(GL_VIEWPORT, fixedglState.viewport);
    fixedgl::ApplyEsState(fixedglState);
    fixedglState.attached = true;
    return true;
}

bool FixedGlRestore() {
    if (!fixedglState.attached) return false;
    // The old objects went with the context's loss: nothing is left to delete.
    fixedglState.attached = fixedgl::MakeObjects(fixedglState);
    if (fixedglState.attached) fixedgl::ApplyEsState(fixedglState);
    return fixedglState.attached;
}

void FixedGlDetach() {
    if (!fixedglState.attached) return;
    const fixedgl::EsFunctions& es = fixedglState.es;
    es.DeleteProgram(fixedglState.program);
    es.DeleteBuffers(1, &fixedglState.buffer);
    es.DeleteTextures(1, &fixedglState.texture);
    fixedglState.attached = false;
    fixedglState.vertices = {};
    fixedglState.stream = {};
}
