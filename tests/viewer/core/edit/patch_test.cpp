#include "viewer/core/edit/patch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <functional>
#include <list>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/compare.h"

namespace brindle {
namespace {

using test::TextBytes;

NewEntry Text(const std::string& name, const std::string& text, const std::string& written = "") {
  return {name, BuildPackedLodEntry(written.empty() ? name : written, TextBytes(text), false)};
}

class PatchTest : public ::testing::Test {
 protected:
  // The original, and a mod of it: a.txt changed, b.txt removed, c.txt renamed to d.txt,
  // e.txt added.
  void SetUp() override {
    original_ = dir_.Write(
        "orig.lod",
        BuildLod("ICONS", {Text("a.txt", "alpha"), Text("b.txt", "beta"), Text("c.txt", "gamma")}));
    mod_ = dir_.Write("mod.lod",
                      BuildLod("ICONS", {Text("a.txt", "ALPHA"), Text("d.txt", "gamma", "c.txt"),
                                         Text("e.txt", "epsilon")}));
  }
  std::string Copy(const std::string& name, const std::string& from) {
    return dir_.Write(name, test::FileBytes(from));
  }
  Result<PatchReport> Apply(const std::string& container, const std::string& zip,
                            PatchOptions options = {}) {
    TDataFile df;
    SilentHost quiet;
    EXPECT_TRUE(OpenContainer(df, container, quiet));
    return ApplyPatch(df, zip, options, quiet);
  }
  std::vector<std::string> Differences(const std::string& a, const std::string& b) {
    TDataFile x, y;
    SilentHost quiet;
    auto fa = test::OpenFile(a), fb = test::OpenFile(b);
    EXPECT_TRUE(ReadContainer(x, *fa, a, quiet));
    EXPECT_TRUE(ReadContainer(y, *fb, b, quiet));
    Result<std::vector<DiffLine>> lines = CompareContainers({x, *fa}, {y, *fb}, {}, quiet);
    std::vector<std::string> out;
    for (const DiffLine& l : *lines)
      out.push_back(DiffLineText(l));
    return out;
  }
  std::string Make() {
    const std::string zip = dir_.File("mod.zip");
    SilentHost quiet;
    Result<PatchMade> made = MakePatch(original_, mod_, zip, "Title", "Author", quiet);
    EXPECT_TRUE(made) << made.message();
    EXPECT_EQ(made ? made->changes : 0, 4);
    return zip;
  }

  test::TempDir dir_;
  std::string original_, mod_;
};

TEST_F(PatchTest, MadeAppliedToACopyOfTheOriginalGivesTheModAndTwiceIsAlreadyApplied) {
  const std::string zip = Make();
  Result<PatchManifest> m = ReadPatchManifest(zip);
  ASSERT_TRUE(m) << m.message();
  EXPECT_EQ(m->title, "Title");
  EXPECT_EQ(m->kind, "icons");
  EXPECT_EQ(m->identifier, "ICONS");
  ASSERT_EQ(m->changes.size(), 4u);
  EXPECT_EQ(m->changes[0].op, PatchOp::kReplace);
  EXPECT_EQ(m->changes[0].base, Sha256Hex(BuildPackedLodEntry("a.txt", TextBytes("alpha"), false)));

  const std::string user = Copy("user.lod", original_);
  // A dry run writes nothing and says what would be done.
  Result<PatchReport> dry = Apply(user, zip, {.dryRun = true});
  ASSERT_TRUE(dry) << dry.message();
  EXPECT_FALSE(dry->written);
  EXPECT_EQ(dry->applied.size(), 4u);
  EXPECT_EQ(test::FileBytes(user), test::FileBytes(original_));

  Result<PatchReport> r = Apply(user, zip);
  ASSERT_TRUE(r) << r.message();
  EXPECT_TRUE(r->written);
  EXPECT_EQ(r->applied, (std::vector<std::string>{"Replaced a.txt", "Removed b.txt",
                                                  "Renamed c.txt -> d.txt", "Added e.txt"}));
  EXPECT_TRUE(Differences(mod_, user).empty());

  const Bytes after = test::FileBytes(user);
  Result<PatchReport> again = Apply(user, zip);
  ASSERT_TRUE(again);
  EXPECT_TRUE(again->alreadyApplied);
  EXPECT_FALSE(again->written);
  EXPECT_EQ(test::FileBytes(user), after);
}

TEST_F(PatchTest, ConflictsAreNamedAndWriteNothingUnlessForced) {
  const std::string zip = Make();
  // The user's own copy: a.txt changed, c.txt removed, e.txt added with other bytes.
  const std::string user = dir_.Write(
      "user.lod",
      BuildLod("ICONS", {Text("a.txt", "mine"), Text("b.txt", "beta"), Text("E.TXT", "other")}));
  const Bytes before = test::FileBytes(user);
  Result<PatchReport> r = Apply(user, zip);
  ASSERT_TRUE(r) << r.message();
  ASSERT_EQ(r->conflicts.size(), 3u);
  EXPECT_EQ(r->conflicts[0].name, "a.txt");
  EXPECT_EQ(r->conflicts[0].reason, "changed since the patch was made");
  EXPECT_EQ(r->conflicts[1].name, "c.txt");
  EXPECT_EQ(r->conflicts[1].reason, "missing");
  EXPECT_EQ(r->conflicts[2].name, "e.txt");
  EXPECT_EQ(r->conflicts[2].reason, "the name is taken");
  EXPECT_FALSE(r->written);
  EXPECT_EQ(test::FileBytes(user), before);

  // Forced: b.txt, the one change without a conflict, goes; the rest are skipped.
  Result<PatchReport> forced = Apply(user, zip, {.force = true});
  ASSERT_TRUE(forced) << forced.message();
  EXPECT_TRUE(forced->written);
  EXPECT_EQ(forced->applied, std::vector<std::string>{"Removed b.txt"});
  EXPECT_EQ(Differences(user, dir_.Write("want.lod", BuildLod("ICONS", {Text("a.txt", "mine"),
                                                                        Text("E.TXT", "other")}))),
            std::vector<std::string>{});
  // Another kind of container is refused before anything is read.
  const std::string snd = dir_.Write("sounds.snd", BuildSnd({{"x", TextBytes("x")}}));
  Result<PatchReport> wrong = Apply(snd, zip);
  ASSERT_FALSE(wrong);
  EXPECT_EQ(wrong.kind(), ErrorKind::kNotSupported);
}

// A zip written member by member, for patches no honest tool would make.
class ZipWriter {
 public:
  explicit ZipWriter(const std::string& path) {
    int code = 0;
    zip_ = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  }
  ZipWriter& Add(const std::string& name, std::string bytes, bool link = false) {
    kept_.push_back(std::move(bytes));
    zip_source_t* src = zip_source_buffer(zip_, kept_.back().data(), kept_.back().size(), 0);
    const zip_int64_t at = zip_file_add(zip_, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    EXPECT_GE(at, 0) << name;
    if (link)
      zip_file_set_external_attributes(zip_, static_cast<zip_uint64_t>(at), 0, ZIP_OPSYS_UNIX,
                                       (S_IFLNK | 0777u) << 16);
    return *this;
  }
  void Close() { EXPECT_EQ(zip_close(zip_), 0); }

 private:
  zip_t* zip_;
  std::list<std::string> kept_;
};

std::string Manifest(const std::string& file, const std::string& sha, std::int64_t size) {
  return R"({"format": 1, "container": {"kind": "icons", "identifier": "ICONS"}, "changes": [
    {"op": "add", "name": "new.txt", "sha256": ")" +
         sha + R"(", "file": ")" + file + R"(", "size": )" + std::to_string(size) + "}]}";
}

TEST_F(PatchTest, HostileZipsAreRefusedAndNothingIsWritten) {
  const std::string payload = "payload";
  const std::string sha = Sha256Hex(TextBytes(payload));
  const std::string user = Copy("user.lod", original_);
  const Bytes before = test::FileBytes(user);
  struct Case {
    const char* what;
    std::function<void(ZipWriter&)> build;
    const char* says;
  };
  const std::string zeros(64u << 20, '\0');
  const std::vector<Case> cases = {
      {"absolute path",
       [&](ZipWriter& z) {
         z.Add("manifest.json", Manifest("entries/0", sha, 7)).Add("/etc/x", payload);
       },
       "outside its folder"},
      {"dot dot",
       [&](ZipWriter& z) {
         z.Add("manifest.json", Manifest("entries/0", sha, 7)).Add("entries/../../x", payload);
       },
       "outside its folder"},
      {"link",
       [&](ZipWriter& z) {
         z.Add("manifest.json", Manifest("entries/0", sha, 7))
             .Add("entries/0", "/etc/passwd", true);
       },
       "is a link"},
      {"missing file", [&](ZipWriter& z) { z.Add("manifest.json", Manifest("entries/0", sha, 7)); },
       "is not in it"},
      {"size that lies",
       [&](ZipWriter& z) {
         z.Add("manifest.json", Manifest("entries/0", sha, 9)).Add("entries/0", payload);
       },
       "not of the size"},
      {"wrong bytes",
       [&](ZipWriter& z) {
         z.Add("manifest.json", Manifest("entries/0", sha, 7)).Add("entries/0", "PAYLOAD");
       },
       "not those its hash names"},
      {"manifest outside the folder it may name",
       [&](ZipWriter& z) {
         z.Add("manifest.json", Manifest("x/../../y", sha, 7)).Add("entries/0", payload);
       },
       "not one a patch may name"},
      {"no manifest", [&](ZipWriter& z) { z.Add("entries/0", payload); }, "no manifest.json"},
      {"zip bomb",
       [&](ZipWriter& z) {
         z.Add("manifest.json", Manifest("entries/0", sha, 7)).Add("entries/0", zeros);
       },
       "out of all proportion"},
  };
  for (const Case& c : cases) {
    const std::string zip = dir_.File(std::string(c.what) + ".zip");
    ZipWriter writer(zip);
    c.build(writer);
    writer.Close();
    // A trial run reads the members too, and finds the same fault.
    for (bool dryRun : {true, false}) {
      Result<PatchReport> r = Apply(user, zip, {.dryRun = dryRun});
      ASSERT_FALSE(r) << c.what;
      EXPECT_EQ(r.kind(), ErrorKind::kDamaged) << c.what;
      EXPECT_NE(r.message().find(c.says), std::string::npos) << c.what << ": " << r.message();
      EXPECT_EQ(test::FileBytes(user), before) << c.what;
    }
  }
  // The same, honest: the entry is added.
  const std::string zip = dir_.File("honest.zip");
  ZipWriter honest(zip);
  honest.Add("manifest.json", Manifest("entries/0", sha, 7)).Add("entries/0", payload);
  honest.Close();
  Result<PatchReport> r = Apply(user, zip);
  ASSERT_TRUE(r) << r.message();
  EXPECT_EQ(r->applied, std::vector<std::string>{"Added new.txt"});
}

TEST(PatchManifest, ReadsWhatItWritesAndRefusesWhatIsWrong) {
  PatchManifest m;
  m.title = "T";
  m.kind = "snd";
  m.identifier = ".SND";
  PatchChange add;
  add.op = PatchOp::kAdd;
  add.name = "caf\xE9";  // Windows-1252
  add.result = std::string(64, 'a');
  add.file = "entries/0";
  add.size = 12;
  add.unpackedSize = 40;
  PatchChange rename;
  rename.op = PatchOp::kRename;
  rename.name = "x";
  rename.newName = "y";
  rename.base = std::string(64, 'b');
  m.changes = {add, rename};
  Result<PatchManifest> back = ReadManifest(WriteManifest(m));
  ASSERT_TRUE(back) << back.message();
  EXPECT_EQ(back->changes[0].name, "caf\xE9");
  EXPECT_EQ(back->changes[0].unpackedSize, 40);
  EXPECT_EQ(back->changes[1].newName, "y");
  EXPECT_NE(WriteManifest(m).find("café"), std::string::npos) << "names are UTF-8 in the file";
  // A change that brings no bytes keeps no file, and an addition no base, whatever the
  // manifest gives them; what is kept is written back as it was read.
  Result<PatchManifest> extra = ReadManifest(
      R"({"format": 1, "container": {"kind": "icons", "identifier": "ICONS"}, "changes": [)"
      R"({"op": "remove", "name": "a", "base": ")" +
      std::string(64, 'c') + R"(", "file": "entries/0", "sha256": ")" + std::string(64, 'd') +
      R"("}, {"op": "add", "name": "b", "base": "x", "file": "entries/1", "sha256": ")" +
      std::string(64, 'e') + R"("}]})");
  ASSERT_TRUE(extra) << extra.message();
  EXPECT_EQ(extra->changes[0].file, "");
  EXPECT_EQ(extra->changes[0].result, "");
  EXPECT_EQ(extra->changes[1].base, "");
  EXPECT_EQ(WriteManifest(*ReadManifest(WriteManifest(*extra))), WriteManifest(*extra));

  for (
      const char* bad :
      {"", "[]", R"({"format": 2})",
       R"({"format": 1, "container": {"kind": "zip", "identifier": ""}, "changes": []})",
       R"({"format": 1, "container": {"kind": "icons", "identifier": "ICONS"}, "changes": [{"op": "drop", "name": "a"}]})",
       R"({"format": 1, "container": {"kind": "icons", "identifier": "ICONS"}, "changes": [{"op": "remove", "name": "a", "base": "xyz"}]})",
       R"({"format": 1, "container": {"kind": "icons", "identifier": "ICONS"}, "changes": [{"op": "remove", "name": "", "base": ""}]})"}) {
    Result<PatchManifest> r = ReadManifest(bad);
    EXPECT_FALSE(r) << bad;
    if (!r) {
      EXPECT_EQ(r.kind(), ErrorKind::kDamaged) << bad;
    }
  }
  EXPECT_TRUE(SafeMemberName("entries/0"));
  for (const char* unsafe : {"/x", "../x", "a/../b", "a//b", "a\\b", "c:x", "a/", "", "a b"})
    EXPECT_FALSE(SafeMemberName(unsafe)) << unsafe;
}

}  // namespace
}  // namespace brindle
