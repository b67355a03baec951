#pragma once
// One batch run as the command line describes it, before any file is touched.
#include <string>
#include <vector>

#include "engine/quantizer_options.h"
#include "io/compression_effort.h"

struct BatchRequest {
  QuantizerOptions options;     // saved settings, then the command line in order
  std::string output_path;      // -o; empty means input name + suffix, "-" standard output
  std::string suffix = "-q.png";
  bool force = false;
  bool quiet = false;
  bool smallest = false;        // --smallest: slower writing, smaller files
  std::string pins_path;
  std::string palette_path;     // wins over pins_path
  std::string focus_map_path;
  std::string dither_map_path;
  double focus_weight = 1.0;    // only reaches the engine together with a focus map
  std::vector<std::string> inputs;  // "-" is standard input
};

enum class BatchParseOutcome {
  run,          // go on with `request`; `diagnostics` holds notices for stderr
  show_help,    // usage to stdout, exit 0
  show_version, // name and version to stdout, exit 0
  refuse,       // `diagnostics` to stderr, exit 1
};

struct BatchParseResult {
  BatchParseOutcome outcome = BatchParseOutcome::refuse;
  BatchRequest request;
  std::string diagnostics;
};

// True unless an argument after the program name is exactly "--defaults".
bool batch_reads_saved_settings(const std::vector<std::string>& arguments);

// Pure: `arguments` excludes the program name; `start` holds the options after
// the saved settings were applied.
BatchParseResult parse_batch_arguments(const std::vector<std::string>& arguments,
                                       const QuantizerOptions& start);

// Brings dither_strength within what the chosen dithering supports; returns
// the notice to print, or an empty text when nothing changed.
std::string limit_dither_strength(QuantizerOptions& options);

// Input name with its last extension replaced by the suffix; a dot inside a
// folder name, or at the start of the file name, is not an extension.
std::string batch_output_path(const std::string& input, const std::string& suffix);
