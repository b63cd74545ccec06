#pragma once
// Every question the window asks the user and every message box it shows goes through this
// one interface: the program answers with real dialogs, tests with a script.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brindle {

struct FileDialogSpec {
  std::string title;
  // "Kind (*.x)|*.x|All files (*.*)|*.*": pairs of shown text and patterns.
  std::string filter;
  std::string defaultExt;  // without the dot
  std::string initialDir;
  std::string proposedName;
  // Open dialogs for any file the user likes: an "All files" choice after the filter's own.
  bool allFilesChoice = false;
};

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A modal box with an OK button.
  virtual void Message(const std::string& text) = 0;
  virtual std::optional<std::string> AskSaveFile(const FileDialogSpec& setup) = 0;
  virtual std::optional<std::string> AskOpenFile(const FileDialogSpec& setup) = 0;
  // Several files; empty when cancelled.
  virtual std::vector<std::string> AskOpenFiles(const FileDialogSpec& setup) = 0;
  // An existing folder (the filter and names of the setup are not used).
  virtual std::optional<std::string> AskFolder(const FileDialogSpec& setup) = 0;
  // 0xRRGGBB, or nothing when cancelled.
  virtual std::optional<std::uint32_t> AskColour(std::uint32_t initial) = 0;
  // A question with Yes and No buttons; true for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  // A line of text, starting from `initial`; nothing when cancelled.
  virtual std::optional<std::string> AskText(const std::string& question,
                                             const std::string& initial) = 0;
  // One of the choices (its index); nothing when cancelled.
  virtual std::optional<int> AskChoice(const std::string& question,
                                       const std::vector<std::string>& choices) = 0;
};

// The export dialog every save button uses: "Save to X...", the kind's filter with the
// all-files choice, and the entry's name with the new extension proposed.
FileDialogSpec ExportDialog(const std::string& shownExt, const std::string& ext,
                            const std::string& kindName, const std::string& entryName,
                            const std::string& initialDir);
// The import dialog: "Import X...", the kind's filter only.
FileDialogSpec ImportDialog(const std::string& shownExt, const std::string& ext,
                            const std::string& kindName, const std::string& entryName,
                            const std::string& initialDir);

// The entry's name (shown as UTF-8) with its extension replaced by "." + ext.
std::string NameWithExtension(const std::string& entryName, const std::string& ext);

}  // namespace brindle
