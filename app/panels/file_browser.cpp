#include "app/panels/file_browser.h"

#include <imgui.h>
#include <imgui_stdlib.h>

#include <filesystem>

#include "app/platform/key_codes.h"
#include "app/ui/translate.h"

namespace fs = std::filesystem;

namespace {

std::string filter_label(const FileFilter& filter) {
  std::string label = translate(filter.name);
  label += " (";
  for (std::size_t i = 0; i < filter.patterns.size(); ++i) label += (i > 0 ? ", " : "") + std::string(filter.patterns[i]);
  return label + ")";
}

bool key_pressed(int key) { return ImGui::IsKeyPressed(key, false); }

}  // namespace

FileBrowser::FileBrowser(const FileDialogDescription& description, const std::string& folder)
    : description_(description) {
  std::error_code error;
  fs::path start = !folder.empty() && fs::is_directory(folder, error) ? fs::path(folder) : fs::current_path(error);
  if (start.empty()) start = "/";
  if (description.save) typed_ = description.initial_name;
  enter(start.string());
}

void FileBrowser::enter(const std::string& folder) {
  folder_ = clean_folder(folder);
  listing_ = list_folder(folder_, description_.filters[filter_]);
  message_ = listing_.readable ? std::string() : translate("This folder cannot be read.");
  if (!description_.save) typed_.clear();
}

void FileBrowser::ok() {
  FileChoice choice = choose_file(description_, folder_, typed_);
  message_ = choice.message;
  switch (choice.kind) {
    case FileChoice::refuse: break;
    case FileChoice::enter_folder:
      if (description_.save) typed_ = description_.initial_name;
      enter(choice.path);
      break;
    case FileChoice::accept: finish(choice.path); break;
    case FileChoice::ask_replace: replacing_ = choice.path; break;
  }
}

void FileBrowser::finish(std::string path) {
  chosen_ = std::move(path);
  done_ = true;
  ImGui::CloseCurrentPopup();  // called between the popup's begin and end
}

bool FileBrowser::draw() {
  if (done_) return true;
  std::string id = std::string(translate(description_.title)) + "##file_browser";
  if (!opened_) {
    ImGui::OpenPopup(id.c_str());
    opened_ = true;
  }
  float font = ImGui::GetFontSize();
  ImGui::SetNextWindowSize(ImVec2(44 * font, 30 * font), ImGuiCond_Appearing);
  ImVec2 centre = ImGui::GetMainViewport()->GetCenter();
  ImGui::SetNextWindowPos(centre, ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
  if (!ImGui::BeginPopupModal(id.c_str(), nullptr, ImGuiWindowFlags_NoSavedSettings)) {
    chosen_.clear();  // closed from outside
    done_ = true;
    return true;
  }
  bool asking = !replacing_.empty();
  ImGui::TextUnformatted(folder_.c_str());

  float rows_below = 3 * ImGui::GetFrameHeightWithSpacing() + ImGui::GetTextLineHeightWithSpacing();
  ImVec2 lists(ImGui::GetContentRegionAvail().x, ImGui::GetContentRegionAvail().y - rows_below);
  std::string entered;
  ImGui::BeginChild("##folders", ImVec2(lists.x * 0.35f, lists.y), true);
  for (const std::string& name : listing_.folders)
    if (ImGui::Selectable((name + "/").c_str())) entered = name;
  ImGui::EndChild();
  ImGui::SameLine();
  ImGui::BeginChild("##files", ImVec2(0, lists.y), true);
  bool picked = false;
  for (const std::string& name : listing_.files)
    if (ImGui::Selectable(name.c_str(), typed_ == name, ImGuiSelectableFlags_AllowDoubleClick)) {
      typed_ = name;
      picked = ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left);
    }
  ImGui::EndChild();
  if (!entered.empty()) enter((fs::path(folder_) / entered).string());

  ImGui::SetNextItemWidth(-1);
  if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
  ImGui::InputText("##path", &typed_);
  ImGui::SetNextItemWidth(-1);
  if (ImGui::BeginCombo("##filter", filter_label(description_.filters[filter_]).c_str())) {
    for (int i = 0; i < static_cast<int>(description_.filters.size()); ++i)
      if (ImGui::Selectable(filter_label(description_.filters[i]).c_str(), i == filter_)) {
        filter_ = i;
        std::string keep = typed_;
        enter(folder_);
        typed_ = keep;
      }
    ImGui::EndCombo();
  }
  ImGui::TextUnformatted(message_.c_str());

  float button_w = 6 * font;
  ImGui::SetCursorPosX(ImGui::GetWindowContentRegionMax().x - 2 * button_w - ImGui::GetStyle().ItemSpacing.x);
  bool ok_pressed = ImGui::Button(translate(description_.save ? "Save" : "Open"), ImVec2(button_w, 0));
  ImGui::SameLine();
  bool cancel_pressed = ImGui::Button(translate("Cancel"), ImVec2(button_w, 0));

  if (!asking) {
    if (cancel_pressed || key_pressed(key_index(Key::escape)))
      finish({});
    else if (ok_pressed || picked || key_pressed(key_index(Key::enter)) || key_pressed(key_index(Key::keypad_enter)))
      ok();
  } else {
    ReplaceAnswer answer = ask_replace("##replace_browsed", replacing_);
    if (answer == ReplaceAnswer::replace) finish(replacing_);
    if (answer != ReplaceAnswer::pending) replacing_.clear();
  }
  ImGui::EndPopup();
  return done_;
}

ReplaceAnswer ask_replace(const char* id, const std::string& path) {
  std::string title = std::string(translate("Replace the file?")) + id;
  if (!ImGui::IsPopupOpen(title.c_str())) ImGui::OpenPopup(title.c_str());
  ReplaceAnswer answer = ReplaceAnswer::pending;
  if (!ImGui::BeginPopupModal(title.c_str(), nullptr, ImGuiWindowFlags_AlwaysAutoResize)) return ReplaceAnswer::keep;
  std::string question = with_path("%s already exists. Replace it?", path);
  ImGui::TextUnformatted(question.c_str());
  if (ImGui::Button(translate("Replace"))) answer = ReplaceAnswer::replace;
  ImGui::SameLine();
  if (ImGui::Button(translate("Keep it")) || ImGui::IsKeyPressed(key_index(Key::escape), false)) answer = ReplaceAnswer::keep;
  if (answer != ReplaceAnswer::pending) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
  return answer;
}
