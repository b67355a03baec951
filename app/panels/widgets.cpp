#include "app/panels/widgets.h"

#include <imgui.h>

#include <mutex>

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

void use_flag_checkbox(Document& document, const char* label, bool& flag, const char* tooltip) {
  bool value = flag;
  if (ImGui::Checkbox(label, &value)) {
    {
      std::lock_guard<std::mutex> lock(document.mutex);
      flag = value;
    }
    document.request_run();
  }
  edit_step_on_activation(document);
  item_tooltip(tooltip);
}

float scaled(float length) { return length * effective_scale(); }
