#pragma once
// What the in-app file dialog shows and what its OK button does, without drawing.
#include <string>
#include <string_view>
#include <vector>

#include "app/ui/file_dialog_description.h"

// A message with its "%s" replaced by the path, translated first.
std::string with_path(const char* format, const std::string& path);

// Absolute, without "." or ".." steps or a trailing separator, so its parent is one step up.
std::string clean_folder(const std::string& folder);

// "*" stands for any run of characters and "?" for one; letters match whatever their case.
bool matches_pattern(std::string_view name, std::string_view pattern);

// True when a file of that name (at `path`, for filters that look at the file mode) belongs to the filter.
bool matches_filter(const std::string& name, const std::string& path, const FileFilter& filter);

struct FolderListing {
  std::vector<std::string> folders;  // ".." first unless the folder is a root
  std::vector<std::string> files;    // only those the filter lets through
  bool readable = true;
};

// Names in `folder`, sorted without regard to case; hidden ones (a leading dot) are left out.
FolderListing list_folder(const std::string& folder, const FileFilter& filter);

struct FileChoice {
  enum Kind { refuse, enter_folder, accept, ask_replace } kind = refuse;
  std::string path;     // the folder to enter or the file chosen
  std::string message;  // why a choice was refused; empty when nothing was typed
};

// What OK does with the text typed in the path field, relative to `folder`.
FileChoice choose_file(const FileDialogDescription& description, const std::string& folder,
                       const std::string& typed);
