#include <strings.h>

#include <cstdio>
#include <string>

#include "cli/batch.h"
#include "io/settings.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (strcasecmp(argv[i], "--nogui") == 0) return run_batch(argc, argv, settings_file_path());
  }
  // The desktop face comes later; until then say how to run the batch face.
  std::fputs(batch_usage_text(), stderr);
  return 1;
}
