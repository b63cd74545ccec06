#include "viewer/ui/pages/movie_preview.h"

#include <algorithm>
#include <memory>

#include "player/movie/zoe.h"

namespace brindle {

namespace {

// The largest first frame decoded for the page; a header claiming more is not believed.
constexpr std::uint64_t kMaxPreviewPixels = 4096 * 4096;

// The movie's bytes inside the container, seen by the movie layer as a file of its own:
// position 0 is the movie's first byte and nothing past its last one can be read.
class EntryFile : public ZoeFile {
 public:
  EntryFile(ByteFile& container, std::int64_t offset, std::int64_t size)
      : container_(container), offset_(offset), size_(size) {}
  int64_t Read(void* destination, int64_t n) override {
    const int64_t wanted = std::clamp<int64_t>(n, 0, size_ - pos_);
    if (wanted <= 0) return 0;
    Result<std::size_t> got =
        container_.ReadAt(offset_ + pos_, destination, static_cast<std::size_t>(wanted));
    if (!got) return 0;  // the movie layer takes a read that brings nothing as its end
    pos_ += static_cast<int64_t>(*got);
    return static_cast<int64_t>(*got);
  }
  bool Seek(int64_t offset) override {
    if (offset < 0 || offset > size_) return false;
    pos_ = offset;
    return true;
  }
  int64_t Tell() override { return pos_; }
  int64_t Size() override { return size_; }

 private:
  ByteFile& container_;
  std::int64_t offset_;
  std::int64_t size_;
  std::int64_t pos_ = 0;
};

struct MovieCloser {
  void operator()(ZoeMovie* m) const { ZoeClose(m); }
};

QString TrackFact(int track, std::uint32_t word) {
  return QStringLiteral("track %1: %2 Hz, %3, %4, %5")
      .arg(track)
      .arg(word & 0xFFFFFF)
      .arg(word & kZoeAudio16Bit ? "16-bit" : "8-bit")
      .arg(word & kZoeAudioStereo ? "stereo" : "mono")
      .arg(word & kZoeAudioCompressed ? "compressed" : "raw");
}

QString Facts(const ZoeMovie& m) {
  const ZoeHeader& h = m.header;
  // The period is in units of 10 microseconds.
  const double seconds = static_cast<double>(h.frames) * m.period / 100000.0;
  QString facts = QStringLiteral(
                      "width: %1\nheight: %2\nframes: %3\nrate: %4\n"
                      "frames per second: %5\nlength: %6 s")
                      .arg(h.width)
                      .arg(h.height)
                      .arg(h.frames)
                      .arg(h.rate)
                      .arg(ZoeFramesPerSecond(m.period))
                      .arg(seconds, 0, 'f', 2);
  int tracks = 0;
  for (int t = 0; t < kZoeTracks; ++t) {
    if (h.audioRate[t] & kZoeAudioPresent) {
      facts += '\n' + TrackFact(t, h.audioRate[t]);
      ++tracks;
    }
  }
  if (tracks == 0) facts += QStringLiteral("\nsound tracks: none");
  return facts;
}

// The first frame in the movie's colours, or a null image when there is none to show.
QImage FirstFrame(ZoeMovie& m) {
  const std::uint32_t w = m.header.width;
  const std::uint32_t h = m.header.height;
  if (w == 0 || h == 0 || std::uint64_t{w} * h > kMaxPreviewPixels || m.tableEntries == 0)
    return {};
  QImage frame(static_cast<int>(w), static_cast<int>(h), QImage::Format_Indexed8);
  frame.fill(0);
  ZoeSurface surface;
  surface.pixels = frame.bits();
  surface.pitch = static_cast<int32_t>(frame.bytesPerLine());
  surface.width = static_cast<int32_t>(w);
  surface.height = static_cast<int32_t>(h);
  if (!ZoeSetTarget(&m, surface)) return {};
  ZoeDecodeFrame(&m);
  if (m.readError) return {};
  QList<QRgb> colours(256);
  for (int i = 0; i < 256; ++i) {
    colours[i] = qRgb(m.palette[static_cast<std::size_t>(3 * i)],
                      m.palette[static_cast<std::size_t>(3 * i + 1)],
                      m.palette[static_cast<std::size_t>(3 * i + 2)]);
  }
  frame.setColorTable(colours);
  return frame;
}

}  // namespace

std::optional<MoviePreview> PreviewMovie(ByteFile& container, const TResourceInfo& entry) {
  if (UpperExtension(entry.Name) == ".KNO" || entry.Size <= 0) return std::nullopt;
  EntryFile file(container, entry.Offset, entry.Size);
  // A context of its own: no sound output, no debug lines, nothing shared with a player.
  ZoeContext context;
  context.debug = 0;
  ZoeSource source;
  source.file = &file;
  std::unique_ptr<ZoeMovie, MovieCloser> movie(
      ZoeOpen(source, kZoeFromHandle | kZoeNeverSkip, -1, context));
  if (!movie) return std::nullopt;
  MoviePreview preview;
  preview.facts = Facts(*movie);
  preview.firstFrame = FirstFrame(*movie);
  return preview;
}

}  // namespace brindle
