// The theme's colours, the clear colour and the window frame, when the resolved theme changes.
#include <algorithm>

#include "app/platform/window_theme.h"
#include "app/shell/desktop_session.h"
#include "app/shell/fonts_and_style.h"

void apply_theme(DesktopSession& session) {
  const Theme theme = session.ui.theme;
  int resolved = theme == Theme::follow_system ? (session.system_theme.dark() ? 0 : 1) : (theme == Theme::light ? 1 : 0);
  if (resolved == session.theme_applied) return;
  session.theme_applied = resolved;
  apply_theme_colours(session.unscaled_style, resolved);
  apply_theme_colours(ImGui::GetStyle(), resolved);
  const float light[3] = {0.94f, 0.94f, 0.95f};
  const float dark[3] = {0.10f, 0.10f, 0.11f};
  std::copy_n(resolved == 1 ? light : dark, 3, session.clear_colour);
  set_window_frame_theme(session.window, resolved == 0);
}
