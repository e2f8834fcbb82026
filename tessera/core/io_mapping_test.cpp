#include "tessera/core/io_mapping.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tessera/core/io_history.h"

namespace tessera {
namespace {

TEST(IoMapping, InputBitsLightTheirIndicators) {
  // Byte, its value, the points and optos lit.
  const std::tuple<int, std::uint8_t, std::set<int>, std::set<int>> cases[] = {
      // Bit 7 of byte 6 has no point; the high nibble of byte 7 is the address.
      {0, 0x01, {0}, {}},          {2, 0x81, {16, 23}, {}},
      {6, 0x80, {}, {}},           {6, 0x7F, {48, 49, 50, 51, 52, 53, 54}, {}},
      {7, 0x5F, {}, {0, 1, 2, 3}}, {8, 0xFF, {}, {}},
  };
  for (const auto& [byte, value, lit_points, lit_opto] : cases) {
    InputData data{};
    data[byte] = value;
    const InputLamps lamps = InputDataToForm(data);
    std::set<int> points, opto;
    for (int i = 0; i < kInputPoints; ++i)
      if (lamps.points[i]) points.insert(i);
    for (int i = 0; i < kOptoInputs; ++i)
      if (lamps.opto[i]) opto.insert(i);
    EXPECT_EQ(std::tuple(points, opto), std::tuple(lit_points, lit_opto)) << byte << " " << +value;
  }
}

TEST(IoMapping, CheckedBoxesSetTheirOutputBits) {
  const std::tuple<std::set<int>, int, std::uint8_t> cases[] = {
      {{}, 0, 0x00}, {{8}, 1, 0x01}, {{54}, 6, 0x40}, {{55}, 6, 0x80}, {{24, 26, 31}, 3, 0x85}};
  for (const auto& [boxes, byte, value] : cases) {
    std::array<bool, kOutputPoints> checked{};
    for (int i : boxes) checked[i] = true;
    OutputData expected{};
    expected[byte] = value;
    EXPECT_EQ(OutputFormToData(checked), expected) << "byte " << byte;
  }
  std::array<bool, kOutputPoints> all;
  all.fill(true);
  EXPECT_EQ(OutputFormToData(all), (OutputData{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

// The history's CSV rows (times cut off) and the lanes seen both lit and dark.
TEST(IoHistory, CsvRowsAndChangedLanes) {
  IoHistory history;
  InputLamps lamps{};
  lamps.points[9] = lamps.points[10] = lamps.points[54] = true;  // 10 and 54 stay lit
  history.Add(AnsweredPoll(0, lamps));
  history.Add(SilentPoll(100));
  lamps.points[9] = false;
  lamps.opto[3] = true;
  history.Add(AnsweredPoll(200, lamps));
  EXPECT_EQ(history.ChangedLanes(), (1ull << 9) | (1ull << (kInputPoints + 3)));
  std::vector<std::string> rows;
  std::istringstream csv(HistoryCsv(history));
  for (std::string line; std::getline(csv, line);) rows.push_back(line.substr(line.find(',') + 1));
  ASSERT_EQ(rows.size(), 2u + kHistoryLanes + 4);  // header, link, every lane, then changes
  EXPECT_EQ(std::vector(rows.begin(), rows.begin() + 2),
            (std::vector<std::string>{"point,state\r", "TBX link,responding\r"}));
  EXPECT_EQ(std::vector(rows.begin() + 10, rows.begin() + 13),
            (std::vector<std::string>{"I/O #08,off\r", "I/O #09,on\r", "I/O #10,on\r"}));
  EXPECT_EQ(rows[2 + 54], "Active,on\r");
  EXPECT_EQ(std::vector(rows.end() - 4, rows.end()),
            (std::vector<std::string>{"TBX link,not responding\r", "TBX link,responding\r",
                                      "I/O #09,off\r", "Opto #4,on\r"}));
}

}  // namespace
}  // namespace tessera
