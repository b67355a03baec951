// Linux desktops offer their dialogs as programs (zenity), which the shell runs.
#include "app/platform/system_file_dialog.h"

struct SystemFileDialog::State {};

SystemFileDialog::SystemFileDialog() = default;
SystemFileDialog::~SystemFileDialog() = default;

bool SystemFileDialog::start(const FileDialogDescription&, const std::string&, std::function<void(std::string)>) {
  return false;
}
