#pragma once
// Little-endian field access on byte buffers. Every reader takes the buffer's size into
// account: a field that does not fit reads its missing bytes as zero, so a short header
// never reads past its buffer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;
using MutableByteView = std::span<std::uint8_t>;

inline std::uint8_t ByteAt(ByteView b, std::size_t pos) {
  return pos < b.size() ? b[pos] : 0;
}

inline std::uint16_t ReadU16(ByteView b, std::size_t pos) {
  return static_cast<std::uint16_t>(ByteAt(b, pos) | (ByteAt(b, pos + 1) << 8));
}

inline std::uint32_t ReadU32(ByteView b, std::size_t pos) {
  // Inside the bytes (nearly always): one check, and the compiler makes the four bytes one
  // load. Past their end the missing bytes read as zero.
  if (pos <= b.size() && b.size() - pos >= 4) {
    const std::uint8_t* p = b.data() + pos;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  return static_cast<std::uint32_t>(ByteAt(b, pos)) |
         (static_cast<std::uint32_t>(ByteAt(b, pos + 1)) << 8) |
         (static_cast<std::uint32_t>(ByteAt(b, pos + 2)) << 16) |
         (static_cast<std::uint32_t>(ByteAt(b, pos + 3)) << 24);
}

inline std::int32_t ReadI32(ByteView b, std::size_t pos) {
  return static_cast<std::int32_t>(ReadU32(b, pos));
}

inline void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Appends little-endian values to a growing buffer.
class ByteWriter {
 public:
  ByteWriter& U8(std::uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  ByteWriter& U16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
  }
  ByteWriter& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
  }
  ByteWriter& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
  ByteWriter& Append(ByteView b) {
    out_.insert(out_.end(), b.begin(), b.end());
    return *this;
  }
  ByteWriter& Text(std::string_view s) {
    out_.insert(out_.end(), s.begin(), s.end());
    return *this;
  }
  // Writes s into a field of exactly n bytes: cut when longer, NUL-filled when shorter.
  ByteWriter& FixedText(std::string_view s, std::size_t n);
  ByteWriter& Zeros(std::size_t n) {
    out_.insert(out_.end(), n, 0);
    return *this;
  }
  std::size_t size() const { return out_.size(); }
  Bytes& bytes() { return out_; }
  Bytes Take() { return std::move(out_); }

 private:
  Bytes out_;
};

// The text of a fixed-width field up to its first NUL (all of it when there is none).
std::string FixedText(ByteView field);

// Upper case for comparisons: only the letters a to z change.
std::string UpperAscii(std::string_view s);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

}  // namespace brindle
