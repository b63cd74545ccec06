#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "test_support.h"
#include "viewer/core/prompts.h"
#include "viewer/core/settings/app_paths.h"
#include "viewer/core/settings/history.h"
#include "viewer/core/settings/ini_file.h"

namespace brindle {
namespace {

TEST(IniFile, CaseInsensitiveAndKeepsOtherLines) {
  IniFile ini;
  ini.SetText("; written by hand\r\n[window]\r\nX = 10\r\nother=keep\r\n\r\n[Else]\r\nk=v\r\n");
  EXPECT_EQ(ini.Read("Window", "x"), "10");
  EXPECT_EQ(ini.Read("WINDOW", "OTHER"), "keep");
  EXPECT_EQ(ini.Read("Window", "missing"), "");
  EXPECT_EQ(ini.Read("Nowhere", "x"), "");
  ini.Write("Window", "x", "20");
  ini.Write("window", "y", "30");
  EXPECT_EQ(ini.Text(),
            "; written by hand\r\n[window]\r\nx=20\r\nother=keep\r\ny=30\r\n\r\n[Else]\r\nk=v\r\n");
  // An empty value removes the key, an empty key the section.
  ini.Write("Window", "OTHER", "");
  EXPECT_EQ(ini.Read("Window", "other"), "");
  ini.Write("else", "", "");
  EXPECT_EQ(ini.Read("Else", "k"), "");
  EXPECT_EQ(ini.Text(), "; written by hand\r\n[window]\r\nx=20\r\ny=30\r\n\r\n");
  ini.Write("New", "a", "b");
  EXPECT_EQ(ini.Read("new", "A"), "b");
}

TEST(IniFile, LongValuesAreCutAsByTheReadBuffer) {
  IniFile ini;
  ini.Write("History", "file0", std::string(3000, 'p'));
  EXPECT_EQ(ini.Read("History", "file0").size(), IniFile::kValueBuffer - 1);
}

TEST(IniFile, FileRoundTripAndMissingFile) {
  test::TempDir dir;
  const std::string path = dir.File("brindle.ini");
  EXPECT_EQ(ReadIniString("Window", "x", path), "");
  WriteIniString("Window", "x", path, "5");
  WriteIniString("History", "file0", path, "/a/b.lod");
  EXPECT_EQ(ReadIniString("window", "X", path), "5");
  EXPECT_EQ(ReadIniString("History", "file0", path), "/a/b.lod");
}

TEST(History, LoadStopsAtTheFirstGapAndTheLastReadIsOnTop) {
  IniFile ini;
  ini.SetText("[History]\r\nfile0=/old\r\nfile1=/new\r\nfile3=/after-gap\r\n");
  History h;
  h.Load(ini);
  EXPECT_EQ(h.items(), (std::vector<std::string>{"/new", "/old"}));
  IniFile gap;
  gap.SetText("[History]\r\nfile0=/only\r\nfile2=/never\r\n");
  h.Load(gap);
  EXPECT_EQ(h.items(), std::vector<std::string>{"/only"});
}

TEST(History, TouchMovesOrAddsAndKeepsNine) {
  History h;
  for (int i = 0; i < 9; ++i)
    h.Touch("/c" + std::to_string(i));
  EXPECT_EQ(h.items().size(), 9u);
  EXPECT_EQ(h.items().front(), "/c8");
  h.Touch("/C3");  // any case: moves, keeps its own spelling
  EXPECT_EQ(h.items().size(), 9u);
  EXPECT_EQ(h.items().front(), "/c3");
  h.Touch("/c9");  // the tenth drops the oldest
  EXPECT_EQ(h.items().size(), 9u);
  EXPECT_EQ(h.items().front(), "/c9");
  EXPECT_EQ(std::count(h.items().begin(), h.items().end(), "/c0"), 0);

  IniFile ini;
  h.Save(ini);
  EXPECT_EQ(ini.Read("History", "file0"), h.items().back());
  EXPECT_EQ(ini.Read("History", "file8"), "/c9");
  History again;
  again.Load(ini);
  EXPECT_EQ(again.items(), h.items());
}

TEST(Prompts, ExportAndImportDialogs) {
  FileDialogSpec s = ExportDialog("EVT", "evt", "EVT files", "global.evt", "/prog");
  EXPECT_EQ(s.title, "Save to EVT...");
  EXPECT_EQ(s.filter, "EVT files (*.evt)|*.evt|All files (*.*)|*.*");
  EXPECT_EQ(s.proposedName, "global.evt");
  EXPECT_EQ(s.initialDir, "/prog");
  EXPECT_EQ(ExportDialog("ZTP", "ztp", "Zoetrope video files", "credits.kno", "").proposedName,
            "credits.ztp");
  EXPECT_EQ(ExportDialog("BMP", "bmp", "Bitmap files", "isword01", "").proposedName,
            "isword01.bmp");
  FileDialogSpec i = ImportDialog("TXT", "txt", "Text files", "items.txt", "/prog");
  EXPECT_EQ(i.title, "Import TXT...");
  EXPECT_EQ(i.filter, "Text files (*.txt)|*.txt");
}

TEST(AppPaths, SettingsAndMoviesGoToTheUsersFoldersUnlessTheCopyIsPortable) {
  test::TempDir program, home, runtime;
  const char* const vars[] = {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"};
  std::string saved[4];
  for (int i = 0; i < 4; ++i)
    if (const char* v = std::getenv(vars[i])) saved[i] = v;
  setenv("HOME", home.path().c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_CACHE_HOME");
  unsetenv("XDG_RUNTIME_DIR");

  // A writable program folder is not enough: nothing is written beside the program.
  const AppPaths plain = MakeAppPaths(program.path().string(), "/nowhere");
  EXPECT_EQ(plain.iniPath, home.File(".config/brindle/brindle.ini"));
  EXPECT_EQ(plain.tempDir, home.File(".cache/brindle"));
  EXPECT_FALSE(std::filesystem::exists(program.File("brindle.ini")));
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  setenv("XDG_CONFIG_HOME", home.File("cfg").c_str(), 1);
  const AppPaths xdg = MakeAppPaths(program.path().string(), "/nowhere");
  EXPECT_EQ(xdg.iniPath, home.File("cfg/brindle/brindle.ini"));
  EXPECT_EQ(xdg.tempDir, runtime.File("brindle"));
  EXPECT_TRUE(std::filesystem::is_directory(runtime.File("brindle")));

  // A portable copy (its brindle.ini beside it) and the build folder keep their files there.
  const AppPaths built = MakeAppPaths(program.File("bin"), "/nowhere", program.path().string());
  EXPECT_EQ(built.iniPath, program.File("bin/brindle.ini"));
  EXPECT_EQ(built.tempDir, program.File("bin"));
  program.Write("brindle.ini", Bytes{});
  const AppPaths portable = MakeAppPaths(program.path().string(), "/nowhere");
  EXPECT_EQ(portable.iniPath, program.File("brindle.ini"));
  EXPECT_EQ(portable.tempDir, program.path().string());

  // Installed under a system prefix: never beside the program, whatever lies there.
  EXPECT_FALSE(KeepsFilesBesideItself("/usr/bin", "/"));
  EXPECT_FALSE(KeepsFilesBesideItself("/opt/brindle/bin", ""));
  EXPECT_TRUE(KeepsFilesBesideItself("/work/b/viewer", "/work/b/"));
  EXPECT_FALSE(KeepsFilesBesideItself("/work/bb/viewer", "/work/b"));

  for (int i = 0; i < 4; ++i) {
    if (saved[i].empty())
      unsetenv(vars[i]);
    else
      setenv(vars[i], saved[i].c_str(), 1);
  }
}

}  // namespace
}  // namespace brindle
