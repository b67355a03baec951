#include "app/program_entry.h"

#include "app/platform/crash_report.h"
#include "app/shell/desktop_main.h"
#include "cli/batch.h"
#include "io/settings.h"

int run_program(int argc, char** argv) {
  install_crash_report();
  for (int i = 1; i < argc; ++i) {
    if (is_nogui_argument(argv[i])) return run_batch(argc, argv, settings_file_path());
  }
  return run_desktop(argc, argv);
}
