#include "viewer/ui/shell/page_table.h"

#include "viewer/ui/pages/font_page.h"
#include "viewer/ui/pages/picture_pages.h"
#include "viewer/ui/pages/raw_pages.h"
#include "viewer/ui/pages/sound_page.h"
#include "viewer/ui/pages/text_page.h"
#include "viewer/ui/pages/video_page.h"
#include "viewer/ui/savegame/party_page.h"

namespace brindle {

const std::vector<PageSlot>& PageSlots() {
  static const std::vector<PageSlot> pages = {
      {"pictab", {rtIcon, rtBitmap, rtSprite}, MakePicturePage},
      {"paltab", {rtPalette}, MakePalettePage},
      {"txttab", {rtText}, MakeTextPage},
      {"pcxtab", {rtIconPcx, rtPcx}, MakePcxPage},
      {"fnttab", {rtFont}, MakeFontPage},
      {"evttab", {rtEvt}, MakeEvtPage},
      {"strtab", {rtStr}, MakeStrPage},
      {"bintab", {rtBin}, MakeBinPage},
      {"sndtab", {rtSound}, MakeSoundPage},
      {"dlvtab", {rtDlv}, MakeDlvPage},
      {"ddmtab", {rtDdm}, MakeDdmPage},
      {"blvtab", {rtBlv}, MakeBlvPage},
      {"odmtab", {rtOdm}, MakeOdmPage},
      {"partyedittab", {rtPartyBin}, MakePartyEditPage},
      {"ztptab", {rtVideo}, MakeVideoPage},
  };
  return pages;
}

}  // namespace brindle
