#pragma once
// What the movie page shows of a Zoetrope movie besides its size: the first frame, decoded
// by the movie layer, and the movie's facts in the words of `ztptool info`.

#include <QImage>
#include <QString>
#include <optional>

#include "common/file.h"
#include "viewer/core/containers/data_file.h"

namespace brindle {

struct MoviePreview {
  QImage firstFrame;  // null when the frame could not be decoded
  QString facts;      // one fact a line
};

// The preview of the movie stored as `entry` in `container`; nothing for a movie the layer
// cannot open (a Kinora movie, a damaged one).
std::optional<MoviePreview> PreviewMovie(ByteFile& container, const TResourceInfo& entry);

}  // namespace brindle
