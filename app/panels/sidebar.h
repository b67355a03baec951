#pragma once
// The sidebar's foldable sections.
class Document;
struct UiState;

// Draws inside the "settings" child region.
void draw_sidebar_sections(Document& document, UiState& ui);

// Section titles, in the order of the sidebar.
extern const char* const kSectionTitles[8];
