#include "player/app/options.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "player/movie/zoe.h"
#include "player/output/display.h"
#include "player/output/sound_output.h"

namespace reel {
namespace {

enum class Arg { kFlag, kNumber, kNumberOrNone };

struct Switch {
  char letter;
  Arg arg;
  const char* shown;  // as in the usage text ("" when not listed)
  const char* description;
  // present: a number was written; n: its value.
  void (*apply)(Options& o, bool present, int64_t n);
};

void SetFlag(Options& o, uint32_t flag, bool on) {
  o.openFlags = on ? o.openFlags | flag : o.openFlags & ~flag;
}

void ApplyRate(Options& o, bool present, int64_t n) {
  if (present && n == -1) return;
  o.forceRate = true;
  if (!present || n == 0) {
    o.forcedRate = 0;
  } else if (n > 0) {
    o.forcedRate = static_cast<int32_t>(-100000 / n);
  } else if (n >= -1500) {
    o.forcedRate = static_cast<int32_t>(n * 100);
  } else {
    o.forcedRate = static_cast<int32_t>(n);
  }
}

// A /V number that picks a display kind.
bool KnownVideoType(int64_t type) {
  for (const DisplayKindEntry& row : DisplayKinds())
    if (type > 0 && row.videoCode == type) return true;
  return false;
}

void ApplyVideo(Options& o, bool, int64_t n) {
  const int64_t type = n & 127;
  if (KnownVideoType(type)) o.videoType = static_cast<int>(type);
  const int64_t modifier = n & 384;
  o.interlaced = modifier == 128;
  o.smoothing = modifier == 256;
  o.noAcceleration = modifier == 384;
}

const Switch kSwitches[] = {
    {'P', Arg::kFlag, "/P", "Preload the entire Zoetrope animation.",
     [](Options& o, bool, int64_t) { SetFlag(o, kZoePreload, true); }},
    {'L', Arg::kNumberOrNone, "/L##", "Loop the animation (/L for infinite).",
     [](Options& o, bool present, int64_t n) {
       if (!present)
         o.playCount = 0;
       else if (n != 0)
         o.playCount = n;
     }},
    {'F', Arg::kNumberOrNone, "/F##", "Use this frame rate (/F for fast).", ApplyRate},
    {'T', Arg::kNumber, "/T##", "Play the specified sound tracks.",
     [](Options& o, bool, int64_t n) {
       o.openFlags = (o.openFlags & ~kZoeAllTracks) | ((uint32_t(n) & 127) * kZoeTrack0);
     }},
    {'S', Arg::kFlag, "/S", "Show the playback summary when finished.",
     [](Options& o, bool, int64_t) { o.summary = true; }},
    {'X', Arg::kNumber, "/X##", "Specifies the X coordinate of the playback.",
     [](Options& o, bool, int64_t n) { o.x = static_cast<int>(n); }},
    {'Y', Arg::kNumber, "/Y##", "Specifies the Y coordinate of the playback.",
     [](Options& o, bool, int64_t n) { o.y = static_cast<int>(n); }},
    {'B', Arg::kFlag, "/B", "Double-buffer (slower, but reduces tearing).",
     [](Options& o, bool, int64_t) { o.doubleBuffer = true; }},
    {'M', Arg::kNumber, "/M##", "Simulate this read speed (in bytes/second).",
     [](Options& o, bool, int64_t n) {
       o.readSpeed = static_cast<uint32_t>(n);
       SetFlag(o, kZoeSimulateSpeed, n != 0);
     }},
    {'E', Arg::kNumber, "/E##", "Use this much extra memory for buffering.",
     [](Options& o, bool, int64_t n) { o.extra = static_cast<int32_t>(n); }},
    {'G', Arg::kFlag, "/G", "Fill the extra memory buffer in ZoeOpen.",
     [](Options& o, bool, int64_t) { SetFlag(o, kZoeFillBuffer, true); }},
    {'U', Arg::kNumber, "/U##", "Disable controls: 1=pause, 2=skip, 4=quit.",
     [](Options& o, bool, int64_t n) { o.disabled = static_cast<int>(n); }},
    {'N', Arg::kFlag, "/N", "Never skip frames when falling behind.",
     [](Options& o, bool, int64_t) { SetFlag(o, kZoeNeverSkip, true); }},
    {'C', Arg::kFlag, "/C", "Don't clear the buffer in between animations.",
     [](Options& o, bool, int64_t) { o.noClear = true; }},
    {'O', Arg::kFlag, "/O", "Play sound tracks only - no video.",
     [](Options& o, bool, int64_t) { o.soundOnly = true; }},
    {'K', Arg::kFlag, "/K", "Only show differences between frames.",
     [](Options& o, bool, int64_t) { o.differences = true; }},
    {'A', Arg::kNumber, "/A##", "Height scaling: 1=Interlace, 2=Double, 3=Force none.",
     [](Options& o, bool, int64_t n) {
       if (n >= 255) return;
       o.openFlags &= ~kZoeNoScaling;
       if (n >= 1 && n <= 3) o.openFlags |= uint32_t(n) * kZoeInterlace;
     }},
    {'Z', Arg::kFlag, "/Z", "Use DirectSound for sound output.",
     [](Options& o, bool, int64_t) { o.directSound = true; }},
    {'Q', Arg::kFlag, "/Q", "Show current frame number in caption.",
     [](Options& o, bool, int64_t) { o.frameCaption = true; }},
    {'I', Arg::kNumber, "/I# ",
     "Window style: 1=thin border, 2=thin, no caption, 3=no caption, 4=nothing.",
     [](Options& o, bool, int64_t n) { o.windowStyle = static_cast<int>(n); }},
    {'J', Arg::kFlag, "/J", "Don't pause the video when the focus is lost.",
     [](Options& o, bool, int64_t) { o.keepPlaying = true; }},
    {'R', Arg::kNumber, "/R##",
     "Remap options: 1=remap to current system palette, 2=don't remap at all.",
     [](Options& o, bool, int64_t n) { o.remap = static_cast<int>(n); }},
    {'W', Arg::kNumber, "/W##", "Stretch to this width in pixels (very slow!!)",
     [](Options& o, bool, int64_t n) { o.stretchWidth = static_cast<int>(n); }},
    {'H', Arg::kNumber, "/H##", "Stretch to this height in pixels (very slow!!)",
     [](Options& o, bool, int64_t n) { o.stretchHeight = static_cast<int>(n); }},
    {'@', Arg::kFlag, "/@", "Don't use MMX (even if supported by the CPU).",
     [](Options& o, bool, int64_t) { o.noMmx = true; }},
    {'D', Arg::kNumber, "/D##", "Display resolution: 1=640x400, 2=640x480, 3=800x600, 4=1024x768.",
     [](Options& o, bool, int64_t n) { o.resolution = static_cast<int>(n); }},
    {'V', Arg::kNumber, "/V##", "Video type: 1=320x240, 2=320x200, 3=Standard, 4=DIBSection.",
     ApplyVideo},
    {'#', Arg::kNumber, "", "",
     [](Options& o, bool, int64_t n) {
       o.controller = true;
       o.controllerHandle = n;
     }},
};

const Switch* FindSwitch(char c) {
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const Switch& s : kSwitches)
    if (s.letter == letter) return &s;
  return nullptr;
}

// Switch-shaped: a marker, one character, then nothing or an optionally negative number.
bool SwitchShaped(const std::string& w) {
  if (w.size() < 2 || (w[0] != '/' && w[0] != '-')) return false;
  size_t i = 2;
  if (i < w.size() && w[i] == '-') ++i;
  if (i == w.size()) return i == 2;
  for (; i < w.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(w[i]))) return false;
  return true;
}

enum class WordKind { kSwitch, kName, kBad };

WordKind ApplyWord(const std::string& w, Options& o) {
  if (w.empty() || (w[0] != '/' && w[0] != '-')) return WordKind::kName;
  const Switch* s = SwitchShaped(w) ? FindSwitch(w[1]) : nullptr;
  if (s == nullptr) return w[0] == '/' && w.size() > 1 ? WordKind::kName : WordKind::kBad;
  const bool present = w.size() > 2;
  if (present && s->arg == Arg::kFlag) return WordKind::kBad;
  if (!present && s->arg == Arg::kNumber) return WordKind::kBad;
  int64_t n = 0;
  if (present) {
    // Digits beyond what any switch needs would overflow; such a number is not a switch.
    if (w.size() > 14) return WordKind::kBad;
    n = std::strtoll(w.c_str() + 2, nullptr, 10);
  }
  s->apply(o, present, n);
  return WordKind::kSwitch;
}

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ')
    ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ')
    --b;
  return s.substr(a, b - a);
}

}  // namespace

std::string MovieFileName(std::string name) {
  name = Trim(name);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
    name = Trim(name.substr(1, name.size() - 2));
  const size_t cut = name.find_last_of(":\\/");
  const size_t dot = name.find('.', cut == std::string::npos ? 0 : cut);
  if (dot == std::string::npos) name += ".Ztp";
  return name;
}

CommandLine ParseCommandLine(const std::vector<std::string>& words) {
  CommandLine c;
  for (size_t i = 0; i < words.size(); ++i) {
    std::string w = words[i];
    switch (ApplyWord(w, c.options)) {
      case WordKind::kSwitch:
        break;
      case WordKind::kBad:
        c.usage = c.badSwitch = true;
        break;
      case WordKind::kName: {
        // Names may be separated by a comma: "a, b", "a ,b" or "a,".
        w = Trim(w);
        if (!w.empty() && w.back() == ',') w.pop_back();
        if (!w.empty() && w.front() == ',' && !c.names.empty()) w.erase(0, 1);
        w = Trim(w);
        if (!w.empty()) c.names.push_back(MovieFileName(w));
        break;
      }
    }
  }
  if (c.names.empty()) c.usage = true;
  // Sound only always uses the standard display.
  if (c.options.soundOnly) c.options.videoType = 3;
  return c;
}

std::vector<std::string> SplitCommandText(const std::string& text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
      ++i;
    if (i == text.size()) break;
    std::string w;
    if (text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      w = text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
      i = close == std::string::npos ? text.size() : close + 1;
    } else {
      while (i < text.size() && static_cast<unsigned char>(text[i]) > ' ')
        w += text[i++];
    }
    words.push_back(w);
  }
  return words;
}

std::string UsageCaption() {
  return "ReelRunner  V 3.2f - " + NoticeLine();
}

std::string UsageText() {
  std::string t = "  SYNTAX: ReelRun <Zoe1 Zoe2...> [/Switches]\r\n  Switches:";
  for (const Switch& s : kSwitches) {
    if (*s.shown == '\0') continue;
    std::string shown = s.shown;
    shown.resize(4, ' ');
    t += "\r\n    " + shown + "\t- " + s.description;
    if (s.letter == 'V')
      t += "\r\n        \t    Add 128 for interlaced, 256 for smoothing, or 384 for no DirectDraw.";
  }
  return t;
}

namespace {

std::string Padded(std::string text, size_t width) {
  text.resize(std::max(text.size(), width), ' ');
  return text;
}

template <typename Rows>
size_t NameWidth(const Rows& rows) {
  size_t width = 0;
  for (const auto& row : rows)
    width = std::max(width, std::strlen(row.name));
  return width + 2;
}

}  // namespace

std::string OutputTablesText() {
  constexpr size_t kCodeWidth = 7;
  const auto displays = DisplayKinds();
  std::string t =
      "  Displays (picked by /V##; without it, those marked * are tried in this order):";
  for (const DisplayKindEntry& row : displays) {
    std::string code = row.videoCode > 0 ? "/V" + std::to_string(row.videoCode) : "";
    if (row.buffer == BufferSwitch::kWith) code += " /B";
    t += "\n    " + Padded(code, kCodeWidth) + (row.automatic ? "* " : "  ") +
         Padded(row.name, NameWidth(displays)) + row.description;
  }
  const auto outputs = SoundOutputs();
  t += "\n  Sound outputs (the one a switch asks for, then those marked * below it, until one "
       "works):";
  for (const SoundOutputEntry& row : outputs) {
    t += "\n    " + Padded(row.switchName, kCodeWidth) + (row.automatic ? "* " : "  ") +
         Padded(row.name, NameWidth(outputs)) + row.description;
  }
  return t;
}

std::string NoticeLine() {
  return "movie player for Linux";
}

std::string InformationText() {
  return "ReelRunner is part of the Zoetrope Video and Animation tools: it plays the movies "
         "they make.\r\n\r\nThe switches it understands are listed by \"reelrun --help\", and "
         "the README that comes with it says more.";
}

}  // namespace reel
