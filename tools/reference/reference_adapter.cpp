// A reference quantizer for the desktop face's comparison, made of a peer
// tool: ffmpeg's palette filters or ImageMagick's colour reduction, chosen
// when the program is built (BQ_ADAPTER_FFMPEG or not).
// Usage: NAME --force --speed N --ext SUFFIX [--nofs] COLOURS INPUT.png
//        NAME --check
// Writes INPUT minus ".png" plus SUFFIX; --force and --speed are accepted and
// ignored. Exits 127 when the peer on PATH is missing or is not the peer
// (other programs share its name, Windows' own convert.exe among them);
// --check only asks that.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/platform/imagemagick_names.h"
#include "tools/reference/tool_process.h"

namespace {

struct Peer {
  const char* adapter;
  std::vector<std::string> tools;  // the names it goes by, the preferred first
  const char* version_option;
  const char* version_mark;   // what its version text holds
  const char* missing;        // how the user knows it
};

#ifdef BQ_ADAPTER_FFMPEG
const Peer kPeer{"brisel-reference-ffmpeg", {"ffmpeg"}, "-version", "ffmpeg version", "ffmpeg"};
#else
const Peer kPeer{"brisel-reference-imagemagick", imagemagick_program_names(), "-version", "ImageMagick",
                 "ImageMagick"};
#endif

// The peer as the user knows it, with the names looked for when it has several.
std::string peer_name() {
  if (kPeer.tools.size() < 2) return kPeer.missing;
  std::string names;
  for (const std::string& tool : kPeer.tools) names += (names.empty() ? "" : " or ") + tool;
  return std::string(kPeer.missing) + " (" + names + ")";
}

int fail(int code, const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kPeer.adapter, message.c_str());
  return code;
}

// The first of the peer's names on PATH whose version text is the peer's;
// empty, with the reason said, when there is none.
std::string ready_tool(int& code) {
  std::string found_other;
  for (const std::string& tool : kPeer.tools) {
    if (!tool_on_path(tool)) continue;
    std::string version;
    if (tool_output({tool, kPeer.version_option}, version) && version.find(kPeer.version_mark) != std::string::npos)
      return tool;
    if (found_other.empty()) found_other = tool;
  }
  code = found_other.empty() ? fail(127, peer_name() + " is not installed")
                             : fail(127, "the " + found_other + " on PATH is not " + peer_name());
  return {};
}

bool is_number(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> peer_command(const std::string& tool, int colours, bool dither,
                                      const std::string& input, const std::string& output) {
#ifdef BQ_ADAPTER_FFMPEG
  // palettegen makes no fewer than 4 colours.
  colours = std::clamp(colours, 4, 256);
  std::string graph = "[0:v]split[a][b];[a]palettegen=max_colors=" + std::to_string(colours) +
                      ":stats_mode=full[p];[b][p]paletteuse=dither=" + (dither ? "floyd_steinberg" : "none");
  return {tool, "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-i", input,
          "-filter_complex", graph, "-frames:v", "1", output};
#else
  return {tool, input, "-dither", dither ? "FloydSteinberg" : "None", "-colors", std::to_string(colours),
          "PNG8:" + output};
#endif
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = 0;
  if (!args.empty() && args[0] == "--check") return ready_tool(code).empty() ? code : 0;
  bool dither = true;
  std::string suffix = "-ref.png";
  std::size_t at = 0;
  // Options while more than the two operands are left, each with its value.
  for (; at + 2 < args.size(); ++at) {
    if (args[at] == "--force") continue;
    if (args[at] == "--speed") ++at;
    else if (args[at] == "--ext") suffix = args[++at];
    else if (args[at] == "--nofs") dither = false;
    else return fail(2, "unknown option " + args[at]);
  }
  if (at > args.size() || args.size() - at != 2)
    return fail(2, std::string("usage: ") + kPeer.adapter + " --force --speed N --ext SUFFIX [--nofs] COLOURS INPUT.png");
  const std::string& colours = args[at];
  const std::string& input = args[at + 1];
  if (!is_number(colours) || colours.size() > 6)
    return fail(2, "the colour count must be a number, not " + colours);
  std::string tool = ready_tool(code);
  if (tool.empty()) return code;
  std::string stem = input.size() >= 4 && input.compare(input.size() - 4, 4, ".png") == 0
                         ? input.substr(0, input.size() - 4) : input;
  return run_tool(peer_command(tool, std::stoi(colours), dither, input, stem + suffix));
}
