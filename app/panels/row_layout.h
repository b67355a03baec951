#pragma once
// Rows of the sidebar that fit its width in any language: an item joins the
// current line only when it fits there, and a long path shows its end.
#include <string>

// Keeps the next item on the current line when `width` more pixels fit before
// the window's right edge; otherwise it starts the next line.
void same_line_if_fits(float width);
// The widths the next item will take, its label's "##" part left out.
float button_width(const char* label);
float checkbox_width(const char* label);
float text_width(const char* text);
// `text` itself when it is at most `width` pixels wide, else "..." and as much of
// its end as fits (whole UTF-8 characters).
std::string tail_that_fits(const std::string& text, float width);
// The part of a path after its last "/" or "\".
const char* file_name_of(const std::string& path);
