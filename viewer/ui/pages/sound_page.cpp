#include "viewer/ui/pages/sound_page.h"

#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/sounds.h"

namespace brindle {

namespace {

// A sound entry has no header of its own: the payload is the whole WAV file.
Bytes SoundPayload(ByteFile& container, const TResourceInfo& entry, CoreHost& host) {
  return ExtractEntry(container, entry, 0, host);
}

}  // namespace

SoundPage::SoundPage(PageContext& context, std::unique_ptr<SoundOutput> output, QWidget* parent)
    : EntryPage(context, "sndtab", parent), output_(std::move(output)) {
  info_ = new QLabel(this);
  info_->setObjectName("sndtabinfo");
  info_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  info_->setMargin(8);
  SetContent(info_);
  connect(AddButton("sndtabimportwav", "Import WAV"), &QPushButton::clicked, this,
          &SoundPage::ImportClick);
  connect(AddButton("sndtabsavetowav", "Save to WAV"), &QPushButton::clicked, this,
          &SoundPage::SaveClick);
  connect(AddButton("sndtabstop", "Stop"), &QPushButton::clicked, this,
          [this] { output_->Stop(); });
}

void SoundPage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  const Bytes payload = SoundPayload(container, entry, context_.host());
  if (payload.empty()) {
    info_->clear();
    context_.host().Message("Error!  Unable to play " + EntryName(entry));
  } else {
    std::string text = EntryName(entry) + "\n" + SoundSummary(payload);
    // A format this program cannot play is not handed to the device at all.
    if (SoundPlayable(payload)) {
      if (Status played = output_->Play(payload); !played)
        text += "\nThe sound device cannot play this sound: " + played.message();
    }
    info_->setText(QString::fromStdString(text));
  }
  context_.ShowPage(this);
}

void SoundPage::SaveClick() {
  SaveSelected("WAV", "wav", "Sound files",
               [this](ByteFile& file, const TResourceInfo& entry) -> Result<Bytes> {
                 Bytes wav = SoundPayload(file, entry, context_.host());
                 if (wav.empty()) return UnableToSave(entry);
                 return wav;
               });
}

void SoundPage::ImportClick() {
  ImportSelected("WAV", "wav", "Sound files", {rtSound});
}

EntryPage* MakeSoundPage(PageContext& c) {
  return new SoundPage(c, MakeSdlSoundOutput());
}

}  // namespace brindle
