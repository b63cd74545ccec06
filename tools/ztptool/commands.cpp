#include "tools/ztptool/commands.h"

#include <algorithm>
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
    "  ztptool encode -o MOVIE [--from DIR] [--fps N | --ms N] [--ring]\n"
    "                 [--interlace | --double] [--lead MS] [--audio WAV [--raw-audio]]...\n"
    "                 [FRAME.bmp...]\n"
    "Frames are 8-bit BMPs of one size, width and height multiples of 4, given at their\n"
    "stored size (--interlace and --double only mark how the lines are shown).\n"
    "The sound runs --lead MS milliseconds ahead of the pictures (default 500, 0 for none),\n"
    "so the player has it in hand while the frames come in; the lead is cut to what the\n"
    "player buffers for a track beside one frame: about one second.\n"
    "decode also writes movie.txt (rate, ring frame, lines, each track's storage and lead);\n"
    "encode --from DIR rebuilds the movie from a decode folder: its frames, tracks and\n"
    "movie.txt, options given on the command line winning.\n";

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
  std::array<uint64_t, kZoeTracks> firstFrameBytes{};
  uint32_t framesTaken = 0;
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
      if (framesTaken == 0) firstFrameBytes[t] = pcm.size();
    }
    ++framesTaken;
  }
  // How far a track's sound runs ahead of the pictures, in samples: what the first frame
  // carries beyond its share of the frame clock (unknown with a single frame: none).
  int64_t LeadSamples(int t, uint32_t period) const {
    const auto& f = sound[t].format;
    const uint64_t frameBytes = uint64_t{f.channels} * (f.bits / 8);
    if (framesTaken < 2 || frameBytes == 0) return 0;
    const uint64_t share = uint64_t{f.rate} * period / 100000;
    const uint64_t first = firstFrameBytes[t] / frameBytes;
    return first > share ? static_cast<int64_t>(first - share) : 0;
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

// What encode --from needs besides the frames and tracks, beside them in a decode folder.
constexpr const char* kMovieFacts = "movie.txt";

brindle::Bytes MovieFacts(const ZoeMovie& m, const TrackSounds& tracks) {
  std::string text =
      "# Written by ztptool decode: what `ztptool encode --from` needs to rebuild the movie.\n";
  text += "frames: " + std::to_string(m.header.frames) + "\n";
  text += "rate: " + std::to_string(m.header.rate) + "\n";
  text += std::string("ring: ") + (m.header.flags & kZoeHeaderRing ? "yes" : "no") + "\n";
  text += std::string("lines: ") +
          (m.flags & kZoeInterlace ? "interlaced"
           : m.flags & kZoeDouble  ? "doubled"
                                   : "single") +
          "\n";
  for (int t = 0; t < kZoeTracks; ++t) {
    if (!tracks.wanted[t]) continue;
    text += "track " + std::to_string(t) + ": " +
            (m.header.audioRate[t] & kZoeAudioCompressed ? "compressed" : "raw") + ", lead " +
            std::to_string(tracks.LeadSamples(t, m.period)) + "\n";
  }
  return brindle::Bytes(text.begin(), text.end());
}

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
  std::string unwritten = tracks.Write(dir);
  const std::string facts = (std::filesystem::path(dir) / kMovieFacts).string();
  if (unwritten.empty() && !brindle::WriteWholeFile(facts, MovieFacts(*m, tracks), false).ok())
    unwritten = facts;
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
  std::vector<bool> raw;             // per audio file: stored uncompressed
  std::vector<int64_t> leadSamples;  // per audio file: its lead, from a decode folder
  std::string from;                  // a decode folder to rebuild from
  bool framesAsShown = false;        // the frames are decoded ones: lines as shown
  bool rateGiven = false, linesGiven = false, leadGiven = false;
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
    } else if (a == "--from" && hasValue) {
      q.from = args[++i];
    } else if (a == "--fps" && hasValue && ParseCount(args[i + 1], n)) {
      ++i;
      q.options.rate = -(100000 / n);
      q.rateGiven = true;
    } else if (a == "--ms" && hasValue && ParseCount(args[i + 1], n)) {
      ++i;
      q.options.rate = n;
      q.rateGiven = true;
    } else if (a == "--lead" && hasValue && (args[i + 1] == "0" || ParseCount(args[i + 1], n))) {
      ++i;
      q.options.soundLeadMs = static_cast<uint32_t>(n);
      q.leadGiven = true;
    } else if (a == "--ring") {
      q.options.ring = true;
    } else if (a == "--interlace") {
      q.options.interlaced = true;
      q.linesGiven = true;
    } else if (a == "--double") {
      q.options.doubled = true;
      q.linesGiven = true;
    } else if (a == "--audio" && hasValue) {
      q.audio.push_back(args[++i]);
      q.raw.push_back(false);
      q.leadSamples.push_back(-1);
    } else if (a == "--raw-audio" && !q.raw.empty()) {
      q.raw.back() = true;
    } else if (!a.empty() && a[0] == '-') {
      return brindle::Fail("ztptool: unknown or incomplete option " + a + "\n");
    } else {
      q.frames.push_back(a);
    }
  }
  if (q.output.empty() || (q.frames.empty() && q.from.empty()) ||
      q.audio.size() > static_cast<size_t>(kZoeTracks)) {
    return brindle::Fail("");
  }
  return q;
}

// Fills what the command line left open from a decode folder: the frames (frame_*.bmp in
// name order), the tracks (track_T.wav with their storage and lead) and movie.txt's rate,
// ring frame and lines.
brindle::Status TakeDecodeFolder(EncodeRequest& q) {
  const std::filesystem::path dir(q.from);
  const brindle::Result<brindle::Bytes> factsFile =
      brindle::ReadWholeFile((dir / kMovieFacts).string());
  if (!factsFile) return factsFile.error();
  const std::string text(factsFile->begin(), factsFile->end());
  std::vector<std::pair<std::string, bool>> tracks;  // file, raw
  std::vector<int64_t> leads;
  size_t pictureCount = 0;  // 0: every frame file
  size_t start = 0;
  for (int line = 1; start < text.size(); ++line) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string l = text.substr(start, end - start);
    start = end + 1;
    if (l.empty() || l[0] == '#') continue;
    const auto bad = [&] {
      return brindle::Fail((dir / kMovieFacts).string() + ", line " + std::to_string(line) +
                           ": cannot read \"" + l + "\"");
    };
    const size_t colon = l.find(": ");
    if (colon == std::string::npos) return bad();
    const std::string key = l.substr(0, colon), value = l.substr(colon + 2);
    if (key == "frames") {
      // The pictures the movie is made of; a ring frame after them is made anew.
      char* stop = nullptr;
      const long frames = std::strtol(value.c_str(), &stop, 10);
      if (stop == value.c_str() || *stop != 0 || frames < 1) return bad();
      pictureCount = static_cast<size_t>(frames);
    } else if (key == "rate") {
      char* stop = nullptr;
      const long rate = std::strtol(value.c_str(), &stop, 10);
      if (stop == value.c_str() || *stop != 0 || rate == 0 || rate < -100000 || rate > 100000)
        return bad();
      if (!q.rateGiven) q.options.rate = static_cast<int32_t>(rate);
    } else if (key == "ring" && (value == "yes" || value == "no")) {
      if (value == "yes") q.options.ring = true;
    } else if (key == "lines" &&
               (value == "single" || value == "interlaced" || value == "doubled")) {
      if (!q.linesGiven) {
        q.options.interlaced = value == "interlaced";
        q.options.doubled = value == "doubled";
      }
    } else if (key.rfind("track ", 0) == 0) {
      const std::string number = key.substr(6);
      const bool raw = value.rfind("raw", 0) == 0;
      const size_t at = value.find(", lead ");
      if (number.size() != 1 || number[0] < '0' || number[0] >= '0' + kZoeTracks ||
          (!raw && value.rfind("compressed", 0) != 0) || at == std::string::npos)
        return bad();
      char* stop = nullptr;
      const long long lead = std::strtoll(value.c_str() + at + 7, &stop, 10);
      if (*stop != 0 || lead < 0) return bad();
      tracks.emplace_back((dir / ("track_" + number + ".wav")).string(), raw);
      leads.push_back(lead);
    } else {
      return bad();
    }
  }
  if (q.audio.empty()) {
    for (size_t t = 0; t < tracks.size(); ++t) {
      q.audio.push_back(tracks[t].first);
      q.raw.push_back(tracks[t].second);
      q.leadSamples.push_back(q.leadGiven ? -1 : leads[t]);
    }
  }
  if (q.frames.empty()) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
      const std::string name = e.path().filename().string();
      if (name.rfind("frame_", 0) == 0 && e.path().extension() == ".bmp")
        q.frames.push_back(e.path().string());
    }
    if (ec) return brindle::Fail("cannot read the folder " + q.from);
    std::sort(q.frames.begin(), q.frames.end());
    if (q.frames.empty()) return brindle::Fail(q.from + " holds no frame_*.bmp");
    if (pictureCount > 0 && pictureCount < q.frames.size()) q.frames.resize(pictureCount);
    q.framesAsShown = true;
  }
  return brindle::Ok();
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
    if (q.framesAsShown && options.interlaced != options.doubled) {
      // Decoded interlaced or doubled pictures show each stored line on an even row.
      const size_t w = static_cast<size_t>(bmp.image.width);
      const size_t stored = static_cast<size_t>(bmp.image.height) / 2;
      for (size_t y = 0; y < stored; ++y)
        std::copy_n(bmp.image.pixels.begin() + static_cast<std::ptrdiff_t>(2 * y * w), w,
                    bmp.image.pixels.begin() + static_cast<std::ptrdiff_t>(y * w));
      bmp.image.pixels.resize(stored * w);
      bmp.image.height = static_cast<int32_t>(stored);
    }
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
    track.leadSamples = q.leadSamples[t];
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
  brindle::Status read = request->from.empty() ? brindle::Ok() : TakeDecodeFolder(*request);
  if (read) read = ReadFrames(*request, options, pictures);
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
