#include "viewer/ui/pages/video_page.h"

#include <QProcess>

#include <unistd.h>

#include "viewer/core/containers/directory.h"
#include "viewer/core/formats/videos.h"
#if BRINDLE_MOVIE_PREVIEW
#include "viewer/ui/pages/movie_preview.h"
#endif

namespace brindle {

VideoPage::VideoPage(PageContext& context, QWidget* parent) : EntryPage(context, "ztptab", parent) {
  size_ = new QLabel(this);
  size_->setObjectName("ztptabztpsize");
  size_->move(8, 8);
  size_->resize(300, 20);
  facts_ = new QLabel(this);
  facts_->setObjectName("ztptabfacts");
  facts_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  facts_->setGeometry(8, 32, 300, 160);
  frame_ = new QLabel(this);
  frame_->setObjectName("ztptabframe");
  frame_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPushButton* save = AddButton("ztptabsavetoztp", "Save to ZTP");
  QPushButton* play = AddButton("ztptabplayztp", "Play Movie");
  connect(save, &QPushButton::clicked, this, &VideoPage::SaveClick);
  connect(play, &QPushButton::clicked, this, &VideoPage::PlayClick);
  start = [](const std::string& program, const std::vector<std::string>& args) {
    if (::access(program.c_str(), X_OK) != 0) return false;
    QStringList list;
    for (const std::string& a : args)
      list << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program), list);
  };
}

void VideoPage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  size_->setText(QString::fromStdString(MovieSizeText(entry)));
  facts_->clear();
  frame_->clear();
  frame_->hide();
#if BRINDLE_MOVIE_PREVIEW
  if (std::optional<MoviePreview> preview = PreviewMovie(container, entry)) {
    facts_->setText(preview->facts);
    facts_->adjustSize();
    if (!preview->firstFrame.isNull()) {
      frame_->setPixmap(QPixmap::fromImage(preview->firstFrame));
      frame_->setGeometry(8, facts_->y() + facts_->height() + 8, preview->firstFrame.width(),
                          preview->firstFrame.height());
      frame_->show();
    }
  }
#else
  (void)container;
#endif
  context_.ShowPage(this);
}

bool VideoPage::Copy(const TResourceInfo& entry, const std::string& dest) {
  ProgressReporter progress(context_.host());
  Status copied = CopyMovie(context_.DataFile().FileName, entry, dest,
                            [&](int i, int n) { progress.Step(i, n); });
  if (!copied) context_.host().Message(copied.message());
  return copied.ok();
}

void VideoPage::PlayClick() {
  const TResourceInfo* entry = SelectedEntry();
  if (!entry) return;
  PlayerLaunch launch =
      MakePlayerLaunch(entry->Name, context_.paths().programDir, context_.paths().tempDir);
  context_.ShowLoading(true);
  bool copied = Copy(*entry, launch.tempFile);
  context_.ShowLoading(false);
  // A player that is missing or cannot run would leave the button doing nothing at all.
  if (copied && !launch.program.empty() && !start(launch.program, launch.arguments))
    context_.SetPointerText("Cannot start the movie player: " + launch.program);
}

void VideoPage::SaveClick() {
  const TResourceInfo* entry = SelectedEntry();
  if (!entry) return;
  auto target = context_.prompts().AskSaveFile(
      ExportDialog("ZTP", "ztp", "Zoetrope video files", entry->Name, context_.DialogFolder()));
  if (!target) return;
  context_.ShowProgress(true, "Saving Video...");
  Copy(*entry, *target);
  context_.ShowProgress(false, {});
}

EntryPage* MakeVideoPage(PageContext& c) {
  return new VideoPage(c);
}

}  // namespace brindle
