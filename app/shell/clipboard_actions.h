#pragma once
// The clipboard operations of the Edit menu; each returns the status line.
#include <string>

class Document;

std::string copy_image_path(const Document& document);
std::string copy_quantizer_parameters(const Document& document);
// Applies a pasted parameter block with one edit step; the caller marks the options changed.
std::string paste_quantizer_parameters(Document& document);
std::string copy_quantized_image(Document& document);
bool clipboard_has_text();
// Plain text both ways; false with the reason in `message`.
bool put_clipboard_text(const std::string& text, std::string& message);
bool get_clipboard_text(std::string& text, std::string& message);
