#include "app/testing/self_test.h"

#include <cstdio>

#include "app/document/document.h"

namespace {

class Report {
 public:
  explicit Report(const std::string& path) : file_(std::fopen(path.c_str(), "w")) {}
  ~Report() {
    if (file_ != nullptr) std::fclose(file_);
  }
  bool open() const { return file_ != nullptr; }
  void check(bool passed, const char* name) { std::fprintf(file_, "%s %s\n", passed ? "PASS" : "FAIL", name); }

 private:
  std::FILE* file_;
};

void step(Document& document) {
  document.begin_frame();
  document.push_edit_step();
}

void set_colours(Document& document, std::uint32_t count) {
  QuantizerOptions options = document.options();
  options.colors = count;
  document.set_options(options);
}

// The rest value outside a small image, so its checks fail rather than read past the layer.
std::uint8_t dither_at(const Document& document, std::uint32_t x, std::uint32_t y) {
  const std::vector<std::uint8_t>& bytes = document.layer(kDitherLayer).bytes;
  std::size_t at = std::size_t{y} * document.width() + x;
  if (x >= document.width() || at >= bytes.size()) return kDitherRest;
  return bytes[at];
}

}  // namespace

bool run_self_test(Document& document, const std::string& report_path) {
  Report report(report_path);
  if (!report.open()) return false;
  const std::uint32_t first_colours = document.options().colors;
  const MapLayer& focus = document.layer(kFocusLayer);
  const MapLayer& dither = document.layer(kDitherLayer);

  step(document);
  set_colours(document, 16);
  step(document);
  document.pin_at(10, 10);
  step(document);
  document.paint_dab(kFocusLayer, 50, 50, 20, 1.0f);
  step(document);
  report.check(document.options().colors == 16 && document.pins().size() == 1 && !focus.empty, "three edits applied");

  bool undone = document.undo();
  report.check(undone && focus.empty && document.pins().size() == 1 && document.options().colors == 16,
               "undo skips the empty step and clears the stroke");
  undone = document.undo();
  report.check(undone && document.pins().empty() && focus.empty, "undo removes the pin");
  undone = document.undo();
  report.check(undone && document.options().colors == first_colours && !document.can_undo(), "undo restores the colours");
  report.check(!document.undo(), "nothing left to undo");

  bool redone = document.redo();
  report.check(redone && document.options().colors == 16 && document.pins().empty(), "redo the colours");
  redone = document.redo();
  report.check(redone && document.pins().size() == 1 && focus.empty, "redo the pin");
  redone = document.redo();
  report.check(redone && !focus.empty && !document.can_redo(), "redo the stroke");
  report.check(!document.redo(), "nothing left to redo");

  document.undo();
  step(document);
  set_colours(document, 32);
  report.check(!document.can_redo() && document.can_undo(), "a new edit after undo clears redo");

  report.check(dither.empty, "the dither layer starts unpainted");
  report.check(!dither.bytes.empty() && dither.bytes[0] == kDitherRest, "its rest value is 128");

  step(document);
  document.paint_dab(kDitherLayer, 50, 50, 20, 1.0f);
  report.check(!dither.empty && dither_at(document, 50, 50) > kDitherRest && focus.empty,
               "painting it up leaves focus alone");
  step(document);
  document.paint_dab(kDitherLayer, 50, 50, 20, -1.0f);
  report.check(dither_at(document, 50, 50) < kDitherRest, "painting it down goes below the rest");
  undone = document.undo();
  report.check(undone && dither_at(document, 50, 50) > kDitherRest, "undo takes the stroke back");
  document.clear_layer(kDitherLayer);
  report.check(dither.empty && dither_at(document, 50, 50) == kDitherRest, "clearing returns it to the rest value");
  return true;
}
