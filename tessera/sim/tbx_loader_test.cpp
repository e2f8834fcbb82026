#include "tessera/sim/tbx_loader.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"
#include "tessera/core/loader.h"

namespace tessera::sim {
namespace {

using common::testing::B;
using common::testing::H;

constexpr char kLaunch[] = "70 01 5A A5 69 26";
constexpr char kStarted[] = "70 01 00 8E";
constexpr char kErase[] = "70 02 FF 8E";
constexpr char kErased[] = "70 02 00 8D";
constexpr char kChecksum8[] = "70 03 08 84";
constexpr char kProgramOk[] = "70 04 00 8B";
const std::string kZeros28 =
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

struct Unit {
  explicit Unit(TbxLoaderOptions options = {})
      : model({.idle_animation = false}), loader(model, std::move(options)) {}
  std::string Send(std::string_view hex) { return H(model.Receive(B(hex)).bytes); }
  TbxModel model;
  TbxLoader loader;
};

// The loader's answers the update never draws out, byte for byte. Its normal answers and
// fault options are driven by the update and Flash Tools tests.
TEST(TbxLoaderTest, Launch) {
  // Options, launched first, request, answer, running after.
  const std::tuple<TbxLoaderOptions, bool, const char*, const char*, bool> cases[] = {
      {{}, true, kLaunch, "70 01 40 4E", true},                // already running
      {{}, false, "70 01 00 00 00 8E", "70 01 A0 EE", false},  // wrong code
      {{.launch_code = {0, 0, 0}}, false, "70 01 00 00 00 8E", kStarted, true},
      {{}, false, "70 01 5A A5 69 27", "", false},  // bad frame checksum
      // Left in the loader by an update that never rebooted it: no input answer.
      {{.start_running = true}, false, "34 00 CB", "", true},
  };
  for (const auto& [options, running_before, request, answer, running_after] : cases) {
    Unit unit(options);
    EXPECT_EQ(running_before ? unit.Send(kLaunch) : kStarted, kStarted);
    const std::string got = unit.Send(request);
    EXPECT_EQ(std::tuple(got, unit.loader.Running()), std::tuple(answer, running_after)) << request;
  }
}

TEST(TbxLoaderTest, EraseAndChecksum) {
  Unit unit;
  unit.loader.Load(0x0000, B("12 34 56"));
  unit.loader.Load(0x4000, B("01"));
  ASSERT_EQ(unit.Send(kLaunch), kStarted);
  // Two sectors: 0x7FFC bytes of 0xFF and 12 34 56 01.
  EXPECT_EQ(unit.Send("70 03 02 8A"), "70 03 A1 7C 00 6F");
  // Selector bit 0: sector 0 only.
  EXPECT_EQ(unit.Send("70 02 01 8C"), kErased);
  EXPECT_EQ(unit.Send("70 03 01 8B"), "70 03 00 C0 00 CC");  // 0x4000 * 0xFF
  EXPECT_EQ(unit.loader.Flash()[0x4000], 0x01);
  EXPECT_EQ(unit.Send(kErase), kErased);
  EXPECT_EQ(unit.Send(kChecksum8), "70 03 00 00 00 8C");
  EXPECT_TRUE(unit.loader.Flash() == common::Bytes(0x20000, 0xFF));
}

TEST(TbxLoaderTest, ProgramAndReadBack) {
  Unit unit;
  ASSERT_EQ(unit.Send(kLaunch), kStarted);
  const std::string program_f0 = "70 04 00 70 00 01 F0 00 00 00 " + kZeros28 + " 9F 8B";
  const std::string program_0f = "70 04 00 70 00 01 0F 00 00 00 " + kZeros28 + " 80 8B";
  EXPECT_EQ(unit.Send(program_f0), kProgramOk);
  // 0x0F over 0xF0 cannot raise a bit: the cell ends up 0x00, which only the
  // read-back shows.
  EXPECT_EQ(unit.Send(program_0f), kProgramOk);
  EXPECT_EQ(unit.Send("70 05 00 70 00 01 19"), "70 05 00 00 00 00 " + kZeros28 + " 8A");
  EXPECT_EQ(unit.Send(kErase), kErased);
  EXPECT_EQ(unit.Send(program_0f), kProgramOk);
  EXPECT_EQ(unit.loader.Flash()[0x7000], 0x0F);
  // Across the end of the flash: what is not there reads 0xFF, then padding.
  ASSERT_EQ(unit.Send("70 04 FE FF 01 02 AA BB " + kZeros28 + " 00 00 9C 8A"), kProgramOk);
  EXPECT_EQ(unit.Send("70 05 FE FF 01 04 88"), "70 05 AA BB FF FF " + kZeros28 + " 27");
}

TEST(TbxLoaderTest, ProgramStatuses) {
  const std::string zeros30 = kZeros28 + " 00 00";
  // A refused record leaves the flash erased.
  const std::tuple<std::string, const char*, std::uint32_t> cases[] = {
      {"70 04 00 70 00 01 F0 00 " + zeros30 + " 00 2A", "70 04 01 8A", 0x7000},   // check
      {"70 04 FF FF 01 02 01 02 " + zeros30 + " FD 8A", "70 04 02 89", 0x1FFFF},  // end
      {"70 04 00 00 00 21 00 00 " + zeros30 + " 00 6A", "70 04 03 88", 0},        // 33 bytes
      {"70 04 00 00 00 00 00 00 " + zeros30 + " 00 8B", "70 04 03 88", 0},        // none
  };
  for (const auto& [request, answer, address] : cases) {
    Unit unit;
    ASSERT_EQ(unit.Send(kLaunch), kStarted);
    EXPECT_EQ(std::tuple(unit.Send(request), unit.loader.Flash()[address]),
              std::tuple(answer, 0xFF))
        << request;
  }
}

}  // namespace
}  // namespace tessera::sim
