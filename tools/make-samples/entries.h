#pragma once
// Pieces shared between the files that build the sample entries.

#include <string>
#include <vector>

#include "tools/make-samples/draw.h"
#include "tools/make-samples/samples.h"

namespace samples {

// pictures.cpp
Bytes BitmapEntryBytes(const std::string& name, const Canvas& c, const Palette& p, bool compress);
Bytes PaletteEntryBytes(const std::string& name, const Palette& p);
std::vector<SampleEntry> IconPictureEntries();
// A plain PCX file of a small landscape.
Bytes PlainPcx(int w, int h, std::uint32_t seed);
// The colours of palette pal<n> in bitmaps.lod.
Palette SpritePalette(int n);

// texts.cpp: tab-separated tables.
std::vector<SampleEntry> TextEntries();
// font.cpp: two fonts, one in each layout.
std::vector<SampleEntry> FontEntries();
// records.cpp: events, strings and data entries of the icon container.
std::vector<SampleEntry> IconRecordEntries();

}  // namespace samples
