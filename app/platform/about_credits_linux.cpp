#include "app/platform/about_credits.h"

const char* image_readers_credit() {
  return "Images read with libpng, libjpeg-turbo, libwebp, libtiff, libheif and stb_image.";
}

const char* interface_credit_format() { return "Interface by Dear ImGui %s and SDL2."; }
