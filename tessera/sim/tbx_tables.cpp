#include "tessera/sim/tbx_tables.h"

#include "tessera/sim/tbx_extended.h"

namespace tessera::sim {
namespace {

constexpr std::uint8_t kDefaultFilterValue = 5;
constexpr std::uint8_t kRecordBit = 0x80;
constexpr std::uint8_t kFrameABlock = 0x00;

// GetFilters answer: header 8, leading 60, falling 60, record bits 8 (+ checksum).
constexpr std::size_t kFiltersAnswerLength = 136;
constexpr std::size_t kSetFiltersAnswerLength = 8;
constexpr std::size_t kLoadAnswerLength = 12;

// 73 0D 00 3C, three bytes for each of the 60 entries, checksum. A fixed length keeps
// a stray 0x73 from holding up the requests behind it for longer than any other.
constexpr std::size_t kSetFiltersLength = 5 + 3 * kSimFilterEntries;

std::optional<Bytes> AnswerGetFilters(const TbxModel& model, TbxTables& tables, ByteView request) {
  if (!HasExtendedMarker(request)) return std::nullopt;
  ++tables.filter_reads;
  Bytes answer = ExtendedAnswer(request[0], model.Options(), kFiltersAnswerLength);
  for (int i = 0; i < kSimFilterEntries; ++i) {
    answer[8 + i] = tables.leading[i];
    answer[68 + i] = tables.falling[i];
    if (tables.record[i]) answer[128 + i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
  }
  return answer;
}

std::optional<Bytes> AnswerSetFilters(const TbxModel& model, TbxTables& tables, ByteView request) {
  if (!HasExtendedMarker(request) || request[3] != kSimFilterEntries) return std::nullopt;
  ++tables.filter_writes;
  for (int k = 0; k < kSimFilterEntries; ++k) {
    const std::uint8_t* entry = &request[4 + 3 * k];
    const int index = entry[0] & ~kRecordBit;
    if (index >= kSimFilterEntries) continue;  // no such entry
    tables.record[index] = (entry[0] & kRecordBit) != 0;
    tables.leading[index] = entry[1];
    tables.falling[index] = entry[2];
  }
  return ExtendedAnswer(request[0], model.Options(), kSetFiltersAnswerLength);
}

std::optional<Bytes> AnswerLoad(const TbxModel& model, FrameAAnswer frame_a_answer,
                                LoadedTable& table, ByteView request) {
  if (!HasExtendedMarker(request)) return std::nullopt;
  const std::uint8_t block = request[3];
  table.blocks[block].assign(request.begin() + 4, request.end() - 1);
  table.frame_order.push_back(block);
  Bytes answer = ExtendedAnswer(request[0], model.Options(), kLoadAnswerLength);
  if (block == kFrameABlock) {
    if (frame_a_answer == FrameAAnswer::kSilent) return std::nullopt;
    if (frame_a_answer == FrameAAnswer::kNoMarker) answer[1] = 0x0C;
  }
  return answer;
}

}  // namespace

std::vector<std::uint8_t> LoadedTable::Table() const {
  const auto it = blocks.find(0x08);
  return it == blocks.end() ? std::vector<std::uint8_t>{} : it->second;
}

TbxTables::TbxTables() {
  leading.fill(kDefaultFilterValue);
  falling.fill(kDefaultFilterValue);
}

std::shared_ptr<TbxTables> InstallTables(TbxModel& model) {
  auto tables = std::make_shared<TbxTables>();
  TbxModel* m = &model;  // the model owns the handlers, so it outlives every call
  model.SetCommand(kCmdGetFilters, FixedLength(4),
                   [m, tables](ByteView r) { return AnswerGetFilters(*m, *tables, r); });
  model.SetCommand(kCmdSendFilters, FixedLength(kSetFiltersLength),
                   [m, tables](ByteView r) { return AnswerSetFilters(*m, *tables, r); });
  model.SetCommand(kCmdSendTracking, FixedLength(21), [m, tables](ByteView r) {
    return AnswerLoad(*m, tables->frame_a_answer, tables->tracking, r);
  });
  model.SetCommand(kCmdSendComplex, FixedLength(61), [m, tables](ByteView r) {
    return AnswerLoad(*m, tables->frame_a_answer, tables->complex, r);
  });
  return tables;
}

}  // namespace tessera::sim
