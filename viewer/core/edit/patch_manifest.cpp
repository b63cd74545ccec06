#include "viewer/core/edit/patch_manifest.h"

#include <nlohmann/json.hpp>

#include "common/codepage.h"
#include "viewer/core/containers/data_file.h"

namespace brindle {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kOps[] = {"add", "replace", "remove", "rename"};
constexpr std::size_t kMaxName = 40;  // the widest directory field of any kind

Error Bad(const std::string& what) {
  return Fail("The patch's manifest is damaged: " + what, ErrorKind::kDamaged);
}

bool IsHash(const std::string& text) {
  if (text.size() != 64) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// A string member; absent is empty unless it is required.
Result<std::string> Text(const Json& object, const char* key, bool required) {
  auto it = object.find(key);
  if (it == object.end()) {
    if (required) return Bad(std::string("\"") + key + "\" is missing");
    return std::string();
  }
  if (!it->is_string()) return Bad(std::string("\"") + key + "\" is not a text");
  return it->get<std::string>();
}

Result<std::int64_t> Number(const Json& object, const char* key, std::int64_t max) {
  auto it = object.find(key);
  if (it == object.end()) return std::int64_t{0};
  if (!it->is_number_integer()) return Bad(std::string("\"") + key + "\" is not a whole number");
  const std::int64_t v = it->get<std::int64_t>();
  if (v < 0 || v > max) return Bad(std::string("\"") + key + "\" is out of range");
  return v;
}

// An entry name as JSON holds it (UTF-8) back to the bytes stored.
Result<std::string> EntryName(const Json& object, const char* key) {
  Result<std::string> utf8 = Text(object, key, true);
  if (!utf8) return utf8.error();
  if (!CharsOutside1252(*utf8).empty()) return Bad("the name " + *utf8 + " has other characters");
  std::string stored = Utf8ToCp1252(*utf8);
  if (stored.empty() || stored.size() > kMaxName)
    return Bad("the name \"" + *utf8 + "\" cannot be");
  if (stored.find('\0') != std::string::npos) return Bad("a name holds a NUL");
  return stored;
}

Result<PatchChange> ReadChange(const Json& c, std::size_t at) {
  if (!c.is_object()) return Bad("change " + std::to_string(at + 1) + " is not an object");
  PatchChange change;
  Result<std::string> op = Text(c, "op", true);
  if (!op) return op.error();
  std::size_t k = 0;
  while (k < std::size(kOps) && kOps[k] != *op)
    ++k;
  if (k == std::size(kOps)) return Bad("unknown operation \"" + *op + "\"");
  change.op = static_cast<PatchOp>(k);
  Result<std::string> name = EntryName(c, "name");
  if (!name) return name.error();
  change.name = std::move(*name);
  const bool brings = change.op == PatchOp::kAdd || change.op == PatchOp::kReplace;
  if (change.op == PatchOp::kRename) {
    Result<std::string> to = EntryName(c, "to");
    if (!to) return to.error();
    change.newName = std::move(*to);
  }
  Result<std::string> base = Text(c, "base", change.op != PatchOp::kAdd);
  Result<std::string> result = Text(c, "sha256", brings);
  Result<std::string> file = Text(c, "file", brings);
  for (const Result<std::string>* r : {&base, &result, &file})
    if (!*r) return r->error();
  // An addition has no base, and only an addition or a replacement brings bytes: fields
  // that mean nothing for the operation are not kept (a file would be taken for a member
  // of the zip, a base for something to check).
  if (change.op != PatchOp::kAdd) change.base = *base;
  if (brings) {
    change.result = *result;
    change.file = *file;
  }
  if (change.op != PatchOp::kAdd && !IsHash(change.base))
    return Bad("the base hash of " + Cp1252ToUtf8(change.name) + " is not a SHA-256");
  if (brings) {
    if (!IsHash(change.result))
      return Bad("the hash of " + Cp1252ToUtf8(change.name) + " is not a SHA-256");
    if (!SafeMemberName(change.file) || change.file.rfind("entries/", 0) != 0)
      return Bad("the file \"" + change.file + "\" is not one a patch may name");
    Result<std::int64_t> size = Number(c, "size", kMaxPatchEntryBytes);
    Result<std::int64_t> unpacked = Number(c, "unpacked", kMaxPatchEntryBytes);
    if (!size) return size.error();
    if (!unpacked) return unpacked.error();
    change.size = *size;
    change.unpackedSize = static_cast<std::int32_t>(*unpacked);
  }
  return change;
}

}  // namespace

std::string_view PatchOpName(PatchOp op) {
  return kOps[static_cast<std::size_t>(op)];
}

bool SafeMemberName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name.front() == '/') return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    const std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == name.size()) break;
    start = end + 1;
  }
  for (char c : name)
    if (c < 0x21 || c > 0x7E || c == '\\' || c == ':') return false;
  return true;
}

std::string WriteManifest(const PatchManifest& m) {
  Json changes = Json::array();
  for (const PatchChange& c : m.changes) {
    Json j;
    j["op"] = std::string(PatchOpName(c.op));
    j["name"] = Cp1252ToUtf8(c.name);
    if (c.op == PatchOp::kRename) j["to"] = Cp1252ToUtf8(c.newName);
    if (c.op != PatchOp::kAdd) j["base"] = c.base;
    if (c.op == PatchOp::kAdd || c.op == PatchOp::kReplace) {
      j["sha256"] = c.result;
      j["file"] = c.file;
      j["size"] = c.size;
      if (c.unpackedSize != 0) j["unpacked"] = c.unpackedSize;
    }
    changes.push_back(std::move(j));
  }
  Json j;
  j["format"] = m.format;
  j["title"] = m.title;
  j["author"] = m.author;
  j["container"] = {{"kind", m.kind}, {"identifier", m.identifier}};
  j["changes"] = std::move(changes);
  // Texts the user typed may be anything: broken UTF-8 becomes U+FFFD rather than an error.
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Result<PatchManifest> ReadManifest(std::string_view text) {
  if (text.size() > kMaxManifestBytes) return Bad("it is too big");
  Json j = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (j.is_discarded()) return Bad("it is not JSON");
  if (!j.is_object()) return Bad("it is not a JSON object");
  PatchManifest m;
  auto format = j.find("format");
  if (format == j.end() || !format->is_number_integer() || format->get<std::int64_t>() != 1)
    return Bad("its format is not 1 (a newer program may read it)");
  for (auto [key, field] : {std::pair{"title", &m.title}, std::pair{"author", &m.author}}) {
    Result<std::string> t = Text(j, key, false);
    if (!t) return t.error();
    *field = std::move(*t);
  }
  auto container = j.find("container");
  if (container == j.end() || !container->is_object()) return Bad("\"container\" is missing");
  Result<std::string> kind = Text(*container, "kind", true);
  Result<std::string> identifier = Text(*container, "identifier", true);
  if (!kind) return kind.error();
  if (!identifier) return identifier.error();
  if (!ContainerKindFromName(*kind)) return Bad("unknown kind \"" + *kind + "\"");
  m.kind = *kind;
  m.identifier = *identifier;
  auto changes = j.find("changes");
  if (changes == j.end() || !changes->is_array()) return Bad("\"changes\" is missing");
  if (changes->size() > kMaxPatchChanges) return Bad("it has too many changes");
  m.changes.reserve(changes->size());
  for (std::size_t i = 0; i < changes->size(); ++i) {
    Result<PatchChange> c = ReadChange((*changes)[i], i);
    if (!c) return c.error();
    m.changes.push_back(std::move(*c));
  }
  return m;
}

}  // namespace brindle
