#include "tessera/sim/tbx_loader.h"

#include <gtest/gtest.h>

#include "tessera/flash/hex_file.h"
#include "tessera/flash/loader.h"
#include "tessera/flash/test_hex_bytes.h"
#include "tessera/flash/test_objcopy.h"
#include "tessera/flash/update_steps.h"

namespace tessera::sim {
namespace {

using tessera::testing::B;
using tessera::testing::H;

constexpr TbxOptions kQuiet{.idle_animation = false};
constexpr char kLaunch[] = "70 01 5A A5 69 26";
constexpr char kErase[] = "70 02 FF 8E";
constexpr char kChecksum8[] = "70 03 08 84";
constexpr char kReboot[] = "70 06 89";
constexpr char kReadId[] = "70 07 88";
constexpr char kIdentify[] = "71 0D 00 00 81";
constexpr char kErasedChecksum[] = "70 03 00 00 00 8C";
constexpr char kProgramOk[] = "70 04 00 8B";
const std::string kZeros28 =
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

std::string Send(TbxModel& model, std::string_view hex) { return H(model.Receive(B(hex)).bytes); }

struct Unit {
  explicit Unit(TbxLoaderOptions options = {}) : model(kQuiet), loader(model, std::move(options)) {}
  TbxModel model;
  TbxLoader loader;
};

TEST(TbxLoaderTest, Launch) {
  const struct {
    const char* what;
    TbxLoaderOptions options;
    bool start_running;
    const char* request;
    const char* answer;
    bool running_after;
  } cases[] = {
      {"starts", {}, false, kLaunch, "70 01 00 8E", true},
      {"already running", {}, true, kLaunch, "70 01 40 4E", true},
      {"wrong code", {}, false, "70 01 00 00 00 8E", "70 01 A0 EE", false},
      {"wrong code while running", {}, true, "70 01 00 00 00 8E", "70 01 A0 EE", true},
      {"refused", {.refuse_launch = true}, false, kLaunch, "70 01 A0 EE", false},
      {"other launch code",
       {.launch_code = {0, 0, 0}},
       false,
       "70 01 00 00 00 8E",
       "70 01 00 8E",
       true},
      {"bad frame checksum", {}, false, "70 01 5A A5 69 27", "", false},
  };
  for (const auto& c : cases) {
    Unit unit(c.options);
    if (c.start_running) {
      ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E") << c.what;
    }
    EXPECT_EQ(Send(unit.model, c.request), c.answer) << c.what;
    EXPECT_EQ(unit.loader.Running(), c.running_after) << c.what;
  }
}

TEST(TbxLoaderTest, LoaderOwnsTheUnitUntilReboot) {
  Unit unit({.version_after_reboot = FirmwareVersion{0x25, 0x22, 0x10}});
  const std::string input_answer = "34 00 00 00 00 00 00 00 50 00 00 00 00 7B";
  // Normal operation: loader operations other than the launch are unknown.
  EXPECT_EQ(Send(unit.model, kReadId), "");
  EXPECT_EQ(Send(unit.model, kErase), "");
  EXPECT_EQ(Send(unit.model, "34 00 CB"), input_answer);

  ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
  EXPECT_EQ(Send(unit.model, "34 00 CB"), "");
  EXPECT_EQ(Send(unit.model, kIdentify), "");
  EXPECT_EQ(Send(unit.model, "34 00 CB 70 07 88"), "70 07 1F B5 B4");  // poll bytes are dropped
  EXPECT_EQ(unit.model.PendingBytes(), 0u);

  EXPECT_EQ(Send(unit.model, kReboot), "70 06 89");
  EXPECT_FALSE(unit.loader.Running());
  EXPECT_EQ(Send(unit.model, "34 00 CB"), input_answer);
  EXPECT_EQ(Send(unit.model, kIdentify), "71 0D 00 25 22 10 00 00 00 00 00 00 00 00 2A");
  EXPECT_EQ(Send(unit.model, kReadId), "");
}

TEST(TbxLoaderTest, DeviceCodes) {
  const struct {
    std::uint8_t manufacturer;
    std::uint8_t device;
    const char* answer;
  } cases[] = {
      {0x1F, 0xB5, "70 07 1F B5 B4"},
      {0x1F, 0x20, "70 07 1F 20 49"},
      {0xBF, 0x21, "70 07 BF 21 A8"},
  };
  for (const auto& c : cases) {
    Unit unit({.manufacturer_code = c.manufacturer, .device_code = c.device});
    ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
    EXPECT_EQ(Send(unit.model, kReadId), c.answer);
  }
}

TEST(TbxLoaderTest, EraseAndChecksum) {
  Unit unit;
  unit.loader.Load(0x0000, B("12 34 56"));
  unit.loader.Load(0x4000, B("01"));
  ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
  // Two sectors: 0x7FFC bytes of 0xFF and 12 34 56 01.
  EXPECT_EQ(Send(unit.model, "70 03 02 8A"), "70 03 A1 7C 00 6F");
  EXPECT_EQ(unit.loader.Checksum(2), 0x7CA1);

  // Selector bit 0: sector 0 only.
  EXPECT_EQ(Send(unit.model, "70 02 01 8C"), "70 02 00 8D");
  EXPECT_EQ(Send(unit.model, "70 03 01 8B"), "70 03 00 C0 00 CC");  // 0x4000 * 0xFF
  EXPECT_EQ(unit.loader.Flash()[0x4000], 0x01);

  EXPECT_EQ(Send(unit.model, kErase), "70 02 00 8D");
  EXPECT_EQ(Send(unit.model, kChecksum8), kErasedChecksum);
  EXPECT_TRUE(std::all_of(unit.loader.Flash().begin(), unit.loader.Flash().end(),
                          [](std::uint8_t b) { return b == 0xFF; }));
}

TEST(TbxLoaderTest, ProgrammingOnlyClearsBits) {
  Unit unit;
  ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
  const std::string program_f0 = "70 04 00 70 00 01 F0 00 00 00 " + kZeros28 + " 9F 8B";
  const std::string program_0f = "70 04 00 70 00 01 0F 00 00 00 " + kZeros28 + " 80 8B";
  const std::string read_one = "70 05 00 70 00 01 19";
  EXPECT_EQ(Send(unit.model, program_f0), kProgramOk);
  EXPECT_EQ(unit.loader.Flash()[0x7000], 0xF0);
  // 0x0F over 0xF0 cannot raise a bit: the cell ends up 0x00 and still says "done";
  // the read-back shows it.
  EXPECT_EQ(Send(unit.model, program_0f), kProgramOk);
  EXPECT_EQ(Send(unit.model, read_one), "70 05 00 00 00 00 " + kZeros28 + " 8A");
  // Only an erase brings the bits back.
  EXPECT_EQ(Send(unit.model, kErase), "70 02 00 8D");
  EXPECT_EQ(Send(unit.model, program_0f), kProgramOk);
  EXPECT_EQ(unit.loader.Flash()[0x7000], 0x0F);
}

TEST(TbxLoaderTest, ProgramStatuses) {
  const std::string zeros30 = kZeros28 + " 00 00";
  const struct {
    const char* what;
    TbxLoaderOptions options;
    std::string request;
    const char* answer;
    std::uint8_t byte_after;  // at the record's address
  } cases[] = {
      {"programmed", {}, "70 04 FE FF 01 02 AA BB " + zeros30 + " 9C 8A", "70 04 00 8B", 0xAA},
      {"wrong record check",
       {},
       "70 04 00 70 00 01 F0 00 " + zeros30 + " 00 2A",
       "70 04 01 8A",
       0xFF},
      {"past the end", {}, "70 04 FF FF 01 02 01 02 " + zeros30 + " FD 8A", "70 04 02 89", 0xFF},
      {"count 33", {}, "70 04 00 00 00 21 00 00 " + zeros30 + " 00 6A", "70 04 03 88", 0xFF},
      {"count 0", {}, "70 04 00 00 00 00 00 00 " + zeros30 + " 00 8B", "70 04 03 88", 0xFF},
      {"fault at the address",
       {.fail_program_at = 0x1FFFE},
       "70 04 FE FF 01 02 AA BB " + zeros30 + " 9C 8A",
       "70 04 10 7B",
       0xFF},
  };
  for (const auto& c : cases) {
    Unit unit(c.options);
    ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
    EXPECT_EQ(Send(unit.model, c.request), c.answer) << c.what;
    const std::uint32_t address =
        B(c.request)[2] | (B(c.request)[3] << 8) | (B(c.request)[4] << 16);
    EXPECT_EQ(unit.loader.Flash()[address], c.byte_after) << c.what;
  }
}

TEST(TbxLoaderTest, ReadRecord) {
  Unit unit;
  ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
  // The Flash Tools test record: 1..32 at 0x7000.
  ASSERT_EQ(Send(unit.model,
                 "70 04 00 70 00 20 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 "
                 "16 17 18 19 1A 1B 1C 1D 1E 1F 20 60 8B"),
            kProgramOk);
  EXPECT_EQ(Send(unit.model, "70 05 00 70 00 20 FA"),
            "70 05 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A "
            "1B 1C 1D 1E 1F 20 7A");
  // Across the end of the flash: what is not there reads 0xFF, the rest is padding.
  ASSERT_EQ(Send(unit.model, "70 04 FE FF 01 02 AA BB " + kZeros28 + " 00 00 9C 8A"), kProgramOk);
  EXPECT_EQ(Send(unit.model, "70 05 FE FF 01 04 88"), "70 05 AA BB FF FF " + kZeros28 + " 27");
}

TEST(TbxLoaderTest, RebootTakesTheVersionFromTheImage) {
  const struct {
    const char* what;
    TbxLoaderOptions options;
    bool program_version;
    const char* identify;
  } cases[] = {
      {"from the image",
       {.version_address = 0x100},
       true,
       "71 0D 00 24 21 06 00 00 00 00 00 00 00 00 36"},
      {"image wins over options",
       {.version_address = 0x100, .version_after_reboot = FirmwareVersion{0x25, 0x22, 0x10}},
       true,
       "71 0D 00 24 21 06 00 00 00 00 00 00 00 00 36"},
      {"erased version bytes: options",
       {.version_address = 0x100, .version_after_reboot = FirmwareVersion{0x25, 0x22, 0x10}},
       false,
       "71 0D 00 25 22 10 00 00 00 00 00 00 00 00 2A"},
      {"nothing given: as before", {}, true, "71 0D 00 23 23 14 00 00 00 00 00 00 00 00 27"},
  };
  for (const auto& c : cases) {
    Unit unit(c.options);
    ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
    ASSERT_EQ(Send(unit.model, kErase), "70 02 00 8D");
    if (c.program_version) {
      ASSERT_EQ(Send(unit.model, "70 04 00 01 00 03 24 21 06 00 " + kZeros28 + " B1 8B"),
                kProgramOk);
    }
    EXPECT_EQ(Send(unit.model, kReboot), "70 06 89") << c.what;
    EXPECT_EQ(Send(unit.model, kIdentify), c.identify) << c.what;
  }
}

TEST(TbxLoaderTest, Faults) {
  // An erase that leaves a cell: reported done, checksum shows it; the next one works.
  {
    Unit unit({.incomplete_erases = 1});
    ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
    EXPECT_EQ(Send(unit.model, kErase), "70 02 00 8D");
    EXPECT_EQ(Send(unit.model, kChecksum8), "70 03 01 FF 00 8C");
    EXPECT_EQ(Send(unit.model, kErase), "70 02 00 8D");
    EXPECT_EQ(Send(unit.model, kChecksum8), kErasedChecksum);
  }
  // Dropped: done but not answered. Corrupted: answered with the checksum off by one.
  {
    Unit unit({.unanswered = {flash::kFlashErase}, .corrupted = {flash::kFlashChecksum}});
    unit.loader.Load(0, B("00"));
    ASSERT_EQ(Send(unit.model, kLaunch), "70 01 00 8E");
    EXPECT_EQ(Send(unit.model, kErase), "");
    EXPECT_EQ(unit.loader.Flash()[0], 0xFF);
    EXPECT_EQ(Send(unit.model, kChecksum8), "70 03 00 00 00 8D");
    EXPECT_EQ(Send(unit.model, kReadId), "70 07 1F B5 B4");
    EXPECT_EQ(unit.model.Counters().corrupted, 1);
  }
  // Time taken: erase and program answers come late, others at once.
  {
    Unit unit({.erase_ms = 1500, .program_ms = 20});
    unit.model.Options().delay_ms = 3;
    EXPECT_EQ(unit.model.Receive(B(kLaunch)).delay_ms, 3);
    EXPECT_EQ(unit.model.Receive(B(kErase)).delay_ms, 1503);
    EXPECT_EQ(unit.model.Receive(B(kChecksum8)).delay_ms, 3);
    const auto program = flash::ProgramRecordRequest(0, B("00"));
    EXPECT_EQ(unit.model.Receive(program->request).delay_ms, 23);
  }
  EXPECT_EQ(Unit().loader.Counters().launches, 0);
}

TEST(TbxLoaderTest, CountsRequests) {
  Unit unit;
  for (const char* request :
       {kLaunch, kReadId, kErase, kChecksum8, "70 05 00 70 00 20 FA", kChecksum8, kReboot}) {
    Send(unit.model, request);
  }
  const TbxLoaderCounters& counters = unit.loader.Counters();
  EXPECT_EQ(counters.launches, 1);
  EXPECT_EQ(counters.read_ids, 1);
  EXPECT_EQ(counters.erases, 1);
  EXPECT_EQ(counters.checksums, 2);
  EXPECT_EQ(counters.reads, 1);
  EXPECT_EQ(counters.programs, 0);
  EXPECT_EQ(counters.reboots, 1);
}

// The host's requests and decoders against the simulated loader, the way the update
// drives them: an objcopy image ends up in the flash byte for byte.
TEST(TbxLoaderTest, HostProgramsAnImage) {
  const common::Bytes image = tessera::testing::RandomBytes(70000, 7);
  std::string problem;
  const auto hex = tessera::testing::ObjcopyHex(image, 0, problem);
  ASSERT_TRUE(hex) << problem;
  const auto reference = tessera::testing::Reference(image, 0);

  Unit unit;
  unit.loader.Load(0, tessera::testing::RandomBytes(0x20000, 8));  // the old firmware
  const auto exchange = [&](const flash::LoaderExchange& x) {
    common::Bytes answer = unit.model.Receive(x.request).bytes;
    // What the link would hand over: the whole answer with a right checksum, else nothing.
    if (answer.size() != static_cast<std::size_t>(x.response.count) || ByteSum(answer) != 0xFF) {
      answer.clear();
    }
    return answer;
  };

  ASSERT_TRUE(flash::DecodeLaunch(exchange(flash::LaunchRequest())).ok());
  const auto id = flash::DecodeReadId(exchange(flash::ReadIdRequest()));
  ASSERT_TRUE(id);
  EXPECT_EQ(flash::DeviceCheck(*id), std::nullopt);
  ASSERT_TRUE(flash::DecodeErase(exchange(flash::EraseRequest())));
  EXPECT_EQ(flash::EraseCheck(true, flash::DecodeChecksum(exchange(flash::ChecksumRequest()))),
            std::nullopt);

  flash::LineReader reader(*hex);
  flash::ProgrammingPass pass(reader, "X", static_cast<std::uint32_t>(image.size()));
  pass.Start();
  int records = 0;
  while (auto record = pass.Next()) {
    const auto program = flash::ProgramRecordRequest(record->address, record->data);
    ASSERT_TRUE(program);
    const auto status = flash::DecodeProgram(exchange(*program));
    const auto read_back =
        flash::DecodeReadRecord(exchange(flash::ReadRecordRequest(record->address)));
    ASSERT_EQ(flash::RecordCheck(status, read_back, record->data), std::nullopt)
        << std::hex << record->address;
    pass.Programmed(record->data.size());
    ++records;
  }
  EXPECT_EQ(pass.error(), std::nullopt);
  EXPECT_EQ(records, unit.loader.Counters().programs);
  EXPECT_TRUE(unit.loader.Flash() == reference.flash);
  EXPECT_EQ(flash::NewChecksumCheck(flash::DecodeChecksum(exchange(flash::ChecksumRequest())),
                                    reference.checksum),
            std::nullopt);
  EXPECT_TRUE(flash::DecodeReboot(exchange(flash::RebootRequest())));
  EXPECT_FALSE(unit.loader.Running());
}

}  // namespace
}  // namespace tessera::sim
