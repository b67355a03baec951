// The desktop face's clipboard read by a real X client (xclip) on a private X server.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include <SDL.h>

#include "app/document/document.h"
#include "tests/app/document_test_access.h"
#include "app/platform/clipboard_owner.h"
#include "app/ui/clipboard_actions.h"
#include "app/ui/clipboard_image.h"
#include "app/ui/palette_actions.h"
#include "io/byte_order.h"
#include "io/palette_file.h"
#include "tests/app/desktop_face_support.h"

#include <X11/Xlib.h>  // after the test headers: its None would clash with theirs

using namespace desktop_test;

namespace {

constexpr std::uint32_t kLargeSide = 2048;

// A scripted run lasts as many frames as it has clicks (15 each); clicks far off
// the window touch nothing, and keep the program serving until the test ends it
// (a minute or more: idle frames are quick).
std::string idle_clicks() {
  std::string clicks = "-1,-1";
  for (int i = 1; i < 12000; ++i) clicks += ":-1,-1";
  return clicks;
}

// Asks for `target`, takes the first piece of its INCR answer, asks for the
// next and leaves at once, as a client that crashes mid-transfer would. True
// when the answer came in pieces.
bool leave_in_the_middle(const std::string& display_name, const char* target) {
  Display* display = XOpenDisplay(display_name.c_str());
  if (display == nullptr) return false;
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display, window, PropertyChangeMask);
  Atom property = XInternAtom(display, "BRISEL_TEST_PIECE", False);
  Atom incr = XInternAtom(display, "INCR", False);
  XConvertSelection(display, XInternAtom(display, "CLIPBOARD", False), XInternAtom(display, target, False),
                    property, window, CurrentTime);
  bool pieces = false;
  for (int stage = 0; stage < 2;) {
    XEvent event;
    XNextEvent(display, &event);
    if (stage == 0 && event.type == SelectionNotify) {
      if (event.xselection.property == None) break;
      Atom type = None;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* value = nullptr;
      XGetWindowProperty(display, window, property, 0, 1, True, AnyPropertyType, &type, &format, &count, &after,
                         &value);
      if (value != nullptr) XFree(value);
      if (type != incr) break;
      stage = 1;  // deleting the INCR property asked for the first piece
    } else if (stage == 1 && event.type == PropertyNotify && event.xproperty.atom == property &&
               event.xproperty.state == PropertyNewValue) {
      XDeleteProperty(display, window, property);  // asks for the second one
      pieces = true;
      stage = 2;
    }
  }
  XCloseDisplay(display);
  return pieces;
}

class DesktopClipboard : public DesktopFace {
 protected:
  void SetUp() override {
    DesktopFace::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (std::system("command -v xclip > /dev/null") != 0) GTEST_SKIP() << "xclip is not installed";
  }
  void TearDown() override {
    if (child_ <= 0) return;
    kill(child_, SIGKILL);
    scratch_.finish(child_);
  }

  // What xclip reads from the clipboard as `target`; empty when it cannot.
  std::string read_clipboard(const std::string& target) {
    std::string command = "DISPLAY=" + display_.name() + " timeout 60 xclip -o -selection clipboard -t '" +
                          target + "' 2> /dev/null";
    std::string bytes;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[65536];
      std::size_t got = 0;
      while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.append(buffer, got);
      pclose(pipe);
    }
    return bytes;
  }

  // Starts a run that copies once its result is ready, and waits until the
  // clipboard offers `expected` among its targets.
  std::string start_and_wait(Environment environment, const std::string& image, const std::string& expected) {
    environment.push_back({"KESTRANE_GUI_SHOT", scratch_.file("shot.bmp")});
    environment.push_back({"KESTRANE_GUI_CLICK", idle_clicks()});
    child_ = start(environment, {image});
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(4);
    while (std::chrono::steady_clock::now() < deadline) {
      std::string targets = read_clipboard("TARGETS");
      if (targets.find(expected) != std::string::npos) return targets;
      if (waitpid(child_, nullptr, WNOHANG) == child_) break;  // ended before copying
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return {};
  }

  // Ends the run the way a closing desktop would; true when it ended cleanly.
  bool end_run() {
    kill(child_, SIGTERM);
    ProgramRun ran = scratch_.finish(child_);
    child_ = -1;
    EXPECT_EQ(ran.exit_code, 0) << ran.err;
    return ran.exit_code == 0;
  }

  std::string saved_bytes() { return ScratchFolder::read_all(scratch_.file("saved.png")); }

  pid_t child_ = -1;
};

TEST_F(DesktopClipboard, CopiedImageIsOfferedAsTheSavedPngAndAsABitmap) {
  std::string targets = start_and_wait({{"KESTRANE_GUI_SAVE", scratch_.file("saved.png")},
                                        {"KESTRANE_GUI_COPY", "1"},
                                        {"KESTRANE_GUI_COLORS", "8"}},
                                       source_, "image/png");
  ASSERT_NE(targets.find("image/bmp"), std::string::npos) << targets;
  EXPECT_EQ(targets.find("UTF8_STRING"), std::string::npos) << "one offer at a time";
  EXPECT_FALSE(read_clipboard("TIMESTAMP").empty());

  std::string png = read_clipboard("image/png");
  ASSERT_FALSE(png.empty());
  EXPECT_TRUE(png == saved_bytes());

  std::string bmp = read_clipboard("image/bmp");
  ASSERT_EQ(bmp.size(), 138u + kWidth * kHeight * 4);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(bmp.data());
  EXPECT_EQ(little_endian_u32(bytes + 14 + 4), std::uint32_t(kWidth));
  EXPECT_EQ(little_endian_u32(bytes + 14 + 8), std::uint32_t(kHeight));
  DecodedImage saved;
  ASSERT_TRUE(load_image_file(scratch_.file("saved.png"), saved).ok());
  // The first stored row is the image's bottom row, B, G, R, A.
  for (int x = 0; x < kWidth; ++x) {
    const std::uint8_t* rgba = saved.pixels.data() + ((kHeight - 1) * kWidth + x) * 4;
    const std::uint8_t* bgra = bytes + 138 + x * 4;
    ASSERT_TRUE(bgra[0] == rgba[2] && bgra[1] == rgba[1] && bgra[2] == rgba[0] && bgra[3] == rgba[3]) << x;
  }
  end_run();
}

// Served by an owner of the test's own, which outlives any frame count a
// scripted run of the program could be given.
TEST_F(DesktopClipboard, LargeImagesArriveWholeInPiecesAndSurviveAReaderThatQuits) {
  // Noise over 16 colours: its PNG far exceeds one piece.
  QuantResult result;
  result.ok = result.indices_available = true;
  result.width = result.height = kLargeSide;
  result.gamma = 0.45455;
  result.palette_count = 16;
  for (int i = 0; i < 64; ++i) result.palette[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 255 : i * 37);
  result.indices.resize(std::size_t{kLargeSide} * kLargeSide);
  std::uint32_t state = 12345;
  for (std::uint8_t& index : result.indices) {
    state = state * 1664525u + 1013904223u;
    index = static_cast<std::uint8_t>(state >> 28);
  }
  std::string message;
  std::vector<std::uint8_t> rgba = expand_result_rgba(result, message);
  ClipboardOffer offer;
  offer.png = result_png_bytes(result);
  offer.bmp = bitmap_v5_file(kLargeSide, kLargeSide, rgba.data());
  const std::string png(offer.png.begin(), offer.png.end());
  const std::string bmp(offer.bmp.begin(), offer.bmp.end());
  ASSERT_GT(png.size(), 256u * 1024);

  setenv("DISPLAY", display_.name().c_str(), 1);
  ClipboardOwner owner;
  ASSERT_TRUE(owner.start(message)) << message;
  ASSERT_TRUE(owner.offer(std::move(offer), message)) << message;
  std::string targets = read_clipboard("TARGETS");
  EXPECT_NE(targets.find("image/png"), std::string::npos) << targets;
  EXPECT_NE(targets.find("image/bmp"), std::string::npos) << targets;
  // A reader that leaves in the middle must not take the process down.
  EXPECT_TRUE(leave_in_the_middle(display_.name(), "image/bmp"));
  EXPECT_TRUE(read_clipboard("image/png") == png);
  EXPECT_TRUE(read_clipboard("image/bmp") == bmp);
  owner.stop();
  EXPECT_TRUE(read_clipboard("TARGETS").empty()) << "the offer goes with its owner";
}

TEST_F(DesktopClipboard, CopiedPathReplacesTheImageAsText) {
  std::string targets =
      start_and_wait({{"KESTRANE_GUI_COPY", "1"}, {"KESTRANE_GUI_COPYPATH", "1"}}, source_, "UTF8_STRING");
  EXPECT_EQ(targets.find("image/png"), std::string::npos) << targets;
  EXPECT_EQ(read_clipboard("UTF8_STRING"), source_);
  EXPECT_EQ(read_clipboard("text/plain;charset=utf-8"), source_);
  EXPECT_EQ(read_clipboard("STRING"), source_);
  end_run();
}

}  // namespace

// Palettes and parameter blocks go out as text another client reads, and text
// another client offers comes in as a fixed palette; parameters survive the
// round trip unchanged.
TEST_F(DesktopClipboard, PalettesAndParametersTravelAsText) {
  setenv("DISPLAY", display_.name().c_str(), 1);
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  std::string message;
  ClipboardOwner owner;
  ASSERT_TRUE(owner.start(message)) << message;
  use_clipboard_owner(&owner);
  {
    Document document([](const std::uint8_t*, std::uint32_t, std::uint32_t, double, const QuantizerOptions*,
                         std::uint8_t*, std::uint8_t*, std::uint8_t*, std::uint32_t*, double*, double*,
                         QuantizeReport*) { return 1u; });
    DocumentTestAccess::result(document).ok = true;
    DocumentTestAccess::result(document).palette_count = 3;
    const std::uint8_t entries[12] = {255, 0, 0, 255, 0, 128, 0, 255, 16, 32, 48, 255};
    std::copy(std::begin(entries), std::end(entries), DocumentTestAccess::result(document).palette.begin());

    EXPECT_EQ(copy_palette(document), "Copied 3 colours to the clipboard");
    EXPECT_EQ(read_clipboard("UTF8_STRING"), palette_plain_list(entries, 3));

    DocumentTestAccess::options(document).colors = 40;
    DocumentTestAccess::options(document).dither_strength = 0.5;
    QuantizerOptions before = document.options();
    EXPECT_EQ(copy_quantizer_parameters(document), "Copied 16 quantizer parameters to the clipboard");
    EXPECT_NE(read_clipboard("UTF8_STRING").find("colors=40"), std::string::npos);
    EXPECT_EQ(paste_quantizer_parameters(document), "Applied 16 quantizer parameters");
    EXPECT_EQ(document.options().colors, before.colors);
    EXPECT_EQ(document.options().dither_strength, before.dither_strength);
    EXPECT_EQ(document.options().chroma_weight, before.chroma_weight);
    EXPECT_EQ(document.options().mediancut_rounds, before.mediancut_rounds);

    // Another program takes the clipboard with two colours of text.
    std::string command = "printf '#102030\\n#405060\\n' | DISPLAY=" + display_.name() +
                          " xclip -i -selection clipboard";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // xclip serves from a process of its own that takes the clipboard a moment later.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (read_clipboard("UTF8_STRING").find("#102030") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(paste_palette(document), "Remapping to the 2-colour palette on the clipboard");
    ASSERT_EQ(document.palette().size(), 2u);
    EXPECT_EQ(document.palette()[1], (Rgba{0x40, 0x50, 0x60, 255}));
    EXPECT_EQ(document.palette_kind(), kPaletteClipboard);
    EXPECT_EQ(document.options().colors, 2u);
  }
  use_clipboard_owner(nullptr);
  owner.stop();
  SDL_Quit();
}
