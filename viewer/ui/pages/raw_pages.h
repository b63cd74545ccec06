#pragma once
// Pages of the entries shown as they are: event, data and map entries as hex dumps, string
// lists as lines of text. Each saves the same payload it shows.

#include "viewer/ui/base/entry_page.h"
#include "viewer/ui/base/lines_view.h"

namespace brindle {

struct RawPageSpec {
  const char* page;    // evttab
  const char* box;     // evttabeditbox
  const char* button;  // evttabsavetoevt
  TResourceType type;  // its save button, dialogs and save follow the type's row
  bool strings;        // lines of text rather than a dump
};

class RawPage : public EntryPage {
  Q_OBJECT
 public:
  RawPage(PageContext& context, const RawPageSpec& layout, QWidget* parent = nullptr);
  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;
  LinesView* box() const { return box_; }
  // Selects the line that shows the payload's byte at `offset`: its line of the dump, or the
  // string list's line it belongs to.
  void SelectOffset(std::size_t offset);
  // Selects a string list's line (0 first).
  void SelectLine(std::size_t line);

 private:
  void SaveClick();

  RawPageSpec layout_;
  LinesView* box_;
};

EntryPage* MakeEvtPage(PageContext& c);
EntryPage* MakeStrPage(PageContext& c);
EntryPage* MakeBinPage(PageContext& c);
EntryPage* MakeDlvPage(PageContext& c);
EntryPage* MakeDdmPage(PageContext& c);
EntryPage* MakeBlvPage(PageContext& c);
EntryPage* MakeOdmPage(PageContext& c);

}  // namespace brindle
