#include "app/panels/modal_windows.h"

#include <imgui.h>

#include <mutex>

#include "app/document/document.h"
#include "app/panels/tooltips.h"
#include "app/panels/widgets.h"
#include "app/platform/about_credits.h"
#include "app/platform/key_codes.h"
#include "app/ui/build_stamp.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"
#include "io/library_versions.h"

namespace {

constexpr ImGuiWindowFlags kModalFlags = ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings;

// The Enter or Space that chose the menu item must not also press a button here.
void swallow_choosing_key(bool just_opened) {
  if (!just_opened) return;
  ImGuiIO& io = ImGui::GetIO();
  for (int key : {key_index(Key::enter), key_index(Key::keypad_enter), key_index(Key::space)}) io.KeysDown[key] = false;
}

bool escape_closes() { return ImGui::IsKeyPressed(key_index(Key::escape), false) && !ImGui::IsAnyItemActive(); }

// Opens the popup when asked; returns whether it opened this frame.
bool open_when_requested(bool& requested, const char* name) {
  if (!requested) return false;
  requested = false;
  ImGui::OpenPopup(name);
  return true;
}

}  // namespace

void options_window(PanelContext& context) {
  UiState& ui = context.ui;
  Document& document = context.document;
  std::string name = std::string(translate("Options")) + "###options";
  bool just_opened = open_when_requested(ui.options_open_requested, name.c_str());
  ui.options_window_open = ImGui::BeginPopupModal(name.c_str(), nullptr, kModalFlags);
  if (!ui.options_window_open) return;
  swallow_choosing_key(just_opened);
  ImGui::TextUnformatted(translate("Engine"));
  ImGui::Separator();
  bool parallel = context.options.mediancut_rounds != 0;
  if (ImGui::Checkbox(translate("Parallel median cut"), &parallel)) {
    context.options.mediancut_rounds = parallel ? 1 : 0;
    document.set_options(context.options);
  }
  edit_step_on_activation(document);
  item_tooltip(translate(kTipParallelMedianCut));
  ImGui::Separator();
  if (ImGui::Button(translate("Close"), ImVec2(scaled(120.0f), 0.0f)) || escape_closes()) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}

void about_window(PanelContext& context) {
  UiState& ui = context.ui;
  std::string name = std::string(translate("About")) + "###about";
  bool just_opened = open_when_requested(ui.about_open_requested, name.c_str());
  ui.about_window_open = ImGui::BeginPopupModal(name.c_str(), nullptr, kModalFlags);
  if (!ui.about_window_open) return;
  swallow_choosing_key(just_opened);
  ImGui::TextUnformatted("Brisel Quantizer");
  ImGui::Text(translate("quantizer built %s%s"), build_stamp(), "");
  ImGui::Separator();
  ImGui::TextUnformatted(translate("Palette by median cut (Heckbert, 1982) in a perceptual colour space,"));
  ImGui::TextUnformatted(translate("refined by k-means; dithering by error diffusion (Floyd and Steinberg, 1976),"));
  ImGui::TextUnformatted(translate("ordered (Bayer) and blue-noise masks, and mixing plans."));
  ImGui::Text(translate("PNG written with libpng %s and zlib %s."), png_library_version(), zlib_library_version());
  ImGui::TextUnformatted(translate(image_readers_credit()));
  ImGui::Separator();
  ImGui::Text(translate(interface_credit_format()), IMGUI_VERSION);
  ImGui::Separator();
  ImGui::TextUnformatted(translate("Full notices: NOTICE.txt beside the program."));
  if (ImGui::Button(translate("Close"), ImVec2(scaled(120.0f), 0.0f)) || escape_closes()) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}
