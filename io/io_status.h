#pragma once
// How a file operation of io/ ended: one code per outcome, and one function
// giving the words each code shows to the user.
#include <string>

enum class IoCode : unsigned char {
  kOk,
  // reading images
  kNoSuchFile,        // nothing exists at the path
  kIsDirectory,       // a folder where a file was expected
  kNotRegularFile,    // a pipe, device or socket
  kPermissionDenied,  // the file exists but may not be read
  kUnrecognised,      // not a format we read, or its header is broken
  kNoFrame,           // a known format without a frame we can decode
  kCannotConvert,     // the frame's pixel layout cannot become RGBA
  kNoSize,            // zero width or height
  kUnreadablePixels,  // the data ends or breaks part way through
  kTooLarge,          // refused before allocating
  kOutOfMemory,       // the allocation itself failed
  // writing PNGs
  kBadArguments,      // missing rows or palette, zero size, index past the palette
  kCannotWrite,       // the output cannot be created or fully written
  kOutputExists,      // the output's name was taken and replacing it was not asked for
  kEncoderNoMemory,   // the compressor or codec could not get memory
  kCodecFailed,       // the codec refused the image
  // writing palette and pins files
  kNoPalette,
  kCannotCreateFile,
};

struct IoStatus {
  IoCode code = IoCode::kOk;
  int system_error = 0;  // the errno value behind the failure, 0 when none is known

  constexpr IoStatus() = default;
  // Implicit, so a function returning a status can simply return a code.
  constexpr IoStatus(IoCode failure, int error = 0) : code(failure), system_error(error) {}
  constexpr bool ok() const { return code == IoCode::kOk; }
};

// The code's words, followed by ": " and the system's reason when one is known;
// empty for kOk.
std::string io_message(IoStatus status);

// `code` with the reason the last failed system call left behind.
IoStatus io_system_failure(IoCode code);
