// The four decoding trees of a movie (pattern, colour, full block, block type), built from the
// tree data into table-driven decoders, and the small 8-bit trees used by compressed sound.
//
// Tree data format, per 16-bit tree, in this order:
//   1 bit   present (0: absent, nothing else follows)
//   1 bit   low-byte sub-tree follows; then the sub-tree
//   1 bit   high-byte sub-tree follows; then the sub-tree
//   3 x 16  escape values, each as two 8-bit fields, low byte first
//   tree    pre-order: 1 = inner node ("0" subtree, then "1" subtree), 0 = leaf followed by its
//           value coded as low byte (low sub-tree) then high byte (high sub-tree); then a 0 bit
// An 8-bit sub-tree has the same shape with plain 8-bit leaf values and at most 512 nodes.
//
// A leaf whose value equals an escape does not deliver that value: it stands for a slot of the
// tree's three-value cache of recently decoded words, which is reset at every frame.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "player/movie/bit_reader.h"

namespace zoe {

// Block types: the low two bits of a type-tree value.
enum BlockType : uint32_t {
  kTwoColour = 0,  // a pattern picks one of two colours per pixel
  kFull = 1,       // all 16 pixels sent
  kSkip = 2,       // the destination keeps what it held
  kSolid = 3,      // one colour, in the type value's upper byte
};
inline constexpr uint32_t kBlockTypeMask = 3;

enum TreeIndex { kPatternTree = 0, kColourTree = 1, kFullTree = 2, kTypeTree = 3 };

// Walkable node of a decoded tree. Inner nodes keep their "0" child in the next slot.
struct TreeNode {
  enum Kind : uint8_t { kLeaf = 0, kCacheSlot = 1, kInner = 2 };
  Kind kind = kLeaf;
  uint32_t one = 0;   // inner: index of the "1" child; cache slot: slot number
  uint32_t word = 0;  // leaf: delivered value << 16 | value as sent
};

struct VideoTree {
  bool present = false;
  unsigned lookupBits = 0;  // 12, or 10 for the type tree; 0 while absent
  // Lookup entry: low 32 bits the node word of a leaf (or the slot, or the node index of a
  // long code), bits 32-35 the bits consumed, bits 36-37 the node kind (TreeNode::Kind).
  std::vector<uint64_t> lookup;
  // The same table in half the memory, for the usual case where the delivered values tell the
  // sent ones apart (always, unless a remap merged colours) and the tree is not huge: bits 0-3
  // the bits consumed, 4-5 the node kind, 8-31 the delivered value (or slot, or node index).
  // Comparing delivered values in the cache is then the same as comparing node words.
  bool compact = false;
  std::vector<uint32_t> lookup32;
  std::vector<TreeNode> nodes;
  std::array<uint16_t, 3> escapes{};
  std::array<bool, 3> slotHasLeaf{};
  // Cache slots live here, apart from the nodes: a slot can never be mistaken for an inner
  // node and an absent tree's slots touch no other tree.
  std::array<uint32_t, 3> cache{};
  uint32_t resetWord = 0;

  template <class Reader>
  uint32_t Decode(Reader& r) {
    uint64_t e = lookup[r.Peek(lookupBits)];
    r.Skip(static_cast<unsigned>(e >> 32) & 15);
    uint32_t w = static_cast<uint32_t>(e);
    if (e >> 36) w = Resolve(static_cast<unsigned>(e >> 36), w, r);
    if (w != cache[0]) {
      cache[2] = cache[1];
      cache[1] = cache[0];
      cache[0] = w;
    }
    return w >> 16;
  }

  void ResetCache() { cache = {resetWord, resetWord, resetWord}; }

 private:
  template <class Reader>
  uint32_t Resolve(unsigned kind, uint32_t w, Reader& r) {
    if (kind == TreeNode::kCacheSlot) return cache[w];
    // A code longer than the table: walk on bit by bit.
    uint32_t i = w;
    while (nodes[i].kind == TreeNode::kInner)
      i = r.Bits(1) ? nodes[i].one : i + 1;
    return nodes[i].kind == TreeNode::kCacheSlot ? cache[nodes[i].one] : nodes[i].word;
  }
};

// One tree's decoding state during a frame. It lives in the decoder's locals, apart from the
// tree, so that pixel stores (which may alias anything) do not force the cache and tables
// back to memory between values. Same results as VideoTree::Decode.
struct TreeCursor {
  const uint64_t* lookup;
  const TreeNode* nodes;
  unsigned bits;
  uint32_t c0, c1, c2;

  explicit TreeCursor(const VideoTree& t)
      : lookup(t.lookup.data()),
        nodes(t.nodes.data()),
        bits(t.lookupBits),
        c0(t.resetWord),
        c1(t.resetWord),
        c2(t.resetWord) {}

  template <class Reader>
  uint32_t Decode(Reader& r) {
    const uint64_t e = lookup[r.Peek(bits)];
    r.Skip(static_cast<unsigned>(e >> 32) & 15);
    uint32_t w = static_cast<uint32_t>(e);
    if (e >> 36) w = Resolve(static_cast<unsigned>(e >> 36), w, r);
    if (w != c0) {
      c2 = c1;
      c1 = c0;
      c0 = w;
    }
    return w >> 16;
  }

 private:
  uint32_t Slot(uint32_t s) const { return s == 0 ? c0 : s == 1 ? c1 : c2; }
  template <class Reader>
  uint32_t Resolve(unsigned kind, uint32_t w, Reader& r) {
    if (kind == TreeNode::kCacheSlot) return Slot(w);
    uint32_t i = w;
    while (nodes[i].kind == TreeNode::kInner)
      i = r.Bits(1) ? nodes[i].one : i + 1;
    return nodes[i].kind == TreeNode::kCacheSlot ? Slot(nodes[i].one) : nodes[i].word;
  }
};

// TreeCursor over the compact table; the cache holds delivered values.
struct CompactCursor {
  const uint32_t* lookup;
  const TreeNode* nodes;
  unsigned bits;
  uint32_t c0, c1, c2;

  explicit CompactCursor(const VideoTree& t)
      : lookup(t.lookup32.data()),
        nodes(t.nodes.data()),
        bits(t.lookupBits),
        c0(t.resetWord >> 16),
        c1(t.resetWord >> 16),
        c2(t.resetWord >> 16) {}

  template <class Reader>
  uint32_t Decode(Reader& r) {
    const uint32_t e = lookup[r.Peek(bits)];
    r.Skip(e & 15);
    uint32_t v = e >> 8;
    if (e & 0x30) v = Resolve((e >> 4) & 3, v, r);
    if (v != c0) {
      c2 = c1;
      c1 = c0;
      c0 = v;
    }
    return v;
  }

 private:
  uint32_t Slot(uint32_t s) const { return s == 0 ? c0 : s == 1 ? c1 : c2; }
  template <class Reader>
  uint32_t Resolve(unsigned kind, uint32_t v, Reader& r) {
    if (kind == TreeNode::kCacheSlot) return Slot(v);
    uint32_t i = v;
    while (nodes[i].kind == TreeNode::kInner)
      i = r.Bits(1) ? nodes[i].one : i + 1;
    return nodes[i].kind == TreeNode::kCacheSlot ? Slot(nodes[i].one) : nodes[i].word >> 16;
  }
};

struct VideoTrees {
  std::array<VideoTree, 4> trees;
  uint16_t marker = 0;
  // Colour remapping state.
  bool usedKnown = false;
  std::array<bool, 256> used{};
  bool remapped = false;
};

// Builds the four trees from the tree data. maxNodes[t] bounds tree t (its declared memory
// divided by the node word size). False when the data is damaged or a tree overruns.
bool BuildVideoTrees(const uint8_t* data, size_t size, const std::array<uint32_t, 4>& maxNodes,
                     VideoTrees& out);

// Makes decoding deliver map[c] wherever colour c was coded.
void RemapVideoTrees(VideoTrees& trees, const uint8_t map[256]);

// An 8-bit tree (sound, and the byte sub-trees of the video trees).
struct ByteTree {
  static constexpr size_t kMaxNodes = 512;
  struct Node {
    uint16_t one;  // inner: index of the "1" child
    uint8_t leaf;  // 1 when a leaf
    uint8_t value;
  };
  std::vector<Node> nodes;
  // First 8 bits of a code resolved at once: low byte node index, bits 16-19 bits consumed.
  std::array<uint32_t, 256> lookup{};

  template <class Reader>
  uint8_t Decode(Reader& r) {
    uint32_t e = lookup[r.Peek(8)];
    r.Skip(e >> 16 & 15);
    uint32_t i = e & 0xFFFF;
    while (!nodes[i].leaf)
      i = r.Bits(1) ? nodes[i].one : i + 1;
    return nodes[i].value;
  }
};

// The trees of one compressed sound chunk (up to four channels' byte trees).
using SoundTrees = std::array<ByteTree, 4>;

// Reads one 8-bit tree with its terminating bit. False when the data ends or the tree grows
// past 512 nodes.
template <class Reader>
bool ReadByteTree(Reader& r, ByteTree& out);

extern template bool ReadByteTree(FastBitReader& r, ByteTree& out);
extern template bool ReadByteTree(WordBitReader& r, ByteTree& out);

}  // namespace zoe
