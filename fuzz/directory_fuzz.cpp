// Reads the input as a container of every family and identifies its entries.
#include <cstddef>
#include <cstdint>

#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/identify.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  SilentHost host;
  for (auto [kind, path] : {std::pair{ckIcons, "x.lod"}, {ckSnd, "x.snd"}, {ckVid, "x.vid"}}) {
    MemoryFile file(Bytes(data, data + size));
    TDataFile df;
    df.FileName = path;
    df.Kind = RecogniseContainer(file, path).value();
    if (df.Kind == ckNone) df.Kind = kind;
    (void)ReadDirectory(file, df.Kind, df.Entries, host);
    (void)IdentifyAll(df, file);
  }
  return 0;
}
