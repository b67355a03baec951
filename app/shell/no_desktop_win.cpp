// The Windows build has no window yet: started without --nogui it says so on
// the console it came from and ends with the desktop face's "no window" code.
#include <cstdio>

#include "app/shell/desktop_main.h"
#include "cli/console_streams.h"

int run_desktop(int, char**) {
  attach_console_streams();
  std::fputs("The window is not available in this build; use --nogui (see --nogui --help).\n",
             stderr);
  return 1;
}
