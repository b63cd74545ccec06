#pragma once
// Answers the window's dialogs from a script and records its message boxes.

#include <deque>

#include "viewer/core/prompts.h"

namespace brindle::test {

class FakePrompts : public Prompts {
 public:
  void Message(const std::string& text) override {
    messages.push_back(text);
    if (onMessage) onMessage(text);
  }
  std::optional<std::string> AskSaveFile(const FileDialogSpec& setup) override {
    asked.push_back(setup);
    return Next();
  }
  std::optional<std::string> AskOpenFile(const FileDialogSpec& setup) override {
    asked.push_back(setup);
    return Next();
  }
  std::vector<std::string> AskOpenFiles(const FileDialogSpec& setup) override {
    asked.push_back(setup);
    std::vector<std::string> files;
    while (!answers.empty() && answers.front()) {
      files.push_back(*answers.front());
      answers.pop_front();
    }
    if (!answers.empty()) answers.pop_front();
    return files;
  }
  std::optional<std::string> AskFolder(const FileDialogSpec& setup) override {
    asked.push_back(setup);
    return Next();
  }
  std::optional<std::uint32_t> AskColour(std::uint32_t initial) override {
    askedColours.push_back(initial);
    if (colourAnswers.empty()) return std::nullopt;
    auto a = colourAnswers.front();
    colourAnswers.pop_front();
    return a;
  }

  bool AskYesNo(const std::string& question) override {
    questions.push_back(question);
    if (yesNoAnswers.empty()) return true;
    const bool a = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return a;
  }

  std::optional<std::string> AskText(const std::string& question,
                                     const std::string& initial) override {
    questions.push_back(question);
    textInitials.push_back(initial);
    if (textAnswers.empty()) return std::nullopt;
    auto a = textAnswers.front();
    textAnswers.pop_front();
    return a;
  }
  std::optional<int> AskChoice(const std::string& question,
                               const std::vector<std::string>& choices) override {
    questions.push_back(question);
    offeredChoices = choices;
    if (choiceAnswers.empty()) return std::nullopt;
    auto a = choiceAnswers.front();
    choiceAnswers.pop_front();
    return a;
  }

  // Each dialog takes the next answer; nothing (std::nullopt) is a cancel. A list of files
  // ends at a cancel or at the end of the script.
  std::deque<std::optional<std::string>> answers;
  std::vector<std::string> messages;
  std::vector<FileDialogSpec> asked;
  std::function<void(const std::string&)> onMessage;
  // The colour dialog's answers (0xRRGGBB, nothing for a cancel) and what it was opened with.
  std::deque<std::optional<std::uint32_t>> colourAnswers;
  std::vector<std::uint32_t> askedColours;
  // Yes/No questions asked, and the answers to give (Yes once they run out).
  std::vector<std::string> questions;
  std::deque<bool> yesNoAnswers;
  // Text and choice questions: the answers to give (nothing: cancelled) and what was offered.
  std::deque<std::optional<std::string>> textAnswers;
  std::vector<std::string> textInitials;
  std::deque<std::optional<int>> choiceAnswers;
  std::vector<std::string> offeredChoices;

 private:
  std::optional<std::string> Next() {
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace brindle::test
