#include "viewer/ui/shell/qt_prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace brindle {

QString QtFilter(const std::string& filter) {
  // Shown texts and patterns alternate; Qt wants only the shown texts, which carry their
  // patterns in parentheses, separated by ";;".
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList shown;
  for (int i = 0; i < parts.size(); i += 2)
    shown << parts[i];
  return shown.join(";;");
}

namespace {

QFileDialog* MakeDialog(QWidget* parent, const FileDialogSpec& setup, QFileDialog::AcceptMode mode,
                        QFileDialog::FileMode fileMode) {
  auto* d = new QFileDialog(parent, QString::fromStdString(setup.title),
                            QString::fromStdString(setup.initialDir), QtFilter(setup.filter));
  d->setAcceptMode(mode);
  d->setFileMode(fileMode);
  d->setDefaultSuffix(QString::fromStdString(setup.defaultExt));
  d->setOption(QFileDialog::DontUseNativeDialog, false);
  if (!setup.proposedName.empty()) d->selectFile(QString::fromStdString(setup.proposedName));
  return d;
}

}  // namespace

void QtPrompts::Message(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("brindle"), QString::fromStdString(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

std::optional<std::string> QtPrompts::AskSaveFile(const FileDialogSpec& setup) {
  std::unique_ptr<QFileDialog> d(
      MakeDialog(parent_, setup, QFileDialog::AcceptSave, QFileDialog::AnyFile));
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return d->selectedFiles().first().toStdString();
}

std::optional<std::string> QtPrompts::AskOpenFile(const FileDialogSpec& setup) {
  std::unique_ptr<QFileDialog> d(
      MakeDialog(parent_, setup, QFileDialog::AcceptOpen, QFileDialog::ExistingFile));
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return d->selectedFiles().first().toStdString();
}

std::vector<std::string> QtPrompts::AskOpenFiles(const FileDialogSpec& setup) {
  std::unique_ptr<QFileDialog> d(
      MakeDialog(parent_, setup, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles));
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
