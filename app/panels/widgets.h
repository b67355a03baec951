#pragma once
// Small conventions shared by the sidebar's widgets.
class Document;
enum class UseFlag;

// Shows `text` as the last item's tooltip while it is hovered.
void item_tooltip(const char* text);
// A tooltip whose text carries one number (a printf format).
void item_tooltip_value(const char* format, double value);
// Records the state before an edit when the last item has just become active,
// so a whole drag is one step.
void edit_step_on_activation(Document& document);
// A checkbox for one of the document's use flags, switched by the document's edit operation.
void use_flag_checkbox(Document& document, const char* label, UseFlag flag, const char* tooltip);
// Lengths scaled by the interface scale.
float scaled(float length);
