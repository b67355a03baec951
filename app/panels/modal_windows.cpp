#include "app/panels/modal_windows.h"

#include <SDL_scancode.h>
#include <imgui.h>
#include <png.h>
#include <zlib.h>

#include <mutex>

#include "app/document/document.h"
#include "app/panels/panel_context.h"
#include "app/panels/tooltips.h"
#include "app/panels/widgets.h"
#include "app/shell/build_stamp.h"
#include "app/shell/translate.h"
#include "app/shell/ui_state.h"

namespace {

constexpr ImGuiWindowFlags kModalFlags = ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings;

// The Enter or Space that chose the menu item must not also press a button here.
void swallow_choosing_key(bool just_opened) {
  if (!just_opened) return;
  ImGuiIO& io = ImGui::GetIO();
  for (int key : {SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_SPACE}) io.KeysDown[key] = false;
}

bool escape_closes() { return ImGui::IsKeyPressed(SDL_SCANCODE_ESCAPE, false) && !ImGui::IsAnyItemActive(); }

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
  ImGui::Text(translate("PNG written with libpng %s and zlib %s."), PNG_LIBPNG_VER_STRING, ZLIB_VERSION);
  ImGui::TextUnformatted(translate("Images read with libpng, libjpeg-turbo, libwebp, libtiff, libheif and stb_image."));
  ImGui::Separator();
  ImGui::Text(translate("Interface by Dear ImGui %s and SDL2."), IMGUI_VERSION);
  ImGui::Separator();
  ImGui::TextUnformatted(translate("Full notices: NOTICE.txt beside the program."));
  if (ImGui::Button(translate("Close"), ImVec2(scaled(120.0f), 0.0f)) || escape_closes()) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}
