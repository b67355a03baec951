#include "app/ui/edit_actions.h"

#include <algorithm>

#include "app/document/document.h"
#include "app/ui/format_text.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

namespace {
void after_history_move(UiState& ui, const char* status) {
  ui.overlay_dirty[0] = ui.overlay_dirty[1] = true;
  ui.status = translate(status);
}
}  // namespace

void undo_edit(PanelContext& context) {
  if (context.document.undo()) after_history_move(context.ui, "Undo");
}

void redo_edit(PanelContext& context) {
  if (context.document.redo()) after_history_move(context.ui, "Redo");
}

void set_brush(UiState& ui, int radius) {
  ui.brush = std::clamp(radius, kBrushMinimum, kBrushMaximum);
  ui.status = format_text(translate("Brush %d px"), ui.brush);
}
