#pragma once
// The font page fnttab: the sheet of every character and the typed line of text, each in a
// scroll box with white around it, three colour panels for the pixel values, and a save
// button for each rendering.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <functional>

#include "viewer/core/formats/fonts.h"
#include "viewer/ui/base/entry_page.h"
#include "viewer/ui/pages/zoom_image.h"

namespace brindle {

class FontPage : public EntryPage {
  Q_OBJECT
 public:
  explicit FontPage(PageContext& context, QWidget* parent = nullptr);
  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;
  const FontColours& colours() const { return colours_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The sheet, then the typed text unless the sheet failed.
  void ShowFontEntry(ByteFile& container, const TResourceInfo& entry);
  void ShowFontText(ByteFile& container, const TResourceInfo& entry);
  // Runs `show` on the selected font with the container opened afresh.
  void WithSelectedFont(const std::function<void(ByteFile&, const TResourceInfo&)>& show);
  void fnttabfgClick(std::uint32_t FontColours::*which);
  void fnttabeditChange();
  void fnttabsavetobmpwholeClick();
  void fnttabsavetobmptextClick();
  std::string TypedText() const;
  void PaintPanels();

  FontColours colours_;
  QScrollArea* scrollbox_;
  ZoomImage* image_;
  QScrollArea* textScrollbox_;
  ZoomImage* textImage_;
  QLineEdit* edit_;
  QPushButton* saveWhole_;
  struct Panel {
    QLabel* caption;
    QPushButton* swatch;
    std::uint32_t FontColours::*colour;
  };
  std::vector<Panel> panels_;
};

EntryPage* MakeFontPage(PageContext& c);

}  // namespace brindle
