#include "app/ui/file_dialog_description.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "app/ui/translate.h"

namespace fs = std::filesystem;

namespace {

const FileFilter kAllFiles{"All files", {"*"}};
const FileFilter kPaletteFilesAll{"Palette files", {"*.txt", "*.pal", "*.gpl", "*.hex", "*.png"}};

const FileDialogDescription kDescriptions[] = {
    {"Open image", false,
     {{"Images", {"*.png", "*.jpg", "*.jpeg", "*.bmp", "*.gif", "*.tif", "*.tiff", "*.webp", "*.heic"}},
      {"PNG images", {"*.png"}},
      kAllFiles},
     "png", "", "image"},
    {"Save quantized image", true, {{"PNG images", {"*.png"}}, kAllFiles}, "png", "quantized.png", "quantized"},
    {"Load pins", false, {kPaletteFilesAll, kAllFiles}, "txt", "", "pins"},
    {"Save pins", true, {kPaletteFilesAll, kAllFiles}, "txt", "pins.txt", "pins"},
    {"Load palette", false, {kPaletteFilesAll, kAllFiles}, "txt", "", "palette"},
    {"Save palette", true, {{"Palette files", {"*.txt", "*.pal", "*.gpl"}}, kAllFiles}, "txt", "palette.txt",
     "palette"},
    {"Choose the reference program", false, {{"Programs", {"*"}, true}, kAllFiles}, "", "", "program"},
};

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Zenity compares patterns with case; names written on other systems often shout.
std::string zenity_filter(const FileFilter& filter) {
  std::string option = std::string("--file-filter=") + translate(filter.name) + " |";
  for (const char* pattern : filter.patterns) {
    option += std::string(" ") + pattern;
    std::string shouted = upper(pattern);
    if (shouted != pattern) option += " " + shouted;
  }
  return option;
}

}  // namespace

const FileDialogDescription& describe(FileDialogPurpose purpose) {
  return kDescriptions[static_cast<int>(purpose)];
}

std::string with_default_extension(const std::string& path, const char* extension) {
  if (extension == nullptr || *extension == '\0' || path.empty()) return path;
  fs::path name = fs::path(path).filename();
  if (name.empty() || name.has_extension()) return path;
  return path + "." + extension;
}

std::string accepted_path(const FileDialogDescription& description, std::string printed) {
  printed = printed.substr(0, printed.find('\n'));
  if (!printed.empty() && printed.back() == '\r') printed.pop_back();
  if (printed.empty()) return {};
  std::error_code error;
  fs::path path = fs::absolute(printed, error);
  if (error) return {};
  if (!description.save) return fs::is_regular_file(path, error) ? path.string() : std::string();
  path = with_default_extension(path.string(), description.default_extension);
  if (!fs::is_directory(path.parent_path(), error) || fs::is_directory(path, error)) return {};
  return path.string();
}

std::vector<std::string> dialog_command(const FileDialogDescription& description,
                                        const std::string& stand_in, const std::string& folder) {
  if (!stand_in.empty()) {
    std::string initial = *description.initial_name != '\0' ? description.initial_name : "-";
    return {stand_in, description.save ? "save" : "open", description.word, initial};
  }
  std::vector<std::string> command{"zenity", "--file-selection",
                                   std::string("--title=") + translate(description.title)};
  std::string start = folder.empty() ? std::string() : (fs::path(folder) / "").string();
  if (description.save) {
    command.push_back("--save");
    command.push_back("--confirm-overwrite");
    start += description.initial_name;
  }
  if (!start.empty()) command.push_back("--filename=" + start);
  for (const FileFilter& filter : description.filters)
    if (!filter.executables_only) command.push_back(zenity_filter(filter));
  return command;
}
