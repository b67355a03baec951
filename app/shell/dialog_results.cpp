#include "app/shell/dialog_results.h"

#include "app/document/document.h"
#include "app/document/save_result.h"
#include "app/shell/open_image.h"
#include "app/ui/palette_actions.h"
#include "app/ui/ui_state.h"

void finish_dialog(const FileDialogResult& result, Document& document, UiState& ui, ViewTextures& textures) {
  const std::string& path = result.path;
  if (path.empty()) return;
  switch (result.purpose) {
    case FileDialogPurpose::open_image: open_image(document, ui, textures, path); break;
    case FileDialogPurpose::save_image:
      if (document.result().ok) ui.status = save_result_png(document, path);
      break;
    case FileDialogPurpose::load_pins:
      document.push_edit_step();
      ui.status = load_pins_from_file(document, path);
      break;
    case FileDialogPurpose::save_pins: ui.status = save_pins_to_file(document, path); break;
    case FileDialogPurpose::load_palette:
      document.push_edit_step();
      ui.status = load_palette_from_file(document, path);
      break;
    case FileDialogPurpose::save_palette: ui.status = save_palette_to_file(document, path); break;
    case FileDialogPurpose::reference_program: document.set_compare(document.compare(), path); break;
  }
}
