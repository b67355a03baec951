#include "io/io_status.h"

#include <cerrno>
#include <cstring>

namespace {

const char* code_words(IoCode code) {
  switch (code) {
    case IoCode::kOk: return "";
    case IoCode::kNoSuchFile: return "no such file";
    case IoCode::kIsDirectory: return "is a directory";
    case IoCode::kNotRegularFile: return "not a regular file";
    case IoCode::kPermissionDenied: return "permission denied";
    case IoCode::kUnrecognised: return "unsupported or corrupt image format";
    case IoCode::kNoFrame: return "image has no decodable frame";
    case IoCode::kCannotConvert: return "could not convert the image to RGBA";
    case IoCode::kNoSize: return "image has no size";
    case IoCode::kUnreadablePixels: return "could not read the pixels";
    case IoCode::kTooLarge:
    case IoCode::kOutOfMemory: return "image is too large";
    case IoCode::kCannotWrite: return "could not open output for writing";
    case IoCode::kOutputExists: return "exists; not overwriting (use -f)";
    // Every writer failure but the file's own is reported as the codec's.
    case IoCode::kBadArguments:
    case IoCode::kEncoderNoMemory:
    case IoCode::kCodecFailed: return "libpng failed to write the image";
    case IoCode::kNoPalette: return "no palette yet";
    case IoCode::kCannotCreateFile: return "could not open the file for writing";
  }
  return "unsupported or corrupt image format";
}

}  // namespace

std::string io_message(IoStatus status) {
  std::string message = code_words(status.code);
  if (status.system_error != 0 && !status.ok()) {
    message += ": ";
    message += std::strerror(status.system_error);
  }
  return message;
}

IoStatus io_system_failure(IoCode code) { return IoStatus(code, errno); }
