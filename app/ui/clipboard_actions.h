#pragma once
// The clipboard operations of the Edit menu; each returns the status line.
// Every write goes through our clipboard owner, which offers one thing at a
// time (a text, or the image); reads go through the window system's clipboard.
#include <string>

class ClipboardOwner;
class Document;

// The owner that the writes go through, for as long as it lives; without one
// texts go to the window system's clipboard and images cannot be placed.
void use_clipboard_owner(ClipboardOwner* owner);

// False with `message` set when the text could not be placed or read.
bool put_clipboard_text(const std::string& text, std::string& message);
bool get_clipboard_text(std::string& text, std::string& message);
bool clipboard_has_text();

std::string copy_image_path(const Document& document);
std::string copy_quantizer_parameters(const Document& document);
// Applies a pasted parameter block with one edit step; the caller marks the options changed.
std::string paste_quantizer_parameters(Document& document);
// The result as a bitmap and as the PNG that saving writes.
std::string copy_quantized_image(Document& document);
