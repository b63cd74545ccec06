#include "viewer/cli/commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "cli_run.h"
#include "common/codepage.h"
#include "common/wav.h"
#include "samples.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/entries/hexdump.h"

namespace brindle {
namespace {

using test::Pattern;
using test::TempDir;
using test::TextBytes;

using test::Cli;
using test::CliRun;

std::vector<std::string> Lines(const std::string& s) {
  std::vector<std::string> lines;
  std::istringstream in(s);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

Bytes Palette(std::uint8_t first, std::uint8_t second) {
  Bytes b = WriteLodEntryHeader({.name = "pal"});
  for (int i = 0; i < 768; ++i)
    b.push_back(static_cast<std::uint8_t>(i));
  b[48] = first;
  b[49] = second;
  return b;
}

// An ICONS LOD with one entry of each kind the core can save.
std::string IconsLod(const TempDir& dir) {
  Bytes evt = BuildPackedLodEntry("global.evt", Pattern(64), true);
  Bytes rawEvt = BuildPackedLodEntry("local.evt", Pattern(20), false);
  Bytes str = BuildPackedLodEntry("global.str", TextBytes(std::string("a\0\0b", 4)), false);
  Bytes bin = BuildPackedLodEntry("data.bin", Pattern(30), false);
  Bytes txt = BuildPackedLodEntry("items.txt", TextBytes("x\ty\r\n"), true);
  Bytes name1252 = BuildPackedLodEntry("caf\xe9.txt", TextBytes("z"), false);
  return dir.Write("icons.lod", BuildLod("ICONS", {{"global.evt", evt},
                                                   {"local.evt", rawEvt},
                                                   {"global.str", str},
                                                   {"data.bin", bin},
                                                   {"items.txt", txt},
                                                   {"pal", Palette(0x78, 0x9C)},
                                                   {"Items.TXT", txt},
                                                   {"caf\xe9.txt", name1252},
                                                   {"odd.wav", Pattern(5)},
                                                   {"a/b:c", Pattern(3)},
                                                   {"..", Pattern(2)}}));
}

TEST(CliList, OneLinePerEntryWithTypes) {
  TempDir dir;
  std::string lod = IconsLod(dir);
  CliRun r = Cli({"list", lod});
  ASSERT_EQ(r.code, 0) << r.err;
  auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "index\tname\ttype\toffset\tsize\tpacked\tunpacked\twidth\theight\tpalette");
  EXPECT_EQ(lines[1].substr(0, 17), "0\tglobal.evt\tevt\t");
  EXPECT_NE(lines[3].find("\tstr\t"), std::string::npos);
  EXPECT_NE(lines[6].find("\tpalette\t"), std::string::npos);
  EXPECT_NE(lines[8].find("café.txt\ttext"), std::string::npos);
  EXPECT_NE(lines[9].find("odd.wav\tunidentified"), std::string::npos);
  // The numbers after identification: packed and unpacked come from the entry header.
  std::istringstream fields(lines[5]);
  std::vector<std::string> f;
  for (std::string x; std::getline(fields, x, '\t');)
    f.push_back(x);
  ASSERT_EQ(f.size(), 10u);
  EXPECT_EQ(f[2], "text");
  EXPECT_EQ(f[6], "5");
}

// Field by field, the JSON form says what the table form says.
TEST(CliList, JsonHasTheTableFieldsForEveryEntry) {
  TempDir dir;
  std::string lod = IconsLod(dir);
  const auto table = Lines(Cli({"list", lod}).out);
  CliRun r = Cli({"list", "--json", lod});
  ASSERT_EQ(r.code, 0) << r.err;
  auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), table.size() + 1);  // "[" and "]" against the heading
  EXPECT_EQ(lines.front(), "[");
  EXPECT_EQ(lines.back(), "]");
  std::vector<std::string> columns;
  {
    std::istringstream in(table[0]);
    for (std::string c; std::getline(in, c, '\t');)
      columns.push_back(c);
  }
  for (std::size_t row = 1; row < table.size(); ++row) {
    std::vector<std::string> values;
    std::istringstream in(table[row]);
    for (std::string v; std::getline(in, v, '\t');)
      values.push_back(v);
    ASSERT_EQ(values.size(), columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const bool text = columns[c] == "name" || columns[c] == "type";
      const std::string value = text ? "\"" + values[c] + "\"" : values[c];
      EXPECT_NE(lines[row].find("\"" + columns[c] + "\": " + value), std::string::npos)
          << lines[row] << " lacks " << columns[c];
    }
    EXPECT_EQ(lines[row].back(), row + 1 < table.size() ? ',' : '}');
  }
  // Names JSON cannot hold as they stand are escaped; an empty container is an empty array.
  std::string odd = dir.Write(
      "odd.lod",
      BuildLod("ICONS", {{"q\"\\\x01.evt", BuildPackedLodEntry("x", Pattern(4), false)}}));
  EXPECT_NE(Cli({"list", odd, "--json"}).out.find("\"name\": \"q\\\"\\\\\\u0001.evt\""),
            std::string::npos);
  std::string empty = dir.Write("empty.lod", BuildLod("ICONS", {}));
  EXPECT_EQ(Cli({"list", "--json", empty}).out, "[]\n");
  EXPECT_EQ(Cli({"list", "--yaml", lod}).code, 2);
}

TEST(CliInfoAndErrors, KindsAndExitCodes) {
  TempDir dir;
  std::string lod = IconsLod(dir);
  CliRun info = Cli({"info", lod});
  EXPECT_EQ(info.code, 0);
  auto lines = Lines(info.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "file: " + lod);
  EXPECT_EQ(lines[1], "kind: icons");
  EXPECT_EQ(lines[2], "entries: 11");
  EXPECT_EQ(lines[3].substr(0, 6), "size: ");
  EXPECT_EQ(lines[3].substr(lines[3].size() - 6), " bytes");

  std::string games = dir.Write("games.lod", BuildLod("GAMES", {}));
  CliRun bad = Cli({"list", games});
  EXPECT_EQ(bad.code, 2);
  EXPECT_EQ(bad.err, "Not a recognised data file: " + games + "\n");
  CliRun missing = Cli({"info", dir.File("none.lod")});
  EXPECT_EQ(missing.code, 2);
  EXPECT_EQ(missing.err, "Cannot open file " + dir.File("none.lod") + "\n");
  EXPECT_EQ(Cli({}).code, 2);
  CliRun unknown = Cli({"frobnicate", lod});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_EQ(unknown.err.rfind("Unknown command frobnicate\nusage: ", 0), 0u);
  // A known command with the wrong arguments gets the usage alone.
  EXPECT_EQ(Cli({"list"}).err.rfind("usage: ", 0), 0u);
  EXPECT_EQ(Cli({"--help"}).code, 0);
  CliRun version = Cli({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out.rfind("brindle-cli ", 0), 0u);
}

TEST(CliUsage, EachCommandHasItsOwnHelpAndOptionsWithoutValuesAreNamed) {
  for (const char* command : {"list", "info", "extract", "import", "hexdump", "add", "remove",
                              "rename", "rebuild", "new", "party"}) {
    CliRun help = Cli({command, "--help"});
    EXPECT_EQ(help.code, 0) << command;
    EXPECT_EQ(help.out.rfind(std::string("usage: brindle-cli ") + command + " ", 0), 0u)
        << help.out;
    EXPECT_TRUE(help.err.empty()) << help.err;
    EXPECT_EQ(Cli({command, "x.lod", "-h"}).out, help.out) << command;
  }
  TempDir dir;
  const std::string lod = IconsLod(dir);
  CliRun noDir = Cli({"extract", lod, "-o"});
  EXPECT_EQ(noDir.code, 2);
  EXPECT_EQ(noDir.err, "The option -o needs a value: a folder, or - for standard output\n");
  EXPECT_FALSE(std::filesystem::exists("-o"));
  EXPECT_EQ(Cli({"extract", lod, "--type"}).err, "The option --type needs a value: a type\n");
  EXPECT_EQ(Cli({"extract", lod, "--frob"}).code, 2);
  CliRun noSetting = Cli({"party", lod, "--set"});
  EXPECT_EQ(noSetting.code, 2);
  EXPECT_EQ(noSetting.err, "The option --set needs a value: KEY=VALUE\n");
}

TEST(CliExtract, OneEntryToStandardOutput) {
  TempDir dir;
  const std::string lod = IconsLod(dir);
  CliRun one = Cli({"extract", lod, "items.txt", "-o", "-"});
  ASSERT_EQ(one.code, 0) << one.err;
  EXPECT_EQ(one.out, "x\ty\r\n");
  CliRun raw = Cli({"extract", lod, "-o", "-", "--raw", "#0"});
  ASSERT_EQ(raw.code, 0) << raw.err;
  const Bytes stored = BuildPackedLodEntry("global.evt", Pattern(64), true);
  EXPECT_EQ(raw.out, std::string(stored.begin(), stored.end()));
  // More than one entry, or none named, is refused before anything is written.
  CliRun all = Cli({"extract", lod, "-o", "-"});
  EXPECT_EQ(all.code, 2);
  EXPECT_TRUE(all.out.empty());
  EXPECT_EQ(all.err, "-o - writes one entry to standard output; 11 entries were chosen\n");
  EXPECT_EQ(Cli({"extract", lod, "-o", "-", "items.txt", "pal"}).code, 2);
  CliRun missing = Cli({"extract", lod, "-o", "-", "nothere"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_TRUE(missing.out.empty());
}

TEST(CliExtract, NamesPayloadsAndCollisions) {
  TempDir dir;
  std::string lod = IconsLod(dir);
  std::string out = dir.File("out/deeper");
  CliRun r = Cli({"extract", lod, "-o", out});
  EXPECT_EQ(r.code, 0) << r.err;
  auto read = [&](const std::string& name) {
    Bytes b;
    b = test::FileBytes(out + "/" + name);
    EXPECT_FALSE(b.empty()) << name;
    return b;
  };
  EXPECT_EQ(read("global.evt"), Pattern(64));
  EXPECT_EQ(read("local.evt"), Pattern(20));  // without its 48-byte header
  EXPECT_EQ(read("global.str"), TextBytes(std::string("a\0\0b", 4)));
  // An uncompressed .bin comes whole, header included.
  EXPECT_EQ(read("data.bin").size(), 48u + 30u);
  EXPECT_EQ(read("items.txt"), TextBytes("x\ty\r\n"));
  EXPECT_EQ(read("Items-6.txt"), TextBytes("x\ty\r\n"));  // the same name in another case
  EXPECT_EQ(read("café.txt"), TextBytes("z"));
  // A palette whose first colour reads 78 9C still gives its 768 colours.
  Bytes act = read("pal.act");
  ASSERT_EQ(act.size(), 768u);
  EXPECT_EQ(act[0], 0x78);
  EXPECT_EQ(act[767], 0xFF);
  EXPECT_EQ(read("odd.wav"), Pattern(5));  // unidentified: stored bytes, name kept
  EXPECT_EQ(read("a_b_c"), Pattern(3));
  EXPECT_EQ(read("_10"), Pattern(2));
  EXPECT_NE(r.out.find("global.evt -> " + out + "/global.evt\n"), std::string::npos);

  // Chosen entries by name in any case and by index; --raw keeps stored bytes and names.
  std::string raw = dir.File("raw");
  CliRun chosen = Cli({"extract", lod, "-o", raw, "--raw", "GLOBAL.EVT", "#4", "#99", "nope"});
  EXPECT_EQ(chosen.code, 1);
  EXPECT_NE(chosen.err.find("No entry #99"), std::string::npos);
  EXPECT_NE(chosen.err.find("No entry nope"), std::string::npos);
  Bytes stored;
  stored = test::FileBytes(raw + "/global.evt");
  ASSERT_FALSE(stored.empty());
  EXPECT_EQ(stored.size(), 48u + BuildPackedLodEntry("x", Pattern(64), true).size() - 48u);
  stored = test::FileBytes(raw + "/items.txt");
  EXPECT_FALSE(stored.empty());
}

TEST(CliExtract, ASuffixNeverLandsOnANameAlreadyWritten) {
  TempDir dir;
  std::string snd = dir.Write("names.snd", BuildSnd({{"a_b", Pattern(10, 1), 0},
                                                     {"a_b-2", Pattern(10, 2), 0},
                                                     {"a?b", Pattern(10, 3), 0},
                                                     {"A?B", Pattern(10, 4), 0}}));
  CliRun r = Cli({"extract", snd, "--raw", "-o", dir.File("o")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Lines(r.out).size(), 4u);
  // Four entries, four files, each with its own bytes.
  std::multiset<std::uint8_t> firstBytes;
  for (const auto& e : std::filesystem::directory_iterator(dir.File("o"))) {
    const Bytes b = test::FileBytes(e.path().string());
    ASSERT_EQ(b.size(), 10u);
    firstBytes.insert(b[0]);
  }
  EXPECT_EQ(firstBytes, (std::multiset<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(dir.Read("o/a_b"), Pattern(10, 1));
  EXPECT_EQ(dir.Read("o/a_b-2"), Pattern(10, 2));
}

TEST(CliInfoAndErrors, PipesAndFoldersAreRefusedNotWaitedOn) {
  TempDir dir;
  const std::string fifo = dir.File("f.lod");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const char* command : {"info", "list"}) {
    CliRun r = Cli({command, fifo});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, fifo + " is not a regular file\n");
  }
  std::string lod = IconsLod(dir);
  const Bytes before = test::FileBytes(lod);
  const std::string input = dir.File("input.bin");
  ASSERT_EQ(::mkfifo(input.c_str(), 0600), 0);
  CliRun add = Cli({"add", lod, input});
  EXPECT_EQ(add.code, 2);
  EXPECT_EQ(add.err, input + " is not a regular file\n");
  EXPECT_EQ(test::FileBytes(lod), before);
  CliRun folder = Cli({"info", dir.File("")});
  EXPECT_EQ(folder.code, 2);
  EXPECT_NE(folder.err.find("is not a regular file"), std::string::npos) << folder.err;
}

TEST(CliAuthoring, AReadOnlyContainerSaysWhyItCannotBeWritten) {
  TempDir dir;
  std::string lod = IconsLod(dir);
  const std::string text = dir.Write("items.txt", TextBytes("q"));
  ::chmod(lod.c_str(), 0444);
  ::chmod(dir.path().c_str(), 0755);
  const Bytes before = test::FileBytes(lod);
  // Root may write any file: the command runs as an ordinary user in a child process.
  const std::string expected = "Cannot open file " + lod + " for writing: Permission denied";
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(3);
    CliRun r = Cli({"import", lod, text});
    const std::string said = std::to_string(r.code) + "\n" + r.err;
    const ssize_t w = ::write(pipeEnds[1], said.data(), said.size());
    _exit(w == static_cast<ssize_t>(said.size()) ? 0 : 4);
  }
  ::close(pipeEnds[1]);
  std::string said;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    said.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(said.substr(0, 2), "1\n") << said;  // the file was refused, with its reason
  EXPECT_NE(said.find(expected), std::string::npos) << said;
  EXPECT_EQ(test::FileBytes(lod), before);
}

TEST(CliExtract, TypesPickEntriesAndMayBeRepeated) {
  TempDir dir;
  std::string lod = IconsLod(dir);
  CliRun texts = Cli({"extract", lod, "-o", dir.File("t"), "--type", "text"});
  EXPECT_EQ(texts.code, 0) << texts.err;
  std::set<std::string> written;
  for (const auto& f : std::filesystem::directory_iterator(dir.File("t")))
    written.insert(f.path().filename().string());
  EXPECT_EQ(written, (std::set<std::string>{"items.txt", "Items-6.txt", "café.txt"}));
  // Two types, in any case; chosen names are narrowed to those types too.
  CliRun two = Cli({"extract", lod, "-o", dir.File("two"), "--type", "EVT", "--type", "palette"});
  EXPECT_EQ(Lines(two.out).size(), 3u);
  EXPECT_TRUE(std::filesystem::exists(dir.File("two/pal.act")));
  CliRun named = Cli({"extract", lod, "-o", dir.File("n"), "--type", "evt", "local.evt", "#3"});
  EXPECT_EQ(Lines(named.out),
            std::vector<std::string>{"local.evt -> " + dir.File("n") + "/local.evt"});
  // A word that is no type name is refused before anything is written.
  CliRun bad = Cli({"extract", lod, "-o", dir.File("b"), "--type", "picture"});
  EXPECT_EQ(bad.code, 2);
  EXPECT_EQ(
      bad.err.rfind("Unknown type picture; the types are those of brindle-cli list: text ", 0), 0u)
      << bad.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("b")));
}

TEST(CliExtract, EmptyPayloadIsAnErrorAndTheRunGoesOn) {
  TempDir dir;
  // A compressed text whose stream has nothing after its marker.
  Bytes broken = WriteLodEntryHeader({.name = "broken.txt", .packedSize = 2, .unpackedSize = 10});
  broken.push_back(0x78);
  broken.push_back(0x9C);
  broken.push_back(0);
  std::string lod = dir.Write(
      "icons.lod",
      BuildLod("ICONS", {{"broken.txt", broken},
                         {"fine.evt", BuildPackedLodEntry("fine.evt", Pattern(9), false)}}));
  CliRun r = Cli({"extract", lod, "-o", dir.File("o")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "Error!  Unable to save broken.txt\n");
  EXPECT_NE(r.out.find("fine.evt ->"), std::string::npos);
}

TEST(CliImport, ExitCodesFollowWhatWasShown) {
  TempDir dir;
  Bytes wav = MakeWav({22050, 1, 16}, Pattern(1000));
  std::string snd = dir.Write("audio.snd", BuildSnd({{"Chime", wav, 0}, {"Bell", wav, 0}}));
  std::string chime = dir.Write("CHIME", MakeWav({8000, 1, 8}, Pattern(300)));
  std::string bell = dir.Write("bell", TextBytes("not a wav"));
  CliRun ok = Cli({"import", snd, chime});
  EXPECT_EQ(ok.code, 0) << ok.err;
  EXPECT_EQ(ok.out, "Imported Chime\n1 file imported, 0 failed\n");
  CliRun refused = Cli({"import", snd, chime, bell});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "Sound file bell is not a valid WAV!\n");
  EXPECT_EQ(Lines(refused.out).back(), "1 file imported, 1 failed");
  CliRun missing = Cli({"import", snd, dir.File("nothere")});
  EXPECT_EQ(missing.code, 1);
  // A file no entry is named like is said, and fails the run.
  std::string gong = dir.Write("gong.wav", MakeWav({8000, 1, 8}, Pattern(10)));
  CliRun unmatched = Cli({"import", snd, gong, chime});
  EXPECT_EQ(unmatched.code, 1);
  EXPECT_EQ(unmatched.err, "No entry matches " + gong + "\n");
  EXPECT_EQ(Lines(unmatched.out).back(), "1 file imported, 0 failed, 1 matched no entry");

  std::string maps = dir.Write("maps.lod", BuildLod("MAPS", {{"a.dlv", Pattern(20)}}));
  std::string dlv = dir.Write("a.dlv", Pattern(20));
  CliRun unsupported = Cli({"import", maps, dlv});
  EXPECT_EQ(unsupported.code, 2);
  EXPECT_EQ(unsupported.err, "Importing into current data file not implemented!\n");
  // Even when no file is named like an entry.
  CliRun nothing = Cli({"import", maps, bell});
  EXPECT_EQ(nothing.code, 2);
  EXPECT_EQ(nothing.err, "Importing into current data file not implemented!\n");

  // What was imported reads back.
  CliRun again = Cli({"extract", snd, "-o", dir.File("x"), "Chime"});
  EXPECT_EQ(again.code, 0);
  Bytes got, expected;
  got = test::FileBytes(dir.File("x/Chime.wav"));
  expected = test::FileBytes(chime);
  EXPECT_EQ(got, expected);
}

// Every entry of each sample container that takes imports, extracted and imported back:
// each is replaced by its own file (found by its name without the extension extract gave
// it) and extracts again to the same bytes.
TEST(CliImport, ExtractedFilesGoBackWhereTheyCameFrom) {
  for (const samples::SampleContainer& c : samples::BuildSampleFolder()) {
    if (c.fileName != "icons.lod" && c.fileName != "bitmaps.lod" && c.fileName != "audio.snd")
      continue;
    SCOPED_TRACE(c.fileName);
    TempDir dir;
    const std::string path = dir.Write(c.fileName, samples::BuildContainer(c));
    CliRun first = Cli({"extract", path, "-o", dir.File("first")});
    ASSERT_EQ(first.code, 0) << first.err;
    std::vector<std::string> files;
    for (const auto& f : std::filesystem::directory_iterator(dir.File("first")))
      files.push_back(f.path().string());
    std::sort(files.begin(), files.end());
    std::vector<std::string> args = {"import", path};
    args.insert(args.end(), files.begin(), files.end());
    CliRun back = Cli(args);
    // Every entry of a type the container takes imports of goes back; files of other types
    // are refused or match nothing, each said on stderr.
    std::size_t importable = 0;
    for (const samples::SampleEntry& e : c.entries)
      importable += e.intended == rtIcon || e.intended == rtText || e.intended == rtBitmap ||
                    e.intended == rtSound;
    std::size_t imported = 0;
    for (const std::string& line : Lines(back.out))
      imported += line.rfind("Imported ", 0) == 0;
    EXPECT_EQ(imported, importable) << back.out << back.err;
    EXPECT_NE(back.out.find(std::to_string(imported) + (imported == 1 ? " file" : " files") +
                            " imported"),
              std::string::npos)
        << back.out;
    CliRun second = Cli({"extract", path, "-o", dir.File("second")});
    ASSERT_EQ(second.code, 0) << second.err;
    for (const std::string& f : files) {
      const std::string again = dir.File("second/" + std::filesystem::path(f).filename().string());
      EXPECT_EQ(test::FileBytes(again), test::FileBytes(f)) << f;
    }
  }
}

TEST(CliHexDump, DumpsThePagePayload) {
  TempDir dir;
  std::string lod = IconsLod(dir);
  CliRun r = Cli({"hexdump", lod, "local.evt"});
  EXPECT_EQ(r.code, 0);
  auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 4u);  // 20 bytes after the header: two data lines
  EXPECT_EQ(lines[0], "Offset  Hexidecimal Data                       Data");
  EXPECT_EQ(lines[3].substr(0, 10), "     16 71");  // byte 16 of the pattern
  // Control bytes show as their old OEM glyphs.
  CliRun s = Cli({"hexdump", lod, "global.str"});
  EXPECT_NE(s.out.find("a..b"), std::string::npos);
  CliRun bin = Cli({"hexdump", lod, "#3"});
  EXPECT_EQ(Lines(bin.out).size(), 2u + 5u);  // 78 bytes, header included
  EXPECT_EQ(Cli({"hexdump", lod, "nothing"}).code, 1);
}

// The streamed dump is the window's dump shown through code page 437, line for line, over
// every byte value and across the points where its buffer goes out.
TEST(CliHexDump, StreamedTextIsTheWindowsDumpInUtf8) {
  TempDir dir;
  Bytes payload(70000 + 7);
  for (std::size_t i = 0; i < payload.size(); ++i)
    payload[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 8));
  std::string lod =
      dir.Write("icons.lod",
                BuildLod("ICONS", {{"big.evt", BuildPackedLodEntry("big.evt", payload, false)}}));
  CliRun r = Cli({"hexdump", lod, "big.evt"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string expected;
  for (const std::string& line : HexDump(payload))
    expected += Cp437ToUtf8(line) + '\n';
  EXPECT_EQ(r.out, expected);
}

// A .snd whose second record points past the end (a negative offset would make it no sound
// container at all), and a .vid whose entries run backwards (the first then has a negative
// size).
TEST(CliExtract, EntriesOutsideTheFileAreNotSaved) {
  TempDir dir;
  Bytes wav = MakeWav({8000, 1, 8}, Pattern(200));
  Bytes snd = BuildSnd({{"Good", wav, 0}, {"Past", wav, 0}});
  PutU32(&snd[4 + 52 + 40], static_cast<std::uint32_t>(snd.size() + 10));
  std::string sndPath = dir.Write("audio.snd", snd);
  // Each failure says why on the line before it: where the record puts the entry.
  const auto why = [&](const std::string& container, const std::string& name, int size, int offset,
                       std::size_t fileSize) {
    return container + ": " + name + ": Entry " + name +
           " is damaged: its directory record gives it " + std::to_string(size) +
           " bytes at offset " + std::to_string(offset) +
           ", which do not all lie inside the file of " + std::to_string(fileSize) +
           " bytes.\nError!  Unable to save " + name + "\n";
  };
  const int wavStored = static_cast<int>(ReadU32(snd, 4 + 44));
  CliRun r = Cli({"extract", sndPath, "-o", dir.File("o")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, why(sndPath, "Past", wavStored, static_cast<int>(snd.size() + 10), snd.size()));
  EXPECT_EQ(Lines(r.out).size(), 1u);  // Good went out
  CliRun raw = Cli({"extract", sndPath, "--raw", "-o", dir.File("r"), "Past"});
  EXPECT_EQ(raw.code, 1);
  EXPECT_EQ(raw.err,
            why(sndPath, "Past", wavStored, static_cast<int>(snd.size() + 10), snd.size()));
  EXPECT_FALSE(std::filesystem::exists(dir.File("r/Past")));

  Bytes vid = BuildVid({{"first", Pattern(50), 0}, {"second", Pattern(50), 0}});
  const std::uint32_t secondAt = ReadU32(vid, 4 + 44 + 40);
  PutU32(&vid[4 + 40], secondAt + 20);  // the first now starts after the second
  std::string vidPath = dir.Write("movies.vid", vid);
  CliRun movies = Cli({"extract", vidPath, "-o", dir.File("v"), "first"});
  EXPECT_EQ(movies.code, 1);
  EXPECT_EQ(movies.err, why(vidPath, "first", -20, static_cast<int>(secondAt + 20), vid.size()));
  const std::string hexdumpErr = Cli({"hexdump", sndPath, "Past"}).err;
  EXPECT_NE(hexdumpErr.find("Entry Past is damaged"), std::string::npos) << hexdumpErr;
  EXPECT_NE(hexdumpErr.find("\nError!  Unable to show Past\n"), std::string::npos) << hexdumpErr;
}

TEST(CliImport, AContainerInUseSaysSoWithOneExitCode) {
  TempDir dir;
  Bytes wav = MakeWav({22050, 1, 16}, Pattern(1000));
  std::string snd = dir.Write("audio.snd", BuildSnd({{"Chime", wav, 0}}));
  std::string chime = dir.Write("CHIME", MakeWav({8000, 1, 8}, Pattern(300)));
  const Bytes before = dir.Read("audio.snd");
  for (FileMode held : {FileMode::kReadShared, FileMode::kWriteExclusive}) {
    auto other = PosixFile::Open(snd, held);
    ASSERT_TRUE(other);
    CliRun r = Cli({"import", snd, chime});
    EXPECT_EQ(r.code, 2) << static_cast<int>(held);
    EXPECT_EQ(r.err, "File " + snd + " is in use by another program.\n");
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(dir.Read("audio.snd"), before);
  auto other = PosixFile::Open(snd, FileMode::kWriteExclusive);
  EXPECT_EQ(Cli({"list", snd}).err, "File " + snd + " is in use by another program.\n");
}

TEST(CliImport, ADamagedRecordSaysWhatIsWrongWithTheEntry) {
  TempDir dir;
  Bytes text = BuildPackedLodEntry("items.txt", TextBytes("a\tb\r\n"), false);
  Bytes lod = BuildLod("ICONS", {{"items.txt", text}});
  PutU32(&lod[288 + 20], 100000);  // a size far past the end
  std::string path = dir.Write("icons.lod", lod);
  std::string items = dir.Write("items.txt", TextBytes("c\td\r\n"));
  CliRun r = Cli({"import", path, items});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "Entry items.txt is damaged: its directory record gives it 100000 bytes at "
            "offset 320, which do not all lie inside the file of " +
                std::to_string(lod.size()) + " bytes.\n");
  EXPECT_EQ(dir.Read("icons.lod"), lod);
}

TEST(CliExtract, InflateMessagesNameTheContainerAndTheEntry) {
  TempDir dir;
  Bytes broken = BuildPackedLodEntry("bad.evt", Pattern(300), true);
  broken[48 + 10] ^= 0xFF;  // inside the deflate data
  std::string lod = dir.Write("icons.lod", BuildLod("ICONS", {{"bad.evt", broken}}));
  CliRun r = Cli({"extract", lod, "-o", dir.File("o")});
  EXPECT_EQ(r.code, 1);
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.rfind(lod + ": bad.evt: Error Inflating: ", 0), 0u) << r.err;
  CliRun dump = Cli({"hexdump", lod, "bad.evt"});
  EXPECT_EQ(dump.code, 1);
  EXPECT_EQ(dump.err.rfind(lod + ": bad.evt: Error Inflating: ", 0), 0u) << dump.err;
}

}  // namespace
}  // namespace brindle

namespace brindle {
namespace {

// Every container of the sample folder, side by side as make-samples writes them (sprites
// take their colours from the bitmaps beside them), checks clean.
TEST(CliCheck, TheSampleFolderHasNoProblems) {
  TempDir dir;
  std::vector<std::string> paths;
  for (const samples::SampleContainer& c : samples::BuildSampleFolder())
    paths.push_back(dir.Write(c.fileName, samples::BuildContainer(c)));
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    CliRun r = Cli({"check", path});
    EXPECT_EQ(r.code, 0) << r.out;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 1u) << r.out;
    EXPECT_NE(lines[0].find(" entries checked, 0 problems, 0 bytes used by no entry"),
              std::string::npos)
        << lines[0];
    EXPECT_EQ(r.err, "");
  }
}

// One line per problem, NAME TAB PROBLEM, names as list prints them (the container's own
// problems under its file name), then the summary; the file is left byte for byte and its
// time stamp as they were.
TEST(CliCheck, ProblemsAreLinesAndTheFileIsNotTouched) {
  TempDir dir;
  Bytes lod = BuildLod(
      "ICONS", {{"ok.txt", BuildPackedLodEntry("ok.txt", Pattern(900), true, 256)},
                {"bad\x01.txt", BuildPackedLodEntry("bad\x01.txt", Pattern(900, 5), true, 256)}});
  const std::size_t end = lod.size();
  lod.back() ^= 0x40;  // the second table's checksum
  lod.insert(lod.end(), 12, 0);
  PutU32(lod.data() + kLodLengthOffset, static_cast<std::uint32_t>(end - kLodDirectoryStart - 1));
  const std::string path = dir.Write("icons.lod", lod);
  const std::filesystem::file_time_type stamp =
      std::filesystem::last_write_time(path) - std::chrono::hours(30);
  std::filesystem::last_write_time(path, stamp);

  CliRun r = Cli({"check", path});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_EQ(Lines(r.out),
            (std::vector<std::string>{"bad\\x01.txt\tcompressed payload fails its checksum",
                                      "icons.lod\tthe length field at 276 covers the file up to " +
                                          std::to_string(end - 1) +
                                          ", but entry bad\\x01.txt ends at " + std::to_string(end),
                                      "2 entries checked, 2 problems, 12 bytes used by no entry"}));
  EXPECT_EQ(test::FileBytes(path), lod);
  EXPECT_EQ(std::filesystem::last_write_time(path), stamp);

  // A clean container exits 0 with the summary alone; one that cannot be opened or is no
  // container exits 2 with the reason on stderr and nothing on stdout.
  lod[end - 1] ^= 0x40;
  PutU32(lod.data() + kLodLengthOffset, static_cast<std::uint32_t>(end - kLodDirectoryStart));
  dir.Write("icons.lod", lod);
  EXPECT_EQ(Cli({"check", path}).code, 0);
  const CliRun missing = Cli({"check", dir.File("none.lod")});
  EXPECT_EQ(missing.code, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("Cannot open file"), std::string::npos) << missing.err;
  const CliRun notOne = Cli({"check", dir.Write("plain.lod", Pattern(400))});
  EXPECT_EQ(notOne.code, 2);
  EXPECT_EQ(notOne.out, "");
  EXPECT_EQ(Cli({"check"}).code, 2);
}

}  // namespace
}  // namespace brindle
