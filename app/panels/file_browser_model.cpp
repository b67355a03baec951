#include "app/panels/file_browser_model.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/ui/translate.h"

namespace fs = std::filesystem;

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool less_without_case(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return lower(x) < lower(y); });
}

bool executable(const fs::path& path) {
  std::error_code error;
  fs::perms perms = fs::status(path, error).permissions();
  if (error) return false;
  return (perms & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) != fs::perms::none;
}

}  // namespace

std::string with_path(const char* format, const std::string& path) {
  std::string text = translate(format);
  std::size_t at = text.find("%s");
  return at == std::string::npos ? text : text.replace(at, 2, path);
}

std::string clean_folder(const std::string& folder) {
  std::error_code error;
  fs::path path = fs::absolute(folder, error).lexically_normal();
  if (path.has_relative_path() && !path.has_filename()) path = path.parent_path();
  return path.string();
}

bool matches_pattern(std::string_view name, std::string_view pattern) {
  // Greedy match with one remembered star: linear enough for file names.
  std::size_t n = 0, p = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool matches_filter(const std::string& name, const std::string& path, const FileFilter& filter) {
  bool named = std::any_of(filter.patterns.begin(), filter.patterns.end(),
                           [&](const char* pattern) { return matches_pattern(name, pattern); });
  return named && (!filter.executables_only || executable(path));
}

FolderListing list_folder(const std::string& folder, const FileFilter& filter) {
  FolderListing listing;
  fs::path where(folder);
  std::error_code error;
  fs::directory_iterator it(where, fs::directory_options::skip_permission_denied, error);
  listing.readable = !error;
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code kind_error;
    if (it->is_directory(kind_error))
      listing.folders.push_back(name);
    else if (matches_filter(name, it->path().string(), filter))
      listing.files.push_back(name);
  }
  std::sort(listing.folders.begin(), listing.folders.end(), less_without_case);
  if (where.has_relative_path()) listing.folders.insert(listing.folders.begin(), "..");
  std::sort(listing.files.begin(), listing.files.end(), less_without_case);
  return listing;
}

FileChoice choose_file(const FileDialogDescription& description, const std::string& folder,
                       const std::string& typed) {
  FileChoice choice;
  if (typed.empty()) return choice;
  fs::path full = (fs::path(folder) / typed).lexically_normal();
  std::error_code error;
  if (fs::is_directory(full, error)) return {FileChoice::enter_folder, clean_folder(full.string()), {}};
  std::string path = accepted_path(description, full.string());
  if (path.empty()) {
    if (!description.save)
      choice.message = with_path("%s does not exist.", full.string());
    else if (fs::is_directory(with_default_extension(full.string(), description.default_extension), error))
      return {FileChoice::enter_folder, with_default_extension(full.string(), description.default_extension), {}};
    else
      choice.message = with_path("The folder %s does not exist.", full.parent_path().string());
    return choice;
  }
  bool exists = fs::exists(path, error);
  return {description.save && exists ? FileChoice::ask_replace : FileChoice::accept, path, {}};
}
