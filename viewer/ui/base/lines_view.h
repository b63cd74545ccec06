#pragma once
// A read-only text box for very long texts held as lines: only the lines in view are ever
// laid out, and lines given by a source are made only when they are drawn or copied, so a
// dump of half a million lines is shown at once. Lines are bytes shown through a code page
// (the old OEM one by default).
// Lines can be selected with the mouse or Shift+arrows and copied with Ctrl+C; Ctrl+A
// selects everything.

#include <QAbstractScrollArea>
#include <functional>
#include <string>
#include <vector>

namespace brindle {

class LinesView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit LinesView(QWidget* parent = nullptr);

  // Makes line i (below count) on demand; widest is the longest line's length.
  using LineSource = std::function<std::string(std::size_t)>;

  // Replaces the lines in one assignment.
  void SetLines(std::vector<std::string> lines);
  // Replaces the lines with `count` lines made by `line` when they are needed.
  void SetLineSource(std::size_t count, LineSource line, std::size_t widest);
  int LineCount() const { return count_; }
  std::string Line(int i) const { return line_(static_cast<std::size_t>(i)); }
  // Every line, made now.
  std::vector<std::string> Lines() const;
  // How a line's bytes become text; code page 437 unless set.
  void SetDecoder(std::function<QString(const std::string&)> decode);
  // The text of the selected lines (all of them when none are selected), one per line.
  QString SelectedText() const;
  void SelectAll();
  // Selects line i alone, as a click on it would, and scrolls it into view.
  void SelectLine(int i);
  int FirstVisibleLine() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void UpdateScrollBars();
  int LineAt(int y) const;
  int LineHeight() const;

  int count_ = 0;
  LineSource line_;
  std::function<QString(const std::string&)> decode_;
  int widest_ = 0;  // in characters, from the longest line
  int anchor_ = -1;
  int cursor_ = -1;
};

}  // namespace brindle
