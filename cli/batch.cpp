#include "cli/batch.h"

#include <cstdio>
#include <vector>

#include "cli/batch_request.h"
#include "cli/batch_runner.h"
#include "cli/console_streams.h"
#include "cli/program_version.h"
#include "io/settings.h"

int run_batch(int argc, char** argv, const std::string& settings_path) {
  attach_console_streams();
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);

  QuantizerOptions options;
  if (batch_reads_saved_settings(arguments)) load_engine_settings(settings_path, options);

  BatchParseResult parsed = parse_batch_arguments(arguments, options);
  if (parsed.outcome == BatchParseOutcome::show_help) {
    std::fputs(batch_usage_text(), stdout);
    return 0;
  }
  if (parsed.outcome == BatchParseOutcome::show_version) {
    std::printf("brisel_quantizer (Brisel Quantizer) %s\n", kProgramVersion);
    return 0;
  }
  std::fputs(parsed.diagnostics.c_str(), stderr);
  if (parsed.outcome == BatchParseOutcome::refuse) return 1;
  return run_batch_request(parsed.request);
}
