// Sections "Focus area" and "Dither strength area": the two paint layers.
#include <imgui.h>


#include "app/document/document.h"
#include "app/panels/option_widgets.h"
#include "app/panels/row_layout.h"
#include "app/panels/sections.h"
#include "app/panels/tooltips.h"
#include "app/panels/widgets.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

namespace {

struct LayerTexts {
  const char* use;
  const char* use_tip;
  const char* paint;
  const char* paint_tip;
  const char* show;
  const char* show_tip;  // nullptr: none
  const char* brush;
  const char* brush_tip;  // nullptr: none
  const char* clear;
};

const LayerTexts kFocusTexts = {
    "Use focus",
    "Apply the painted focus map. Off keeps the painting but\nquantizes without it, to compare with and without.",
    "Paint focus", kTipPaintFocus, "Show##focus", nullptr, "Brush##focus",
    "Brush radius in source pixels. While painting, Alt + mouse wheel\nover the image resizes it, and so do the [ and ] keys.",
    "Clear focus"};
const LayerTexts kDitherTexts = {
    "Use dither map",
    "Apply the painted dithering strength. Off keeps the painting\nbut quantizes without it, to compare with and without.",
    "Paint dither", kTipPaintDither, "Show##dither", "Warm = more dithering, cool = less.",
    "Brush##dither", nullptr, "Clear dither map"};

void layer_section(PanelContext& context, int layer, const LayerTexts& texts) {
  Document& document = context.document;
  UiState& ui = context.ui;
  const UseFlag use_flag = layer == kFocusLayer ? UseFlag::focus : UseFlag::dither_map;
  use_flag_checkbox(document, translate(texts.use), use_flag, translate(texts.use_tip));

  same_line_if_fits(checkbox_width(translate(texts.paint)));
  bool painting = ui.tool == paint_tool(layer);
  if (ImGui::Checkbox(translate(texts.paint), &painting)) {
    ui.tool = painting ? paint_tool(layer) : Tool::none;
    if (painting) ui.picking = false;
  }
  item_tooltip(translate(texts.paint_tip));
  same_line_if_fits(checkbox_width(translate(texts.show)));
  ImGui::Checkbox(translate(texts.show), layer == kFocusLayer ? &ui.focus_show : &ui.dither_map_show);
  if (texts.show_tip) item_tooltip(translate(texts.show_tip));

  ImGui::SliderInt(translate(texts.brush), &ui.brush, kBrushMinimum, kBrushMaximum, "%d");
  if (texts.brush_tip) item_tooltip(translate(texts.brush_tip));
  if (layer == kFocusLayer) {
    option_slider(context, OptionId::focus_weight);
    item_tooltip(translate("How much more the marked pixels count when the palette is chosen. 1 disables the map."));
  }

  if (ImGui::Button(translate(texts.clear))) {
    document.push_edit_step();
    document.clear_layer(layer);
    ui.overlay_dirty[layer] = true;
    document.request_run();
  }
  const char* state = document.layer(layer).empty ? "(none painted)"
                      : document.use(use_flag)     ? "(painted)"
                                                   : "(painted, not used)";
  same_line_if_fits(text_width(translate(state)));
  ImGui::TextUnformatted(translate(state));
}

}  // namespace

void focus_section(PanelContext& context) { layer_section(context, kFocusLayer, kFocusTexts); }
void dither_map_section(PanelContext& context) { layer_section(context, kDitherLayer, kDitherTexts); }
