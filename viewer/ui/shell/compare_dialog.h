#pragma once
// "Compare With...": what changed between another copy of a container and the one open,
// as brindle-cli diff lists it; picking a line shows the open container's entry.

#include <QDialog>
#include <string>
#include <vector>

#include "viewer/core/edit/compare.h"

class QLabel;
class QTreeWidget;

namespace brindle {

class TForm1;

class CompareDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CompareDialog(TForm1& window);
  // The differences from `other` (the old copy) to the open container (the new one).
  void Show(const std::string& other, std::vector<DiffLine> lines);
  // Shows line `row`'s entry in the main window, as picking it does.
  void ShowLine(int row);

 private:
  TForm1& window_;
  QLabel* heading_;
  QTreeWidget* lines_;
  std::vector<DiffLine> shown_;
  std::string openPath_;  // the container the lines are about
};

}  // namespace brindle
