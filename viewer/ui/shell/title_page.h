#pragma once
// The page shown at start-up and for entries no page takes: the title picture, the version
// and a read-me.

#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

namespace brindle {

class TitlePage : public QWidget {
  Q_OBJECT
 public:
  explicit TitlePage(QWidget* parent = nullptr);
  void SetPicture(const QImage& picture);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QLabel* picture_;
  QLabel* version_;
  QPlainTextEdit* readme_;
};

// The read-me shown on the title page.
const char* ReadMeText();

}  // namespace brindle
