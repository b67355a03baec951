#include "app/shell/root_window.h"

#include <imgui.h>

#include "app/document/document.h"
#include "app/panels/modal_windows.h"
#include "app/panels/sidebar.h"
#include "app/shell/menu_bar.h"
#include "app/shell/sidebar_layout.h"
#include "app/ui/interface_scale.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"
#include "app/view/image_pane.h"
#include "app/view/view_textures.h"
#include "app/view/zoom_controls.h"

namespace {

void sidebar(PanelContext& context, const SidebarLayout& layout) {
  ImGui::BeginChild("settings", ImVec2(layout.sidebar_w, layout.pane_h), true);
  draw_sidebar_sections(context);
  ImGui::EndChild();
}

void splitter(UiState& ui, const SidebarLayout& layout, float scale) {
  ImVec2 at = ImGui::GetCursorScreenPos();
  ImGui::InvisibleButton("##sidebar_splitter", ImVec2(layout.splitter_w, layout.pane_h));
  bool active = ImGui::IsItemActive();
  bool hovered = ImGui::IsItemHovered();
  if (active || hovered) ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeEW);
  if (active && ImGui::GetIO().MouseDelta.x != 0.0f)
    ui.sidebar_w = dragged_sidebar_width(layout.sidebar_w, ImGui::GetIO().MouseDelta.x, ui.sidebar_right, scale);
  if (hovered && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) ui.sidebar_w = kSidebarDefaultWidth;
  ImGuiCol colour = active ? ImGuiCol_SeparatorActive : hovered ? ImGuiCol_SeparatorHovered : ImGuiCol_Separator;
  ImGui::GetWindowDrawList()->AddRectFilled(
      at, ImVec2(at.x + layout.splitter_w, at.y + layout.pane_h), ImGui::GetColorU32(colour));
  FrameLayout& frame = ui.layout;
  frame.splitter_x = at.x;
  frame.splitter_y = at.y;
  frame.splitter_w = layout.splitter_w;
  frame.splitter_h = layout.pane_h;
  frame.splitter_active = active;
}

void status_line(Document& document, UiState& ui, ViewTextures& textures) {
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted(ui.status.c_str());
  if (!ui.readout.empty()) {
    ImGui::SameLine();
    ImGui::TextUnformatted("|");
    ImGui::SameLine();
    ImGui::TextUnformatted(ui.readout.c_str());
  }
  draw_zoom_controls(ui, image_loaded(document, textures));
}

}  // namespace

void build_interface(Document& document, UiState& ui, ViewTextures& textures, FrameRequests& requests) {
  const ImGuiViewport* viewport = ImGui::GetMainViewport();
  ImGui::SetNextWindowPos(viewport->Pos);
  ImGui::SetNextWindowSize(viewport->Size);
  ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                           ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                           ImGuiWindowFlags_MenuBar | ImGuiWindowFlags_NoBringToFrontOnFocus |
                           ImGuiWindowFlags_NoSavedSettings;
  ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0.0f);
  ImGui::Begin("##root", nullptr, flags);
  ImGui::PopStyleVar();

  PanelContext context{document, ui, textures, requests, document.options()};
  global_shortcuts(context);
  menu_bar(context);

  const float scale = effective_scale();
  const ImGuiStyle& style = ImGui::GetStyle();
  ImVec2 available = ImGui::GetContentRegionAvail();
  SidebarLayout layout = sidebar_layout(available.x, available.y, ImGui::GetFrameHeight(),
                                        style.ItemSpacing.x, style.ItemSpacing.y, ui.sidebar_w, scale);
  ui.layout.sidebar_drawn_w = layout.sidebar_w;
  ui.layout.image_pane_w = layout.image_w;
  if (ui.sidebar_right) {
    draw_image_pane(document, ui, textures, ImVec2(layout.image_w, layout.pane_h));
    ImGui::SameLine();
    splitter(ui, layout, scale);
    ImGui::SameLine();
    sidebar(context, layout);
  } else {
    sidebar(context, layout);
    ImGui::SameLine();
    splitter(ui, layout, scale);
    ImGui::SameLine();
    draw_image_pane(document, ui, textures, ImVec2(layout.image_w, layout.pane_h));
  }
  status_line(document, ui, textures);
  options_window(context);
  about_window(context);
  ImGui::End();
  update_keyboard_navigation();
}
