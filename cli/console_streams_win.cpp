#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "cli/console_streams.h"

namespace {

// A stream whose descriptor does not yet hold the standard handle (a window
// program started from a console) is moved onto it; one with no handle at all
// goes to the console directly. Failures leave the stream as it was.
void bind_stream(std::FILE* stream, DWORD which) {
  const int fd = _fileno(stream);
  HANDLE handle = GetStdHandle(which);
  if (fd >= 0 && handle != nullptr && handle != INVALID_HANDLE_VALUE) {
    if (_get_osfhandle(fd) != reinterpret_cast<intptr_t>(handle)) {
      int bound = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
      if (bound >= 0) _dup2(bound, fd);
      std::setvbuf(stream, nullptr, _IONBF, 0);
    }
  } else if (std::freopen("CONOUT$", "w", stream) != nullptr) {
    std::setvbuf(stream, nullptr, _IONBF, 0);
  }
  if (_fileno(stream) >= 0) _setmode(_fileno(stream), _O_BINARY);
}

// Standard input gets the inherited handle the same way, and binary mode:
// an image piped in must arrive byte for byte.
void bind_input() {
  const int fd = _fileno(stdin);
  HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
  if (fd >= 0 && handle != nullptr && handle != INVALID_HANDLE_VALUE &&
      _get_osfhandle(fd) != reinterpret_cast<intptr_t>(handle)) {
    int bound = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (bound >= 0) _dup2(bound, fd);
  }
  if (_fileno(stdin) >= 0) _setmode(_fileno(stdin), _O_BINARY);
}

}  // namespace

void attach_console_streams() {
  AttachConsole(ATTACH_PARENT_PROCESS);
  bind_input();
  bind_stream(stdout, STD_OUTPUT_HANDLE);
  bind_stream(stderr, STD_ERROR_HANDLE);
}
