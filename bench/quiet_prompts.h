#pragma once
// Prompts that answer nothing: the windows of the benchmarks ask no questions anyone answers.

#include "viewer/core/prompts.h"

namespace brindle {

class QuietPrompts : public Prompts {
 public:
  void Message(const std::string&) override {}
  std::optional<std::string> AskSaveFile(const FileDialogSpec&) override { return {}; }
  std::optional<std::string> AskOpenFile(const FileDialogSpec&) override { return {}; }
  std::vector<std::string> AskOpenFiles(const FileDialogSpec&) override { return {}; }
  std::optional<std::string> AskFolder(const FileDialogSpec&) override { return {}; }
  std::optional<std::uint32_t> AskColour(std::uint32_t) override { return {}; }
  bool AskYesNo(const std::string&) override { return false; }
  std::optional<std::string> AskText(const std::string&, const std::string&) override { return {}; }
  std::optional<int> AskChoice(const std::string&, const std::vector<std::string>&) override {
    return {};
  }
};

}  // namespace brindle
