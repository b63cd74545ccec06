#include "tools/ztptool/commands.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "common/bmp.h"
#include "common/file.h"
#include "common/wav.h"

#include "player/movie/zoe.h"
#include "player/movie/zoe_encode.h"

namespace ztptool {
namespace {

// Largest frame accepted or decoded, in pixels: the movie layer's own limit, so that every
// movie written here opens everywhere.
constexpr uint64_t kMaxFramePixels = kZoeMaxPixels / 2;

const char kUsage[] =
    "usage:\n"
    "  ztptool info MOVIE\n"
    "  ztptool decode MOVIE -o DIR\n"
    "  ztptool encode -o MOVIE [--fps N | --ms N] [--ring] [--interlace | --double]\n"
    "                 [--lead MS] [--audio WAV [--raw-audio]]... FRAME.bmp...\n"
    "Frames are 8-bit BMPs of one size, width and height multiples of 4, given at their\n"
    "stored size (--interlace and --double only mark how the lines are shown).\n"
    "The sound runs --lead MS milliseconds ahead of the pictures (default 500, 0 for none),\n"
    "so the player has it in hand while the frames come in; the lead is cut to what the\n"
    "player buffers for a track beside one frame: about one second.\n";

// A private context: the null sound output opens no track, so nothing is ever late.
ZoeContext MakeContext() {
  ZoeContext ctx;
  ctx.debug = 0;
  return ctx;
}

struct MovieCloser {
  void operator()(ZoeMovie* m) const { ZoeClose(m); }
};
using MoviePtr = std::unique_ptr<ZoeMovie, MovieCloser>;

std::string TrackLine(uint32_t word) {
  return std::to_string(word & 0xFFFFFF) + " Hz, " + (word & kZoeAudio16Bit ? "16-bit" : "8-bit") +
         ", " + (word & kZoeAudioStereo ? "stereo" : "mono") + ", " +
         (word & kZoeAudioCompressed ? "compressed" : "raw");
}

// A movie that cannot be opened: a pipe, a device or a folder is refused as the thing it is
// (exit code 2), anything else is no movie (1).
int CannotOpen(const std::string& name, std::ostream& err) {
  if (ZoeIsIrregularFile(name)) {
    err << "ztptool: " << name << " is not a regular file\n";
    return 2;
  }
  err << "ztptool: cannot open " << name << " as a movie\n";
  return 1;
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) {
    err << kUsage;
    return 2;
  }
  ZoeContext ctx = MakeContext();
  MoviePtr m(ZoeOpen({args[0]}, 0, -1, ctx));
  if (!m) return CannotOpen(args[0], err);
  const ZoeHeader& h = m->header;
  out << "width: " << h.width << "\n";
  out << "height: " << h.height << "\n";
  out << "frames: " << h.frames << "\n";
  out << "ring frame: " << (h.flags & kZoeHeaderRing ? "yes" : "no") << "\n";
  out << "rate: " << h.rate << "\n";
  out << "period: " << m->period << "\n";
  out << "frames per second: " << ZoeFramesPerSecond(m->period) << "\n";
  out << "flags: " << h.flags << "\n";
  out << "lines: "
      << (m->flags & kZoeInterlace ? "interlaced"
          : m->flags & kZoeDouble  ? "doubled"
                                   : "single")
      << "\n";
  for (int t = 0; t < kZoeTracks; ++t) {
    if (h.audioRate[t] & kZoeAudioPresent) {
      out << "track " << t << ": " << TrackLine(h.audioRate[t]) << "\n";
    }
  }
  out << "trees size: " << h.treesSize << "\n";
  out << "buffering: " << (m->preloaded ? "preload" : "stream " + std::to_string(m->ringSize))
      << "\n";
  out << "average frame size: " << m->averageFrameSize << "\n";
  out << "highest one-second data rate: " << m->highestRate << "\n";
  out << "highest rate start frame: " << m->highestRateFrame << "\n";
  return 0;
}

std::string Numbered(const std::string& dir, const char* prefix, uint32_t n, const char* ext) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%05u.%s", prefix, n, ext);
  return (std::filesystem::path(dir) / name).string();
}

// The picture ZoeDecodeFrame draws into and the palette in force after it.
struct FrameCanvas {
  uint32_t width = 0;
  uint32_t height = 0;
  brindle::Bytes pixels;
  brindle::ColourTable palette{};

  brindle::Bytes Bmp() const {
    return brindle::WriteBmp8(static_cast<int32_t>(width), static_cast<int32_t>(height), pixels,
                              palette);
  }
};

// Sets up the canvas as the movie's target; an empty message on success.
std::string AttachCanvas(ZoeMovie& m, FrameCanvas& canvas) {
  canvas.width = m.header.width;
  canvas.height = m.header.height;
  if (uint64_t{canvas.width} * canvas.height > kZoeMaxPixels) {
    return "the movie's pictures are too large";
  }
  canvas.pixels.assign(size_t{canvas.width} * canvas.height, 0);
  ZoeSurface surface;
  surface.pixels = canvas.pixels.data();
  surface.pitch = static_cast<int32_t>(canvas.width);
  surface.width = static_cast<int32_t>(canvas.width);
  surface.height = static_cast<int32_t>(canvas.height);
  if (canvas.pixels.empty() || !ZoeSetTarget(&m, surface)) {
    return "the movie has no picture to decode into";
  }
  return {};
}

// The sound of every track the movie carries, gathered frame by frame.
struct TrackSounds {
  std::array<brindle::WavSound, kZoeTracks> sound;
  std::array<bool, kZoeTracks> wanted{};
  zoe::SoundTrees trees;

  explicit TrackSounds(const ZoeHeader& h) {
    for (int t = 0; t < kZoeTracks; ++t) {
      const uint32_t word = h.audioRate[t];
      wanted[t] = word & kZoeAudioPresent && (word & 0xFFFFFF) != 0;
      sound[t].format.rate = word & 0xFFFFFF;
      sound[t].format.channels = word & kZoeAudioStereo ? 2 : 1;
      sound[t].format.bits = word & kZoeAudio16Bit ? 16 : 8;
    }
  }
  void TakeFrame(const ZoeMovie& m) {
    for (int t = 0; t < kZoeTracks; ++t) {
      if (!wanted[t]) continue;
      std::vector<uint8_t> pcm = ZoeFrameSound(m, t, trees);
      // Damaged length fields claim more sound than the frames can carry: what playback
      // could never take is left out.
      const uint64_t limit = ZoeTrackSoundLimit(m, t);
      const uint64_t room = limit - std::min<uint64_t>(limit, sound[t].pcm.size());
      if (pcm.size() > room) pcm.resize(room);
      sound[t].pcm.insert(sound[t].pcm.end(), pcm.begin(), pcm.end());
    }
  }
  // The name of a file that could not be written, or nothing.
  std::string Write(const std::string& dir) const {
    for (int t = 0; t < kZoeTracks; ++t) {
      if (!wanted[t]) continue;
      const std::string name =
          (std::filesystem::path(dir) / ("track_" + std::to_string(t) + ".wav")).string();
      if (!brindle::WriteWholeFile(name, brindle::MakeWav(sound[t].format, sound[t].pcm)).ok()) {
        return name;
      }
    }
    return {};
  }
};

// "MOVIE -o DIR" in either order; false for anything else.
bool ParseDecodeArgs(const std::vector<std::string>& args, std::string& movie, std::string& dir) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      dir = args[++i];
    } else if (movie.empty()) {
      movie = args[i];
    } else {
      return false;
    }
  }
  return !movie.empty() && !dir.empty();
}

int Decode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string movie, dir;
  if (!ParseDecodeArgs(args, movie, dir)) {
    err << kUsage;
    return 2;
  }
  ZoeContext ctx = MakeContext();
  MoviePtr m(ZoeOpen({movie}, 0, -1, ctx));
  if (!m) return CannotOpen(movie, err);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    err << "ztptool: cannot create " << dir << "\n";
    return 1;
  }
  FrameCanvas canvas;
  const std::string problem = AttachCanvas(*m, canvas);
  if (!problem.empty()) {
    err << "ztptool: " << problem << "\n";
    return 1;
  }
  TrackSounds tracks(m->header);
  const uint32_t count = m->tableEntries;
  uint32_t written = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (m->readError) {
      err << "ztptool: the movie ends early, at frame " << i << "\n";
      break;
    }
    tracks.TakeFrame(*m);
    ZoeDecodeFrame(m.get());
    std::copy(m->palette.begin(), m->palette.end(), canvas.palette.begin());
    if (!brindle::WriteWholeFile(Numbered(dir, "frame_", i, "bmp"), canvas.Bmp(), false).ok()) {
      err << "ztptool: cannot write into " << dir << "\n";
      return 1;
    }
    ++written;
    if (i + 1 < count) ZoeAdvance(m.get());
  }
  const std::string unwritten = tracks.Write(dir);
  if (!unwritten.empty()) {
    err << "ztptool: cannot write " << unwritten << "\n";
    return 1;
  }
  out << written << " frames decoded into " << dir << "\n";
  return written == count ? 0 : 1;
}

// Why a frame's BMP cannot go into a movie, or nothing.
std::string FrameProblem(const brindle::BmpReadResult& bmp) {
  switch (bmp.status) {
    case brindle::BmpStatus::kOk:
      break;
    case brindle::BmpStatus::kNotIndexed:
      return "not a palette BMP of 1, 4 or 8 bits";
    case brindle::BmpStatus::kEmpty:
      return "bad BMP size";
    case brindle::BmpStatus::kUnreadable:
      return "bad BMP: " + bmp.error;
  }
  if (uint64_t{static_cast<uint32_t>(bmp.image.width)} * static_cast<uint32_t>(bmp.image.height) >
      kMaxFramePixels)
    return "BMP too large";
  return {};
}

bool ParseCount(const std::string& s, int32_t& v) {
  char* end = nullptr;
  const long n = std::strtol(s.c_str(), &end, 10);
  if (end == s.c_str() || *end != 0 || n <= 0 || n > 100000) return false;
  v = static_cast<int32_t>(n);
  return true;
}

// What the encode command line asks for.
struct EncodeRequest {
  std::string output;
  zoe::EncodeOptions options;
  std::vector<std::string> frames;
  std::vector<std::string> audio;
  std::vector<bool> raw;  // per audio file: stored uncompressed
};

// The request, or the complaint to print before the usage text.
brindle::Result<EncodeRequest> ParseEncodeArgs(const std::vector<std::string>& args) {
  EncodeRequest q;
  q.options.rate = -(100000 / 15);
  q.options.soundLeadMs = 500;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    int32_t n = 0;
    if (a == "-o" && hasValue) {
      q.output = args[++i];
    } else if (a == "--fps" && hasValue && ParseCount(args[i + 1], n)) {
      ++i;
      q.options.rate = -(100000 / n);
    } else if (a == "--ms" && hasValue && ParseCount(args[i + 1], n)) {
      ++i;
      q.options.rate = n;
    } else if (a == "--lead" && hasValue && (args[i + 1] == "0" || ParseCount(args[i + 1], n))) {
      ++i;
      q.options.soundLeadMs = static_cast<uint32_t>(n);
    } else if (a == "--ring") {
      q.options.ring = true;
    } else if (a == "--interlace") {
      q.options.interlaced = true;
    } else if (a == "--double") {
      q.options.doubled = true;
    } else if (a == "--audio" && hasValue) {
      q.audio.push_back(args[++i]);
      q.raw.push_back(false);
    } else if (a == "--raw-audio" && !q.raw.empty()) {
      q.raw.back() = true;
    } else if (!a.empty() && a[0] == '-') {
      return brindle::Fail("ztptool: unknown or incomplete option " + a + "\n");
    } else {
      q.frames.push_back(a);
    }
  }
  if (q.output.empty() || q.frames.empty() || q.audio.size() > static_cast<size_t>(kZoeTracks)) {
    return brindle::Fail("");
  }
  return q;
}

// Every frame BMP, all of one size, which becomes the movie's size.
brindle::Status ReadFrames(const EncodeRequest& q, zoe::EncodeOptions& options,
                           std::vector<zoe::EncodeFrame>& pictures) {
  for (const std::string& name : q.frames) {
    const brindle::Result<brindle::Bytes> bytes = brindle::ReadWholeFile(name);
    if (!bytes) return bytes.error();
    brindle::BmpReadOptions palettes;
    palettes.widenPalette = true;
    brindle::BmpReadResult bmp = brindle::ReadBmp(*bytes, palettes);
    const std::string why = FrameProblem(bmp);
    if (!why.empty()) return brindle::Fail(name + ": " + why);
    const uint32_t width = static_cast<uint32_t>(bmp.image.width);
    const uint32_t height = static_cast<uint32_t>(bmp.image.height);
    if (pictures.empty()) {
      options.width = width;
      options.height = height;
    } else if (width != options.width || height != options.height) {
      return brindle::Fail(name + " differs in size from the first frame");
    }
    pictures.push_back({std::move(bmp.image.pixels), bmp.image.colours});
  }
  return brindle::Ok();
}

// Every WAV file as a sound track, in the order given.
brindle::Status ReadTracks(const EncodeRequest& q, zoe::EncodeOptions& options) {
  for (size_t t = 0; t < q.audio.size(); ++t) {
    const brindle::Result<brindle::Bytes> bytes = brindle::ReadWholeFile(q.audio[t]);
    if (!bytes) return bytes.error();
    brindle::Result<brindle::WavSound> wav = brindle::ReadWav(*bytes);
    if (!wav) return brindle::Fail(q.audio[t] + ": " + wav.message());
    zoe::EncodeAudio track;
    track.sampleRate = wav->format.rate;
    track.stereo = wav->format.channels == 2;
    track.bits16 = wav->format.bits == 16;
    track.compressed = !q.raw[t];
    track.pcm = std::move(wav->pcm);
    options.tracks.push_back(std::move(track));
  }
  return brindle::Ok();
}

int Encode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  brindle::Result<EncodeRequest> request = ParseEncodeArgs(args);
  if (!request) {
    err << request.message() << kUsage;
    return 2;
  }
  const std::string& output = request->output;
  zoe::EncodeOptions& options = request->options;
  std::vector<zoe::EncodeFrame> pictures;
  brindle::Status read = ReadFrames(*request, options, pictures);
  if (read) read = ReadTracks(*request, options);
  if (!read) {
    err << "ztptool: " << read.message() << "\n";
    return 1;
  }
  const zoe::EncodeResult result = zoe::EncodeMovie(options, pictures);
  if (!result.ok) {
    err << "ztptool: " << result.error << "\n";
    return 1;
  }
  if (result.paletteRounded) {
    err << "ztptool: note: palette components were rounded to the movie's 64 levels\n";
  }
  if (!brindle::WriteWholeFile(output, result.movie).ok()) {
    err << "ztptool: cannot write " << output << "\n";
    return 1;
  }
  out << pictures.size() << " frames, " << result.movie.size() << " bytes written to " << output
      << "\n";
  return 0;
}

}  // namespace

int RunZtpTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "--help" || args[0] == "-h") {
    out << "Shows a movie's facts, decodes it to BMP and WAV files and encodes it from them.\n"
        << kUsage << "  ztptool --help | --version\n";
    return 0;
  }
  if (args[0] == "--version") {
    out << "ztptool " << BRINDLE_VERSION << '\n';
    return 0;
  }
  if (args[0] == "info") return Info(rest, out, err);
  if (args[0] == "decode") return Decode(rest, out, err);
  if (args[0] == "encode") return Encode(rest, out, err);
  err << kUsage;
  return 2;
}

}  // namespace ztptool
