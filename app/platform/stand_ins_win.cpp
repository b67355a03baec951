// Windows stand-ins for the clipboard and helper-program services, until their
// Windows twins arrive: no helper program starts (file dialogs are then drawn
// in the window, and no reference program runs) and the clipboard is not reached.
#include "app/platform/clipboard_owner.h"
#include "app/platform/clipboard_text.h"
#include "app/platform/output_program.h"
#include "app/platform/quiet_program.h"

struct ClipboardOwner::State {};

ClipboardOwner::ClipboardOwner() = default;
ClipboardOwner::~ClipboardOwner() = default;

bool ClipboardOwner::start(std::string& message) {
  message = "the clipboard is not available in this build";
  return false;
}

bool ClipboardOwner::running() const { return false; }

bool ClipboardOwner::offer(ClipboardOffer, std::string& message) {
  message = "the clipboard is not available in this build";
  return false;
}

void ClipboardOwner::stop() {}

bool set_system_clipboard_text(const std::string&) { return false; }
bool system_clipboard_has_text() { return false; }
std::string system_clipboard_text() { return {}; }

OutputProgram::~OutputProgram() = default;
bool OutputProgram::start(const std::vector<std::string>&) { return false; }
std::optional<std::string> OutputProgram::finish() { return std::nullopt; }
std::optional<std::string> OutputProgram::next_line() { return std::nullopt; }
void OutputProgram::stop() {}

bool program_on_path(const std::string&) { return false; }

ProgramEnd run_quiet_program(const std::vector<std::string>&, int, const std::atomic<bool>*) {
  return ProgramEnd::not_started;
}
