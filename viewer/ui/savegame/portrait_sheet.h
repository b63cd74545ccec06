#pragma once
// The sheet of character portraits the editor picks from: one picture of 325 x 66 pixels,
// 25 portraits of 25 x 33 pixels, 13 to a row (0-12 in the first row, 13-24 in the second;
// the last cell of the second row stays empty). Drawn here, so it belongs to this project.

#include <QPixmap>
#include <QRect>

#include "viewer/core/savegame/party_edits.h"

namespace brindle {

// Where portrait p sits on the sheet.
QRect PortraitCell(int portrait);

QPixmap PortraitSheet();

}  // namespace brindle
