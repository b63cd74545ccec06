#include "viewer/ui/pages/raw_pages.h"

#include <QFontDatabase>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/core/formats/exports.h"
#include "viewer/core/formats/raw_types.h"

namespace brindle {

RawPage::RawPage(PageContext& context, const RawPageSpec& layout, QWidget* parent)
    : EntryPage(context, layout.page, parent), layout_(layout) {
  box_ = new LinesView(this);
  box_->setObjectName(layout.box);
  if (!layout.strings) {
    // A small fixed-pitch face for the dump's columns.
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(11);
    box_->setFont(mono);
  }
  SetContent(box_);
  QPushButton* save = AddButton(layout.button, QString("Save to ") + layout.shown);
  connect(save, &QPushButton::clicked, this, &RawPage::SaveClick);
}

void RawPage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  CoreHost& host = context_.host();
  Bytes payload = PagePayload(container, entry, host);
  if (payload.empty()) {
    host.Message("Error!  Unable to show " + EntryName(entry));
  } else if (layout_.strings) {
    box_->SetLines(SplitStrings(payload));
  } else {
    context_.ShowLoading(true);
    std::vector<std::string> lines = HexDump(payload, &host);
    payload = Bytes();
    box_->SetLines(std::move(lines));
    context_.ShowLoading(false);
  }
  context_.ShowPage(this);
}

void RawPage::SaveClick() {
  SaveSelected(layout_.shown, layout_.ext, layout_.kind,
               [this](ByteFile& file, const TResourceInfo& entry) -> Result<Bytes> {
                 Bytes payload = PagePayload(file, entry, context_.host());
                 if (payload.empty()) return UnableToSave(entry);
                 return payload;
               });
}

namespace {

constexpr RawPageSpec kEvt{"evttab", "evttabeditbox", "evttabsavetoevt", "EVT", "evt", "EVT files",
                           false};
constexpr RawPageSpec kStr{"strtab", "strtabeditbox", "strtabsavetostr", "STR", "str", "STR files",
                           true};
constexpr RawPageSpec kBin{
    "bintab", "bintabeditbox", "bintabsavetobin", "BIN", "bin", "Binary files", false};
constexpr RawPageSpec kDlv{"dlvtab", "dlvtabeditbox", "dlvtabsavetodlv", "DLV", "dlv", "DLV files",
                           false};
constexpr RawPageSpec kDdm{"ddmtab", "ddmtabeditbox", "ddmtabsavetoddm", "DDM", "ddm", "DDM files",
                           false};
constexpr RawPageSpec kBlv{"blvtab", "blvtabeditbox", "blvtabsavetoblv", "BLV", "blv", "BLV files",
                           false};
constexpr RawPageSpec kOdm{"odmtab", "odmtabeditbox", "odmtabsavetoodm", "ODM", "odm", "ODM files",
                           false};

}  // namespace

EntryPage* MakeEvtPage(PageContext& c) {
  return new RawPage(c, kEvt);
}
EntryPage* MakeStrPage(PageContext& c) {
  return new RawPage(c, kStr);
}
EntryPage* MakeBinPage(PageContext& c) {
  return new RawPage(c, kBin);
}
EntryPage* MakeDlvPage(PageContext& c) {
  return new RawPage(c, kDlv);
}
EntryPage* MakeDdmPage(PageContext& c) {
  return new RawPage(c, kDdm);
}
EntryPage* MakeBlvPage(PageContext& c) {
  return new RawPage(c, kBlv);
}
EntryPage* MakeOdmPage(PageContext& c) {
  return new RawPage(c, kOdm);
}

}  // namespace brindle
