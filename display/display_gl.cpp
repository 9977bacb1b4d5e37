#include <GL/glew.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "display/display.h"
#include "display/shader_sources.h"

namespace {

void checkGlError() {
    const GLenum code = glGetError();
    if (code != GL_NO_ERROR) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "OpenGL error: %d\n", int(code));
    }
}

// Every entry point beyond OpenGL 1.1 that this file calls; a context without one of
// them cannot show the picture, and calling through a null pointer would crash.
const char* missingEntryPoint() {
    if (!GLEW_VERSION_2_0) return "OpenGL 2.0";
    if (!GLEW_ARB_shader_objects || !glUseProgramObjectARB) return "GL_ARB_shader_objects";
    const struct {
        const void* entry;
        const char* name;
    } entries[] = {
        {reinterpret_cast<const void*>(glCreateShader), "glCreateShader"},
        {reinterpret_cast<const void*>(glShaderSource), "glShaderSource"},
        {reinterpret_cast<const void*>(glCompileShader), "glCompileShader"},
        {reinterpret_cast<const void*>(glGetShaderiv), "glGetShaderiv"},
        {reinterpret_cast<const void*>(glGetShaderInfoLog), "glGetShaderInfoLog"},
        {reinterpret_cast<const void*>(glDeleteShader), "glDeleteShader"},
        {reinterpret_cast<const void*>(glCreateProgram), "glCreateProgram"},
        {reinterpret_cast<const void*>(glAttachShader), "glAttachShader"},
        {reinterpret_cast<const void*>(glLinkProgram), "glLinkProgram"},
        {reinterpret_cast<const void*>(glGetProgramiv), "glGetProgramiv"},
        {reinterpret_cast<const void*>(glGetUniformLocation), "glGetUniformLocation"},
        {reinterpret_cast<const void*>(glUseProgram), "glUseProgram"},
        {reinterpret_cast<const void*>(glUniform1i), "glUniform1i"},
        {reinterpret_cast<const void*>(glActiveTexture), "glActiveTexture"},
    };
    for (const auto& e : entries) {
        if (!e.entry) return e.name;
    }
    return nullptr;
}

// Without a display SDL falls back to drivers that draw into memory nobody sees; a
// viewer on such a driver would sit there invisibly, so that counts as no context.
bool showsWindows() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

GLuint compileShader(GLenum kind, const char* source, GLint* status) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    *status = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, status);
    return shader;
}

}  // namespace

bool Display::create() {
    // Pixel buffer, in the dark red the texture starts with
    windowWidth = PixelBuffer::kWidth;
    windowHeight = PixelBuffer::kHeight;
    if (!pixelBuffer.allocate()) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to allocate the %zu-byte pixel buffer\n",
                     PixelBuffer::kBytes);
        return false;
    }
    for (size_t i = 0; i < PixelBuffer::kBytes; i += 3) {
        pixelBuffer.data[i] = 50;
        pixelBuffer.data[i + 1] = 0;
        pixelBuffer.data[i + 2] = 0;
    }

    // Window, renderer and OpenGL context
    window = SDL_CreateWindow("Quorvane", 10, 30, windowWidth, windowHeight, SDL_WINDOW_OPENGL);
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    bool contextCreated = false;
    if (!showsWindows()) {
        SDL_SetError("no display to show the window on (SDL's video driver is \"%s\")",
                     SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "none");
    } else if (SDL_GL_CreateContext(window)) {
        contextCreated = true;
    }
    if (!contextCreated) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to create OpenGL context: %s\n",
                     SDL_GetError());
        return false;
    }

    // Entry points beyond OpenGL 1.1
    const GLenum glewCode = glewInit();
    if (glewCode != GLEW_OK) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Error: %s\n",
                     reinterpret_cast<const char*>(glewGetErrorString(glewCode)));
    }
    std::printf("Status: Using GLEW %s\n",
                reinterpret_cast<const char*>(glewGetString(GLEW_VERSION)));
    const GLubyte* glVersion = glGetString(GL_VERSION);
    std::printf("Status: Using GL version %s\n",
                glVersion ? reinterpret_cast<const char*>(glVersion) : "(none)");
    std::printf("Window dimensions: %d x %d\n", pixelBuffer.width, pixelBuffer.height);
    std::fflush(stdout);
    if (const char* missing = glewCode == GLEW_OK ? missingEntryPoint() : "GLEW initialisation") {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION,
                     "The OpenGL context lacks %s, which the display needs\n", missing);
        return false;
    }

    // Shader program
    if (!buildShaderProgram()) return false;

    // Texture that mirrors the pixel buffer
    GLuint name = 0;
    glGenTextures(1, &name);
    checkGlError();
    texture = name;
    glBindTexture(GL_TEXTURE_2D, texture);
    checkGlError();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, pixelBuffer.width, pixelBuffer.height, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, pixelBuffer.data);
    checkGlError();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    checkGlError();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    checkGlError();
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLfloat(GL_CLAMP));
    checkGlError();
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLfloat(GL_CLAMP));
    checkGlError();

    fontUniform = glGetUniformLocation(program, "font");
    return true;
}

bool Display::buildShaderProgram() {
    // A failed stage leaves nothing to show the picture with, so start-up ends there.
    GLint status = 0;
    const GLuint vertexShader = compileShader(GL_VERTEX_SHADER, kVertexShaderSource, &status);
    if (status == 0) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Couldn't compile vertex shader");
        return false;
    }

    const GLuint fragmentShader = compileShader(GL_FRAGMENT_SHADER, kFragmentShaderSource, &status);
    if (status == 0) {
        GLint length = 0;
        glGetShaderiv(fragmentShader, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(size_t(length > 0 ? length : 1), '\0');
        GLsizei written = 0;
        glGetShaderInfoLog(fragmentShader, GLsizei(log.size()), &written, log.data());
        glDeleteShader(fragmentShader);
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Couldn't compile fragment shader: ");
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", log.data());
        return false;
    }

    program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == 0) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Couldn't link shaders");
        return false;
    }
    return true;
}

// Sends the texture the band of rows that differ from what it holds. Most key presses change
// a small part of the picture (a selection move only the overlay's lines), and the upload of
// the whole buffer is a large part of a present under software OpenGL.
void Display::uploadChangedRows() {
    presentedSinceBegin = true;
    const size_t stride = size_t(pixelBuffer.width) * 3;
    int32_t first = 0, last = pixelBuffer.height - 1;
    if (previousOnTexture) {
        auto same = [&](int32_t row) {
            return std::memcmp(pixelBuffer.data + size_t(row) * stride,
                               previous.get() + size_t(row) * stride, stride) == 0;
        };
        while (first <= last && same(first)) ++first;
        while (last > first && same(last)) --last;
        if (first > last) return;  // the texture holds this picture already
    }
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first, pixelBuffer.width, last - first + 1, GL_RGB,
                    GL_UNSIGNED_BYTE, pixelBuffer.data + size_t(first) * stride);
    // The texture now holds pixelBuffer, which may differ from the previous picture.
    previousOnTexture = false;
}

void Display::present() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    uploadChangedRows();
    glUseProgram(program);
    glUniform1i(fontUniform, 0);
    glActiveTexture(GL_TEXTURE0);

    // Two triangles covering the viewport; t = 0 is the bottom edge, where the
    // buffer's first row belongs.
    glBegin(GL_TRIANGLES);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();

    glUseProgramObjectARB(0);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    SDL_GL_SwapWindow(window);
}
