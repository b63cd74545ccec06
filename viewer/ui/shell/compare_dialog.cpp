#include "viewer/ui/shell/compare_dialog.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/codepage.h"
#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {

namespace {

QString Name(const std::string& stored) {
  return QString::fromStdString(EscapeControls(Cp1252ToUtf8(stored)));
}

}  // namespace

CompareDialog::CompareDialog(TForm1& window) : QDialog(&window), window_(window) {
  setObjectName("comparedialog");
  setWindowTitle("Compare With");
  heading_ = new QLabel(this);
  heading_->setObjectName("compareheading");
  heading_->setWordWrap(true);
  lines_ = new QTreeWidget(this);
  lines_->setObjectName("comparelines");
  lines_->setColumnCount(2);
  lines_->setHeaderLabels({"Change", "Entry"});
  lines_->setRootIsDecorated(false);
  lines_->setUniformRowHeights(true);
  lines_->header()->setStretchLastSection(true);
  lines_->setColumnWidth(0, 70);
  connect(lines_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) ShowLine(lines_->indexOfTopLevelItem(item));
  });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(lines_, 1);
  resize(460, 420);
}

void CompareDialog::Show(const std::string& other, std::vector<DiffLine> lines) {
  shown_ = std::move(lines);
  openPath_ = window_.DataFile().FileName;
  const QString from = QString::fromStdString(BaseName(other));
  const QString to = QString::fromStdString(BaseName(openPath_));
  heading_->setText(shown_.empty()
                        ? from + " and " + to + " hold the same entries."
                        : QString::number(shown_.size()) + " changes from " + from + " to " + to +
                              " (+ added, - removed, M changed, R renamed):");
  const QSignalBlocker quiet(lines_);
  lines_->clear();
  for (const DiffLine& line : shown_) {
    const QString name = line.op == DiffOp::kRenamed
                             ? Name(line.oldName) + " -> " + Name(line.newName)
                             : Name(line.op == DiffOp::kAdded ? line.newName : line.oldName);
    lines_->addTopLevelItem(
        new QTreeWidgetItem({QString(QChar(static_cast<char>(line.op))), name}));
  }
  show();
  raise();
  activateWindow();
}

void CompareDialog::ShowLine(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return;
  const DiffLine& line = shown_[static_cast<std::size_t>(row)];
  // Lines of a container no longer open (another was loaded, or this one was rewritten) name
  // entries that may stand elsewhere now.
  const auto& entries = window_.DataFile().Entries;
  if (window_.DataFile().FileName != openPath_ || line.newIndex < 0 ||
      static_cast<std::size_t>(line.newIndex) >= entries.size() ||
      entries[static_cast<std::size_t>(line.newIndex)].Name != line.newName) {
    window_.SetPointerText(line.newIndex < 0
                               ? Cp1252ToUtf8(line.oldName) + " is only in the other container"
                               : "The container changed since the comparison: compare again");
    return;
  }
  window_.SelectEntry(line.newIndex);
}

}  // namespace brindle
