#pragma once
// The system's own file dialog, where the platform has one inside the program:
// it asks on a thread of its own, so the frame loop goes on meanwhile.
#include <functional>
#include <memory>
#include <string>

#include "app/ui/file_dialog_description.h"

class SystemFileDialog {
 public:
  SystemFileDialog();
  ~SystemFileDialog();  // closes a dialog still open and waits for its thread
  SystemFileDialog(const SystemFileDialog&) = delete;
  SystemFileDialog& operator=(const SystemFileDialog&) = delete;

  // False when the platform has none or it cannot start. `done` gets the chosen
  // path, empty when cancelled, on the dialog's thread. `folder` may be empty.
  bool start(const FileDialogDescription& description, const std::string& folder,
             std::function<void(std::string)> done);

  struct State;

 private:
  std::unique_ptr<State> state_;
};
