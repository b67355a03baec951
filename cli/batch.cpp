#include "cli/batch.h"

#include <cstdio>
#include <vector>

#include "cli/batch_request.h"

// Interim: parses and validates; quantizing lands with the file layer.
int run_batch(int argc, char** argv, const std::string&) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  BatchParseResult parsed = parse_batch_arguments(arguments, QuantizerOptions{});
  if (parsed.outcome == BatchParseOutcome::show_help) {
    std::fputs(batch_usage_text(), stdout);
    return 0;
  }
  std::fputs(parsed.diagnostics.c_str(), stderr);
  return 1;
}
