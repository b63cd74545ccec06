#include "viewer/core/savegame/party.h"

#include <algorithm>
#include <cstring>

#include "common/codepage.h"
#include "viewer/core/containers/extract.h"

namespace brindle {

namespace {

std::string CellName(int col, int row) {
  return "the game data table's column " + std::to_string(col) + ", row " + std::to_string(row);
}

Result<std::int64_t> TableNumber(const PartyDataTable& table, int col, int row) {
  if (std::optional<std::int32_t> v = table.IntCell(col, row)) return std::int64_t{*v};
  return Fail("The party record cannot be read: " + CellName(col, row) + " holds \"" +
                  Cp1252ToUtf8(table.Cell(col, row)) + "\", which is not a whole number.",
              ErrorKind::kDamaged);
}

// A field of width bytes at offset in every one of the given bases must lie in the record.
Status CheckPlace(int col, int row, std::int64_t offset, std::int64_t width,
                  std::span<const std::int64_t> bases, std::int64_t recordSize) {
  if (width <= 0) return Ok();
  const std::int64_t lastBase = bases.empty() ? 0 : bases.back();
  if (offset >= 0 && lastBase + offset + width <= recordSize) return Ok();
  return Fail("The party record cannot be read: " + CellName(col, row) + " places a field at " +
                  std::to_string(offset) + ", " + std::to_string(width) +
                  " bytes wide, which does not lie inside the record of " +
                  std::to_string(recordSize) + " bytes.",
              ErrorKind::kDamaged);
}

Result<FieldPlace> ReadPlace(const PartyDataTable& table, int offsetCol, int widthCol, int row,
                             std::span<const std::int64_t> bases, std::int64_t recordSize) {
  Result<std::int64_t> offset = TableNumber(table, offsetCol, row);
  if (!offset) return offset.error();
  Result<std::int64_t> width = TableNumber(table, widthCol, row);
  if (!width) return width.error();
  if (Status s = CheckPlace(offsetCol, row, *offset, *width, bases, recordSize); !s)
    return s.error();
  return FieldPlace{*offset, *width};
}

std::size_t At(std::int64_t v) {
  return static_cast<std::size_t>(v);
}

bool IsNumericWidth(std::int64_t width) {
  return width == 1 || width == 2 || width == 4;
}

// The bytes of [offset, offset + count) that lie in the record.
std::span<std::uint8_t> Inside(MutableByteView record, std::int64_t offset, std::int64_t count) {
  const std::int64_t size = static_cast<std::int64_t>(record.size());
  if (offset < 0 || count <= 0 || offset >= size) return {};
  return record.subspan(At(offset), At(std::min(count, size - offset)));
}

void CopyOut(ByteView record, std::int64_t offset, std::span<std::uint8_t> to) {
  for (std::size_t i = 0; i < to.size(); ++i)
    to[i] = ByteAt(record, At(offset) + i);
}

void CopyIn(MutableByteView record, std::int64_t offset, std::span<const std::uint8_t> from) {
  std::span<std::uint8_t> place = Inside(record, offset, static_cast<std::int64_t>(from.size()));
  std::copy_n(from.begin(), place.size(), place.begin());
}

void PutI32At(MutableByteView record, std::int64_t offset, std::int32_t v) {
  std::uint8_t b[4];
  PutU32(b, static_cast<std::uint32_t>(v));
  CopyIn(record, offset, b);
}

void PutU16At(MutableByteView record, std::int64_t offset, std::uint16_t v) {
  std::uint8_t b[2];
  PutU16(b, v);
  CopyIn(record, offset, b);
}

void LoadCharacter(ByteView rec, std::int64_t b, const PartyLayout& layout, TPartyCharacter& ch) {
  ch.Class = ByteAt(rec, At(b + kClassOffset));
  ch.Portrait = static_cast<std::int16_t>(ReadU16(rec, At(b + kPortraitOffset)));
  for (int k = 0; k < kCharValueCount; ++k) {
    const FieldPlace& p = layout.charValues[At(k)];
    std::string v = ReadFieldValue(rec, b + p.offset, p.width);
    if (v.size() > kMaxCharValueLength) v.resize(kMaxCharValueLength);
    ch.Values[At(k)] = std::move(v);
  }
  for (int k = 0; k < kStatCount; ++k)
    for (int j = 0; j < 2; ++j)
      ch.Stats[At(k)][At(j)] = ReadU16(rec, At(b + layout.statOffsets[At(k)][At(j)]));
  for (int n = 0; n < kItemCount; ++n)
    for (int f = 0; f < kItemFieldCount; ++f)
      ch.Items[At(n)][At(f)] = ReadI32(rec, At(b + kItemsOffset + kItemRecordSize * n + 4 * f));
  // Grid cells and slots are 32 bits on disk; the editor keeps their low 16 bits.
  for (int r = 0; r < kGridRows; ++r)
    for (int c = 0; c < kGridColumns; ++c)
      ch.Cell(c, r) = static_cast<std::int16_t>(
          ReadU32(rec, At(b + kGridOffset + 4 * (r * kGridColumns + c))) & 0xFFFF);
  for (int k = 0; k < kSkillCount; ++k)
    ch.Skills[At(k)] = ReadU16(rec, At(b + kSkillsOffset + 2 * k));
  CopyOut(rec, b + kSpellsOffset, ch.Spells);
  for (int s = 0; s < kSlotCount; ++s)
    ch.Slots[At(s)] =
        static_cast<std::int16_t>(ReadU32(rec, At(b + kSlotsOffset + 4 * s)) & 0xFFFF);
  for (int k = 0; k < kConditionCount; ++k)
    CopyOut(rec, b + kConditionSlotSize * k, ch.Conditions[At(k)]);
}

void PatchCharacter(MutableByteView rec, std::int64_t b, const PartyLayout& layout,
                    const TPartyCharacter& ch) {
  CopyIn(rec, b + kClassOffset, std::span<const std::uint8_t>(&ch.Class, 1));
  PutU16At(rec, b + kPortraitOffset, static_cast<std::uint16_t>(ch.Portrait));
  for (int k = 0; k < kCharValueCount; ++k) {
    const FieldPlace& p = layout.charValues[At(k)];
    WriteFieldValue(rec, b + p.offset, ch.Values[At(k)], p.width);
  }
  for (int k = 0; k < kStatCount; ++k)
    for (int j = 0; j < 2; ++j)
      PutU16At(rec, b + layout.statOffsets[At(k)][At(j)], ch.Stats[At(k)][At(j)]);
  for (int n = 0; n < kItemCount; ++n)
    for (int f = 0; f < kItemFieldCount; ++f)
      PutI32At(rec, b + kItemsOffset + kItemRecordSize * n + 4 * f, ch.Items[At(n)][At(f)]);
  for (int r = 0; r < kGridRows; ++r)
    for (int c = 0; c < kGridColumns; ++c)
      PutI32At(rec, b + kGridOffset + 4 * (r * kGridColumns + c), ch.Cell(c, r));
  for (int k = 0; k < kSkillCount; ++k)
    PutU16At(rec, b + kSkillsOffset + 2 * k, ch.Skills[At(k)]);
  CopyIn(rec, b + kSpellsOffset, ch.Spells);
  for (int s = 0; s < kSlotCount; ++s)
    PutI32At(rec, b + kSlotsOffset + 4 * s, ch.Slots[At(s)]);
  for (int k = 0; k < kConditionCount; ++k)
    CopyIn(rec, b + kConditionSlotSize * k, ch.Conditions[At(k)]);
}

}  // namespace

std::int32_t TPartyCharacter::ConditionStamp(int k) const {
  return ReadI32(Conditions[At(k - 1)], 0);
}

void TPartyCharacter::SetConditionStamp(int k, std::int32_t stamp) {
  PutU32(Conditions[At(k - 1)].data(), static_cast<std::uint32_t>(stamp));
}

Result<PartyLayout> ReadPartyLayout(const PartyDataTable& table, std::int64_t recordSize) {
  PartyLayout layout;
  const std::int64_t entryStart[] = {0};
  for (int k = 1; k <= kPartyValueCount; ++k) {
    auto p = ReadPlace(table, kColPartyValueOffset, kColPartyValueWidth, k, entryStart, recordSize);
    if (!p) return p.error();
    layout.partyValues[At(k - 1)] = *p;
  }
  for (int k = 1; k <= kCharValueCount; ++k) {
    auto p = ReadPlace(table, kColCharValueOffset, kColCharValueWidth, k, kCharacterBlockStarts,
                       recordSize);
    if (!p) return p.error();
    layout.charValues[At(k - 1)] = *p;
  }
  for (int k = 1; k <= kStatCount; ++k) {
    const int cols[] = {kColStatFirstOffset, kColStatSecondOffset};
    for (int j = 0; j < 2; ++j) {
      Result<std::int64_t> offset = TableNumber(table, cols[j], k);
      if (!offset) return offset.error();
      if (Status s = CheckPlace(cols[j], k, *offset, 2, kCharacterBlockStarts, recordSize); !s)
        return s.error();
      layout.statOffsets[At(k - 1)][At(j)] = *offset;
    }
  }
  return layout;
}

Status CheckPartyRecord(ByteView stored, const std::string& entryName) {
  const std::string name = Cp1252ToUtf8(entryName);
  if (HasZlibMarker(stored, At(kPackedMarkOffset)))
    return Fail(name +
                    " is stored compressed.  The party editor can only edit a record stored "
                    "uncompressed, so it will not be edited or saved over.",
                ErrorKind::kNotSupported);
  if (static_cast<std::int64_t>(stored.size()) < kPartyRecordMinSize)
    return Fail(name + " holds " + std::to_string(stored.size()) + " bytes, fewer than the " +
                    std::to_string(kPartyRecordMinSize) +
                    " a party record needs.  It will not be edited or saved over.",
                ErrorKind::kDamaged);
  return Ok();
}

std::string ReadFieldValue(ByteView record, std::int64_t offset, std::int64_t width) {
  if (width <= 0 || offset < 0) return {};
  const std::size_t at = At(offset);
  switch (width) {
    case 1:
      return std::to_string(ByteAt(record, at));
    case 2:
      return std::to_string(static_cast<std::int16_t>(ReadU16(record, at)));
    case 4:
      return std::to_string(ReadI32(record, at));
    default:
      break;
  }
  std::string text;
  for (std::int64_t i = 0; i < width; ++i) {
    const std::uint8_t c = ByteAt(record, at + At(i));
    if (c == 0) break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

void WriteFieldValue(MutableByteView record, std::int64_t offset, const std::string& text,
                     std::int64_t width) {
  if (width <= 0) return;
  if (IsNumericWidth(width)) {
    const std::uint32_t v = static_cast<std::uint32_t>(ParseTypedInt(text).value_or(0));
    std::uint8_t b[4];
    PutU32(b, v);
    CopyIn(record, offset, std::span<const std::uint8_t>(b, At(width)));
    return;
  }
  std::span<std::uint8_t> place = Inside(record, offset, width);
  for (std::size_t i = 0; i < place.size(); ++i)
    place[i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

TPartyMain LoadPartyRecord(ByteView stored, const PartyLayout& layout) {
  TPartyMain party;
  for (int k = 0; k < kPartyValueCount; ++k) {
    const FieldPlace& p = layout.partyValues[At(k)];
    party.PartyValues[At(k)] = ReadFieldValue(stored, p.offset, p.width);
  }
  party.GameClock = ReadI32(stored, At(kGameClockOffset));
  for (int i = 0; i < kCharacterCount; ++i)
    LoadCharacter(stored, kCharacterBlockStarts[At(i)], layout, party.Characters[At(i)]);
  return party;
}

Bytes PatchPartyRecord(ByteView stored, const TPartyMain& party, const PartyLayout& layout) {
  Bytes rec(stored.begin(), stored.end());
  for (int k = 0; k < kPartyValueCount; ++k) {
    const FieldPlace& p = layout.partyValues[At(k)];
    WriteFieldValue(rec, p.offset, party.PartyValues[At(k)], p.width);
  }
  PutI32At(rec, kGameClockOffset, party.GameClock);
  for (int i = 0; i < kCharacterCount; ++i)
    PatchCharacter(rec, kCharacterBlockStarts[At(i)], layout, party.Characters[At(i)]);
  return rec;
}

}  // namespace brindle
