#pragma once
// Edit operations shared by the menus, the shortcuts and the image pane.
struct PanelContext;
struct UiState;

// Undo / redo; when something changed, both overlays are remade and the status says so.
void undo_edit(PanelContext& context);
void redo_edit(PanelContext& context);
// Brush radius from the wheel or the keys: kept within its range, "Brush %d px".
void set_brush(UiState& ui, int radius);
