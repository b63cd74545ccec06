// The movie layer: opening a movie, reading its frames through a read-ahead buffer or from
// memory, decoding pictures and sound, and the sound clock that paces playback.
//
// Movie layout: a 104-byte header, the frame size table (4 bytes per frame), the frame type
// table (1 byte per frame), the tree data, then the frames back to back. A ring frame, when
// flagged, follows the last frame and stands in for frame 0 on every later pass. A frame holds
// an optional palette chunk, one sound chunk per flagged track, and the video data.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "player/movie/zoe_platform.h"
#include "player/movie/zoe_trees.h"

// ZoeOpen flags.
inline constexpr uint32_t kZoeForceRate = 0x80;
inline constexpr uint32_t kZoeFillBuffer = 0x100;
inline constexpr uint32_t kZoePreload = 0x200;
inline constexpr uint32_t kZoeNeverSkip = 0x400;
inline constexpr uint32_t kZoeSimulateSpeed = 0x800;
inline constexpr uint32_t kZoeFromHandle = 0x1000;
inline constexpr uint32_t kZoeTrack0 = 0x2000;  // << t for track t
inline constexpr uint32_t kZoeAllTracks = 0x000FE000;
inline constexpr uint32_t kZoeInterlace = 0x100000;
inline constexpr uint32_t kZoeDouble = 0x200000;
inline constexpr uint32_t kZoeNoScaling = 0x300000;
inline constexpr uint32_t kZoeCallerRecord = 0x2000000;

inline constexpr uint32_t kZoeMagic = 0x3250545A;  // "ZTP2"
inline constexpr int kZoeHeaderSize = 104;
inline constexpr int kZoeTracks = 7;
inline constexpr uint32_t kZoeRecordSize = 1560;
inline constexpr uint32_t kZoeTrackRecordSize = 148;
inline constexpr uint32_t kZoeTreeFixedSize = 53352;
// Largest picture any program takes from a movie, in pixels (as shown, so doubled lines
// count): far beyond any real movie, small enough to allocate without thought. ZoeOpen
// refuses a header that claims more, before anything is sized by it.
inline constexpr uint64_t kZoeMaxPixels = 1u << 26;

// Header flag bits.
inline constexpr uint32_t kZoeHeaderRing = 1;
inline constexpr uint32_t kZoeHeaderInterlaced = 2;
inline constexpr uint32_t kZoeHeaderDoubled = 4;

// Frame type byte bits: a palette chunk, and a sound chunk for track t.
inline constexpr uint8_t kZoeFramePalette = 1;
inline constexpr uint8_t kZoeFrameSound0 = 2;  // << t for track t

// Audio rate word bits.
inline constexpr uint32_t kZoeAudioStereo = 1u << 28;
inline constexpr uint32_t kZoeAudio16Bit = 1u << 29;
inline constexpr uint32_t kZoeAudioPresent = 1u << 30;
inline constexpr uint32_t kZoeAudioCompressed = 1u << 31;

struct ZoeHeader {
  uint32_t magic = kZoeMagic;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t frames = 0;
  int32_t rate = 0;
  uint32_t flags = 0;
  std::array<uint32_t, kZoeTracks> audioSize{};
  uint32_t treesSize = 0;
  std::array<uint32_t, 4> treeSize{};  // pattern, colour, full, type
  std::array<uint32_t, kZoeTracks> audioRate{};
  uint32_t reserved = 0;

  static ZoeHeader Parse(const uint8_t bytes[kZoeHeaderSize]);
  void Write(uint8_t bytes[kZoeHeaderSize]) const;
};

// Frame period in 10-microsecond units and the whole frames per second derived from it.
uint32_t ZoePeriod(int32_t rate);
uint32_t ZoeFramesPerSecond(uint32_t period);

// Where decoded pictures go: one linear 8-bit buffer.
struct ZoeTarget {
  uint8_t mode = 0;  // 1: linear buffer
  bool doubled = false;
  uint8_t* origin = nullptr;  // top-left pixel of the movie in the destination
  uint32_t blocksPerRow = 0;
  uint32_t blockRows = 0;
  // Bytes from one decoded line to the next; a doubled line is also written one pitch below.
  ptrdiff_t lineStep = 0;
  ptrdiff_t pitch = 0;
  uint32_t width = 0;
  uint32_t storedHeight = 0;
  // One byte per 16 consecutive blocks: 1 when the last frame wrote into that group.
  std::vector<uint8_t> changed;
};

// Destination description for ZoeSetTarget.
struct ZoeSurface {
  uint8_t* pixels = nullptr;
  int32_t pitch = 0;  // bytes per destination line
  int32_t width = 0;  // destination size in pixels
  int32_t height = 0;
  int32_t x = 0;  // where the movie goes
  int32_t y = 0;
  bool bottomUp = false;
};

struct ZoeMovie;

struct ZoeTrack {
  ZoeMovie* movie = nullptr;
  int number = 0;
  // Ring buffer of decoded sound.
  std::vector<uint8_t> ring;
  uint32_t writePos = 0;
  uint32_t readPos = 0;
  uint32_t buffered = 0;
  // Format.
  uint32_t bytesPerSecond = 0;
  uint32_t sampleRate = 0;
  bool bits16 = false;
  bool stereo = false;
  bool compressed = false;
  int64_t bytesPerFrame1024 = 0;
  // Sound clock (bytes, or bytes x 1024 for the accumulators).
  int64_t frameAcc = 0;
  int64_t anchor = 0;
  int64_t lateAcc = 0;
  uint64_t totalWritten = 0;
  uint32_t largestChunk = 0;
  uint32_t overflows = 0;
  uint32_t soundSkips = 0;
  bool noSound = false;
  bool underrun = false;
  bool underrunHandled = false;
  // The output's own state.
  std::shared_ptr<void> outputState;

  uint8_t Silence() const { return bits16 ? 0 : 0x80; }
};

// Copies up to n buffered bytes out of a track's ring (for sound outputs); returns the count.
uint32_t ZoeTrackTake(ZoeTrack& track, uint8_t* destination, uint32_t n);

// How the movie played, gathered while it was opened and played; times in ms.
struct ZoeStats {
  uint32_t playbackTime = 0;        // since the first ZoeDecodeFrame
  uint32_t period = 0;              // 10-microsecond units
  uint32_t openTime = 0;            // spent in ZoeOpen
  uint32_t framesPlayed = 0;        // ZoeDecodeFrame calls that did work
  uint32_t skippedFrames = 0;       // late frames whose video was not decoded
  uint32_t soundSkips = 0;          // padded underruns of the sync track
  uint32_t blitTime = 0;            // from the blit start to the end of each frame
  uint32_t readTime = 0;            // foreground reading during playback
  uint32_t decompressTime = 0;      // decoding, up to the blit start
  uint32_t backgroundReadTime = 0;  // read-ahead while the player waited
  uint32_t deviceSpeed = 0;         // bytes per second read, foreground and background
  uint32_t slowestTime = 0;         // 1000 when not measured
  uint32_t secondSlowestTime = 0;   // 1000 when not measured
  uint32_t slowestFrame = 0;        // counted from 1
  uint32_t secondSlowestFrame = 0;
  uint32_t averageFrameSize = 0;  // bytes
  uint32_t peakMemory = 0;        // bytes the movie held at most
  uint32_t bufferSize = 0;        // read-ahead ring, 0 when preloaded
  uint32_t peakBuffered = 0;      // most bytes held in the read-ahead ring
};

struct ZoeMovie {
  ZoeHeader header;  // rate and height as changed by ZoeOpen
  uint32_t flags = 0;
  ZoeContext* context = nullptr;

  // File and buffering.
  ZoeFile* file = nullptr;  // null after a preload
  std::unique_ptr<ZoeFile> ownedFile;
  int64_t frame0Offset = 0;    // absolute file offset of frame 0
  int64_t consumedOffset = 0;  // absolute offset up to which data has been consumed
  int64_t fileEnd = -1;        // absolute end of the file when known
  uint32_t tableEntries = 0;   // frames plus the ring frame
  std::vector<uint32_t> frameSizes;
  std::vector<uint8_t> frameTypes;
  std::vector<int64_t> frameStarts;  // offset of each frame from frame 0
  bool preloaded = false;
  std::vector<uint8_t> readBuffer;  // capacity + 8 spare bytes
  uint64_t readCapacity = 0;
  uint64_t loaded = 0;  // preload: bytes actually present
  const uint8_t* frameData = nullptr;
  uint32_t frameSize = 0;
  // Read-ahead ring.
  std::vector<uint8_t> ring;
  uint32_t ringSize = 0;  // B
  uint32_t ringRead = 0;
  uint32_t ringWrite = 0;
  uint32_t ringWrap = 0;
  uint32_t ringHeld = 0;
  bool readError = false;
  uint32_t readSpeed = 0;  // simulated device speed copied at open (flag 0x800), bytes/s

  // Frame navigation.
  uint32_t period = 0;
  uint32_t frame = 0;
  int64_t paletteFrame = -1;
  const uint8_t* paletteChunk = nullptr;
  std::array<const uint8_t*, kZoeTracks> soundChunk{};
  std::array<uint32_t, kZoeTracks> soundChunkSize{};
  const uint8_t* videoData = nullptr;
  uint32_t videoSize = 0;
  uint32_t bytesBeforeVideo = 0;
  std::array<uint8_t, 768> palette{};
  bool paletteChanged = false;

  zoe::VideoTrees trees;
  ZoeTarget target;

  std::array<std::unique_ptr<ZoeTrack>, kZoeTracks> tracks;
  int syncTrack = -1;
  bool soundPaused = false;
  uint32_t pausedFrame = 0;
  bool soundCheckPending = false;

  // Frame clock without sound.
  bool dueSet = false;
  uint64_t nextDue = 0;  // 10-microsecond units
  bool frameConsumed = false;

  // Statistics.
  uint64_t memoryInUse = 0;
  uint64_t memoryPeak = 0;
  uint64_t foregroundBytes = 0;
  uint32_t foregroundTime = 0;
  uint64_t backgroundBytes = 0;
  uint32_t backgroundTime = 0;
  uint32_t openReadTime = 0;
  uint32_t peakHeld = 0;
  uint32_t largestFrame = 0;
  uint64_t totalFrameBytes = 0;
  uint64_t highestRate = 0;
  uint32_t highestRateFrame = 0;
  uint32_t averageFrameSize = 0;
  uint32_t openTime = 0;
  uint32_t decompressTime = 0;
  uint32_t blitTime = 0;
  std::array<uint32_t, 2> slowestTime{1000, 1000};
  std::array<uint32_t, 2> slowestFrame{0, 0};
  bool slowestMeasured = false;
  uint32_t framesDecoded = 0;
  uint32_t framesSkipped = 0;
  bool playbackStarted = false;
  uint32_t playbackStart = 0;
  bool frameTiming = false;
  uint32_t frameStart = 0;
  uint32_t decompressStart = 0;
  bool blitAsked = false;
  uint32_t blitStart = 0;
  uint32_t timedFrame = 0;

  void Count(uint64_t bytes);
  void Uncount(uint64_t bytes);
};

// Where ZoeOpen finds its movie. With kZoeFromHandle the movie starts at the current
// position of `file`, which ZoeClose leaves open; with kZoeCallerRecord the movie lives in
// `record` (and, together with kZoeFromHandle, the file is taken from record->file).
struct ZoeSource {
  std::string name;
  ZoeFile* file = nullptr;
  ZoeMovie* record = nullptr;
};

// How this layer fails: unlike the rest of the tree it answers with null (or 0, or false)
// and says why in a debug line through the context (shown when ZOETROPE_DEBUG asks for
// them), never in a message for the user. Its callers (the player, ztptool) word what the
// user sees from what failed; the debug lines are this layer's whole report. This holds for
// ZoeOpen and every call below it.
ZoeMovie* ZoeOpen(const ZoeSource& source, uint32_t flags, int32_t extra,
                  ZoeContext& context = ZoeDefaultContext());
void ZoeClose(ZoeMovie* movie);

// The sound the current frame carries for track t, as PCM in the track's format (empty when
// the frame has no chunk for it); a chunk longer than any track's ring is cut there, as
// playback would. For tools that take a movie's sound apart without playing it: no sound
// output or open track is needed, only a workspace for the sound trees.
std::vector<uint8_t> ZoeFrameSound(const ZoeMovie& movie, int track, zoe::SoundTrees& workspace);
// The most sound track t can deliver over the whole movie, in bytes: what playback can take
// from it (its ring's worth plus one frame's share per frame); a damaged length field in
// the frames claims far more.
uint64_t ZoeTrackSoundLimit(const ZoeMovie& movie, int track);

// Returns 1 when the frame's video was late (and, unless kZoeNeverSkip, not decoded).
int ZoeDecodeFrame(ZoeMovie* movie);
void ZoeAdvance(ZoeMovie* movie);
void ZoeSeek(ZoeMovie* movie, uint32_t frame);
// 1: keep waiting; 0: the next frame may be shown.
int ZoeFrameDue(ZoeMovie* movie);
// on = 0 pauses the movie's sound, otherwise resumes it; 0 when a resume failed.
int ZoeSoundPause(ZoeMovie* movie, int on, bool force = false);
bool ZoeSetTarget(ZoeMovie* movie, const ZoeSurface& surface);
void ZoeRemapColors(ZoeMovie* movie, const uint8_t map[256]);
void ZoeGetStats(ZoeMovie* movie, ZoeStats& stats);
// The player asks for the changed area of the frame: the blit begins.
void ZoeNoteBlitStart(ZoeMovie* movie);
// One read-ahead step while the player waits; returns the bytes read.
uint32_t ZoeBackgroundRead(ZoeMovie* movie);

namespace zoe {

// Run lengths of the type values (index: bits 2-7).
extern const uint16_t kRunLengths[64];
// 6-bit palette components to 8 bits.
extern const uint8_t kComponent[64];

// Decodes one frame's video into the target and fills its changed-block map. The data is
// read through the 64-bit reader unless `fast` is false; both give the same pixels.
void DecodeVideo(VideoTrees& trees, const uint8_t* data, size_t size, ZoeTarget& target, bool fast);
// Builds the new palette (256 x RGB) from a palette chunk's bytes after its length byte;
// reads never go past `size`.
void ApplyPaletteChunk(const uint8_t* data, size_t size, std::array<uint8_t, 768>& palette);

// Decompresses a compressed sound chunk's bit stream into `out`, which holds `size` bytes
// starting at `start` and wrapping at its end; writes exactly `length` bytes (silence when
// the chunk holds no sound or its data runs out). silence is the track's silent byte.
void DecompressSound(const uint8_t* data, size_t size, uint8_t* out, size_t outSize, size_t start,
                     size_t length, uint8_t silence, SoundTrees& workspace);

}  // namespace zoe
