#include <gtest/gtest.h>

#include "app/shell/desktop_main.h"
#include "app/shell/sidebar_layout.h"
#include "app/platform/display_scale.h"
#include "app/view/pixel_readout.h"
#include "app/view/zoom.h"

TEST(Zoom, ArrowsStepBetweenPresetsAndStopAtTheEnds) {
  EXPECT_FLOAT_EQ(next_zoom_in(0.67f), 1.0f);
  EXPECT_FLOAT_EQ(next_zoom_in(0.6701f), 1.0f);
  EXPECT_FLOAT_EQ(next_zoom_in(64.0f), 64.0f);
  EXPECT_FLOAT_EQ(next_zoom_in(0.3f), 0.33f);
  EXPECT_FLOAT_EQ(next_zoom_out(1.0f), 0.67f);
  EXPECT_FLOAT_EQ(next_zoom_out(0.05f), 0.05f);
  EXPECT_FLOAT_EQ(next_zoom_out(100.0f), 64.0f);
}

TEST(Zoom, WheelKeepsTheImagePointUnderTheCursor) {
  float scale = 1.0f, pan_x = 10.0f, pan_y = -4.0f;
  const float mouse_x = 300.0f, mouse_y = 200.0f;
  float under_x = (mouse_x - pan_x) / scale, under_y = (mouse_y - pan_y) / scale;
  for (int notch = 0; notch < 3; ++notch) {
    WheelZoom z = wheel_zoom(scale, pan_x, pan_y, mouse_x, mouse_y, 1.0f);
    scale = z.scale, pan_x = z.pan_x, pan_y = z.pan_y;
  }
  EXPECT_NEAR(scale, 1.520875f, 1e-5);
  EXPECT_NEAR((mouse_x - pan_x) / scale, under_x, 1e-3);
  EXPECT_NEAR((mouse_y - pan_y) / scale, under_y, 1e-3);
  EXPECT_FLOAT_EQ(wheel_zoom(60.0f, 0, 0, 0, 0, 5.0f).scale, 64.0f);
  // Side by side with nothing to fill: a scale of 1, never 0 or less.
  EXPECT_FLOAT_EQ(fitted_scale(0.0f, 500.0f, 100.0f, 100.0f, 2, 8.0f), 1.0f);
  EXPECT_FLOAT_EQ(fitted_scale(416.0f, 500.0f, 100.0f, 100.0f, 2, 8.0f), 2.0f);
}

TEST(PixelReadout, NamesThePixelItsColourAndItsPaletteEntry) {
  PixelBytes source(10 * 10 * 4, 200);
  source[3] = 255;                  // pixel 0 opaque
  source[(1 * 10 + 2) * 4 + 3] = 7;  // pixel (2, 1) translucent
  QuantResult result;
  EXPECT_EQ(pixel_readout(source, 10, 10, result, 0.0f, 0.0f, 1.0f).text, "0, 0   200, 200, 200");
  EXPECT_EQ(pixel_readout(source, 10, 10, result, 3.9f, 0.0f, 4.0f).text, "0, 0   200, 200, 200");
  EXPECT_EQ(pixel_readout(source, 10, 10, result, 2.5f, 1.0f, 1.0f).text, "2, 1   200, 200, 200, a7");
  EXPECT_EQ(pixel_readout(source, 10, 10, result, 40.0f, 0.0f, 4.0f).text, "");
  EXPECT_EQ(pixel_readout(source, 10, 10, result, -0.5f, 0.0f, 1.0f).text, "");

  result.ok = result.indices_available = true;
  result.width = result.height = 10;
  result.indices.assign(100, 1);
  result.indices[99] = 5;  // past the palette
  result.palette_count = 2;
  result.palette[4] = 9, result.palette[5] = 8, result.palette[6] = 7, result.palette[7] = 255;
  PixelReadout readout = pixel_readout(source, 10, 10, result, 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(readout.text, "0, 0   200, 200, 200  ->  9, 8, 7  [1]");
  EXPECT_EQ(readout.palette_index, 1);
  EXPECT_EQ(pixel_readout(source, 10, 10, result, 9.5f, 9.5f, 1.0f).palette_index, -1);
}

TEST(SidebarLayout, KeepsBothSidesUsableAndFollowsTheDrag) {
  SidebarLayout wide = sidebar_layout(1400, 860, 24, 8, 4, 300, 1.0f);
  EXPECT_FLOAT_EQ(wide.pane_h, 832);
  EXPECT_FLOAT_EQ(wide.splitter_w, 6);
  EXPECT_FLOAT_EQ(wide.sidebar_w, 300);
  EXPECT_FLOAT_EQ(wide.image_w, 1400 - 300 - 6 - 16);
  // A narrow window squeezes the sidebar before the image pane's 160 pixels.
  SidebarLayout narrow = sidebar_layout(500, 400, 24, 8, 4, 900, 1.0f);
  EXPECT_FLOAT_EQ(narrow.sidebar_w, 500 - 6 - 16 - 160);
  EXPECT_FLOAT_EQ(sidebar_layout(300, 400, 24, 8, 4, 900, 2.0f).sidebar_w, 360);
  EXPECT_FLOAT_EQ(dragged_sidebar_width(300, 40, false, 1.0f), 340);
  EXPECT_FLOAT_EQ(dragged_sidebar_width(300, 40, true, 2.0f), 180);
  EXPECT_FLOAT_EQ(dragged_sidebar_width(1000, 400, false, 1.0f), 900);
}

TEST(DesktopStart, CommandLineImageAndDisplayScale) {
  char program[] = "brisel_quantizer", quoted[] = "\"/tmp/a b.png\"", one[] = "\"", plain[] = "x.png";
  char* with_quotes[] = {program, quoted};
  char* single[] = {program, one};
  char* none[] = {program};
  char* two[] = {program, plain, plain};
  EXPECT_EQ(command_line_image(2, with_quotes), "/tmp/a b.png");
  EXPECT_EQ(command_line_image(2, single), "\"");
  EXPECT_EQ(command_line_image(1, none), "");
  EXPECT_EQ(command_line_image(3, two), "x.png x.png");

  EXPECT_FLOAT_EQ(dpi_scale_from_resources("Xcursor.size:\t24\nXft.dpi:\t144\n"), 1.5f);
  EXPECT_FLOAT_EQ(dpi_scale_from_resources("Xft.antialias:\t1\n"), 1.0f);
  EXPECT_FLOAT_EQ(dpi_scale_from_resources("Xft.dpi:\tbig\n"), 1.0f);
}
