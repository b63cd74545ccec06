#pragma once
// The real dialogs behind Prompts.

#include <QFileDialog>
#include <QStringList>
#include <QWidget>

#include "viewer/core/prompts.h"

namespace brindle {

class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Message(const std::string& text) override;
  std::optional<std::string> AskSaveFile(const FileDialogSpec& setup) override;
  std::optional<std::string> AskOpenFile(const FileDialogSpec& setup) override;
  std::vector<std::string> AskOpenFiles(const FileDialogSpec& setup) override;
  std::optional<std::string> AskFolder(const FileDialogSpec& setup) override;
  std::optional<std::uint32_t> AskColour(std::uint32_t initial) override;
  bool AskYesNo(const std::string& question) override;
  std::optional<std::string> AskText(const std::string& question,
                                     const std::string& initial) override;
  std::optional<int> AskChoice(const std::string& question,
                               const std::vector<std::string>& choices) override;

 private:
  QWidget* parent_;
};

// A filter written as "Kind (*.X)|*.X;*.Y|All files (*.*)|*.*" (shown texts and patterns
// alternating, patterns separated by ";") in the form Qt's dialogs take: each shown text as
// written, followed by its patterns matched in any letter case ("*.*" is every file, dot
// or none); dialogs hide the patterns. allFilesChoice adds "All files (*)" unless a choice
// already takes every file.
QStringList QtNameFilters(const std::string& filter, bool allFilesChoice);

// The dialog a FileDialogSpec describes (the toolkit's own dialog when `nonNative`).
QFileDialog* MakeFileDialog(QWidget* parent, const FileDialogSpec& setup,
                            QFileDialog::AcceptMode mode, QFileDialog::FileMode fileMode,
                            bool nonNative = false);

}  // namespace brindle
