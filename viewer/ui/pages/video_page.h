#pragma once
// The movie page: the movie's size, its first frame and facts (Zoetrope movies the movie
// layer can open), a copy to a file, and playing it in the movie player.

#include <QLabel>

#include "viewer/ui/base/entry_page.h"

namespace brindle {

class VideoPage : public EntryPage {
  Q_OBJECT
 public:
  explicit VideoPage(PageContext& context, QWidget* parent = nullptr);
  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;

  // Starts a player (false when it cannot be started); tests replace it.
  std::function<bool(const std::string& program, const std::vector<std::string>& args)> start;

 private:
  void PlayClick();
  void SaveClick();
  bool Copy(const TResourceInfo& entry, const std::string& dest);

  QLabel* size_;
  QLabel* frame_;
  QLabel* facts_;
};

EntryPage* MakeVideoPage(PageContext& c);

}  // namespace brindle
