// Bit readers for tree data, video data and compressed sound. The streams are little-endian
// 32-bit words whose bits are taken least significant first. Reading never touches memory
// outside [data, data + size): past the end the stream reads as zero bits, and Overrun()
// tells the caller that it has consumed more bits than the data holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zoe {

inline uint32_t LoadWord(const uint8_t* data, size_t size, size_t pos) {
  if (pos + 4 <= size) {
    return uint32_t{data[pos]} | uint32_t{data[pos + 1]} << 8 | uint32_t{data[pos + 2]} << 16 |
           uint32_t{data[pos + 3]} << 24;
  }
  uint32_t w = 0;
  for (size_t i = 0; i < 4 && pos + i < size; ++i)
    w |= uint32_t{data[pos + i]} << (8 * i);
  return w;
}

// Keeps up to 64 bits buffered and refills a whole word at a time.
class FastBitReader {
 public:
  FastBitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // n <= 32.
  uint32_t Peek(unsigned n) {
    if (count_ < n) Refill();
    return static_cast<uint32_t>(buf_) & Mask(n);
  }
  void Skip(unsigned n) {
    buf_ >>= n;
    count_ -= n;
  }
  uint32_t Bits(unsigned n) {
    uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  uint32_t Bit() { return Bits(1); }

  uint64_t Consumed() const { return uint64_t{pos_} * 8 - count_; }
  bool Overrun() const { return Consumed() > uint64_t{size_} * 8; }

 private:
  static uint32_t Mask(unsigned n) { return n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1; }
  void Refill() {
    while (count_ <= 32) {
      uint32_t w = pos_ < size_ ? LoadWord(data_, size_, pos_) : 0;
      buf_ |= uint64_t{w} << count_;
      count_ += 32;
      pos_ += 4;
    }
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  uint64_t buf_ = 0;
  unsigned count_ = 0;
};

// The plain reader: one current word, the next one fetched on demand. Same bits as above.
class WordBitReader {
 public:
  WordBitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {
    cur_ = Fetch(0);
    pos_ = 4;
  }

  uint32_t Peek(unsigned n) {
    uint32_t v = cur_;
    if (avail_ < n) v |= Fetch(pos_) << avail_;  // avail_ < n <= 32, so the shift is < 32
    return n >= 32 ? v : v & ((1u << n) - 1);
  }
  void Skip(unsigned n) {
    if (n < avail_) {
      cur_ >>= n;
      avail_ -= n;
      return;
    }
    n -= avail_;
    cur_ = Fetch(pos_);
    pos_ += 4;
    cur_ = n >= 32 ? 0 : cur_ >> n;
    avail_ = 32 - n;
  }
  uint32_t Bits(unsigned n) {
    uint32_t v = Peek(n);
    Skip(n);
    return v;
  }
  uint32_t Bit() { return Bits(1); }

  uint64_t Consumed() const { return uint64_t{pos_} * 8 - avail_; }
  bool Overrun() const { return Consumed() > uint64_t{size_} * 8; }

 private:
  uint32_t Fetch(size_t pos) const { return pos < size_ ? LoadWord(data_, size_, pos) : 0; }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  uint32_t cur_ = 0;
  unsigned avail_ = 32;
};

// Writes the same stream layout: bits least significant first into little-endian words.
class BitWriter {
 public:
  // n <= 32; the value's lowest bit goes first.
  void Put(uint32_t value, unsigned n) {
    if (n == 0) return;
    acc_ |= uint64_t{value & (n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1)} << fill_;
    fill_ += n;
    count_ += n;
    if (fill_ >= 32) {
      uint32_t w = static_cast<uint32_t>(acc_);
      for (int i = 0; i < 4; ++i)
        bytes_.push_back(static_cast<uint8_t>(w >> (8 * i)));
      acc_ >>= 32;
      fill_ -= 32;
    }
  }
  void PutBit(uint32_t bit) { Put(bit & 1, 1); }
  // Codes are kept first bit lowest, so they go out exactly like values.
  void PutCode(uint64_t code, unsigned length) {
    while (length > 32) {
      Put(static_cast<uint32_t>(code), 32);
      code >>= 32;
      length -= 32;
    }
    Put(static_cast<uint32_t>(code), length);
  }
  uint64_t BitCount() const { return count_; }
  // The stream padded with zero bits to whole 32-bit words.
  std::vector<uint8_t> Padded() const {
    std::vector<uint8_t> out = bytes_;
    if (fill_ > 0) {
      uint32_t w = static_cast<uint32_t>(acc_);
      for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(w >> (8 * i)));
    }
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t acc_ = 0;
  unsigned fill_ = 0;
  uint64_t count_ = 0;
};

}  // namespace zoe
