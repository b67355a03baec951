#pragma once
// The desktop face's file dialogs: which file a menu item asks for, and the
// object that asks the user without stopping the frame loop.
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/file_dialog_description.h"

class FileBrowser;
class DialogThread;
class SystemFileDialog;

// One dialog at a time. The system's own dialog (Windows) or an external program
// runs on its own thread; without either the dialog is drawn in the window.
// Results are taken once per frame.
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
  std::unique_ptr<SystemFileDialog> system_;
  std::unique_ptr<FileBrowser> browser_;
};
