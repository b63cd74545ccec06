// The folder: which entries go into which container.

#include "tools/make-samples/entries.h"

namespace samples {

std::vector<SampleEntry> IconEntries() {
  std::vector<SampleEntry> out = IconPictureEntries();
  for (auto* more : {&TextEntries, &FontEntries, &IconRecordEntries}) {
    std::vector<SampleEntry> part = (*more)();
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

Bytes BuildContainer(const SampleContainer& c) {
  std::vector<brindle::NewEntry> entries;
  for (const SampleEntry& e : c.entries)
    entries.push_back(e.entry);
  switch (c.family) {
    case ContainerFamily::kSnd:
      return brindle::BuildSnd(entries);
    case ContainerFamily::kVid:
      return brindle::BuildVid(entries);
    case ContainerFamily::kLod:
      break;
  }
  return brindle::BuildLod(c.identifier, entries);
}

std::vector<SampleContainer> BuildSampleFolder() {
  using F = ContainerFamily;
  return {
      {"icons.lod", F::kLod, "ICONS", IconEntries()},
      {"bitmaps.lod", F::kLod, "BITMAPS", BitmapEntries()},
      {"sprites.lod", F::kLod, "SPRITES08", SpriteEntries()},
      {"maps.lod", F::kLod, "MAPS", MapEntries()},
      {"save000.vlm", F::kLod, "CHAPTER", SaveGameEntries()},
      {"audio.snd", F::kSnd, "", SoundEntries()},
      {"movies.vid", F::kVid, "", MovieEntries()},
  };
}

}  // namespace samples
