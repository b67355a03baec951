#pragma once
// The desktop face's file dialogs: which file a menu item asks for, and the
// object that asks the user without stopping the frame loop.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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

class FileBrowser;
class DialogThread;

// One dialog at a time. An external program runs on its own thread; without
// one the dialog is drawn in the window. Results are taken once per frame.
//
// BRISEL_FILE_DIALOG, when set, names the program that stands in for the user
// (found on PATH like a command). It is run as
//   PROGRAM <open|save> <purpose word> <initial name, or "-" when there is none>
// with the purpose words image, quantized, pins, palette and program; its input
// is the null device and its error stream is dropped. The first line it prints
// is the chosen path; a non-zero exit status or no path means cancelled. Without
// the variable zenity is run; without zenity, or when the program cannot start,
// the in-app dialog is used.
//
// Every answer passes accepted_path: an open of a file that is not there, or a
// save into a missing folder, comes back as cancelled.
class FileDialogs {
 public:
  explicit FileDialogs(std::function<void()> wake = {});
  ~FileDialogs();
  FileDialogs(const FileDialogs&) = delete;
  FileDialogs& operator=(const FileDialogs&) = delete;

  // Called from the dialog's thread when a result is ready; must be thread-safe.
  void set_wake(std::function<void()> wake);

  // False when a dialog is already open. An image to open is looked for in the
  // folder of `current_image` (the image shown, may be empty); every other
  // dialog, and that one without an image, starts where the last file was chosen.
  bool start(FileDialogPurpose purpose, const std::string& current_image = {});
  // Inside the ImGui frame: draws the in-app dialog or a question about an
  // external choice; does nothing otherwise.
  void draw();
  std::optional<FileDialogResult> take();
  bool is_open() const;
  // Ends a running dialog program and forgets the dialog; nothing is woken afterwards.
  void close();

  // The external program in use: empty for the in-app dialog.
  static std::string external_program();

 private:
  void finish_external(std::string path);
  void wake();

  mutable std::mutex mutex_;  // guards the fields the dialog thread writes
  std::function<void()> wake_;
  std::optional<FileDialogPurpose> open_;
  std::optional<FileDialogResult> ready_;
  std::string question_path_;  // an external save's added extension names an existing file
  std::string folder_;         // where the last chosen file lay
  std::unique_ptr<DialogThread> thread_;
  std::unique_ptr<FileBrowser> browser_;
};
