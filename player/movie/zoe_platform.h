// The few things the movie layer needs from its host: files, a millisecond clock, a sound
// output and a place for debug lines. Everything goes through a ZoeContext so that tests can
// run several independent "processes" side by side with fake files, clocks and outputs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "player/movie/zoe_trees.h"

struct ZoeTrack;

// A readable, seekable byte source. Offsets are absolute positions in the underlying file.
class ZoeFile {
 public:
  virtual ~ZoeFile() = default;
  // Reads up to n bytes; returns how many arrived (0 at the end or on error).
  virtual int64_t Read(void* destination, int64_t n) = 0;
  virtual bool Seek(int64_t offset) = 0;
  virtual int64_t Tell() = 0;
  // Total size of the underlying file, or -1 when it cannot be known.
  virtual int64_t Size() = 0;
};

// Opens a named file for sequential reading; null when it cannot be opened or is no regular
// file (a pipe, a device or a folder is never waited on).
std::unique_ptr<ZoeFile> ZoeOpenDiskFile(const std::string& name);
// True when name exists but is not a regular file, so callers can say why it was refused.
bool ZoeIsIrregularFile(const std::string& name);

// A read-only file over a caller's bytes (which must outlive it).
class ZoeMemoryFile : public ZoeFile {
 public:
  ZoeMemoryFile(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int64_t Read(void* destination, int64_t n) override;
  bool Seek(int64_t offset) override;
  int64_t Tell() override { return pos_; }
  int64_t Size() override { return static_cast<int64_t>(size_); }

  // Every byte handed out so far, for callers that check how much an operation touched.
  uint64_t BytesRead() const { return bytesRead_; }
  uint64_t ReadCalls() const { return readCalls_; }

 private:
  const uint8_t* data_;
  size_t size_;
  int64_t pos_ = 0;
  uint64_t bytesRead_ = 0;
  uint64_t readCalls_ = 0;
};

class ZoeClock {
 public:
  virtual ~ZoeClock() = default;
  virtual uint32_t Milliseconds() = 0;
  // Lets time pass while a caller polls the clock (a fake clock simply moves on).
  virtual void Pause(uint32_t ms) = 0;
};

ZoeClock& ZoeSystemClock();

// The operation table of a sound output. One output serves every open track of a context;
// it takes buffered sound from a track's ring with ZoeTrackTake and reports underruns by
// setting the track's underrun flag. All calls come from the player's thread. Open sees the
// track's format but no ring yet: the ring is allocated once Open has accepted the track.
class ZoeSoundOutput {
 public:
  virtual ~ZoeSoundOutput() = default;
  virtual bool Open(ZoeTrack& track) = 0;
  virtual void Close(ZoeTrack& track) = 0;
  // Bytes of the track played since it was opened or last reset.
  virtual uint32_t Played(ZoeTrack& track) = 0;
  virtual void Reset(ZoeTrack& track) = 0;
  // Lets the output take buffered sound from every track it has open.
  virtual void Service() = 0;
  virtual void Pause(ZoeTrack& track) = 0;
  virtual bool Resume(ZoeTrack& track) = 0;
};

// The output that is always there: it opens no track, so a movie plays silent and keeps
// time by the frame clock. Players fall back to it when no device output works; tools that
// only take movies apart use it throughout. Stateless, so one instance serves every context.
ZoeSoundOutput& ZoeNullOutput();

// Process-wide state of the movie layer: what the player sets before opening movies and
// what all open movies share.
struct ZoeContext {
  ZoeClock* clock = &ZoeSystemClock();
  std::function<std::unique_ptr<ZoeFile>(const std::string&)> openFile = ZoeOpenDiskFile;
  ZoeSoundOutput* output = &ZoeNullOutput();

  uint32_t readSpeed = 0;  // simulated device speed in bytes per second (open flag 0x800)
  int32_t forcedRate = 0;  // header rate used under open flag 0x80
  bool fastReader = true;  // 64-bit bit reader; false selects the 32-bit one

  // Debug lines: -1 until the first ZoeOpen reads ZOETROPE_DEBUG.
  int debug = -1;
  std::function<void(const std::string&)> debugSink;  // default: stderr

  // Sound tracks open in all movies of this context, and the decode workspace they share
  // (present while any track is open).
  int openTracks = 0;
  std::unique_ptr<zoe::SoundTrees> soundTrees;

  void Debug(const std::string& line);
};

ZoeContext& ZoeDefaultContext();

// The two small operations the player calls before ZoeOpen.
void ZoeSetReadSpeed(uint32_t bytesPerSecond, ZoeContext& context = ZoeDefaultContext());
void ZoeSetForcedRate(int32_t rate, ZoeContext& context = ZoeDefaultContext());
