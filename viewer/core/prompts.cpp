#include "viewer/core/prompts.h"

#include "common/codepage.h"

namespace brindle {

std::string NameWithExtension(const std::string& entryName, const std::string& ext) {
  std::string name = Cp1252ToUtf8(entryName);
  auto dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name + "." + ext;
}

FileDialogSpec ExportDialog(const std::string& shownExt, const std::string& ext,
                            const std::string& kindName, const std::string& entryName,
                            const std::string& initialDir) {
  FileDialogSpec s;
  s.title = "Save to " + shownExt + "...";
  s.defaultExt = ext;
  s.filter = kindName + " (*." + ext + ")|*." + ext + "|All files (*.*)|*.*";
  s.initialDir = initialDir;
  s.proposedName = NameWithExtension(entryName, ext);
  return s;
}

FileDialogSpec ImportDialog(const std::string& shownExt, const std::string& ext,
                            const std::string& kindName, const std::string& entryName,
                            const std::string& initialDir) {
  FileDialogSpec s;
  s.title = "Import " + shownExt + "...";
  s.defaultExt = ext;
  s.filter = kindName + " (*." + ext + ")|*." + ext;
  s.initialDir = initialDir;
  s.proposedName = NameWithExtension(entryName, ext);
  return s;
}

}  // namespace brindle
