#include "tessera/sim/tbx_logs.h"

#include <algorithm>
#include <iterator>

#include "tessera/sim/tbx_extended.h"

namespace tessera::sim {
namespace {

constexpr std::size_t kMaxRecords = 0xFFFF;
constexpr std::size_t kEventHeaderLength = 9;
constexpr std::size_t kClearAnswerLength = 7;
constexpr std::size_t kBlockHeaderLength = 9;
constexpr std::uint8_t kStatusMore = 0x08;
constexpr std::uint8_t kStatusLost = 0x04;
constexpr std::uint8_t kStatusSameBlock = 0x02;
constexpr std::uint8_t kStatusOutOfSequence = 0x01;

void PutMc(Bytes& out, std::uint32_t mc) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(mc >> shift));
}

std::optional<Bytes> AnswerReadEvents(const TbxModel& model, TbxEventLog& log, ByteView request) {
  if (!HasExtendedMarker(request)) return std::nullopt;
  ++log.reads;
  const std::size_t count = std::min(log.records.size(), kMaxRecords);
  Bytes answer = ExtendedAnswer(request[0], model.Options(), kEventHeaderLength);
  answer[7] = static_cast<std::uint8_t>(count & 0xFF);
  answer[8] = static_cast<std::uint8_t>(count >> 8);
  answer.reserve(kEventHeaderLength + 7 * count + 5);
  for (std::size_t i = 0; i < count; ++i) {
    const EventRecord& record = log.records[i];
    answer.insert(answer.end(), {record.type, record.p1, record.p2});
    PutMc(answer, record.mc);
  }
  PutMc(answer, log.mc);
  return answer;
}

std::optional<Bytes> AnswerClearEvents(const TbxModel& model, TbxEventLog& log, ByteView request) {
  if (!HasExtendedMarker(request)) return std::nullopt;
  ++log.clears;
  log.records.assign(1, EventRecord{3, 0, 0, log.mc});
  return ExtendedAnswer(request[0], model.Options(), kClearAnswerLength);
}

std::optional<Bytes> AnswerPoll(const TbxModel& model, TbxTransitions& buffer, ByteView request) {
  if (!HasExtendedMarker(request)) return std::nullopt;
  const std::uint8_t block = request[3];
  buffer.requested.push_back(block);
  std::uint8_t status = 0;
  if (buffer.last_block && block == *buffer.last_block) {
    status |= kStatusSameBlock;  // the host lost the answer: hand the same items out again
  } else {
    if (buffer.last_block && block != static_cast<std::uint8_t>(*buffer.last_block + 1)) {
      status |= kStatusOutOfSequence;
    }
    if (buffer.lost) status |= kStatusLost;
    buffer.lost = false;
    const auto take =
        std::min<std::size_t>(buffer.pending.size(), std::clamp(buffer.items_per_block, 0, 255));
    buffer.last_items.assign(buffer.pending.begin(), buffer.pending.begin() + take);
    buffer.pending.erase(buffer.pending.begin(), buffer.pending.begin() + take);
    buffer.last_block = block;
  }
  if (!buffer.pending.empty()) status |= kStatusMore;

  Bytes answer = ExtendedAnswer(request[0], model.Options(), kBlockHeaderLength);
  answer[7] = block;
  answer[8] = static_cast<std::uint8_t>(buffer.last_items.size());
  for (const TransitionItem& item : buffer.last_items) {
    answer.insert(answer.end(), {item.code, static_cast<std::uint8_t>(item.stamp >> 8),
                                 static_cast<std::uint8_t>(item.stamp & 0xFF)});
  }
  answer.push_back(status);
  PutMc(answer, buffer.mc);
  return answer;
}

}  // namespace

std::vector<EventRecord> DemoEventRecords() {
  return {
      {1, 3, 0x00, 0x00000010},  // Reboot, Main Init
      {8, 0, 0x00, 0x00000020},  // FP Ctl: Outputs=SB#1, TBuffer=SB#1
      {2, 0x85, 0x12, 0x00000100},  {5, 0, 0x00, 0x00000180}, {9, 2, 0x03, 0x00000200},
      {6, 2, 0x03, 0x00001000},     {7, 1, 0x00, 0x00002000}, {7, 2, 0x00, 0x00002010},
      {10, 0x34, 0x12, 0x00003000}, {8, 7, 0x00, 0x00004000},
  };
}

std::vector<EventRecord> GeneratedEventRecords(std::size_t count) {
  // Every row of every type once per round, then a few that decode to nothing.
  static constexpr std::uint8_t kRound[][3] = {
      {1, 1, 0},        {1, 2, 0},        {1, 3, 0},        {2, 0x85, 0x12}, {2, 0x05, 0xA0},
      {3, 0, 0},        {4, 0, 0},        {5, 0, 0},        {5, 3, 0},       {5, 255, 0},
      {6, 1, 0x21},     {6, 2, 0x05},     {7, 1, 0},        {7, 2, 0},       {8, 0, 0},
      {8, 1, 0},        {8, 2, 0},        {8, 3, 0},        {8, 4, 0},       {8, 7, 0},
      {9, 1, 0x1F},     {9, 2, 0x03},     {9, 3, 0},        {9, 4, 0x80},    {9, 5, 0x0A},
      {9, 6, 0},        {10, 0x34, 0x12}, {11, 0xCD, 0xAB}, {12, 1, 0},      {13, 0, 1},
      {14, 0xFF, 0xFF}, {1, 7, 0},        {9, 0, 0},        {0, 1, 2},       {15, 0, 0},
      {200, 0, 0}};
  std::vector<EventRecord> records;
  records.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const auto& row = kRound[i % std::size(kRound)];
    records.push_back({row[0], row[1], row[2], static_cast<std::uint32_t>(0x100 + 0x35 * i)});
  }
  return records;
}

std::vector<TransitionItem> GeneratedTransitions(std::size_t count) {
  std::vector<TransitionItem> items;
  items.reserve(count);
  std::uint32_t stamp = 0xF000;
  for (std::size_t i = 0; items.size() < count; ++i) {
    const std::uint32_t next = stamp + 0x0123;
    if (next > 0xFFFF) items.push_back(TransitionItem::Rollover());
    stamp = next & 0xFFFF;
    if (items.size() == count) break;
    const int input = static_cast<int>((i * 7) % 60);
    items.push_back(TransitionItem::Input(input, i % 2 == 0, static_cast<std::uint16_t>(stamp)));
  }
  return items;
}

void TbxLogSetup::Apply(TbxEventLog& log, TbxTransitions& buffer) const {
  if (event_records) log.records = GeneratedEventRecords(*event_records);
  if (block_items) buffer.items_per_block = *block_items;
  if (transitions) {
    buffer.pending.clear();
    buffer.capacity = std::max(buffer.capacity, *transitions);
    for (const TransitionItem& item : GeneratedTransitions(*transitions)) buffer.Add(item);
  }
}

TransitionItem TransitionItem::Input(int input, bool on, std::uint16_t stamp) {
  return {static_cast<std::uint8_t>((input & 0x7F) | (on ? 0x80 : 0)), stamp};
}

void TbxTransitions::Add(TransitionItem item) {
  if (pending.size() >= capacity) {
    lost = true;
    return;
  }
  pending.push_back(item);
}

std::shared_ptr<TbxEventLog> InstallEventLog(TbxModel& model) {
  auto log = std::make_shared<TbxEventLog>();
  TbxModel* m = &model;  // the model owns the handlers, so it outlives every call
  model.SetCommand(kCmdReadEvents, FixedLength(4),
                   [m, log](ByteView r) { return AnswerReadEvents(*m, *log, r); });
  model.SetCommand(kCmdClearEvents, FixedLength(4),
                   [m, log](ByteView r) { return AnswerClearEvents(*m, *log, r); });
  return log;
}

std::shared_ptr<TbxTransitions> InstallTransitions(TbxModel& model) {
  auto buffer = std::make_shared<TbxTransitions>();
  TbxModel* m = &model;
  model.SetCommand(kCmdPollTransition, FixedLength(5),
                   [m, buffer](ByteView r) { return AnswerPoll(*m, *buffer, r); });
  return buffer;
}

}  // namespace tessera::sim
