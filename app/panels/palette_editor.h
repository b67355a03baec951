#pragma once
// The palette-entry editor: a popup with a colour picker for one entry.
class Document;
struct PanelContext;
struct UiState;

// Opens the editor on `index` (with an edit step).
void open_palette_editor(Document& document, UiState& ui, int index);
// Draws it while it is open; applies a changed colour and sets the status.
void palette_editor(PanelContext& context);
