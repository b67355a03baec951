#include <gtest/gtest.h>

#include "app/document/document.h"
#include "tests/app/document_test_access.h"
#include "app/shell/interface_settings.h"
#include "tests/cli/run_program.h"

// Everything written at exit reads back the same, engine keys included.
TEST(InterfaceSettings, WhatIsWrittenReadsBack) {
  ScratchFolder scratch;
  std::string path = scratch.settings_file();
  UiState ui;
  ui.view = View::reference, ui.split_vertical = false, ui.split_first = SplitSide::reference, ui.zoom = 2.5f, ui.sidebar_right = true;
  ui.sidebar_w = 412.4f, ui.diff_gain = 12, ui.brush = 77, ui.theme = Theme::light, ui.language = "ja";
  ui.checkerboard = false;
  ui.sections = {false, true, true, false, true, false, false, true};
  ui.recent = {"/a.png", "/b c.png"};
  Document written;
  QuantizerOptions& options = DocumentTestAccess::options(written);
  options.colors = 17, options.dither_strength = 1.5, options.dither = 3;
  DocumentTestAccess::use(written, UseFlag::focus) = false, DocumentTestAccess::compare(written) = true;
  DocumentTestAccess::compare_path(written) = "/usr/bin/ref";
  WindowPlacement placement{10, 20, 800, 600, true};
  write_interface_settings(path, ui, written, &placement, 1.25f);

  UiState read;
  Document document;
  InterfaceSettings settings = read_interface_settings(path, read, document);
  EXPECT_EQ(settings.placement.x, 10);
  EXPECT_EQ(settings.placement.h, 600);
  EXPECT_TRUE(settings.placement.maximized);
  EXPECT_FLOAT_EQ(settings.ui_zoom, 1.25f);
  EXPECT_EQ(read.view, View::reference);
  EXPECT_FALSE(read.split_vertical);
  EXPECT_EQ(read.split_first, SplitSide::reference);
  EXPECT_FLOAT_EQ(read.zoom, 2.5f);
  EXPECT_TRUE(read.sidebar_right);
  EXPECT_FLOAT_EQ(read.sidebar_w, 412.0f);  // stored to the nearest integer
  EXPECT_EQ(read.diff_gain, 12);
  EXPECT_FALSE(read.checkerboard);
  EXPECT_EQ(read.brush, 77);
  EXPECT_EQ(read.language, "ja");
  EXPECT_EQ(read.sections, ui.sections);
  EXPECT_EQ(read.recent, ui.recent);
  EXPECT_FALSE(read.paledit_known);
  EXPECT_EQ(document.options().colors, 17u);
  EXPECT_DOUBLE_EQ(document.options().dither_strength, 1.5);
  EXPECT_FALSE(document.use(UseFlag::focus));
  EXPECT_TRUE(document.compare());
  EXPECT_EQ(document.compare_path(), "/usr/bin/ref");
}

TEST(InterfaceSettings, StoredValuesAreKeptInRange) {
  ScratchFolder scratch;
  scratch.write_settings("[Brisel Quantizer]\nview=9\nzoom=0\nui_zoom=7\nsidebar_w=50\ndiff_gain=0\n"
                         "focus_brush=1000\nwindow_x=5\nwindow_w=399\nwindow_h=300\nrecent0=\nrecent1=/x.png\n"
                         "use_pins=1\ncompare=0\n");
  UiState ui;
  Document document;
  InterfaceSettings settings = read_interface_settings(scratch.settings_file(), ui, document);
  EXPECT_EQ(ui.view, View::ours_vs_reference);
  EXPECT_FLOAT_EQ(ui.zoom, 0.05f);
  EXPECT_FLOAT_EQ(settings.ui_zoom, 3.0f);
  EXPECT_FLOAT_EQ(ui.sidebar_w, 180.0f);
  EXPECT_EQ(ui.diff_gain, 1);
  EXPECT_EQ(ui.brush, 200);
  EXPECT_EQ(ui.recent, std::vector<std::string>{"/x.png"});
  EXPECT_FALSE(placement_usable(settings.placement));
  settings.placement.w = 400;
  EXPECT_TRUE(placement_usable(settings.placement));
  // Sections without a stored state follow their feature.
  EXPECT_TRUE(ui.sections[5]);   // pins in use
  EXPECT_FALSE(ui.sections[2]);  // compare off
  EXPECT_TRUE(ui.sections[0]);
}

// A program the lookup found is not the user's choice: the next start looks again.
TEST(InterfaceSettings, AFoundReferenceProgramIsNotSaved) {
  ScratchFolder scratch;
  UiState ui;
  Document written, read;
  written.set_found_compare_path("/opt/bq/brisel-reference-ffmpeg");
  write_interface_settings(scratch.settings_file(), ui, written, nullptr, 1.0f);
  read_interface_settings(scratch.settings_file(), ui, read);
  EXPECT_EQ(read.compare_path(), "");
  written.set_compare(true, "/opt/mine");  // chosen by the user: kept
  write_interface_settings(scratch.settings_file(), ui, written, nullptr, 1.0f);
  read_interface_settings(scratch.settings_file(), ui, read);
  EXPECT_EQ(read.compare_path(), "/opt/mine");
}
