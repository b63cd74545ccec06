#include "viewer/core/formats/texts.h"

#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

namespace {
// Text entries carry 256 in the header's last field.
constexpr std::uint32_t kTextHeaderMark = 256;
}  // namespace

Bytes BuildTextEntry(const TResourceInfo& entry, ByteView text) {
  const bool compress = entry.UnpackedSize != 0;
  Bytes packed;
  if (compress) packed = BuildCompressedPayload(text);
  ByteView data = compress ? ByteView(packed) : text;
  LodEntryHeader h;
  h.name = entry.Name;
  h.packedSize = static_cast<std::int32_t>(data.size());
  h.unpackedSize = compress ? static_cast<std::int32_t>(text.size()) : 0;
  h.field44 = kTextHeaderMark;
  ByteWriter w;
  w.Append(WriteLodEntryHeader(h)).Append(data);
  return w.Take();
}

Status ImportTextFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size())
    return Fail("There is no entry " + std::to_string(index) + " in " + dataFile.FileName + ".");
  const WatchHold hold(host);
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return Fail(CannotOpenMessage(path), ErrorKind::kCannotOpen);
  Bytes text = std::move(*read);
  Bytes image = BuildTextEntry(dataFile.Entries[static_cast<std::size_t>(index)], text);
  return WriteBackLodEntry(dataFile, index, image, host);
}

}  // namespace brindle
