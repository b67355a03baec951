#include "app/shell/open_image.h"

#include <cstdio>

#include "app/document/document.h"
#include "app/shell/recent_files.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"
#include "app/view/view_textures.h"

bool open_image(Document& document, UiState& ui, ViewTextures& textures, const std::string& path) {
  IoStatus opened = document.open(path);
  if (!opened.ok()) {
    char text[1200];
    std::snprintf(text, sizeof text, translate("Could not read %s - %s"), path.c_str(),
                  io_message(opened).c_str());
    ui.status = text;
    return false;
  }
  textures.source.upload(document.pixels().data(), document.width(), document.height());
  // The old image's result must not stand in for the new one. Until the first
  // result arrives the result views show the source, so the result's textures
  // start as copies of it: made now, a result only refills them, which keeps
  // the frame that takes a large result short.
  textures.quantized.upload(document.pixels().data(), document.width(), document.height());
  textures.difference.upload(document.pixels().data(), document.width(), document.height());
  textures.reference.release();
  // The overlays are remade from the fresh layers, so no old painting shows.
  ui.overlay_dirty[0] = ui.overlay_dirty[1] = true;
  ui.status = path;
  remember_recent(ui.recent, path);
  return true;
}
