#include "viewer/ui/shell/qt_prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace brindle {

namespace {

// A Windows pattern for Linux: every letter in both cases; "*.*" (or "*") every file.
QString AnyCasePattern(const QString& pattern) {
  if (pattern == "*.*" || pattern == "*") return QStringLiteral("*");
  QString out;
  for (const QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper())
      out += QString('[') + c.toLower() + c.toUpper() + QChar(']');
    else
      out += c;
  }
  return out;
}

}  // namespace

QStringList QtNameFilters(const std::string& filter, bool allFilesChoice) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  bool takesAll = false;
  for (int i = 0; i < parts.size(); i += 2) {
    QStringList patterns;
    const QStringList given =
        i + 1 < parts.size() ? parts[i + 1].split(';', Qt::SkipEmptyParts) : QStringList();
    for (const QString& p : given) {
      patterns << AnyCasePattern(p.trimmed());
      takesAll = takesAll || patterns.back() == "*";
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    // The toolkit reads the patterns from the last parentheses and hides them there.
    filters << parts[i] + " (" + patterns.join(' ') + ")";
  }
  if (allFilesChoice && !takesAll) filters << QStringLiteral("All files (*)");
  return filters;
}

QFileDialog* MakeFileDialog(QWidget* parent, const FileDialogSpec& setup,
                            QFileDialog::AcceptMode mode, QFileDialog::FileMode fileMode,
                            bool nonNative) {
  auto* d = new QFileDialog(parent, QString::fromStdString(setup.title),
                            QString::fromStdString(setup.initialDir));
  d->setOption(QFileDialog::DontUseNativeDialog, nonNative);
  d->setOption(QFileDialog::HideNameFilterDetails, true);
  d->setNameFilters(QtNameFilters(setup.filter, setup.allFilesChoice));
  d->setAcceptMode(mode);
  d->setFileMode(fileMode);
  d->setDefaultSuffix(QString::fromStdString(setup.defaultExt));
  if (!setup.proposedName.empty()) d->selectFile(QString::fromStdString(setup.proposedName));
  return d;
}

void QtPrompts::Message(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("brindle"), QString::fromStdString(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

std::optional<std::string> QtPrompts::AskSaveFile(const FileDialogSpec& setup) {
  std::unique_ptr<QFileDialog> d(
      MakeFileDialog(parent_, setup, QFileDialog::AcceptSave, QFileDialog::AnyFile));
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return d->selectedFiles().first().toStdString();
}

std::optional<std::string> QtPrompts::AskOpenFile(const FileDialogSpec& setup) {
  std::unique_ptr<QFileDialog> d(
      MakeFileDialog(parent_, setup, QFileDialog::AcceptOpen, QFileDialog::ExistingFile));
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return d->selectedFiles().first().toStdString();
}

std::vector<std::string> QtPrompts::AskOpenFiles(const FileDialogSpec& setup) {
  std::unique_ptr<QFileDialog> d(
      MakeFileDialog(parent_, setup, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles));
  std::vector<std::string> files;
  if (d->exec() != QDialog::Accepted) return files;
  for (const QString& f : d->selectedFiles())
    files.push_back(f.toStdString());
  return files;
}

std::optional<std::string> QtPrompts::AskFolder(const FileDialogSpec& setup) {
  const QString dir = QFileDialog::getExistingDirectory(
      parent_, QString::fromStdString(setup.title), QString::fromStdString(setup.initialDir));
  if (dir.isEmpty()) return std::nullopt;
  return dir.toStdString();
}

std::optional<std::uint32_t> QtPrompts::AskColour(std::uint32_t initial) {
  QColor c = QColorDialog::getColor(QColor::fromRgb(initial), parent_);
  if (!c.isValid()) return std::nullopt;
  return static_cast<std::uint32_t>(c.rgb() & 0xFFFFFF);
}

bool QtPrompts::AskYesNo(const std::string& question) {
  return QMessageBox::question(parent_, QApplication::applicationName(),
                               QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> QtPrompts::AskText(const std::string& question,
                                              const std::string& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent_, QApplication::applicationName(),
                                             QString::fromStdString(question), QLineEdit::Normal,
                                             QString::fromStdString(initial), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

std::optional<int> QtPrompts::AskChoice(const std::string& question,
                                        const std::vector<std::string>& choices) {
  QStringList items;
  for (const std::string& c : choices)
    items << QString::fromStdString(c);
  bool ok = false;
  const QString picked =
      QInputDialog::getItem(parent_, QApplication::applicationName(),
                            QString::fromStdString(question), items, 0, false, &ok);
  if (!ok) return std::nullopt;
  return static_cast<int>(items.indexOf(picked));
}

}  // namespace brindle
