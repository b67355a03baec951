#pragma once
// File > Open and every other way an image arrives (command line, drop, recent).
#include <string>

class Document;
struct UiState;
struct ViewTextures;

// Loads `path`, shows it and remembers it; on failure only the status line changes.
bool open_image(Document& document, UiState& ui, ViewTextures& textures, const std::string& path);
