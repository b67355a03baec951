#pragma once
// The file dialog the window draws itself when no dialog program is installed:
// a modal popup with the folder, its sub-folders, the files the chosen filter
// lets through and a path field.
#include <string>

#include "app/panels/file_browser_model.h"

class FileBrowser {
 public:
  // Starts in `folder`, or in the working folder when that is not a folder.
  FileBrowser(const FileDialogDescription& description, const std::string& folder);

  // Inside the ImGui frame; true once the user has chosen or cancelled.
  bool draw();
  // The chosen file; empty when cancelled.
  const std::string& chosen() const { return chosen_; }

 private:
  void enter(const std::string& folder);
  void ok();
  void finish(std::string path);

  const FileDialogDescription& description_;
  std::string folder_;
  int filter_ = 0;
  FolderListing listing_;
  std::string typed_;
  std::string message_;
  std::string replacing_;  // the existing file an OK asks about
  bool opened_ = false;
  bool done_ = false;
  std::string chosen_;
};

enum class ReplaceAnswer { pending, replace, keep };

// The question before a save overwrites `path`, as a modal popup; asked again
// each frame until answered.
ReplaceAnswer ask_replace(const char* id, const std::string& path);
