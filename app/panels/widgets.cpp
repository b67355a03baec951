#include "app/panels/widgets.h"

#include <imgui.h>

#include "app/document/document.h"
#include "app/ui/format_text.h"
#include "app/ui/interface_scale.h"

void item_tooltip(const char* text) {
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", text);
}

void item_tooltip_value(const char* format, double value) {
  if (ImGui::IsItemHovered()) ImGui::SetTooltip("%s", format_text(format, value).c_str());
}

void edit_step_on_activation(Document& document) {
  if (ImGui::IsItemActivated()) document.push_edit_step();
}

void use_flag_checkbox(Document& document, const char* label, UseFlag flag, const char* tooltip) {
  bool value = document.use(flag);
  if (ImGui::Checkbox(label, &value)) document.set_use(flag, value);
  item_tooltip(tooltip);
}

float scaled(float length) { return length * effective_scale(); }
