// The encoder mirrors the decoder: blocks are classified losslessly (skip when unchanged,
// solid, two-colour, full), grouped into runs, and every value a tree would deliver is sent
// either literally or, when it is still in the tree's three-value cache, as an escape. The
// Huffman trees are built from the whole movie's counts, so the movie is encoded in two
// passes: first the symbols, then the bits.
#include "player/movie/zoe_encode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <queue>

#include "player/movie/bit_reader.h"
#include "player/movie/zoe.h"
#include "player/movie/zoe_internal.h"

namespace zoe {
namespace {

// ---------------------------------------------------------------------------------------------
// Huffman codes over symbol ids 0..n-1. A single symbol gets a root leaf and an empty code.

struct Huffman {
  struct Node {
    int zero = -1;
    int one = -1;
    uint32_t symbol = 0;
  };
  std::vector<Node> nodes;
  int root = -1;
  std::vector<uint64_t> code;  // first bit lowest
  std::vector<uint8_t> length;
  size_t leaves = 0;
};

int Depth(const Huffman& h, int n) {
  const auto& node = h.nodes[n];
  if (node.zero < 0) return 0;
  return 1 + std::max(Depth(h, node.zero), Depth(h, node.one));
}

void AssignCodes(Huffman& h, int n, uint64_t code, uint8_t length) {
  const auto& node = h.nodes[n];
  if (node.zero < 0) {
    h.code[node.symbol] = code;
    h.length[node.symbol] = length;
    return;
  }
  AssignCodes(h, node.zero, code, length + 1);
  AssignCodes(h, node.one, code | uint64_t{1} << length, length + 1);
}

Huffman BuildHuffman(std::vector<uint64_t> counts) {
  Huffman h;
  h.code.assign(counts.size(), 0);
  h.length.assign(counts.size(), 0);
  for (;;) {
    h.nodes.clear();
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    for (size_t s = 0; s < counts.size(); ++s) {
      if (counts[s] == 0) continue;
      h.nodes.push_back({-1, -1, static_cast<uint32_t>(s)});
      queue.push({counts[s], static_cast<int>(h.nodes.size() - 1)});
    }
    h.leaves = queue.size();
    if (queue.empty()) return h;
    while (queue.size() > 1) {
      Item a = queue.top();
      queue.pop();
      Item b = queue.top();
      queue.pop();
      h.nodes.push_back({a.second, b.second, 0});
      queue.push({a.first + b.first, static_cast<int>(h.nodes.size() - 1)});
    }
    h.root = queue.top().second;
    // Keep codes well inside 64 bits: flatten the counts until the tree is shallow enough.
    if (Depth(h, h.root) <= 48) break;
    for (auto& c : counts) {
      if (c != 0) c = (c >> 1) | 1;
    }
  }
  AssignCodes(h, h.root, 0, 0);
  return h;
}

// Pre-order: 1 for an inner node, 0 and the leaf for a leaf; a closing 0 bit after the tree.
template <class PutLeaf>
void PutShape(const Huffman& h, int n, BitWriter& w, PutLeaf putLeaf) {
  const auto& node = h.nodes[n];
  if (node.zero < 0) {
    w.PutBit(0);
    putLeaf(node.symbol);
    return;
  }
  w.PutBit(1);
  PutShape(h, node.zero, w, putLeaf);
  PutShape(h, node.one, w, putLeaf);
}

void PutByteTree(const Huffman& h, BitWriter& w) {
  PutShape(h, h.root, w, [&](uint32_t symbol) { w.Put(symbol, 8); });
  w.PutBit(0);
}

// A byte tree over the given counts; a tree with nothing to code still needs one leaf.
Huffman ByteHuffman(std::vector<uint64_t> counts) {
  bool any = false;
  for (uint64_t c : counts)
    any |= c != 0;
  if (!any) counts[0] = 1;
  return BuildHuffman(std::move(counts));
}

// ---------------------------------------------------------------------------------------------
// Video symbols: tree number, slot (0-2 escape, 3 literal) and value in one word.

constexpr uint32_t kLiteral = 3;
uint32_t Symbol(uint32_t tree, uint32_t slot, uint32_t value) {
  return tree << 20 | slot << 16 | value;
}

struct TreeModel {
  std::array<uint32_t, 3> cache{};
  void Reset() { cache = {0, 0, 0}; }
  // The decoder's cache update, and the cheapest way to send the value.
  uint32_t Send(uint32_t tree, uint32_t value) {
    uint32_t slot = kLiteral;
    for (uint32_t s = 0; s < 3; ++s) {
      if (cache[s] == value) {
        slot = s;
        break;
      }
    }
    if (value != cache[0]) {
      cache[2] = cache[1];
      cache[1] = cache[0];
      cache[0] = value;
    }
    return Symbol(tree, slot, value);
  }
};

struct FrameCoder {
  uint32_t width;
  uint32_t height;
  std::array<TreeModel, 4> models;
  std::vector<uint32_t>* out;

  void Put(uint32_t tree, uint32_t value) { out->push_back(models[tree].Send(tree, value)); }

  // The run-table entry for the next piece of a run of n blocks. The frame's last run may
  // overshoot the end, which the decoder ignores.
  static int RunIndex(uint32_t n, bool last) {
    if (last) {
      for (int i = 0; i < 64; ++i) {
        if (kRunLengths[i] >= n) return i;
      }
    }
    for (int i = 63; i > 0; --i) {
      if (kRunLengths[i] <= n) return i;
    }
    return 0;
  }
};

struct Block {
  std::array<uint8_t, 16> p;
};

Block ReadBlock(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t bx, uint32_t by) {
  Block b;
  for (uint32_t line = 0; line < 4; ++line) {
    std::memcpy(&b.p[4 * line], &pixels[(size_t{by} * 4 + line) * width + bx * 4], 4);
  }
  return b;
}

// Symbols of one frame. `previous` is what the decoder holds before it (null: no skips).
void CodeFrame(const std::vector<uint8_t>& pixels, const std::vector<uint8_t>* previous,
               uint32_t width, uint32_t height, std::vector<uint32_t>& out) {
  FrameCoder coder{width, height, {}, &out};
  const uint32_t perRow = width / 4;
  const uint32_t total = perRow * (height / 4);
  struct Kind {
    uint32_t type;
    uint32_t colour;
    bool operator==(const Kind&) const = default;
  };
  std::vector<Kind> kinds(total);
  std::vector<Block> blocks(total);
  for (uint32_t i = 0; i < total; ++i) {
    const uint32_t bx = i % perRow, by = i / perRow;
    blocks[i] = ReadBlock(pixels, width, bx, by);
    const Block& b = blocks[i];
    if (previous != nullptr && ReadBlock(*previous, width, bx, by).p == b.p) {
      kinds[i] = {kSkip, 0};
      continue;
    }
    uint8_t other = b.p[15];
    int colours = 1;
    for (uint8_t v : b.p) {
      if (v == b.p[15]) continue;
      if (colours == 1) {
        other = v;
        colours = 2;
      } else if (v != other) {
        colours = 3;
        break;
      }
    }
    kinds[i] = colours == 1   ? Kind{kSolid, b.p[0]}
               : colours == 2 ? Kind{kTwoColour, 0}
                              : Kind{kFull, 0};
  }
  uint32_t i = 0;
  while (i < total) {
    uint32_t j = i + 1;
    while (j < total && kinds[j] == kinds[i])
      ++j;
    // Each piece of the run is a type value followed by its blocks.
    uint32_t k = i;
    while (k < j) {
      const int index = FrameCoder::RunIndex(j - k, j == total);
      coder.Put(kTypeTree,
                kinds[i].type | static_cast<uint32_t>(index) << 2 | kinds[i].colour << 8);
      const uint32_t end = std::min<uint32_t>(j, k + kRunLengths[index]);
      for (; k < end; ++k) {
        const Block& b = blocks[k];
        if (kinds[i].type == kTwoColour) {
          // Pixel 15 always takes the "clear" colour, so patterns stay below 0x8000.
          const uint8_t clear = b.p[15];
          uint8_t set = clear;
          uint32_t m = 0;
          for (uint32_t bit = 0; bit < 16; ++bit) {
            if (b.p[bit] != clear) {
              set = b.p[bit];
              m |= 1u << bit;
            }
          }
          coder.Put(kColourTree, uint32_t{set} << 8 | clear);
          coder.Put(kPatternTree, m);
        } else if (kinds[i].type == kFull) {
          for (uint32_t line = 0; line < 4; ++line) {
            const uint8_t* q = &b.p[4 * line];
            coder.Put(kFullTree, q[2] | uint32_t{q[3]} << 8);
            coder.Put(kFullTree, q[0] | uint32_t{q[1]} << 8);
          }
        }
      }
    }
    i = j;
  }
}

// One 16-bit tree as sent: its escapes, its Huffman code over literal values (ids 0-65535)
// and escapes (ids 65536-65538).
struct SentTree {
  bool present = false;
  std::array<uint16_t, 3> escapes{};
  Huffman code;
  uint32_t nodeWords = 0;
};

bool PlanTree(const std::vector<uint64_t>& counts, SentTree& t, std::string& error) {
  t.code = BuildHuffman(counts);
  if (t.code.leaves == 0) return true;
  t.present = true;
  // Escapes must be values that are never sent literally.
  uint32_t next = 0;
  for (uint32_t s = 0; s < 3; ++s) {
    while (next < 65536 && counts[next] != 0)
      ++next;
    if (next >= 65536) {
      error = "too many distinct values for one decoding tree";
      return false;
    }
    t.escapes[s] = static_cast<uint16_t>(next++);
  }
  uint32_t unmatched = 0;
  for (uint32_t s = 0; s < 3; ++s)
    unmatched += counts[65536 + s] == 0;
  t.nodeWords = static_cast<uint32_t>(2 * t.code.leaves - 1 + unmatched);
  return true;
}

uint32_t SentValue(const SentTree& t, uint32_t symbol) {
  return symbol >= 65536 ? t.escapes[symbol - 65536] : symbol;
}

void PutVideoTree(const SentTree& t, BitWriter& w) {
  if (!t.present) {
    w.PutBit(0);
    return;
  }
  w.PutBit(1);
  std::vector<uint64_t> low(256, 0), high(256, 0);
  for (const auto& node : t.code.nodes) {
    if (node.zero >= 0) continue;
    const uint32_t v = SentValue(t, node.symbol);
    ++low[v & 0xFF];
    ++high[v >> 8];
  }
  const Huffman lowTree = ByteHuffman(low);
  const Huffman highTree = ByteHuffman(high);
  w.PutBit(1);
  PutByteTree(lowTree, w);
  w.PutBit(1);
  PutByteTree(highTree, w);
  for (uint16_t e : t.escapes) {
    w.Put(e & 0xFF, 8);
    w.Put(e >> 8, 8);
  }
  PutShape(t.code, t.code.root, w, [&](uint32_t symbol) {
    const uint32_t v = SentValue(t, symbol);
    w.PutCode(lowTree.code[v & 0xFF], lowTree.length[v & 0xFF]);
    w.PutCode(highTree.code[v >> 8], highTree.length[v >> 8]);
  });
  w.PutBit(0);
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

uint8_t NearestLevel(uint8_t component) {
  int best = 0;
  for (int i = 1; i < 64; ++i) {
    if (std::abs(kComponent[i] - component) < std::abs(kComponent[best] - component)) best = i;
  }
  return static_cast<uint8_t>(best);
}

std::vector<uint8_t> EncodePaletteChunk(const std::array<uint8_t, 768>& old,
                                        const std::array<uint8_t, 768>& now) {
  auto same = [&](size_t a, size_t b) { return std::memcmp(&now[3 * a], &old[3 * b], 3) == 0; };
  std::vector<uint8_t> out{0};
  size_t i = 0;
  while (i < 256) {
    size_t keep = 0;
    while (i + keep < 256 && keep < 128 && same(i + keep, i + keep))
      ++keep;
    if (keep > 0) {
      out.push_back(static_cast<uint8_t>(0x80 | (keep - 1)));
      i += keep;
      continue;
    }
    size_t bestRun = 0, bestSource = 0;
    for (size_t s = 0; s < 256; ++s) {
      size_t run = 0;
      while (run < 64 && i + run < 256 && s + run < 256 && same(i + run, s + run))
        ++run;
      if (run > bestRun) {
        bestRun = run;
        bestSource = s;
      }
    }
    if (bestRun > 0) {
      out.push_back(static_cast<uint8_t>(0x40 | (bestRun - 1)));
      out.push_back(static_cast<uint8_t>(bestSource));
      i += bestRun;
      continue;
    }
    for (int c = 0; c < 3; ++c)
      out.push_back(NearestLevel(now[3 * i + c]));
    ++i;
  }
  out.resize((out.size() + 3) / 4 * 4, 0);
  out[0] = static_cast<uint8_t>(out.size() / 4);
  return out;
}

std::vector<uint8_t> EncodeSoundBits(const uint8_t* pcm, size_t bytes, bool stereo, bool bits16) {
  const size_t channels = stereo ? 2 : 1;
  const size_t sampleBytes = bits16 ? 2 : 1;
  const size_t frames = bytes / (channels * sampleBytes);
  const uint32_t mask = bits16 ? 0xFFFF : 0xFF;
  auto sample = [&](size_t f, size_t c) -> uint32_t {
    const uint8_t* p = pcm + (f * channels + c) * sampleBytes;
    return bits16 ? p[0] | uint32_t{p[1]} << 8 : p[0];
  };
  // Deltas per channel; byte trees: low (and high) byte per channel.
  std::vector<std::vector<uint64_t>> counts(channels * sampleBytes, std::vector<uint64_t>(256, 0));
  for (size_t f = 1; f < frames; ++f) {
    for (size_t c = 0; c < channels; ++c) {
      const uint32_t d = (sample(f, c) - sample(f - 1, c)) & mask;
      ++counts[c * sampleBytes][d & 0xFF];
      if (bits16) ++counts[c * sampleBytes + 1][d >> 8];
    }
  }
  std::vector<Huffman> trees;
  for (auto& c : counts)
    trees.push_back(ByteHuffman(c));

  BitWriter w;
  w.PutBit(1);
  w.PutBit(stereo);
  w.PutBit(bits16);
  for (const Huffman& t : trees) {
    w.PutBit(0);  // read and not interpreted by the decoder
    PutByteTree(t, w);
  }
  if (frames > 0) {
    // Starting values: right before left, high byte before low byte.
    for (size_t k = channels; k-- > 0;) {
      const uint32_t s = sample(0, k);
      if (bits16) w.Put(s >> 8, 8);
      w.Put(s & 0xFF, 8);
    }
  } else {
    for (size_t k = 0; k < channels * sampleBytes; ++k)
      w.Put(0, 8);
  }
  for (size_t f = 1; f < frames; ++f) {
    for (size_t c = 0; c < channels; ++c) {
      const uint32_t d = (sample(f, c) - sample(f - 1, c)) & mask;
      const Huffman& lo = trees[c * sampleBytes];
      w.PutCode(lo.code[d & 0xFF], lo.length[d & 0xFF]);
      if (bits16) {
        const Huffman& hi = trees[c * sampleBytes + 1];
        w.PutCode(hi.code[d >> 8], hi.length[d >> 8]);
      }
    }
  }
  return w.Padded();
}

namespace {

// What the options and frames must satisfy before anything is encoded; empty when they do.
std::string CheckRequest(const EncodeOptions& o, const std::vector<EncodeFrame>& frames) {
  if (frames.empty()) return "no frames";
  if (o.width == 0 || o.height == 0 || o.width % 4 || o.height % 4) {
    return "width and height must be non-zero multiples of 4";
  }
  if (o.width > 65536 || o.height > 65536 || uint64_t{o.width} * o.height * 2 > kZoeMaxPixels) {
    return "pictures are too large";
  }
  if (o.interlaced && o.doubled) return "a movie is either interlaced or doubled";
  if (o.tracks.size() > static_cast<size_t>(kZoeTracks)) return "at most 7 sound tracks";
  const size_t pictureSize = size_t{o.width} * o.height;
  for (const EncodeFrame& f : frames) {
    if (f.pixels.size() != pictureSize) return "frames differ in size";
  }
  if (!o.tracks.empty() && ZoePeriod(o.rate) == 0) return "sound needs a frame rate";
  return {};
}

using Palette = std::array<uint8_t, 768>;

// Palettes as the decoder will hold them: every component rounded to a representable level.
std::vector<Palette> ShownPalettes(const std::vector<EncodeFrame>& frames, bool& rounded) {
  std::vector<Palette> palettes(frames.size());
  for (size_t f = 0; f < frames.size(); ++f) {
    for (int c = 0; c < 768; ++c) {
      const uint8_t level = kComponent[NearestLevel(frames[f].palette[c])];
      rounded |= level != frames[f].palette[c];
      palettes[f][c] = level;
    }
  }
  return palettes;
}

// Pass 1: the symbols of every frame, the ring frame last (frame 0 drawn over the last frame).
std::vector<std::vector<uint32_t>> CodeFrames(const EncodeOptions& o,
                                              const std::vector<EncodeFrame>& frames) {
  const size_t count = frames.size() + (o.ring ? 1 : 0);
  std::vector<std::vector<uint32_t>> symbols(count);
  for (size_t f = 0; f < count; ++f) {
    const bool ringFrame = f == frames.size();
    const std::vector<uint8_t>& pixels = ringFrame ? frames[0].pixels : frames[f].pixels;
    // Frame 0 draws every block, so it shows correctly over whatever the screen held.
    const std::vector<uint8_t>* previous = f == 0      ? nullptr
                                           : ringFrame ? &frames.back().pixels
                                                       : &frames[f - 1].pixels;
    CodeFrame(pixels, previous, o.width, o.height, symbols[f]);
  }
  return symbols;
}

// A video symbol's id in its tree's code: the literal value, or 65536 + the escape slot.
uint32_t CodeId(uint32_t symbol) {
  const uint32_t slot = symbol >> 16 & 3;
  return slot == kLiteral ? (symbol & 0xFFFF) : 65536 + slot;
}

using SentTrees = std::array<SentTree, 4>;

// The four video trees from the whole movie's symbol counts.
bool PlanTrees(const std::vector<std::vector<uint32_t>>& symbols, SentTrees& trees,
               std::string& error) {
  std::array<std::vector<uint64_t>, 4> counts;
  for (auto& c : counts)
    c.assign(65536 + 3, 0);
  for (const auto& frame : symbols) {
    for (uint32_t s : frame)
      ++counts[s >> 20][CodeId(s)];
  }
  for (int t = 0; t < 4; ++t) {
    if (!PlanTree(counts[t], trees[t], error)) return false;
  }
  // The decoder needs one value that no tree uses as a leaf.
  std::vector<bool> leaf(65536, false);
  for (const SentTree& t : trees) {
    for (const auto& node : t.code.nodes) {
      if (node.zero < 0) leaf[SentValue(t, node.symbol)] = true;
    }
  }
  if (std::all_of(leaf.begin(), leaf.end(), [](bool b) { return b; })) {
    error = "the trees use every 16-bit value";
    return false;
  }
  return true;
}

std::vector<uint8_t> TreeData(const SentTrees& trees) {
  BitWriter bits;
  for (const SentTree& t : trees)
    PutVideoTree(t, bits);
  return bits.Padded();
}

// The header as far as the pictures and trees decide it; the sound fills in the rest.
ZoeHeader PictureHeader(const EncodeOptions& o, size_t frames, const SentTrees& trees,
                        size_t treeDataSize) {
  ZoeHeader h;
  h.width = o.width;
  h.height = o.height;
  h.frames = static_cast<uint32_t>(frames);
  h.rate = o.rate;
  h.flags = (o.ring ? kZoeHeaderRing : 0) | (o.interlaced ? kZoeHeaderInterlaced : 0) |
            (o.doubled ? kZoeHeaderDoubled : 0);
  h.treesSize = static_cast<uint32_t>(treeDataSize);
  for (int t = 0; t < 4; ++t)
    h.treeSize[t] = trees[t].nodeWords * 4;
  return h;
}

uint32_t AudioWord(const EncodeAudio& a) {
  return a.sampleRate | kZoeAudioPresent | (a.stereo ? kZoeAudioStereo : 0) |
         (a.bits16 ? kZoeAudio16Bit : 0) | (a.compressed ? kZoeAudioCompressed : 0);
}

// Byte ranges (start, length) of one track's sound, per picture frame.
using SoundShares = std::vector<std::pair<size_t, size_t>>;

// Each frame carries its share of a track's sound, as much as the frame clock has played by
// its end plus the lead; the last frame takes the rest, which may run at most a second
// beyond the pictures. The lead is cut to what the player's ring takes beside one frame.
bool ShareSound(const EncodeAudio& a, size_t frames, uint32_t period, uint32_t leadMs,
                SoundShares& shares, std::string& error) {
  if (a.sampleRate == 0 || a.sampleRate > 0xFFFFFF) {
    error = "bad sample rate";
    return false;
  }
  const size_t frameBytes = (a.stereo ? 2 : 1) * (a.bits16 ? 2 : 1);
  const size_t samples = a.pcm.size() / frameBytes;
  const uint64_t wanted = a.leadSamples >= 0 ? static_cast<uint64_t>(a.leadSamples)
                                             : uint64_t{leadMs} * a.sampleRate / 1000;
  const size_t lead = std::min<uint64_t>(wanted, MaxSoundLead(AudioWord(a), period) / frameBytes);
  shares.resize(frames);
  size_t done = 0;
  for (size_t f = 0; f < frames; ++f) {
    size_t end = static_cast<size_t>(uint64_t{f + 1} * a.sampleRate * period / 100000);
    if (f + 1 == frames) {
      if (samples > end + a.sampleRate) {
        error = "the sound lasts longer than the pictures";
        return false;
      }
      end = samples;
    }
    end = std::min(end + lead, samples);
    shares[f] = {done * frameBytes, (end - std::min(end, done)) * frameBytes};
    done = std::max(done, end);
  }
  return true;
}

// A sound chunk: its length word(s), then the compressed bits or the raw bytes.
void PutSoundChunk(const EncodeAudio& a, size_t start, size_t bytes, std::vector<uint8_t>& out) {
  if (a.compressed) {
    const std::vector<uint8_t> bits =
        EncodeSoundBits(a.pcm.data() + start, bytes, a.stereo, a.bits16);
    PutLe32(out, static_cast<uint32_t>(bits.size() + 8));
    PutLe32(out, static_cast<uint32_t>(bytes));
    out.insert(out.end(), bits.begin(), bits.end());
  } else {
    PutLe32(out, static_cast<uint32_t>(bytes + 4));
    out.insert(out.end(), a.pcm.begin() + static_cast<ptrdiff_t>(start),
               a.pcm.begin() + static_cast<ptrdiff_t>(start + bytes));
  }
}

void PutVideoBits(const std::vector<uint32_t>& symbols, const SentTrees& trees,
                  std::vector<uint8_t>& out) {
  BitWriter video;
  for (uint32_t s : symbols) {
    const Huffman& code = trees[s >> 20].code;
    const uint32_t id = CodeId(s);
    video.PutCode(code.code[id], code.length[id]);
  }
  const std::vector<uint8_t> bits = video.Padded();
  out.insert(out.end(), bits.begin(), bits.end());
}

// The frames as stored, with their type bytes.
struct StoredFrames {
  std::vector<std::vector<uint8_t>> bytes;
  std::vector<uint8_t> types;
};

// Pass 2: each frame's palette chunk when its palette changed, its sound chunks (the ring
// frame carries none), then its video bits. Notes each track's largest chunk in the header.
bool PutFrames(const EncodeOptions& o, const std::vector<Palette>& palettes,
               const std::vector<SoundShares>& shares,
               const std::vector<std::vector<uint32_t>>& symbols, const SentTrees& trees,
               ZoeHeader& h, StoredFrames& stored, std::string& error) {
  const size_t count = symbols.size();
  stored.bytes.assign(count, {});
  stored.types.assign(count, 0);
  Palette shown{};  // the decoder's palette; zero at frame 0
  for (size_t f = 0; f < count; ++f) {
    const bool ringFrame = f == palettes.size();
    const Palette& palette = palettes[ringFrame ? 0 : f];
    std::vector<uint8_t>& out = stored.bytes[f];
    uint8_t& type = stored.types[f];
    if (f == 0 || palette != shown) {
      type |= kZoeFramePalette;
      const std::vector<uint8_t> chunk = EncodePaletteChunk(shown, palette);
      out.insert(out.end(), chunk.begin(), chunk.end());
      shown = palette;
    }
    for (size_t t = 0; t < shares.size() && !ringFrame; ++t) {
      const auto [start, bytes] = shares[t][f];
      if (bytes == 0) continue;
      type |= static_cast<uint8_t>(kZoeFrameSound0 << t);
      h.audioSize[t] = std::max<uint32_t>(h.audioSize[t], static_cast<uint32_t>(bytes));
      PutSoundChunk(o.tracks[t], start, bytes, out);
    }
    PutVideoBits(symbols[f], trees, out);
    if (out.size() > 0xFFFFFFFFull) {
      error = "a frame is too large";
      return false;
    }
  }
  return true;
}

// Header, frame size table, frame type table, tree data, then the frames back to back.
std::vector<uint8_t> AssembleMovie(const ZoeHeader& h, const StoredFrames& stored,
                                   const std::vector<uint8_t>& treeData) {
  std::vector<uint8_t> movie(kZoeHeaderSize);
  h.Write(movie.data());
  for (const auto& f : stored.bytes)
    PutLe32(movie, static_cast<uint32_t>(f.size()));
  movie.insert(movie.end(), stored.types.begin(), stored.types.end());
  movie.insert(movie.end(), treeData.begin(), treeData.end());
  for (const auto& f : stored.bytes)
    movie.insert(movie.end(), f.begin(), f.end());
  return movie;
}

}  // namespace

EncodeResult EncodeMovie(const EncodeOptions& o, const std::vector<EncodeFrame>& frames) {
  EncodeResult result;
  result.error = CheckRequest(o, frames);
  if (!result.error.empty()) return result;

  const std::vector<Palette> palettes = ShownPalettes(frames, result.paletteRounded);
  const std::vector<std::vector<uint32_t>> symbols = CodeFrames(o, frames);
  SentTrees trees;
  if (!PlanTrees(symbols, trees, result.error)) return result;
  const std::vector<uint8_t> treeData = TreeData(trees);

  ZoeHeader h = PictureHeader(o, frames.size(), trees, treeData.size());
  std::vector<SoundShares> shares(o.tracks.size());
  for (size_t t = 0; t < o.tracks.size(); ++t) {
    if (!ShareSound(o.tracks[t], frames.size(), ZoePeriod(o.rate), o.soundLeadMs, shares[t],
                    result.error)) {
      return result;
    }
    h.audioRate[t] = AudioWord(o.tracks[t]);
  }

  StoredFrames stored;
  if (!PutFrames(o, palettes, shares, symbols, trees, h, stored, result.error)) return result;
  result.movie = AssembleMovie(h, stored, treeData);
  result.ok = true;
  return result;
}

uint32_t MaxSoundLead(uint32_t audioWord, uint32_t period) {
  const TrackFormat f = FormatOf(audioWord, period);
  const uint64_t perFrame = static_cast<uint64_t>(f.bytesPerFrame1024) / 1024;
  // Frame shares differ by a sample from one frame to the next: keep two in hand.
  const uint64_t spare = perFrame + 2 * 4 * ((perFrame + 4095) / 4096 + 1);
  return static_cast<uint32_t>(f.ringSize > spare ? f.ringSize - spare : 0);
}

EncodeResult MakeSampleMovie(uint32_t width, uint32_t height, uint32_t frames, bool ring) {
  EncodeOptions o;
  o.width = width;
  o.height = height;
  o.rate = 100;  // 10 frames per second
  o.ring = ring;
  std::vector<EncodeFrame> pictures(frames);
  for (uint32_t f = 0; f < frames; ++f) {
    EncodeFrame& e = pictures[f];
    // A warm ramp in entries 0-127, a cool one in 128-191 that brightens over the movie,
    // and white for the ball.
    for (int i = 0; i < 256; ++i) {
      int r = 0, g = 0, b = 0;
      if (i < 128) {
        r = i / 2;
        g = i / 4;
        b = 8;
      } else if (i < 192) {
        r = 4;
        g = (i - 128) / 2;
        b = std::min(63, int(i - 128) / 2 + int(f * 2));
      } else {
        r = g = b = 63;
      }
      e.palette[3 * i] = kComponent[r];
      e.palette[3 * i + 1] = kComponent[g];
      e.palette[3 * i + 2] = kComponent[b];
    }
    e.pixels.resize(size_t{width} * height);
    const int cx = int(width / 4 + (width / 2) * f / std::max(1u, frames - 1));
    const int cy = int(height / 2), radius = int(std::min(width, height) / 6);
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) {
        uint8_t v = static_cast<uint8_t>(y * 128 / height);
        if (y > height * 3 / 4) v = static_cast<uint8_t>(128 + ((x + 4 * f) / 8) % 64);
        const int dx = int(x) - cx, dy = int(y) - cy;
        if (dx * dx + dy * dy < radius * radius) v = (dx + dy) % 3 ? 255 : 200;
        e.pixels[size_t{y} * width + x] = v;
      }
    }
  }
  EncodeAudio a;
  a.sampleRate = 11025;
  const size_t samples = size_t{a.sampleRate} * frames / 10;
  for (size_t i = 0; i < samples; ++i) {
    const double t = double(i) / a.sampleRate;
    a.pcm.push_back(
        static_cast<uint8_t>(128 + 60 * std::sin(2 * 3.14159265 * (220 + 110 * t) * t)));
  }
  o.tracks.push_back(std::move(a));
  // Half a second of sound ahead of the pictures, as ztptool encode puts it by default, so
  // the samples play without a gap from their first frame.
  o.soundLeadMs = 500;
  return EncodeMovie(o, pictures);
}

}  // namespace zoe
