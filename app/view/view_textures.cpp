#include "app/view/view_textures.h"

#include "app/document/document.h"
#include "app/view/result_images.h"

void ViewTextures::rebuild_from_result(const Document& document) {
  const QuantResult& result = document.result();
  if (result.ok) {
    std::size_t pixel_count = std::size_t{result.width} * result.height;
    // The run's own RGBA when it has one; a copy only when it must be made.
    std::vector<std::uint8_t> made;
    const std::uint8_t* rgba = result.rgba.data();
    if (result.rgba.size() < pixel_count * 4 || result.rgba.empty()) {
      made = result_rgba(result);
      rgba = made.empty() ? nullptr : made.data();
    }
    if (rgba != nullptr) {
      quantized.upload(rgba, result.width, result.height);
      // The picture is the run's, made against the source of that run.
      if (result.difference.size() == pixel_count * 4)
        difference.upload(result.difference.data(), result.width, result.height);
      else
        difference.release();
    }
  }
  const QuantResult& ref = document.reference();
  if (reference_showable(ref))
    reference.upload(ref.rgba.data(), ref.width, ref.height);
  else
    reference.release();
}

void ViewTextures::release_all() {
  for (Texture* texture : {&source, &quantized, &difference, &reference, &focus_overlay, &dither_overlay})
    texture->release();
}
