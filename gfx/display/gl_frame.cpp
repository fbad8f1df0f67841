#include "gfx/display/gl_frame.h"

namespace pantalla::detail {

namespace {

int32_t power_of_two_above(int32_t n) {
    int32_t p = 1;
    while (p < n) p *= 2;
    return p;
}

template <class F>
bool take(void* (*find)(void*, const char*), void* library, const char* name, F* fn) {
    // An object pointer to a function pointer, as every symbol lookup hands them.
    *fn = reinterpret_cast<F>(find(library, name));
    return *fn != nullptr;
}

}  // namespace

bool gl_functions_load(GlFunctions& g, void* (*find)(void*, const char*), void* library) {
    void* l = library;
    const bool all =
        take(find, l, "glViewport", &g.viewport) && take(find, l, "glMatrixMode", &g.matrix_mode) &&
        take(find, l, "glLoadIdentity", &g.load_identity) && take(find, l, "glOrtho", &g.ortho) &&
        take(find, l, "glEnable", &g.enable) && take(find, l, "glDisable", &g.disable) &&
        take(find, l, "glClearColor", &g.clear_color) && take(find, l, "glClear", &g.clear) &&
        take(find, l, "glPixelStorei", &g.pixel_store) && take(find, l, "glGenTextures", &g.gen_textures) &&
        take(find, l, "glBindTexture", &g.bind_texture) && take(find, l, "glTexParameteri", &g.tex_parameter) &&
        take(find, l, "glTexEnvi", &g.tex_env) && take(find, l, "glTexImage2D", &g.tex_image) &&
        take(find, l, "glTexSubImage2D", &g.tex_sub_image) && take(find, l, "glBegin", &g.begin) &&
        take(find, l, "glEnd", &g.end) && take(find, l, "glTexCoord2f", &g.tex_coord) &&
        take(find, l, "glVertex2f", &g.vertex) && take(find, l, "glGetError", &g.get_error);
    if (!all) g = GlFunctions{};
    return all;
}

void gl_frame_set_up(const GlFunctions& g, GlFrame& f, int32_t width, int32_t height, int32_t client_width,
                     int32_t client_height) {
    g.viewport(0, 0, client_width, client_height);
    g.matrix_mode(GL_PROJECTION);
    g.load_identity();
    g.ortho(0, client_width, client_height, 0, -1, 1);
    g.matrix_mode(GL_MODELVIEW);
    g.load_identity();
    g.disable(GL_DEPTH_TEST);
    g.disable(GL_BLEND);
    g.disable(GL_DITHER);  // a 16-bit display would otherwise speckle the text
    g.clear_color(0, 0, 0, 1);
    g.pixel_store(GL_UNPACK_ALIGNMENT, 4);

    g.gen_textures(1, &f.texture);
    g.bind_texture(GL_TEXTURE_2D, f.texture);
    // Nearest texels keep an enlarged screen's pixels square and sharp.
    g.tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    g.tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    g.tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    g.tex_parameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    g.tex_env(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    g.enable(GL_TEXTURE_2D);
    f.width = width;
    f.height = height;
    f.texture_width = power_of_two_above(width);
    f.texture_height = power_of_two_above(height);
    f.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    g.tex_image(GL_TEXTURE_2D, 0, GL_RGB, f.texture_width, f.texture_height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl_frame_upload(g, f, 0, height);
}

void gl_frame_upload(const GlFunctions& g, const GlFrame& f, int32_t first, int32_t end) {
    const size_t pitch = static_cast<size_t>(f.width) * 4;
    g.tex_sub_image(GL_TEXTURE_2D, 0, 0, first, f.width, end - first, GL_RGBA, GL_UNSIGNED_BYTE,
                    f.pixels.data() + static_cast<size_t>(first) * pitch);
}

void gl_frame_draw(const GlFunctions& g, const GlFrame& f, float x0, float y0, float x1, float y1) {
    const float u = static_cast<float>(f.width) / static_cast<float>(f.texture_width);
    const float v = static_cast<float>(f.height) / static_cast<float>(f.texture_height);
    g.clear(GL_COLOR_BUFFER_BIT);
    g.begin(GL_QUADS);
    g.tex_coord(0, 0);
    g.vertex(x0, y0);
    g.tex_coord(u, 0);
    g.vertex(x1, y0);
    g.tex_coord(u, v);
    g.vertex(x1, y1);
    g.tex_coord(0, v);
    g.vertex(x0, y1);
    g.end();
}

}  // namespace pantalla::detail
