#include "app/platform/texture.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <imgui.h>

void Texture::upload(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height) {
  if (rgba == nullptr || width == 0 || height == 0) {
    release();
    return;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  if (id_ != 0 && width == width_ && height == height_) {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(id_));
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width),
                    static_cast<GLsizei>(height), GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return;
  }
  release();
  GLuint id = 0;
  glGenTextures(1, &id);
  if (id == 0) return;
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
               static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  id_ = id;
  width_ = width;
  height_ = height;
}

void Texture::release() {
  if (id_ != 0) {
    GLuint id = static_cast<GLuint>(id_);
    glDeleteTextures(1, &id);
  }
  id_ = 0;
  width_ = 0;
  height_ = 0;
}

namespace {

using GenSamplers = void (*)(GLsizei, GLuint*);
using BindSampler = void (*)(GLuint, GLuint);
using SamplerParameteri = void (*)(GLuint, GLenum, GLint);
using SamplerParameterf = void (*)(GLuint, GLenum, GLfloat);

BindSampler bind_sampler = nullptr;
GLuint point_sampler = 0;

// A sampler object overrides the texture's own filtering for as long as it is
// bound; made once and kept, like the renderer's state.
void bind_point_sampler(const ImDrawList*, const ImDrawCmd*) {
  if (point_sampler == 0) {
    auto gen = reinterpret_cast<GenSamplers>(SDL_GL_GetProcAddress("glGenSamplers"));
    auto parameteri = reinterpret_cast<SamplerParameteri>(SDL_GL_GetProcAddress("glSamplerParameteri"));
    auto parameterf = reinterpret_cast<SamplerParameterf>(SDL_GL_GetProcAddress("glSamplerParameterf"));
    bind_sampler = reinterpret_cast<BindSampler>(SDL_GL_GetProcAddress("glBindSampler"));
    if (gen == nullptr || parameteri == nullptr || parameterf == nullptr || bind_sampler == nullptr)
      return;
    gen(1, &point_sampler);
    parameteri(point_sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    parameteri(point_sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    parameteri(point_sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    parameteri(point_sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    parameteri(point_sampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    parameterf(point_sampler, GL_TEXTURE_MIN_LOD, 0.0f);
  }
  if (bind_sampler != nullptr && point_sampler != 0) bind_sampler(0, point_sampler);
}

}  // namespace

void push_point_sampling(ImDrawList* draw_list) { draw_list->AddCallback(bind_point_sampler, nullptr); }

// The renderer's own state comes back, its sampler binding included.
void pop_point_sampling(ImDrawList* draw_list) {
  draw_list->AddCallback(ImDrawCallback_ResetRenderState, nullptr);
}
