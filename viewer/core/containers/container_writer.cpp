#include "viewer/core/containers/container_writer.h"

#include "viewer/core/containers/data_file.h"
#include "viewer/core/containers/extract.h"

namespace brindle {

Bytes BuildLod(const std::string& identifier, const std::vector<NewEntry>& entries) {
  const std::int64_t dirEnd = DirectoryEnd(ckIcons, static_cast<std::int64_t>(entries.size()));
  std::int64_t total = dirEnd;
  for (const NewEntry& e : entries)
    total += static_cast<std::int64_t>(e.bytes.size());

  ByteWriter w;
  w.Zeros(static_cast<std::size_t>(kLodIdentifierOffset));
  w.FixedText(identifier, 12);                                    // 256..267
  w.Zeros(8);                                                     // 268..275
  w.U32(static_cast<std::uint32_t>(total - kLodDirectoryStart));  // 276
  w.Zeros(4);                                                     // 280
  w.I32(static_cast<std::int32_t>(entries.size()));               // 284
  std::int64_t at = dirEnd;
  for (const NewEntry& e : entries) {
    w.FixedText(e.name, 16)
        .I32(static_cast<std::int32_t>(at - kLodDirectoryStart))
        .I32(static_cast<std::int32_t>(e.bytes.size()))
        .Zeros(8);
    at += static_cast<std::int64_t>(e.bytes.size());
  }
  for (const NewEntry& e : entries)
    w.Append(e.bytes);
  return w.Take();
}

namespace {

Bytes BuildFlat(const std::vector<NewEntry>& entries, bool withSizes) {
  const TContainerKind kind = withSizes ? ckSnd : ckVid;
  std::int64_t at = DirectoryEnd(kind, static_cast<std::int64_t>(entries.size()));
  ByteWriter w;
  w.I32(static_cast<std::int32_t>(entries.size()));
  for (const NewEntry& e : entries) {
    w.FixedText(e.name, 40).I32(static_cast<std::int32_t>(at));
    if (withSizes) w.I32(static_cast<std::int32_t>(e.bytes.size())).I32(e.unpackedSize);
    at += static_cast<std::int64_t>(e.bytes.size());
  }
  for (const NewEntry& e : entries)
    w.Append(e.bytes);
  return w.Take();
}

}  // namespace

Bytes BuildSnd(const std::vector<NewEntry>& entries) {
  return BuildFlat(entries, true);
}
Bytes BuildVid(const std::vector<NewEntry>& entries) {
  return BuildFlat(entries, false);
}

Bytes BuildPackedLodEntry(const std::string& name, ByteView data, bool compress,
                          std::uint32_t field44) {
  Bytes packed = compress ? BuildCompressedPayload(data) : Bytes(data.begin(), data.end());
  LodEntryHeader h;
  h.name = name;
  h.packedSize = static_cast<std::int32_t>(packed.size());
  h.unpackedSize = compress ? static_cast<std::int32_t>(data.size()) : 0;
  h.field44 = field44;
  Bytes out = WriteLodEntryHeader(h);
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

}  // namespace brindle
