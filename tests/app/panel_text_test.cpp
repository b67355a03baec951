// The small rules behind the menus, the Result section, the interface zoom and the overlays.
#include <gtest/gtest.h>

#include "app/document/map_layer.h"
#include "app/platform/system_theme.h"
#include "app/ui/interface_scale.h"
#include "app/ui/mnemonic.h"
#include "app/ui/result_figures.h"
#include "app/view/overlays.h"

TEST(Mnemonic, TheFirstSingleAmpersandMarksTheLetter) {
  MnemonicLabel exit = parse_mnemonic("E&xit");
  EXPECT_EQ(exit.shown, "Exit");
  EXPECT_EQ(exit.key, 'X');
  EXPECT_EQ(exit.position, 1u);

  // "&&" is a plain ampersand; the identifier suffix is kept and never read.
  MnemonicLabel doubled = parse_mnemonic("Salt && &pepper##id&z");
  EXPECT_EQ(doubled.shown, "Salt & pepper##id&z");
  EXPECT_EQ(doubled.key, 'P');
  EXPECT_EQ(doubled.position, 7u);

  // A trailing "&" and a label without one have no letter.
  EXPECT_EQ(parse_mnemonic("Tail&").key, 0);
  EXPECT_EQ(parse_mnemonic("Plain").key, 0);
  EXPECT_EQ(parse_mnemonic("&1  /tmp/a&&b.png##recent0").shown, "1  /tmp/a&b.png##recent0");
}

TEST(InterfaceZoom, StepsBetweenTheFixedValuesAndStopsAtTheEnds) {
  EXPECT_FLOAT_EQ(next_ui_zoom_in(1.0f), 1.1f);
  EXPECT_FLOAT_EQ(next_ui_zoom_in(1.05f), 1.1f);
  EXPECT_FLOAT_EQ(next_ui_zoom_in(2.5f), 2.5f);
  EXPECT_FLOAT_EQ(next_ui_zoom_out(1.0f), 0.9f);
  EXPECT_FLOAT_EQ(next_ui_zoom_out(1.05f), 1.0f);
  EXPECT_FLOAT_EQ(next_ui_zoom_out(0.7f), 0.7f);
  EXPECT_EQ(set_ui_zoom(3.0f), "Interface at 250%");
  EXPECT_FLOAT_EQ(interface_scale().ui_zoom, 2.5f);
  EXPECT_EQ(set_ui_zoom(1.0f), "Interface at 100%");
}

TEST(ResultFigures, SizesChangeUnitAtOneKibibyteAndOneMebibyte) {
  EXPECT_EQ(byte_size_text(1023), "1023 B");
  EXPECT_EQ(byte_size_text(1024), "1.0 KB");
  EXPECT_EQ(byte_size_text(1048575), "1024.0 KB");
  EXPECT_EQ(byte_size_text(1048576), "1.00 MB");
  EXPECT_EQ(ratio_text(250, 1000), "     ratio: 25.0% (75.0% smaller)");
  EXPECT_EQ(ratio_text(0, 1000), "");
  EXPECT_EQ(ratio_text(250, 0), "");
}

TEST(Overlays, FocusIsYellowAndTheDitherRestIsInvisible) {
  MapLayer layer;
  layer.bytes = {0, 128, 255};
  std::vector<std::uint8_t> rgba;
  overlay_pixels(layer, kFocusLayer, rgba);
  EXPECT_EQ(rgba, (std::vector<std::uint8_t>{255, 220, 80, 0, 255, 220, 80, 51, 255, 220, 80, 102}));
  overlay_pixels(layer, kDitherLayer, rgba);
  EXPECT_EQ(rgba, (std::vector<std::uint8_t>{90, 170, 255, 70, 90, 170, 255, 0, 255, 150, 60, 69}));
}

TEST(SystemTheme, PortalAndGnomeAnswersGiveThePreference) {
  EXPECT_EQ(portal_prefers_dark("(<<uint32 1>>,)\n"), std::optional<bool>(true));
  EXPECT_EQ(portal_prefers_dark("(<<uint32 2>>,)\n"), std::optional<bool>(false));
  EXPECT_EQ(portal_prefers_dark("(<<uint32 0>>,)\n"), std::optional<bool>(false));  // no preference: the default look
  EXPECT_EQ(portal_prefers_dark("Error: no such key"), std::nullopt);
  EXPECT_EQ(gsettings_prefers_dark("'prefer-dark'\n"), std::optional<bool>(true));
  EXPECT_EQ(gsettings_prefers_dark("'default'\n"), std::optional<bool>(false));
  EXPECT_EQ(gsettings_prefers_dark("No such key"), std::nullopt);
  // The portal's change signal, as gdbus monitor prints it; other settings' changes say nothing.
  EXPECT_EQ(portal_change_prefers_dark("/org/freedesktop/portal/desktop: org.freedesktop.portal.Settings."
                                       "SettingChanged ('org.freedesktop.appearance', 'color-scheme', <uint32 2>)"),
            std::optional<bool>(false));
  EXPECT_EQ(portal_change_prefers_dark("/org/freedesktop/portal/desktop: org.freedesktop.portal.Settings."
                                       "SettingChanged ('org.gnome.desktop.a11y', 'always-show', <uint32 1>)"),
            std::nullopt);
}
