// Section "Result": what the last run made, and the reference beside it.
#include <imgui.h>

#include <string>

#include "app/document/distinct_colours.h"
#include "app/document/document.h"
#include "app/panels/row_layout.h"
#include "app/panels/sections.h"
#include "app/panels/tooltips.h"
#include "app/panels/widgets.h"
#include "app/ui/panel_context.h"
#include "app/ui/result_figures.h"
#include "app/ui/translate.h"

namespace {

void reference_figures(const Document& document) {
  ImGui::Separator();
  const QuantResult& ours = document.result();
  const QuantResult& reference = document.reference();
  // Which program compares: its file name, its end when even that is too long.
  if (!document.compare_path().empty()) {
    std::string program = tail_that_fits(file_name_of(document.compare_path()),
                                         ImGui::GetContentRegionAvail().x - text_width(translate("reference: %s")));
    ImGui::Text(translate("reference: %s"), program.c_str());
  }
  if (!reference.ok) {
    ImGui::TextUnformatted(translate("reference: not available"));
    return;
  }
  ImGui::Text(translate("reference PSNR: %.2f dB  (%+.2f)"), reference.psnr, ours.psnr - reference.psnr);
  item_tooltip(translate("Bracketed figure is ours minus the reference; positive means we are ahead."));
  // While our own size is not measured yet the figure would claim -100%: 0 until both are known.
  double difference = reference.png_size != 0 && ours.png_size != 0
                          ? (static_cast<double>(ours.png_size) / static_cast<double>(reference.png_size) - 1.0) * 100.0
                          : 0.0;
  ImGui::Text(translate("reference PNG:  %s (%+.1f%%)"), byte_size_text(reference.png_size).c_str(), difference);
  ImGui::Text(translate("reference took: %.0f ms"), reference.seconds * 1000.0);
}

}  // namespace

void result_section(PanelContext& context) {
  const Document& document = context.document;
  if (document.width() != 0) {
    ImGui::Text("%u x %u", document.width(), document.height());
    ImGui::Text(translate("source colours: %u%s"), document.distinct_colours(),
                document.distinct_colours() > kDistinctColoursCounted ? "+" : "");
  } else {
    ImGui::TextUnformatted(translate("no image loaded"));
  }
  std::uint64_t source_size = document.source_png_size();
  ImGui::Text(translate("32-bit PNG: %s"), source_size != 0 ? byte_size_text(source_size).c_str() : "-");
  item_tooltip(translate("The source re-encoded as a 32-bit RGBA PNG, so it is directly comparable with the 8-bit result below."));

  if (document.refusal().refused) {
    // What stays below is the previous result.
    ImGui::TextColored(ImVec4(1.0f, 0.45f, 0.35f, 1.0f), "%s", translate("Quality limit exceeded"));
    ImGui::SameLine();
    ImGui::Text(translate("(best %u)"), document.refusal().best);
  }
  const QuantResult& result = document.result();
  if (result.ok) {
    ImGui::Text(translate("palette used: %u"), result.palette_count);
    ImGui::Text(translate("quality: %u"), result.quality);
    item_tooltip(translate(kTipQualityReached));
    ImGui::Text(translate("PSNR: %.2f dB"), result.psnr);
    ImGui::Text(translate("RMSE: %.5f"), result.rmse);
    ImGui::Text(translate(" 8-bit PNG: %s"), byte_size_text(result.png_size).c_str());
    std::string ratio = ratio_text(result.png_size, source_size);
    if (!ratio.empty()) ImGui::TextUnformatted(ratio.c_str());
    ImGui::Text(translate("quantized in %.0f ms"), result.seconds * 1000.0);
  }
  if (document.compare()) reference_figures(document);
  // Always laid out, transparent while idle, so nothing below moves.
  ImGui::TextColored(document.busy() ? ImVec4(1.0f, 0.8f, 0.2f, 1.0f) : ImVec4(0, 0, 0, 0), "%s",
                     translate("working..."));
}
