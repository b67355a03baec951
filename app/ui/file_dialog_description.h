#pragma once
// What each file dialog asks for: its purpose, title, filters and the rules its
// answer must pass; shared by the dialog programs and the in-app browser.
#include <string>
#include <vector>

enum class FileDialogPurpose {
  open_image,
  save_image,  // the quantized result
  load_pins,
  save_pins,
  load_palette,
  save_palette,
  reference_program,
};

struct FileFilter {
  const char* name;
  std::vector<const char*> patterns;  // "*.png" style; "*" matches every name
  bool executables_only = false;      // programs have no extension here: the file mode tells
};

struct FileDialogDescription {
  const char* title;
  bool save;
  std::vector<FileFilter> filters;
  const char* default_extension;  // without the dot; empty for none
  const char* initial_name;       // offered when saving; empty for none
  const char* word;               // names the purpose to a stand-in dialog program
};

const FileDialogDescription& describe(FileDialogPurpose purpose);

struct FileDialogResult {
  FileDialogPurpose purpose;
  std::string path;  // empty when the user cancelled
};

// The name a save ends with: the default extension is added when the chosen
// file name has none.
std::string with_default_extension(const std::string& path, const char* extension);

// The path a dialog program printed, checked against the dialog's rules: an
// open needs an existing file, a save an existing folder and no folder of that
// name. Empty when the choice cannot be used (taken as cancelled).
std::string accepted_path(const FileDialogDescription& description, std::string printed);

// The command line for an external dialog: `stand_in` (when not empty) gets
// `<open|save> <purpose word> <initial name or ->`, otherwise zenity gets its
// --file-selection options. `folder` (may be empty) is where the dialog starts.
std::vector<std::string> dialog_command(const FileDialogDescription& description,
                                        const std::string& stand_in, const std::string& folder);
