// PENDING-MERGE: stand-ins until the history branch lands.
#include "app/document/document.h"
void Document::begin_frame() {}
void Document::push_edit_step() {}
bool Document::undo() { return false; }
bool Document::redo() { return false; }
bool Document::can_undo() const { return false; }
bool Document::can_redo() const { return false; }
void Document::paint_dab(int, int, int, int, float) {}
void Document::clear_layer(int) {}
void Document::pin_at(int, int) {}
void Document::unpin_nearest(int, int) {}
void Document::remove_pin(std::size_t) {}
void Document::clear_pins() {}
void Document::set_pins(const std::vector<Rgba>&) {}
void Document::load_palette(const std::vector<Rgba>&, int, const std::string&) {}
void Document::clear_palette() {}
void Document::remove_palette_entry(std::size_t) {}
void Document::set_palette_entry(std::size_t, Rgba) {}
bool Document::set_pin_entry(std::size_t, Rgba) { return false; }
std::uint32_t Document::fix_palette(std::size_t, Rgba) { return 0; }
