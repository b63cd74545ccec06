#pragma once
// A main window around the pages under test, with scripted dialogs and a folder for what
// the test writes; shared by the page tests.

#include <gtest/gtest.h>

#include <QPushButton>
#include <memory>

#include "test_support.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/ui/shell/fake_prompts.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle::test {

class PageWindowTest : public ::testing::Test {
 protected:
  PageWindowTest() {
    paths_.programDir = out_.path().string();
    paths_.iniPath = out_.File("brindle.ini");
    paths_.tempDir = out_.path().string();
    window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
  }

  // Opens the container at path unless it is open already, and selects the entry.
  void Select(const std::string& path, const std::string& entry) {
    if (window_->DataFile().FileName != path) window_->LoadDataFile(path);
    for (std::size_t i = 0; i < window_->DataFile().Entries.size(); ++i) {
      if (window_->DataFile().Entries[i].Name == entry) {
        window_->SelectRow(static_cast<int>(i));
        return;
      }
    }
    ADD_FAILURE() << "no entry " << entry;
  }

  template <typename T>
  T* Find(const char* name) {
    return window_->findChild<T*>(name);
  }

  // A small picture entry for an icons archive: w x h pixels of a pattern.
  static Bytes IconEntry(const std::string& name, int w, int h) {
    Picture icon;
    icon.width = w;
    icon.height = h;
    icon.pixels = Pattern(static_cast<std::size_t>(w * h));
    return BuildBitmapEntry(name, icon);
  }

  void Click(const char* button) { QMetaObject::invokeMethod(Find<QPushButton>(button), "click"); }

  TempDir out_;
  AppPaths paths_;
  FakePrompts prompts_;
  std::unique_ptr<TForm1> window_;
};

}  // namespace brindle::test
