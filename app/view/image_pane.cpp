#include "app/view/image_pane.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/document/document.h"
#include "app/ui/edit_actions.h"
#include "app/ui/interface_scale.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"
#include "app/view/checkerboard.h"
#include "app/view/paint_tool.h"
#include "app/view/pane_label.h"
#include "app/view/pixel_readout.h"
#include "app/view/split_view.h"
#include "app/view/view_textures.h"
#include "app/view/zoom.h"

namespace {

constexpr float kCheckSide = 8.0f;  // unscaled pixels

const char* side_name(SplitSide side) {
  switch (side) {
    case SplitSide::original: return translate("original");
    case SplitSide::ours: return translate("ours");
    default: return translate("reference");
  }
}

struct PaneTextures {
  const Texture* ours;       // the result, or the source until there is one
  const Texture* reference;  // null unless compare is on and a reference exists
};

void handle_wheel(UiState& ui, float& scale, ImVec2 offset) {
  ImGuiIO& io = ImGui::GetIO();
  if (io.MouseWheel == 0.0f) return;
  if (ui.tool != Tool::none && io.KeyAlt) {
    set_brush(ui, static_cast<int>(std::lround(ui.brush * std::pow(kWheelStep, io.MouseWheel))));
    io.MouseWheel = 0.0f;
    return;
  }
  WheelZoom zoomed = wheel_zoom(scale, ui.pan[0], ui.pan[1], offset.x, offset.y, io.MouseWheel);
  ui.fit_to_window = false;
  ui.zoom = zoomed.scale;
  ui.pan[0] = zoomed.pan_x;
  ui.pan[1] = zoomed.pan_y;
  scale = zoomed.scale;
}

void handle_panning(UiState& ui, float& scale, bool hovered, bool left_pan_allowed) {
  if (!ui.panning && hovered) {
    if (ImGui::IsMouseClicked(ImGuiMouseButton_Middle)) {
      ui.panning = true;
      ui.pan_button = ImGuiMouseButton_Middle;
    } else if (left_pan_allowed && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) {
      ui.panning = true;
      ui.pan_button = ImGuiMouseButton_Left;
    }
  }
  if (!ui.panning) return;
  if (!ImGui::IsMouseDown(ui.pan_button)) {
    ui.panning = false;
    return;
  }
  ImVec2 delta = ImGui::GetIO().MouseDelta;
  if (delta.x != 0.0f || delta.y != 0.0f) {
    // A fitted image starts panning at the scale it is shown at.
    if (ui.fit_to_window) {
      ui.zoom = scale;
      ui.fit_to_window = false;
    }
    ui.pan[0] += delta.x;
    ui.pan[1] += delta.y;
  }
  ImGui::SetMouseCursor(ImGuiMouseCursor_Hand);
}

void draw_view(ImDrawList* draw_list, UiState& ui, const ViewTextures& textures,
               const PaneTextures& shown, ImVec2 at, ImVec2 size, float spacing, bool tool_active) {
  const float k = effective_scale();
  // The Difference view's black means "no difference", not transparency.
  const bool checks = ui.checkerboard && ui.view != View::difference;
  auto backdrop = [&](ImVec2 min) {
    if (checks) draw_checkerboard(draw_list, min, ImVec2(min.x + size.x, min.y + size.y), kCheckSide * k);
  };
  auto image = [&](const Texture* texture, ImVec2 min) {
    backdrop(min);
    draw_list->AddImage(texture->imgui_id(), min, ImVec2(min.x + size.x, min.y + size.y));
  };
  auto labelled = [&](const Texture* texture, ImVec2 min, const char* name) {
    image(texture, min);
    draw_pane_label(draw_list, name, min, ImVec2(min.x + size.x, min.y + size.y), LabelAnchor::top_left, k);
  };
  float stride = size.x + spacing;
  switch (ui.view) {
    case View::quantized: image(shown.ours, at); break;
    case View::original: image(&textures.source, at); break;
    case View::side_by_side:
      labelled(&textures.source, at, translate("original"));
      labelled(shown.ours, ImVec2(at.x + stride, at.y), translate("ours"));
      if (shown.reference != nullptr)
        labelled(shown.reference, ImVec2(at.x + 2 * stride, at.y), translate("reference"));
      break;
    case View::difference:
      image(textures.difference.present() ? &textures.difference : shown.ours, at);
      break;
    case View::reference:
      image(textures.reference.present() ? &textures.reference : shown.ours, at);
      break;
    case View::ours_vs_reference:
      labelled(shown.ours, at, translate("ours"));
      labelled(textures.reference.present() ? &textures.reference : shown.ours,
               ImVec2(at.x + stride, at.y), translate("reference"));
      break;
    default: {
      auto half = [&](SplitSide side) {
        if (side == SplitSide::original) return &textures.source;
        if (side == SplitSide::reference && shown.reference != nullptr) return shown.reference;
        return shown.ours;
      };
      SplitHalves halves{half(ui.split_first), half(ui.split_second), side_name(ui.split_first),
                         side_name(ui.split_second)};
      backdrop(at);
      draw_split_view(draw_list, ui, halves, at, size, tool_active);
      break;
    }
  }
}

}  // namespace

bool image_loaded(const Document& document, const ViewTextures& textures) {
  return document.width() != 0 && document.height() != 0 &&
         document.pixels().size() == std::size_t{document.width()} * document.height() * 4 &&
         textures.source.present();
}

void draw_image_pane(Document& document, UiState& ui, ViewTextures& textures, ImVec2 size) {
  ImGui::BeginChild("image", size, true, ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
  FrameLayout& layout = ui.layout;
  ImVec2 pane_pos = ImGui::GetWindowPos();
  ImVec2 pane_size = ImGui::GetWindowSize();
  layout.pane_x = pane_pos.x;
  layout.pane_y = pane_pos.y;
  layout.pane_w = pane_size.x;
  layout.pane_h = pane_size.y;
  layout.pane_has_image = image_loaded(document, textures);
  ui.readout.clear();
  if (!layout.pane_has_image) {
    ImGui::TextUnformatted(translate("Drop an image here, or use File > Open."));
    ui.hovered_palette_index = -1;
    ImGui::EndChild();
    return;
  }

  const float image_w = static_cast<float>(document.width());
  const float image_h = static_cast<float>(document.height());
  const float spacing = ImGui::GetStyle().ItemSpacing.x;
  PaneTextures shown{textures.quantized.present() ? &textures.quantized : &textures.source,
                     document.compare() && textures.reference.present() ? &textures.reference : nullptr};
  int panes = 1;
  if (ui.view == View::side_by_side) panes = shown.reference != nullptr ? 3 : 2;
  if (ui.view == View::ours_vs_reference) panes = 2;

  ImVec2 available = ImGui::GetContentRegionAvail();
  ImVec2 origin = ImGui::GetCursorScreenPos();
  float scale = ui.zoom;
  if (ui.fit_to_window) {
    scale = fitted_scale(available.x, available.y, image_w, image_h, panes, spacing);
    ui.pan[0] = ui.pan[1] = 0.0f;
  }
  layout.origin_x = origin.x;
  layout.origin_y = origin.y;
  layout.scale = scale;
  layout.pan_x = ui.pan[0];
  layout.pan_y = ui.pan[1];

  bool hovered = ImGui::IsWindowHovered(ImGuiHoveredFlags_ChildWindows |
                                        ImGuiHoveredFlags_AllowWhenBlockedByActiveItem);
  ImVec2 mouse = ImGui::GetIO().MousePos;
  if (hovered) handle_wheel(ui, scale, ImVec2(mouse.x - origin.x, mouse.y - origin.y));
  bool tool_active = ui.tool != Tool::none || ui.picking;
  bool left_pan_allowed = ui.view != View::split && !tool_active;
  handle_panning(ui, scale, hovered, left_pan_allowed);
  if (left_pan_allowed && hovered && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) {
    ui.fit_to_window = true;
    ui.pan[0] = ui.pan[1] = 0.0f;
  }

  ImVec2 at(std::floor(origin.x + ui.pan[0]), std::floor(origin.y + ui.pan[1]));
  ImVec2 drawn(image_w * scale, image_h * scale);
  ImDrawList* draw_list = ImGui::GetWindowDrawList();
  ImVec2 clip_min = draw_list->GetClipRectMin();
  ImVec2 clip_max = draw_list->GetClipRectMax();
  if (scale > 1.0f) push_point_sampling(draw_list);
  draw_view(draw_list, ui, textures, shown, at, drawn, spacing, tool_active);
  ImVec2 drawn_max(at.x + drawn.x, at.y + drawn.y);
  if (ui.focus_show && textures.focus_overlay.present())
    draw_list->AddImage(textures.focus_overlay.imgui_id(), at, drawn_max);
  if (ui.dither_map_show && textures.dither_overlay.present())
    draw_list->AddImage(textures.dither_overlay.imgui_id(), at, drawn_max);
  if (scale > 1.0f) pop_point_sampling(draw_list);
  paint_and_pick(document, ui, at, drawn, scale);

  ui.hovered_palette_index = -1;
  if (mouse.x >= clip_min.x && mouse.y >= clip_min.y && mouse.x < clip_max.x && mouse.y < clip_max.y) {
    float dx = mouse.x - at.x;
    float stride = drawn.x + spacing;
    if (panes > 1 && stride > 1.0f && dx >= 0.0f) dx = std::fmod(dx, stride);
    PixelReadout readout = pixel_readout(document.pixels(), document.width(), document.height(),
                                         document.result(), dx, mouse.y - at.y, scale);
    ui.readout = readout.text;
    ui.hovered_palette_index = readout.palette_index;
  }
  ImGui::EndChild();
}
