// Windows implementation: a console control handler (Ctrl+C, Ctrl+Break, the
// console window closing) removes the registered files and then lets the
// default handler end the process. The files are open for deleting, so the
// removal holds even while a write is under way.
#include <windows.h>

#include <mutex>

#include "io/interrupt_cleanup.h"
#include "io/interrupt_slots.h"

namespace {

std::once_flag g_handler_installed;

void delete_path(const char* path) { DeleteFileA(path); }

BOOL WINAPI remove_and_pass_on(DWORD) {
  remove_registered_files(delete_path);
  return FALSE;  // the next handler, in the end the default one, ends the process
}

}  // namespace

int remove_on_interrupt(const std::string& path) {
  if (path.empty()) return -1;
  std::call_once(g_handler_installed, [] { SetConsoleCtrlHandler(remove_and_pass_on, TRUE); });
  return claim_interrupt_slot(path);
}

void forget_on_interrupt(int slot) { release_interrupt_slot(slot); }
