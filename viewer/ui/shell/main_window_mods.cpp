// Mods from the window: "Compare With..." lists what changed from another copy of the
// container, "Apply Patch..." shows a patch's changes and conflicts before it writes.
#include "common/codepage.h"
#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/patch.h"
#include "viewer/ui/shell/compare_dialog.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {

void TForm1::CompareWithClick() {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  const std::optional<std::string> other = AskContainer("Compare With...");
  if (!other) return;
  OpenedContainer opened;
  if (Status read = OpenForReading(*other, opened, host()); !read) {
    prompts_.Message(read.message());
    return;
  }
  auto mine = OpenContainerFile(dataFile_.FileName, FileMode::kReadShared);
  if (!mine) {
    prompts_.Message(mine.message());
    return;
  }
  ShowProgress(true, "Comparing...");
  Result<std::vector<DiffLine>> lines = CompareContainers(
      {opened.dataFile, *opened.file}, {dataFile_, **mine}, DiffOptions{}, host());
  ShowProgress(false, {});
  if (!lines) {
    prompts_.Message(lines.message());
    return;
  }
  if (!compareDialog_) compareDialog_ = new CompareDialog(*this);
  compareDialog_->Show(*other, std::move(*lines));
}

}  // namespace brindle

namespace brindle {

std::string IndentedList(const std::vector<std::string>& lines) {
  constexpr std::size_t kShown = 15;
  std::string text;
  for (std::size_t k = 0; k < lines.size() && k < kShown; ++k)
    text += "\n  " + lines[k];
  if (lines.size() > kShown)
    text += "\n  ... and " + std::to_string(lines.size() - kShown) + " more";
  return text;
}

void TForm1::ApplyPatchClick() {
  if (dataFile_.FileName.empty()) {
    prompts_.Message("Data file must be loaded first!");
    return;
  }
  const std::optional<std::string> zip = AskFile("Apply Patch...", "Patches (*.zip)|*.zip");
  if (!zip) return;
  Result<PatchManifest> manifest = ReadPatchManifest(*zip);
  if (!manifest) {
    prompts_.Message(manifest.message());
    return;
  }
  // What it would do, checked against the container before anything is written.
  PatchOptions check;
  check.dryRun = true;
  check.force = true;
  Result<PatchReport> plan = ApplyPatch(dataFile_, *zip, check, host());
  if (!plan) {
    prompts_.Message(plan.message());
    return;
  }
  const std::string name = BaseName(dataFile_.FileName);
  if (plan->alreadyApplied) {
    prompts_.Message("The patch is already applied to " + name + ".");
    return;
  }
  std::string question = "Apply the patch";
  if (!manifest->title.empty()) question += " \"" + manifest->title + "\"";
  if (!manifest->author.empty()) question += " by " + manifest->author;
  question += " to " + name + "?";
  if (!plan->applied.empty()) question += "\n\nIt will:" + IndentedList(plan->applied);
  if (!plan->conflicts.empty()) {
    std::vector<std::string> conflicts;
    for (const PatchConflict& c : plan->conflicts)
      conflicts.push_back(Cp1252ToUtf8(c.name) + ": " + c.reason);
    question +=
        "\n\nThese changes conflict with the container and are skipped:" + IndentedList(conflicts);
  }
  if (plan->applied.empty()) {
    prompts_.Message(question.substr(question.find("\n\n") + 2) + "\n\nNothing is left to apply.");
    return;
  }
  if (!prompts_.AskYesNo(question) || !MayTurnAway()) return;
  PatchOptions apply;
  apply.force = !plan->conflicts.empty();
  Result<PatchReport> done = WithCancel([&] { return ApplyPatch(dataFile_, *zip, apply, host()); });
  ShowRewritten(done ? Ok() : Status(done.error()), SelectedIndex());
  if (done) {
    SetPointerText("Applied " + std::to_string(done->applied.size()) +
                   (done->applied.size() == 1 ? " change" : " changes") +
                   (done->conflicts.empty()
                        ? std::string()
                        : ", skipped " + std::to_string(done->conflicts.size())));
  }
}

}  // namespace brindle
