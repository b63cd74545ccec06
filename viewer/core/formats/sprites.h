#pragma once
// Sprite entries: runs of pixels per row, their colours from a numbered palette in the
// "bitmaps.lod" beside the container.

#include <string>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/picture.h"
#include "viewer/core/host.h"

namespace brindle {

// Sprites: the palette is read afresh from "bitmaps.lod" beside containerPath each time.
PictureResult DecodeSprite(ByteFile& container, const TResourceInfo& entry,
                           const std::string& containerPath, CoreHost& host);
// The same with the palette given.
PictureResult DecodeSpriteWithPalette(ByteFile& container, const TResourceInfo& entry,
                                      const ColourTable& colours, CoreHost& host);

}  // namespace brindle
