#include "app/testing/hook_driver.h"


#include <imgui.h>

#include <algorithm>
#include <cstring>

#include "app/document/document.h"
#include "app/document/save_result.h"
#include "app/panels/palette_editor.h"
#include "app/panels/palette_entry_edit.h"
#include "app/testing/scripted_input.h"
#include "app/ui/clipboard_actions.h"
#include "app/ui/interface_scale.h"
#include "app/ui/palette_actions.h"
#include "app/ui/ui_state.h"

namespace {

constexpr int kResultWaitFrames = 600;  // frames a save or copy waits for a result
constexpr int kSplitterTestLastFrame = 49;

std::FILE* open_log(const std::optional<std::string>& path) {
  return path ? std::fopen(path->c_str(), "w") : nullptr;
}

void close_log(std::FILE*& log) {
  if (log != nullptr) std::fclose(log);
  log = nullptr;
}

// The wheel test turns in on frames 10..39 and out on 50..79, every third frame.
float wheel_notches_at(int frame) {
  if (frame % 3 != 0) return 0.0f;
  if (frame >= 10 && frame <= 39) return 1.0f;
  if (frame >= 50 && frame <= 79) return -1.0f;
  return 0.0f;
}

void set_key(ImGuiIO& io, int index, bool down) {
  if (index >= 0 && index < static_cast<int>(IM_ARRAYSIZE(io.KeysDown))) io.KeysDown[index] = down;
}

}  // namespace

HookDriver::HookDriver(ScriptHooks hooks) : hooks_(std::move(hooks)) {
  wheel_log_ = open_log(hooks_.wheel_test);
  splitter_log_ = open_log(hooks_.splitter_test);
}

HookDriver::~HookDriver() {
  close_log(wheel_log_);
  close_log(splitter_log_);
}

void HookDriver::apply_presets(UiState& ui, Document& document) {
  if (hooks_.compare) {
    std::string program = *hooks_.compare;
    bool builtin = program.size() == 7 && strncasecmp(program.c_str(), "builtin", 7) == 0;
    document.set_compare(true, builtin ? std::string() : program);
    if (builtin) ui.status = "Built without libvarnel: no built-in reference, using the external one";
  }
  if (hooks_.view) ui.view = static_cast<View>(*hooks_.view);
  QuantizerOptions options = document.options();
  bool options_changed = false;
  if (hooks_.dither) {
    options.dither = *hooks_.dither;
    options_changed = true;
  }
  if (hooks_.split) {
    ui.split_first = static_cast<SplitSide>(hooks_.split->first);
    ui.split_second = static_cast<SplitSide>(hooks_.split->second);
  }
  if (hooks_.zoom) {
    ui.zoom = *hooks_.zoom;
    ui.fit_to_window = false;
  }
  if (hooks_.sidebar_right) ui.sidebar_right = *hooks_.sidebar_right;
  if (hooks_.sidebar_w) ui.sidebar_w = *hooks_.sidebar_w;
  if (hooks_.sections) ui.sections = *hooks_.sections;
  if (hooks_.split_pos) ui.split_pos = *hooks_.split_pos;
  if (hooks_.split_vertical) ui.split_vertical = *hooks_.split_vertical;
  if (hooks_.colors) {
    options.colors = static_cast<std::uint32_t>(*hooks_.colors);
    options_changed = true;
  }
  ui.settings_scroll = hooks_.settings_scroll;
  if (hooks_.focus) {
    const ScriptDab& dab = *hooks_.focus;
    document.paint_dab(kFocusLayer, dab.x, dab.y, dab.radius, 1.0f);
    ui.overlay_dirty[kFocusLayer] = true;
    options.focus_weight = dab.value;
    options_changed = true;
    ui.tool = Tool::paint_focus;
  }
  if (hooks_.dither_map) {
    const ScriptDab& dab = *hooks_.dither_map;
    document.paint_dab(kDitherLayer, dab.x, dab.y, dab.radius, static_cast<float>(dab.value));
    ui.overlay_dirty[kDitherLayer] = true;
    ui.tool = Tool::paint_dither;
    document.request_run();
  }
  if (options_changed) document.set_options(options);
  if (hooks_.pin_file) {
    ui.status = load_pins_from_file(document, *hooks_.pin_file);
    ui.picking = true;
  }
  if (hooks_.palette_file) ui.status = load_palette_from_file(document, *hooks_.palette_file);
  if (hooks_.pins) {
    for (const auto& [x, y] : *hooks_.pins) document.pin_at(x, y);
    ui.picking = true;
    document.request_run();
  }
}

void HookDriver::before_frame(int frame, UiState& ui, Document& document) {
  if (hooks_.scroll && !scroll_done_ && document.width() != 0) {
    ui.pan[0] = -hooks_.scroll->first;
    ui.pan[1] = -hooks_.scroll->second;
    ui.fit_to_window = false;
    scroll_done_ = true;
  }
  // A result published but not yet taken makes the shown one stale.
  bool ready = document.result().ok && !document.run_requested() && !document.busy() &&
               !document.result_waiting();
  const bool palette_shown = ui.sections[section_index(Section::palette)];
  if (ready && palette_shown && hooks_.palette_open && !palette_open_done_ &&
      static_cast<std::uint32_t>(*hooks_.palette_open) < document.result().palette_count) {
    palette_open_done_ = true;
    open_palette_editor(document, ui, *hooks_.palette_open);
  }
  if (ready && palette_shown && hooks_.palette_edit && !palette_edit_done_ &&
      static_cast<std::uint32_t>(hooks_.palette_edit->index) < document.result().palette_count) {
    palette_edit_done_ = true;
    const auto& c = hooks_.palette_edit->rgba;
    Rgba colour{static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]), static_cast<std::uint8_t>(c[2]),
                static_cast<std::uint8_t>(c[3])};
    change_palette_entry(document, hooks_.palette_edit->index, colour);
  }
  if (!hooks_.result_wait()) return;
  idle_results_ = ready ? idle_results_ + 1 : 0;
  if (idle_results_ > 9) {
    save_and_copy(ui, document);
    if (hooks_.fit_test && !fit_written_) {
      fit_written_ = true;
      if (std::FILE* log = open_log(hooks_.fit_test)) {
        std::fprintf(log, "overflow %.1f\n", ui.layout.sidebar_overflow);
        std::fclose(log);
      }
    }
    if (!hooks_.shot) finished_ = true;
  } else if (frame > kResultWaitFrames - 1 && idle_results_ == 0) {
    exit_code_ = 3;
    finished_ = true;
  }
}

void HookDriver::save_and_copy(UiState& ui, Document& document) {
  if (hooks_.save && !saved_) {
    ui.status = save_result_png(document, *hooks_.save);
    saved_ = true;
  }
  if (hooks_.copy && !copied_) {
    ui.status = copy_quantized_image(document);
    copied_ = true;
  }
  if (hooks_.copy_path && !copied_path_) {
    ui.status = copy_image_path(document);
    copied_path_ = true;
  }
}

void HookDriver::inject_input(int frame) {
  ImGuiIO& io = ImGui::GetIO();
  // Scripted runs count time in frames: on a slow machine a key held for two
  // frames would otherwise repeat, and a double click fall apart.
  if (hooks_.automation_mode()) io.DeltaTime = 1.0f / 60.0f;
  if (hooks_.wheel_test && wheel_point_known_) {
    io.MousePos = ImVec2(wheel_point_x_, wheel_point_y_);
    io.MouseWheel = wheel_notches_at(frame);
  }
  if (hooks_.splitter_test && splitter_point_known_ && frame >= 20) {
    io.MousePos = ImVec2(splitter_point_x_ + 4.0f * std::min(std::max(frame - 22, 0), 20), splitter_point_y_);
    io.MouseDown[0] = frame >= 21 && frame <= 44;
  }

  ScriptedKeyState key = scripted_key_at(hooks_, frame);
  if (key.active) {
    bool is_alt = false;
    int index = key_index_for_virtual_key(key.virtual_key, &is_alt);
    set_key(io, index, key.down);
    io.KeyAlt = key.down && (key.alt || is_alt);
    io.KeyCtrl = key.down && key.ctrl;
    io.KeyShift = key.down && key.shift;
    if (key.wheel != 0.0f) io.MouseWheel = key.wheel;
  }
  ScriptedMouseState mouse = scripted_mouse_at(hooks_, frame);
  if (mouse.active) {
    io.MousePos = ImVec2(mouse.x, mouse.y);
    io.MouseDown[mouse.right ? 1 : 0] = mouse.down;
  }
}

bool HookDriver::screenshot_due(int frame) const {
  return hooks_.shot && frame + 1 >= hooks_.end_frame();
}

void HookDriver::after_frame(int frame, UiState& ui, Document& document) {
  const FrameLayout& layout = ui.layout;
  if (hooks_.requant_frame && !requant_done_ && frame == *hooks_.requant_frame) {
    requant_done_ = true;
    if (document.options().colors > 2) {
      QuantizerOptions options = document.options();
      options.colors -= 1;
      document.set_options(options);
    }
  }
  if (wheel_log_ != nullptr && layout.pane_has_image) {
    if (!wheel_point_known_) {
      wheel_point_known_ = true;
      wheel_point_x_ = layout.pane_x + layout.pane_w / 2;
      wheel_point_y_ = layout.pane_y + layout.pane_h / 2;
    }
    std::fprintf(wheel_log_, "%d scale %.4f pan %.1f %.1f under %.2f %.2f\n", frame, layout.scale,
                 layout.pan_x, layout.pan_y,
                 (wheel_point_x_ - layout.origin_x - layout.pan_x) / layout.scale,
                 (wheel_point_y_ - layout.origin_y - layout.pan_y) / layout.scale);
  }
  if (hooks_.splitter_test) {
    if (!splitter_point_known_) {
      splitter_point_known_ = true;
      splitter_point_x_ = layout.splitter_x + layout.splitter_w / 2;
      splitter_point_y_ = layout.splitter_y + layout.splitter_h / 2;
    }
    if (splitter_log_ != nullptr) {
      ImGuiIO& io = ImGui::GetIO();
      std::fprintf(splitter_log_, "%d mouse %.1f down %d active %d sidebar_w %.2f drawn %.2f image %.2f ui %.2f\n",
                   frame, io.MousePos.x, io.MouseDown[0] ? 1 : 0, layout.splitter_active ? 1 : 0,
                   ui.sidebar_w, layout.sidebar_drawn_w, layout.image_pane_w, effective_scale());
    }
    if (frame >= kSplitterTestLastFrame) {
      close_log(splitter_log_);
      finished_ = true;
    }
  }
  if ((hooks_.shot || hooks_.wheel_test) && frame + 1 >= hooks_.end_frame()) {
    close_log(wheel_log_);
    finished_ = true;
  }
}
