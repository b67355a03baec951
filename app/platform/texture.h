#pragma once
// An RGBA texture of the graphics device, with its size; absent while its id is 0.
// The id is the renderer's own handle as the interface library takes it.
#include <cstdint>

class Texture {
 public:
  Texture() = default;
  ~Texture() { release(); }
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // Uploads width x height RGBA pixels (rows top to bottom); a texture of the same
  // size is updated in place. A null buffer or a zero side releases it.
  void upload(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height);
  void release();

  bool present() const { return id_ != 0; }
  std::uintptr_t id() const { return id_; }
  void* imgui_id() const { return reinterpret_cast<void*>(id_); }
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }

 private:
  std::uintptr_t id_ = 0;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
};

// Draw-list callbacks around an enlarged image: sharp pixels while drawn, the
// renderer's own sampling afterwards.
struct ImDrawList;
void push_point_sampling(ImDrawList* draw_list);
void pop_point_sampling(ImDrawList* draw_list);
