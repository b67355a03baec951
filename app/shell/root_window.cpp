#include "app/shell/root_window.h"

#include <SDL_scancode.h>
#include <imgui.h>

#include "app/document/document.h"
#include "app/panels/sidebar.h"
#include "app/shell/interface_scale.h"
#include "app/shell/open_image.h"
#include "app/shell/sidebar_layout.h"
#include "app/shell/translate.h"
#include "app/shell/ui_state.h"
#include "app/view/image_pane.h"
#include "app/view/view_textures.h"
#include "app/view/zoom_controls.h"

namespace {

// Key indices are the window system's scancodes, as the SDL backend sets them.
void global_shortcuts(UiState& ui) {
  ImGuiIO& io = ImGui::GetIO();
  if (ImGui::IsKeyPressed(SDL_SCANCODE_F2, false)) fit_image(ui);
  // Ctrl+0 shows actual pixels; with Shift it belongs to the interface zoom.
  if (io.KeyCtrl && !io.KeyShift && !io.WantTextInput &&
      ImGui::IsKeyPressed(SDL_SCANCODE_0, false)) {
    ui.fit_to_window = false;
    ui.zoom = 1.0f;
    ui.pan[0] = ui.pan[1] = 0.0f;
  }
}

void menu_bar(Document& document, UiState& ui, ViewTextures& textures, FrameRequests& requests) {
  if (!ImGui::BeginMenuBar()) return;
  if (ImGui::BeginMenu(translate("File"))) {
    if (ImGui::BeginMenu(translate("Open recent"), !ui.recent.empty())) {
      for (std::size_t i = 0; i < ui.recent.size(); ++i) {
        std::string label = std::to_string(i + 1) + "  " + ui.recent[i] + "##recent" + std::to_string(i);
        if (ImGui::MenuItem(label.c_str())) {
          std::string path = ui.recent[i];
          if (!open_image(document, ui, textures, path)) std::erase(ui.recent, path);
          break;
        }
      }
      ImGui::Separator();
      if (ImGui::MenuItem(translate("Clear list"))) ui.recent.clear();
      ImGui::EndMenu();
    }
    ImGui::Separator();
    if (ImGui::MenuItem(translate("Exit"))) requests.quit = true;
    ImGui::EndMenu();
  }
  ImGui::EndMenuBar();
}

void sidebar(Document& document, UiState& ui, const SidebarLayout& layout) {
  ImGui::BeginChild("settings", ImVec2(layout.sidebar_w, layout.pane_h), true);
  draw_sidebar_sections(document, ui);
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

  global_shortcuts(ui);
  menu_bar(document, ui, textures, requests);

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
    sidebar(document, ui, layout);
  } else {
    sidebar(document, ui, layout);
    ImGui::SameLine();
    splitter(ui, layout, scale);
    ImGui::SameLine();
    draw_image_pane(document, ui, textures, ImVec2(layout.image_w, layout.pane_h));
  }
  status_line(document, ui, textures);
  ImGui::End();
}
