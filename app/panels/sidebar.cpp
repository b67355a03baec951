#include "app/panels/sidebar.h"

#include <imgui.h>

#include "app/document/document.h"
#include "app/shell/translate.h"
#include "app/shell/ui_state.h"

const char* const kSectionTitles[8] = {"Quantizer", "View", "Compare", "Focus area",
                                       "Dither strength area", "Pinned colours", "Result", "Palette"};

namespace {

void result_figures(const Document& document) {
  const QuantResult& result = document.result;
  ImGui::TextColored(document.busy() ? ImVec4(1.0f, 0.8f, 0.2f, 1.0f) : ImVec4(0, 0, 0, 0), "%s",
                     translate("working..."));
  if (!result.ok) return;
  ImGui::Text("%u colours", result.palette_count);
  ImGui::Text("%.3f s", result.seconds);
  ImGui::Text("PSNR %.2f dB", result.psnr);
  ImGui::Text("%llu bytes", static_cast<unsigned long long>(result.png_size));
}

}  // namespace

void draw_sidebar_sections(Document& document, UiState& ui) {
  for (int i = 0; i < 8; ++i) {
    ImGui::SetNextItemOpen(ui.sections[i]);
    ui.sections[i] = ImGui::CollapsingHeader(translate(kSectionTitles[i]));
    if (ui.sections[i] && i == 6) result_figures(document);
  }
}
