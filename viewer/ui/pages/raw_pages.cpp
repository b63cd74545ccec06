#include "viewer/ui/pages/raw_pages.h"

#include <QFontDatabase>
#include <climits>
#include <memory>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/core/formats/entry_types.h"
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
  const std::string shown = UpperAscii(std::string(EntryTypeOf(layout.type).extension));
  QPushButton* save = AddButton(layout.button, QString::fromStdString("Save to " + shown));
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
    // The view keeps the payload and makes only the lines it draws or copies.
    auto held = std::make_shared<const Bytes>(std::move(payload));
    const std::size_t size = held->size();
    box_->SetLineSource(
        HexDumpLineCount(size), [held](std::size_t i) { return HexDumpLine(*held, i); },
        HexDumpWidth(size));
  }
  context_.ShowPage(this);
}

void RawPage::SelectOffset(std::size_t offset) {
  if (!layout_.strings) {
    SelectLine(HexDumpLineOf(offset));
    return;
  }
  // Each line stood in the payload with the NUL that ended it.
  std::size_t start = 0;
  for (int i = 0; i < box_->LineCount(); ++i) {
    start += box_->Line(i).size() + 1;
    if (offset < start) {
      box_->SelectLine(i);
      return;
    }
  }
}

void RawPage::SelectLine(std::size_t line) {
  box_->SelectLine(static_cast<int>(std::min<std::size_t>(line, INT_MAX)));
}

void RawPage::SaveClick() {
  SaveSelected();
}

namespace {

constexpr RawPageSpec kEvt{"evttab", "evttabeditbox", "evttabsavetoevt", rtEvt, false};
constexpr RawPageSpec kStr{"strtab", "strtabeditbox", "strtabsavetostr", rtStr, true};
constexpr RawPageSpec kBin{"bintab", "bintabeditbox", "bintabsavetobin", rtBin, false};
constexpr RawPageSpec kDlv{"dlvtab", "dlvtabeditbox", "dlvtabsavetodlv", rtDlv, false};
constexpr RawPageSpec kDdm{"ddmtab", "ddmtabeditbox", "ddmtabsavetoddm", rtDdm, false};
constexpr RawPageSpec kBlv{"blvtab", "blvtabeditbox", "blvtabsavetoblv", rtBlv, false};
constexpr RawPageSpec kOdm{"odmtab", "odmtabeditbox", "odmtabsavetoodm", rtOdm, false};

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
