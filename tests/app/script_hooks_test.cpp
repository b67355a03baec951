#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/platform/key_codes.h"
#include "app/testing/script_hooks.h"
#include "app/testing/scripted_input.h"

namespace {

using Variables = std::map<std::string, std::string>;

ScriptHooks hooks_from(const Variables& variables) {
  return read_script_hooks([&](const char* name) -> const char* {
    auto found = variables.find(name);
    return found == variables.end() ? nullptr : found->second.c_str();
  });
}

}  // namespace

TEST(ScriptHooks, KeyChordsHoldTheirSlotOfFifteenFrames) {
  ScriptHooks undo = hooks_from({{"KESTRANE_GUI_KEYS", "ctrl+z"}});
  ASSERT_EQ(undo.keys.size(), 1u);
  EXPECT_FALSE(scripted_key_at(undo, 19).active);
  for (int frame = 20; frame <= 34; ++frame) {
    ScriptedKeyState state = scripted_key_at(undo, frame);
    EXPECT_TRUE(state.active && state.ctrl && !state.alt && !state.shift) << frame;
    EXPECT_EQ(state.virtual_key, 'Z');
    EXPECT_EQ(state.down, frame <= 21) << frame;
  }
  EXPECT_FALSE(scripted_key_at(undo, 35).active);

  ScriptHooks two = hooks_from({{"KESTRANE_GUI_KEYS", "ctrl+shift+c,esc"}});
  ScriptedKeyState copy = scripted_key_at(two, 34);
  EXPECT_TRUE(copy.ctrl && copy.shift && copy.virtual_key == 'C');
  for (int frame = 35; frame <= 49; ++frame) {
    ScriptedKeyState state = scripted_key_at(two, frame);
    EXPECT_TRUE(state.active && !state.ctrl && !state.shift) << frame;
    EXPECT_EQ(state.virtual_key, 27);
    EXPECT_EQ(state.down, frame <= 36) << frame;
  }
  EXPECT_FALSE(scripted_key_at(two, 50).active);
}

TEST(ScriptHooks, ChordPartsNameModifiersAndOneKey) {
  ScriptHooks hooks = hooks_from({{"KESTRANE_GUI_KEYS", "SHIFT+plus,meta+q,alt,ctrl+F2,,ctrl+,Enter,7"}});
  ASSERT_EQ(hooks.keys.size(), 5u);  // "F2", the empty chord and a missing key are dropped
  EXPECT_TRUE(hooks.keys[0].shift && hooks.keys[0].virtual_key == 187);
  EXPECT_TRUE(!hooks.keys[1].alt && !hooks.keys[1].ctrl && hooks.keys[1].virtual_key == 'Q');
  EXPECT_TRUE(hooks.keys[2].alt && hooks.keys[2].virtual_key == 18);
  EXPECT_EQ(hooks.keys[3].virtual_key, 13);
  EXPECT_EQ(hooks.keys[4].virtual_key, '7');

  bool is_alt = true;
  EXPECT_EQ(key_index_for_virtual_key('0', &is_alt), digit_key_index('0'));  // after 9 in the digit row
  EXPECT_EQ(key_index_for_virtual_key('7', &is_alt), digit_key_index('7'));
  EXPECT_FALSE(is_alt);
  EXPECT_EQ(key_index_for_virtual_key(165, &is_alt), -1);
  EXPECT_TRUE(is_alt);
  EXPECT_EQ(key_index_for_virtual_key(61, &is_alt), -1);  // "=" by its character: nothing is sent
  EXPECT_FALSE(is_alt);
}

TEST(ScriptHooks, ClicksPressTheirButtonInTheirPhases) {
  ScriptHooks hooks = hooks_from({{"KESTRANE_GUI_CLICK", "100,200,rd:oops:7.5,8"}});
  ASSERT_EQ(hooks.clicks.size(), 2u);
  for (int frame = 20; frame <= 34; ++frame) {
    ScriptedMouseState state = scripted_mouse_at(hooks, frame);
    int phase = frame - 20;
    EXPECT_TRUE(state.active && state.right && state.x == 100.0f && state.y == 200.0f);
    EXPECT_EQ(state.down, phase == 1 || phase == 2 || phase == 4 || phase == 5) << frame;
  }
  for (int frame = 35; frame <= 49; ++frame) {
    ScriptedMouseState state = scripted_mouse_at(hooks, frame);
    EXPECT_TRUE(state.active && !state.right && state.x == 7.5f && state.y == 8.0f);
    EXPECT_EQ(state.down, frame == 36 || frame == 37) << frame;  // a single click
  }
  EXPECT_FALSE(scripted_mouse_at(hooks, 50).active);
}

TEST(ScriptHooks, ScriptedRunsEndAfterTheirLastEvent) {
  EXPECT_EQ(hooks_from({}).end_frame(), 90);
  EXPECT_EQ(hooks_from({{"KESTRANE_GUI_KEYS", "a,b"}}).end_frame(), 90);
  EXPECT_EQ(hooks_from({{"KESTRANE_GUI_KEYS", "a,b,c,d,e"}}).end_frame(), 103);
  EXPECT_EQ(hooks_from({{"KESTRANE_GUI_KEYS", "a,b"}, {"KESTRANE_GUI_CLICK", "1,1:1,1:1,1:1,1:1,1:1,1"}})
                .end_frame(),
            118);

  ScriptHooks copy = hooks_from({{"KESTRANE_GUI_COPY", "1"}});
  EXPECT_TRUE(copy.automation_mode() && copy.result_wait());
  ScriptHooks splitter = hooks_from({{"KESTRANE_GUI_SPLITTEST", "log.txt"}});
  EXPECT_TRUE(splitter.automation_mode() && !splitter.result_wait());
  Variables keys_only = {{"KESTRANE_GUI_KEYS", "esc"}};
  EXPECT_FALSE(hooks_from(keys_only).automation_mode());
  EXPECT_TRUE(scripted_input_expected([&](const char* name) -> const char* {
    return keys_only.count(name) != 0 ? keys_only.at(name).c_str() : nullptr;
  }));
  // Empty values and values too long for the desktop build's buffers count as unset.
  EXPECT_FALSE(hooks_from({{"KESTRANE_GUI_SHOT", ""}}).shot);
  EXPECT_FALSE(hooks_from({{"KESTRANE_GUI_SAVE", std::string(260, 'x')}}).save);
  EXPECT_TRUE(hooks_from({{"KESTRANE_GUI_SAVE", std::string(259, 'x')}}).save);
}

TEST(ScriptHooks, SectionsOpenByWholeWordOrAll) {
  auto sections = [](const char* value) { return *hooks_from({{"KESTRANE_GUI_SECTIONS", value}}).sections; };
  using Open = std::array<bool, 8>;  // quantizer view compare focus dithermap pins result palette
  EXPECT_EQ(sections("dithermap,pins"), (Open{false, false, false, false, true, true, false, false}));
  EXPECT_EQ(sections("focus"), (Open{false, false, false, true, false, false, false, false}));
  EXPECT_EQ(sections("ALL"), (Open{true, true, true, true, true, true, true, true}));
  EXPECT_EQ(sections("preview focused result_2"), (Open{false, false, false, false, false, false, true, false}));
  EXPECT_EQ(sections("all,view"), (Open{false, true, false, false, false, false, false, false}));
}

TEST(ScriptHooks, NumbersAreReadLenientlyAndKeptInRange) {
  ScriptHooks hooks = hooks_from({{"KESTRANE_GUI_DITHER", "9"},
                                  {"KESTRANE_GUI_COLORS", "many"},
                                  {"KESTRANE_GUI_ZOOM", "0.01"},
                                  {"KESTRANE_GUI_SIDEBAR_W", "1e6"},
                                  {"KESTRANE_GUI_SPLITPOS", "nan"},
                                  {"KESTRANE_GUI_SCROLL", " 12.5x"},
                                  {"KESTRANE_GUI_SPLIT", "reference,original"},
                                  {"KESTRANE_GUI_SPLITDIR", "horizontal"},
                                  {"KESTRANE_GUI_SIDEBAR", "right"},
                                  {"KESTRANE_GUI_PALEDIT", "3,300,-5,7"},
                                  {"KESTRANE_GUI_FOCUS", "10,20,30"},
                                  {"KESTRANE_GUI_DITHERMAP", "10, 20, 30, -0.5"},
                                  {"KESTRANE_GUI_PIN", "1,2:3,4:x,5:6,7"}});
  EXPECT_EQ(hooks.dither, 4);
  EXPECT_EQ(hooks.colors, 2);
  EXPECT_EQ(hooks.zoom, 0.05f);
  EXPECT_EQ(hooks.sidebar_w, 900.0f);
  EXPECT_EQ(hooks.split_pos, 0.0f);
  EXPECT_EQ(hooks.scroll, (std::pair<float, float>{12.5f, 0.0f}));
  EXPECT_EQ(hooks.split, (std::pair<int, int>{2, 0}));
  EXPECT_EQ(hooks.split_vertical, false);
  EXPECT_EQ(hooks.sidebar_right, true);
  EXPECT_EQ(hooks.settings_scroll, -1.0f);
  ASSERT_TRUE(hooks.palette_edit);
  EXPECT_EQ(hooks.palette_edit->index, 3);
  EXPECT_EQ(hooks.palette_edit->rgba, (std::array<int, 4>{255, 0, 7, 255}));
  EXPECT_FALSE(hooks.focus);  // all four fields are needed
  ASSERT_TRUE(hooks.dither_map);
  EXPECT_EQ(hooks.dither_map->radius, 30);
  EXPECT_EQ(hooks.dither_map->value, -0.5);
  EXPECT_EQ(hooks.pins, (std::vector<std::pair<int, int>>{{1, 2}, {3, 4}}));

  EXPECT_FALSE(hooks_from({{"KESTRANE_GUI_PALEDIT", "3,1,2"}}).palette_edit);
  EXPECT_FALSE(hooks_from({{"KESTRANE_GUI_PALEDIT", "-1,1,2,3"}}).palette_edit);
  EXPECT_FALSE(hooks_from({{"KESTRANE_GUI_PALOPEN", "-2"}}).palette_open);
  EXPECT_EQ(hooks_from({{"KESTRANE_GUI_SPLIT", "ours"}}).split, (std::pair<int, int>{1, 0}));
  EXPECT_EQ(hooks_from({{"KESTRANE_GUI_ZOOM", "inf"}}).zoom, 64.0f);
}
