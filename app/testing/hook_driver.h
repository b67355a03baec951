#pragma once
// Plays a scripted run: presets at start-up, synthetic input at fixed frames,
// saving and copying once the result is ready, the logs of the zoom and splitter tests, and
// the frame at which the run ends.
#include <cstdio>
#include <string>

#include "app/testing/script_hooks.h"

class Document;
struct UiState;

class HookDriver {
 public:
  explicit HookDriver(ScriptHooks hooks);
  ~HookDriver();
  HookDriver(const HookDriver&) = delete;
  HookDriver& operator=(const HookDriver&) = delete;

  const ScriptHooks& hooks() const { return hooks_; }
  bool automation_mode() const { return hooks_.automation_mode(); }

  // Once, after the settings and the command-line image.
  void apply_presets(UiState& ui, Document& document);
  // Before the interface frame: result wait and saving.
  void before_frame(int frame, UiState& ui, Document& document);
  // After the backends' new frame, before the interface frame.
  void inject_input(int frame);
  // After the frame is drawn, before it is shown: whether to capture it now.
  bool screenshot_due(int frame) const;
  // After the frame (counter not yet advanced): logs and end conditions.
  void after_frame(int frame, UiState& ui, Document& document);

  bool finished() const { return finished_; }
  int exit_code() const { return exit_code_; }

 private:
  void save_and_copy(UiState& ui, Document& document);

  ScriptHooks hooks_;
  std::FILE* wheel_log_ = nullptr;
  std::FILE* splitter_log_ = nullptr;
  int idle_results_ = 0;
  bool saved_ = false;
  bool fit_written_ = false;
  bool copied_ = false;
  bool copied_path_ = false;
  bool requant_done_ = false;
  bool scroll_done_ = false;
  bool palette_open_done_ = false;
  bool palette_edit_done_ = false;
  bool wheel_point_known_ = false;
  float wheel_point_x_ = 0, wheel_point_y_ = 0;
  bool splitter_point_known_ = false;
  float splitter_point_x_ = 0, splitter_point_y_ = 0;
  bool finished_ = false;
  int exit_code_ = 0;
};
