#pragma once
// The real dialogs behind Prompts.

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

// "Kind (*.x)|*.x|All files (*.*)|*.*" in the form Qt's dialogs take.
QString QtFilter(const std::string& filter);

}  // namespace brindle
