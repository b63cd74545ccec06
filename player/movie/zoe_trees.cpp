#include "player/movie/zoe_trees.h"

#include <algorithm>

namespace zoe {
namespace {

// Reads a tree sent in pre-order without recursion, so that a deep (hostile) tree cannot
// exhaust the stack. The callbacks append nodes; count is the number appended so far.
template <class Reader, class AddInner, class SetOne, class AddLeaf>
bool ReadPreorder(Reader& r, size_t maxNodes, AddInner addInner, SetOne setOne, AddLeaf addLeaf) {
  struct Pending {
    uint32_t index;
    bool inOne;
  };
  std::vector<Pending> open;
  uint32_t count = 0;
  for (;;) {
    if (count >= maxNodes || r.Overrun()) return false;
    if (r.Bit()) {
      open.push_back({count, false});
      addInner();
      ++count;
      continue;
    }
    if (!addLeaf()) return false;
    ++count;
    // The subtree just finished; climb to the first node still waiting for its "1" side.
    for (;;) {
      if (open.empty()) {
        r.Bit();  // the closing 0 bit
        return !r.Overrun();
      }
      if (!open.back().inOne) {
        open.back().inOne = true;
        setOne(open.back().index, count);
        break;
      }
      open.pop_back();
    }
  }
}

void BuildByteLookup(ByteTree& t) {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t node = 0;
    uint32_t used = 0;
    while (!t.nodes[node].leaf && used < 8) {
      node = (i >> used) & 1 ? t.nodes[node].one : node + 1;
      ++used;
    }
    t.lookup[i] = node | used << 16;
  }
}

// An absent sub-tree delivers 0 and consumes nothing.
void MakeConstantByteTree(ByteTree& t) {
  t.nodes.assign(1, ByteTree::Node{0, 1, 0});
  BuildByteLookup(t);
}

template <class Reader>
bool ReadVideoTree(Reader& r, size_t maxNodes, VideoTree& t) {
  t = VideoTree{};
  if (!r.Bit()) {
    // Absent: decoding delivers 0 without consuming bits.
    t.lookup.assign(1, 0);
    return true;
  }
  t.present = true;
  ByteTree low, high;
  if (r.Bit()) {
    if (!ReadByteTree(r, low)) return false;
  } else {
    MakeConstantByteTree(low);
  }
  if (r.Bit()) {
    if (!ReadByteTree(r, high)) return false;
  } else {
    MakeConstantByteTree(high);
  }
  for (auto& e : t.escapes) {
    uint32_t lo = r.Bits(8);
    e = static_cast<uint16_t>(lo | r.Bits(8) << 8);
  }
  // Every node costs at least one bit of tree data, which bounds the reservation.
  t.nodes.reserve(std::min<size_t>(maxNodes, 1 << 16));
  bool ok = ReadPreorder(
      r, maxNodes,
      [&] {
        t.nodes.push_back({TreeNode::kInner, 0, 0});
      },
      [&](uint32_t index, uint32_t one) { t.nodes[index].one = one; },
      [&] {
        uint32_t lo = low.Decode(r);
        uint32_t value = lo | uint32_t{high.Decode(r)} << 8;
        TreeNode n{TreeNode::kLeaf, 0, value << 16 | value};
        for (uint32_t s = 0; s < 3; ++s) {
          if (value == t.escapes[s]) {
            n = TreeNode{TreeNode::kCacheSlot, s, 0};
            t.slotHasLeaf[s] = true;
            break;
          }
        }
        t.nodes.push_back(n);
        return true;
      });
  return ok;
}

// Fills every table index whose low `depth` bits are `code` with the node reached there.
void FillLookup(VideoTree& t, uint32_t node, uint32_t code, uint32_t depth) {
  const TreeNode& n = t.nodes[node];
  if (n.kind == TreeNode::kInner && depth < t.lookupBits) {
    FillLookup(t, node + 1, code, depth + 1);
    FillLookup(t, n.one, code | 1u << depth, depth + 1);
    return;
  }
  const uint64_t low = n.kind == TreeNode::kLeaf        ? n.word
                       : n.kind == TreeNode::kCacheSlot ? n.one
                                                        : node;
  const uint64_t entry = low | uint64_t{depth} << 32 | uint64_t{n.kind} << 36;
  for (uint32_t rest = 0; rest < (1u << (t.lookupBits - depth)); ++rest) {
    t.lookup[code | rest << depth] = entry;
  }
}

// Whether delivered values identify sent ones over every leaf and the reset value (sent 0).
// The leaf words (delivered << 16 | sent) are sorted, so equal delivered values end up side
// by side: this costs what the tree holds, where a table of every delivered value would cost
// 256 KB on each build and each remap, however small the tree.
bool DeliveredIdentifiesSent(const VideoTree& t) {
  std::vector<uint32_t> words;
  for (const TreeNode& n : t.nodes) {
    if (n.kind == TreeNode::kLeaf) words.push_back(n.word);
  }
  words.push_back(t.resetWord & 0xFFFF0000u);
  std::sort(words.begin(), words.end());
  words.erase(std::unique(words.begin(), words.end()), words.end());
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] >> 16 == words[i - 1] >> 16) return false;
  }
  return true;
}

void BuildCompactLookup(VideoTree& t) {
  t.compact = t.nodes.size() < (1u << 24) && DeliveredIdentifiesSent(t);
  if (!t.compact) {
    t.lookup32.clear();
    return;
  }
  t.lookup32.resize(t.lookup.size());
  for (size_t i = 0; i < t.lookup.size(); ++i) {
    const uint64_t e = t.lookup[i];
    const uint32_t kind = static_cast<uint32_t>(e >> 36) & 3;
    const uint32_t low = static_cast<uint32_t>(e);
    const uint32_t payload = kind == TreeNode::kLeaf ? low >> 16 : low;
    t.lookup32[i] = payload << 8 | kind << 4 | (static_cast<uint32_t>(e >> 32) & 15);
  }
}

void BuildVideoLookup(VideoTree& t) {
  if (!t.present) {
    t.lookupBits = 0;
    t.lookup.assign(1, 0);
  } else {
    t.lookup.assign(size_t{1} << t.lookupBits, 0);
    FillLookup(t, 0, 0, 0);
  }
  BuildCompactLookup(t);
}

}  // namespace

template <class Reader>
bool ReadByteTree(Reader& r, ByteTree& out) {
  out.nodes.clear();
  out.nodes.reserve(64);
  bool ok = ReadPreorder(
      r, ByteTree::kMaxNodes,
      [&] {
        out.nodes.push_back({0, 0, 0});
      },
      [&](uint32_t index, uint32_t one) { out.nodes[index].one = static_cast<uint16_t>(one); },
      [&] {
        out.nodes.push_back({0, 1, static_cast<uint8_t>(r.Bits(8))});
        return true;
      });
  if (!ok) return false;
  BuildByteLookup(out);
  return true;
}

template bool ReadByteTree(FastBitReader& r, ByteTree& out);
template bool ReadByteTree(WordBitReader& r, ByteTree& out);

bool BuildVideoTrees(const uint8_t* data, size_t size, const std::array<uint32_t, 4>& maxNodes,
                     VideoTrees& out) {
  out = VideoTrees{};
  FastBitReader r(data, size);
  for (int i = 0; i < 4; ++i) {
    VideoTree& t = out.trees[i];
    if (!ReadVideoTree(r, maxNodes[i], t)) return false;
    t.lookupBits = i == kTypeTree ? 10 : 12;
    BuildVideoLookup(t);
  }
  // The marker: the lowest value that no leaf of any tree carries.
  std::vector<bool> isLeaf(65536, false);
  for (const VideoTree& t : out.trees) {
    for (const TreeNode& n : t.nodes) {
      if (n.kind == TreeNode::kLeaf) isLeaf[n.word & 0xFFFF] = true;
    }
    for (int s = 0; s < 3; ++s) {
      if (t.slotHasLeaf[s]) isLeaf[t.escapes[s]] = true;
    }
  }
  out.marker = 0;
  while (out.marker < 65535 && isLeaf[out.marker])
    ++out.marker;
  for (VideoTree& t : out.trees)
    t.ResetCache();
  return true;
}

void RemapVideoTrees(VideoTrees& trees, const uint8_t map[256]) {
  auto isSolid = [](uint32_t sent) { return (sent & kBlockTypeMask) == kSolid; };
  if (!trees.usedKnown) {
    trees.usedKnown = true;
    for (int i : {kColourTree, kFullTree}) {
      for (const TreeNode& n : trees.trees[i].nodes) {
        if (n.kind != TreeNode::kLeaf) continue;
        trees.used[n.word & 0xFF] = true;
        trees.used[(n.word >> 8) & 0xFF] = true;
      }
    }
    for (const TreeNode& n : trees.trees[kTypeTree].nodes) {
      if (n.kind == TreeNode::kLeaf && isSolid(n.word)) trees.used[(n.word >> 8) & 0xFF] = true;
    }
  }
  bool identity = true;
  for (int c = 0; c < 256; ++c) {
    if (trees.used[c] && map[c] != c) identity = false;
  }
  if (identity && !trees.remapped) return;

  // The sent value stays in the low half, so every call starts again from what was sent.
  for (int i : {kColourTree, kFullTree}) {
    VideoTree& t = trees.trees[i];
    for (TreeNode& n : t.nodes) {
      if (n.kind != TreeNode::kLeaf) continue;
      uint32_t sent = n.word & 0xFFFF;
      uint32_t delivered = map[sent & 0xFF] | uint32_t{map[sent >> 8]} << 8;
      n.word = delivered << 16 | sent;
    }
    t.resetWord = uint32_t{map[0]} * 257u << 16;
    BuildVideoLookup(t);
  }
  VideoTree& type = trees.trees[kTypeTree];
  for (TreeNode& n : type.nodes) {
    if (n.kind != TreeNode::kLeaf || !isSolid(n.word)) continue;
    uint32_t sent = n.word & 0xFFFF;
    uint32_t delivered = (sent & 0xFF) | uint32_t{map[sent >> 8]} << 8;
    n.word = delivered << 16 | sent;
  }
  BuildVideoLookup(type);
  trees.remapped = !identity;
}

}  // namespace zoe
