#include <cstdio>

#include "app/crash_report.h"
#include "cli/batch.h"
#include "io/settings.h"

int main(int argc, char** argv) {
  install_crash_report();
  for (int i = 1; i < argc; ++i) {
    if (is_nogui_argument(argv[i])) return run_batch(argc, argv, settings_file_path());
  }
  // The desktop face comes later; until then say how to run the batch face.
  std::fputs(batch_usage_text(), stderr);
  return 1;
}
