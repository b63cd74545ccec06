#include "viewer/core/containers/extract.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/codepage.h"

namespace brindle {

namespace {

// The bytes at [offset, offset + count); the part past the end of the file reads as zero, and
// so does a part whose read failed (kept for the file's TakeReadFailure). No buffer is ever
// larger than the file itself, whatever count a damaged header claims.
Bytes ReadRange(ByteFile& file, std::int64_t offset, std::int64_t count) {
  if (count <= 0) return {};
  return file.ReadForDecoding(offset, static_cast<std::size_t>(std::min(count, file.Size())));
}

InflateStatus StatusOf(int rc) {
  switch (rc) {
    case Z_STREAM_END:
      return InflateStatus::kOk;
    case Z_MEM_ERROR:
      return InflateStatus::kMemError;
    case Z_BUF_ERROR:
    case Z_OK:
      // Output full or input used up before the end of the stream.
      return InflateStatus::kBufError;
    case Z_DATA_ERROR:
      return InflateStatus::kDataError;
    default:
      return InflateStatus::kFailed;
  }
}

}  // namespace

bool HasZlibMarker(ByteView bytes, std::size_t pos) {
  return ByteAt(bytes, pos) == 0x78 && ByteAt(bytes, pos + 1) == 0x9C && pos + 1 < bytes.size();
}

std::int64_t MaxInflatedSize(std::int64_t streamLength) {
  // Deflate's best case is a two-bit code for a 258-byte match: about 1032 bytes per input
  // byte. Add room for the final block's tail.
  return std::max<std::int64_t>(0, streamLength) * 1032 + 1024;
}

InflateResult InflateBytes(ByteView stream, std::int32_t n, CoreHost& host) {
  InflateResult result;
  if (stream.size() <= 2 || n < 0) {
    result.status = InflateStatus::kFailed;
    return result;
  }
  const bool reachable = n <= MaxInflatedSize(static_cast<std::int64_t>(stream.size()));
  const std::size_t capacity =
      reachable
          ? static_cast<std::size_t>(n)
          : static_cast<std::size_t>(MaxInflatedSize(static_cast<std::int64_t>(stream.size())));
  result.bytes.assign(capacity, 0);

  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) {
    result.status = InflateStatus::kMemError;
  } else {
    zs.next_in = const_cast<Bytef*>(stream.data());
    zs.avail_in =
        static_cast<uInt>(std::min<std::size_t>(stream.size(), std::numeric_limits<uInt>::max()));
    // zlib refuses a null output pointer even for zero bytes of room.
    std::uint8_t none = 0;
    zs.next_out = capacity > 0 ? result.bytes.data() : &none;
    zs.avail_out = static_cast<uInt>(capacity);
    result.status = StatusOf(inflate(&zs, Z_FINISH));
    std::size_t produced = zs.total_out;
    inflateEnd(&zs);
    if (!reachable) {
      // The header promised more than this stream can give: keep only what it gave.
      result.status =
          result.status == InflateStatus::kOk ? InflateStatus::kBufError : result.status;
      result.bytes.resize(produced);
    }
  }
  switch (result.status) {
    case InflateStatus::kMemError:
      host.Message("Error Inflating: MEM_ERROR!");
      break;
    case InflateStatus::kBufError:
      host.Message("Error Inflating: BUF_ERROR!");
      break;
    case InflateStatus::kDataError:
      host.Message("Error Inflating: DATA_ERROR!");
      break;
    case InflateStatus::kFailed:
      result.bytes.clear();
      break;
    case InflateStatus::kOk:
      break;
  }
  return result;
}

InflateResult InflatePayload(ByteFile& file, std::int64_t offset, std::int32_t length,
                             std::int32_t n, CoreHost& host) {
  Bytes source = ReadRange(file, offset, length);
  // Bytes past the end of the file are not part of the stream.
  std::int64_t inFile = std::max<std::int64_t>(0, file.Size() - offset);
  if (static_cast<std::int64_t>(source.size()) > inFile)
    source.resize(static_cast<std::size_t>(inFile));
  if (length <= 2) source.clear();
  return InflateBytes(source, n, host);
}

Result<StreamOutcome> InflateStream(ByteFile& file, std::int64_t offset, std::int64_t length,
                                    std::int64_t limit) {
  // Pieces large enough that zlib, not the loop, sets the pace.
  constexpr std::size_t kPiece = 256 * 1024;
  StreamOutcome outcome;
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) {
    outcome.status = InflateStatus::kMemError;
    return outcome;
  }
  Bytes in(static_cast<std::size_t>(std::clamp<std::int64_t>(length, 1, kPiece)));
  Bytes out(kPiece);
  std::int64_t read = 0;
  int rc = Z_OK;
  while (rc == Z_OK && outcome.inflated <= limit) {
    if (zs.avail_in == 0) {
      if (read >= length) break;
      const auto n = static_cast<std::size_t>(std::min<std::int64_t>(length - read, kPiece));
      if (Status s = file.ReadExact(offset + read, in.data(), n); !s) {
        inflateEnd(&zs);
        return s.error();
      }
      read += static_cast<std::int64_t>(n);
      zs.next_in = in.data();
      zs.avail_in = static_cast<uInt>(n);
    }
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    rc = inflate(&zs, Z_NO_FLUSH);
    outcome.inflated = static_cast<std::int64_t>(zs.total_out);
  }
  // A stream whose bytes ran out before its end is as short as a buffer that filled up.
  outcome.status = StatusOf(rc);
  if (rc == Z_DATA_ERROR && zs.msg) {
    outcome.reason = zs.msg;
    outcome.badChecksum = outcome.reason == "incorrect data check";
  }
  inflateEnd(&zs);
  return outcome;
}

namespace {

Bytes Extract(ByteFile& file, const TResourceInfo& entry, std::int32_t h, CoreHost& host,
              bool wholeWhenStored) {
  const std::int64_t size = entry.Size;
  const std::int64_t start = static_cast<std::int64_t>(entry.Offset) + h;
  if (static_cast<std::int64_t>(h) + 1 < size) {
    Bytes marker = file.ReadForDecoding(start, 2);
    if (HasZlibMarker(marker)) {
      return InflatePayload(file, start, entry.PackedSize, entry.UnpackedSize, host).bytes;
    }
  }
  if (!wholeWhenStored && size > h) return ReadRange(file, start, size - h);
  return ReadRange(file, entry.Offset, size);
}

}  // namespace

Bytes ExtractEntry(ByteFile& file, const TResourceInfo& entry, std::int32_t h, CoreHost& host) {
  return Extract(file, entry, h, host, false);
}

Bytes ExtractBinEntry(ByteFile& file, const TResourceInfo& entry, std::int32_t h, CoreHost& host) {
  return Extract(file, entry, h, host, true);
}

bool EntryInsideFile(const TResourceInfo& entry, std::int64_t fileSize) {
  return entry.Offset >= 0 && entry.Size >= 0 &&
         static_cast<std::int64_t>(entry.Offset) + entry.Size <= fileSize;
}

std::string OutsideFileMessage(const TResourceInfo& entry, std::int64_t fileSize) {
  return "Entry " + Cp1252ToUtf8(entry.Name) + " is damaged: its directory record gives it " +
         std::to_string(entry.Size) + " bytes at offset " + std::to_string(entry.Offset) +
         ", which do not all lie inside the file of " + std::to_string(fileSize) + " bytes.";
}

Result<Bytes> ReadStoredEntry(ByteFile& file, const TResourceInfo& entry) {
  if (!EntryInsideFile(entry, file.Size()))
    return Fail(OutsideFileMessage(entry, file.Size()), ErrorKind::kDamaged);
  return file.ReadBytes(entry.Offset, static_cast<std::size_t>(entry.Size));
}

std::size_t CompressBufferSize(std::size_t length) {
  return static_cast<std::size_t>(std::nearbyint(static_cast<double>(length) * 1.001 + 12.0));
}

Bytes BuildCompressedPayload(ByteView unpacked) {
  // zlib's own bound covers tiny inputs where the 0.1% rule is a byte or two short.
  uLongf capacity = std::max<uLongf>(CompressBufferSize(unpacked.size()),
                                     compressBound(static_cast<uLong>(unpacked.size())));
  Bytes out(capacity, 0);
  int rc = compress2(out.data(), &capacity, unpacked.data(), static_cast<uLong>(unpacked.size()),
                     Z_DEFAULT_COMPRESSION);
  if (rc != Z_OK) return {};
  out.resize(capacity);
  return out;
}

}  // namespace brindle
