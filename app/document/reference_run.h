#pragma once
// The reference comparison: another quantizer of the same family run on the source
// with the same colour count, speed and dithering, its output loaded and measured.
#include <string>
#include <vector>

#include "app/document/document.h"

inline constexpr int kReferenceTimeoutMs = 30000;
inline constexpr const char* kReferenceSuffix = "-ref.png";  // the output's name: input minus ".png", plus this

// The command line: program, "--force", "--speed", N, "--ext", "-ref.png", "--nofs"
// when dithering is off, the colour count, the input path.
std::vector<std::string> reference_arguments(const std::string& program,
                                             const QuantizerOptions& options,
                                             const std::string& input_path);

// Writes the source to a temporary PNG, runs the program on it for at most
// `timeout_ms` and loads what it wrote. ok only when an image of the source's size
// came back; then the pixels, gamma, file size and the error figures are filled
// (not the seconds: the caller times the run). Both temporary files are removed.
QuantResult run_reference(const ReferenceRequest& request, int timeout_ms = kReferenceTimeoutMs);
