// The use-flags and what the settings file keeps of the Document.
#include <mutex>

#include "app/document/document.h"

bool& Document::use_flag(UseFlag flag) {
  switch (flag) {
    case UseFlag::pins: return use_pins_;
    case UseFlag::focus: return use_focus_;
    case UseFlag::dither_map: return use_dither_map_;
    case UseFlag::palette: break;
  }
  return use_palette_;
}

bool Document::use(UseFlag flag) const { return const_cast<Document*>(this)->use_flag(flag); }

void Document::set_use(UseFlag flag, bool on) {
  push_edit_step();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    use_flag(flag) = on;
  }
  request_run();
}

DocumentSettings Document::settings() const {
  DocumentSettings settings;
  settings.options = options_;
  settings.use_pins = use_pins_;
  settings.use_focus = use_focus_;
  settings.use_dither_map = use_dither_map_;
  settings.compare = compare_;
  settings.compare_path = compare_path_found_ ? std::string() : compare_path_;
  settings.diff_gain = diff_gain_;
  return settings;
}

void Document::apply_settings(const DocumentSettings& settings) {
  std::lock_guard<std::mutex> lock(mutex_);
  options_ = settings.options;
  use_pins_ = settings.use_pins;
  use_focus_ = settings.use_focus;
  use_dither_map_ = settings.use_dither_map;
  compare_ = settings.compare;
  compare_source_ = 1;  // the only source there is
  compare_path_ = settings.compare_path;
  compare_path_found_ = false;
  diff_gain_ = settings.diff_gain;
}
