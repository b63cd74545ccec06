#pragma once
// The sound page: selecting a sound plays it at once; its format and length, a Stop button,
// and saving and replacing it as a WAV file.

#include <QLabel>
#include <memory>

#include "viewer/ui/base/entry_page.h"
#include "viewer/ui/sound/sound_output.h"

namespace brindle {

class SoundPage : public EntryPage {
  Q_OBJECT
 public:
  SoundPage(PageContext& context, std::unique_ptr<SoundOutput> output, QWidget* parent = nullptr);
  // PlaySoundEntry: plays the entry and brings the page forward.
  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;
  SoundOutput& output() { return *output_; }

 private:
  void SaveClick();
  void ImportClick();

  std::unique_ptr<SoundOutput> output_;
  QLabel* info_;
};

EntryPage* MakeSoundPage(PageContext& c);

}  // namespace brindle
