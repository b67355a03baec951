#pragma once
// What a finished file dialog does with the chosen path.
#include "app/shell/file_dialog.h"

class Document;
struct UiState;
struct ViewTextures;

// Inside a frame (an edit step may be taken); a cancelled dialog does nothing.
void finish_dialog(const FileDialogResult& result, Document& document, UiState& ui, ViewTextures& textures);
