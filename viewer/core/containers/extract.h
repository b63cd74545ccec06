#pragma once
// Reading an entry's payload, inflating compressed payloads and building new ones.
//
// A payload is compressed exactly when its first two bytes are 78 9C: a whole zlib stream
// follows (deflate data and the Adler-32 of the unpacked bytes). PackedSize counts the
// stream with its marker, UnpackedSize what it inflates to. Anything else is stored raw.

#include <cstdint>
#include <string>

#include "common/bytes.h"
#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/containers/lod_entry.h"
#include "viewer/core/host.h"

namespace brindle {

inline constexpr std::int32_t kMapHeaderSize = 8;

enum class InflateStatus { kOk, kMemError, kBufError, kDataError, kFailed };

struct InflateResult {
  InflateStatus status = InflateStatus::kOk;
  Bytes bytes;
};

// Inflates the zlib stream of `length` bytes at offset into exactly n bytes (missing bytes
// are zero; a failed read is kept for file.TakeReadFailure()). The three failures the user should
// hear of are shown through the host: "Error Inflating: MEM_ERROR!", "...BUF_ERROR!",
// "...DATA_ERROR!". A stream with nothing after its marker, or a negative size, gives an empty
// buffer without a message. An n no stream of this length could reach is a BUF_ERROR with only what
// was inflated, so a lying header never costs more memory than the stream could fill.
InflateResult InflatePayload(ByteFile& file, std::int64_t offset, std::int32_t length,
                             std::int32_t n, CoreHost& host);
InflateResult InflateBytes(ByteView stream, std::int32_t n, CoreHost& host);

// What a whole stream of `length` bytes at offset gives when inflated a piece at a time, so
// that neither the stream nor its output is ever held whole. Inflating stops once it has given
// more than `limit` bytes. Nothing is said through a host.
struct StreamOutcome {
  InflateStatus status = InflateStatus::kOk;  // kOk: the stream ended within its length
  bool badChecksum = false;   // kDataError because the Adler-32 does not match the bytes
  std::int64_t inflated = 0;  // bytes given, at most limit + 1
  std::string reason;         // zlib's word for a data error
};
// The bytes must lie inside the file; a read that fails is an error, never taken as zeros.
Result<StreamOutcome> InflateStream(ByteFile& file, std::int64_t offset, std::int64_t length,
                                    std::int64_t limit);

// The entry's payload after a header of h bytes: inflated when it starts with the marker,
// else the stored bytes after the header (the whole entry when it is no longer than h).
// These decode a damaged entry as far as it goes: a read that fails leaves zeros and is kept
// for file.TakeReadFailure(), which whoever hands the result on checks first.
Bytes ExtractEntry(ByteFile& file, const TResourceInfo& entry, std::int32_t h, CoreHost& host);
// As ExtractEntry, but an uncompressed payload comes with its header: the whole entry.
Bytes ExtractBinEntry(ByteFile& file, const TResourceInfo& entry, std::int32_t h, CoreHost& host);
// The entry's bytes exactly as stored; an entry that reaches outside the file (kDamaged) or a
// read that fails (kReadFailed) is an error.
Result<Bytes> ReadStoredEntry(ByteFile& file, const TResourceInfo& entry);

// True when every byte the directory gives the entry lies inside a file of this size. An
// entry that reaches outside (a damaged directory, a cut file) cannot be shown or saved:
// what the readers would give for it is zeros, or other entries' bytes.
bool EntryInsideFile(const TResourceInfo& entry, std::int64_t fileSize);
// What an import says of such an entry.
std::string OutsideFileMessage(const TResourceInfo& entry, std::int64_t fileSize);

// True when the two bytes at pos are the compression marker.
bool HasZlibMarker(ByteView bytes, std::size_t pos = 0);

// A complete zlib stream of the bytes at the default level: 78 9C, deflate data, Adler-32.
Bytes BuildCompressedPayload(ByteView unpacked);
// Size of the buffer the compressor starts with: length x 1.001 + 12, halves to even.
std::size_t CompressBufferSize(std::size_t length);

// The most bytes a deflate stream of this length could inflate to.
std::int64_t MaxInflatedSize(std::int64_t streamLength);

}  // namespace brindle
