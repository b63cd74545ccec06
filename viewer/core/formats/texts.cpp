#include "viewer/core/formats/texts.h"

#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

Bytes BuildTextEntry(const TResourceInfo& entry, ByteView text) {
  const bool compress = entry.UnpackedSize != 0;
  Bytes packed;
  if (compress) packed = BuildCompressedPayload(text);
  ByteView data = compress ? ByteView(packed) : text;
  ByteWriter w;
  w.FixedText(entry.Name, 16)
      .U32(0)
      .U32(static_cast<std::uint32_t>(data.size()))
      .Zeros(16)
      .U32(compress ? static_cast<std::uint32_t>(text.size()) : 0)
      .U32(256)
      .Append(data);
  return w.Take();
}

void ImportTextFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host) {
  host.SuspendWatch(true);
  Bytes text;
  if (!ReadWholeFile(path, &text)) {
    host.Message(CannotOpenMessage(path));
  } else {
    Bytes image = BuildTextEntry(dataFile.Entries[static_cast<std::size_t>(index)], text);
    WriteBackLodEntry(dataFile, index, image, host);
  }
  host.SuspendWatch(false);
}

}  // namespace brindle
