#pragma once
// What a frame's widgets ask of the frame loop, done between frames.
#include <optional>

#include "app/ui/file_dialog_description.h"

struct FrameRequests {
  bool quit = false;  // File > Exit
  std::optional<FileDialogPurpose> dialog;  // a file to ask for, between frames
};
