// The whole firmware update against the simulated unit, with scripted answers: what
// the user is shown, what reaches the unit's flash, and where polling stands after.
#include "tessera/flash/update_procedure.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "common/testing/test_support.h"
#include "tessera/flash/flash_loader.h"
#include "tessera/flash/hex_file.h"
#include "tessera/flash/test_objcopy.h"
#include "tessera/flash/test_unit.h"

namespace tessera::flash {
namespace {

using common::Answer;
using End = UpdateResult::End;

constexpr char kCaution[] = "CAUTION";  // stands for the caution box in expectations
constexpr char kNoLaunch[] = "Flash loader did not launch.";
// Two bytes at 0x7000: the flash sums to 0xFE05 afterwards.
constexpr char kSmallImage[] = ":0270000001028B\r\n:00000001FF\r\n";
// What the unit reports when its version does not change with the image.
constexpr char kSameVersion[] =
    "\r\n\r\n   KAL Model TBX-540\r\n   Firmware Type 23\r\n   Firmware Version 1.4\r\n"
    "   Comm Version 2.3\r\n";

class UpdateTest : public ::testing::Test {
 protected:
  // The unit, the session over it (polling stopped; the identity read by one tick
  // unless the loader already owns the unit) and the procedure.
  void Make(sim::TbxLoaderOptions loader = {}, sim::TbxOptions unit = {}) {
    procedure_.reset();
    loader_.reset();
    unit_ = std::make_unique<testing::TestUnit>(loader, unit);
    loader_ = std::make_unique<FlashLoader>(S());
    loader_->SetTiming({.launch_settle_ms = 1, .reboot_settle_ms = 1});
    procedure_ = std::make_unique<UpdateProcedure>(S(), *loader_, unit_->prompts);
    ASSERT_TRUE(S().Start("/comm=1"));
    S().Loop().Timer()->stop();
    if (!loader.start_running) S().PollTick();
    S().Loop().Timer()->stop();
    unit_->port->TakeWritten();
  }
  Session& S() { return unit_->session(); }

  // The texts shown: the caution box as kCaution, "$F" for the path as on disk, and
  // after a "|" the informative text, if any.
  std::vector<std::string> Shown(const QString& path) const {
    std::vector<std::string> texts;
    const std::string file = path.toStdString();
    for (const common::Message& box : unit_->prompts.shown()) {
      std::string text = box.text.toStdString();
      if (text.rfind("Caution: This firmware update", 0) == 0) text = kCaution;
      if (!box.detail.isEmpty()) text += "|" + box.detail.toStdString();
      for (std::size_t at; !file.empty() && (at = text.find(file)) != std::string::npos;) {
        text.replace(at, file.size(), "$F");
      }
      texts.push_back(text);
    }
    return texts;
  }

  QTemporaryDir dir_;
  std::unique_ptr<testing::TestUnit> unit_;
  std::unique_ptr<FlashLoader> loader_;
  std::unique_ptr<UpdateProcedure> procedure_;
};

TEST_F(UpdateTest, EveryEndShowsItsTextAndLeavesTheUnitAsItSays) {
  const std::string done = "Firmware Update Successfully Completed:\r\n   File Name: $F";
  const std::string invalid = "The input file ($F) is not valid, ";
  const std::string type_question =
      "The input file ($F) is for an different firmware Version Type (23) than the current "
      "installed version (0).\r\n\r\nDo you want to continue with the firmware update?";
  const std::string record33 =
      ":210000000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F2021AE\r\n"
      ":00000001FF\r\n";
  const std::string small = kSmallImage;
  // outcome: how it ended, the launch, erase and program requests the unit got, and
  // whether polling runs afterwards.
  const struct {
    const char* what;
    sim::TbxLoaderOptions loader;
    sim::TbxOptions unit;
    std::optional<QString> name;      // the file chosen; nullopt: the dialog is cancelled
    std::optional<std::string> text;  // its contents; nullopt: it does not exist
    std::vector<Answer> answers;      // the rest get the first button
    std::vector<std::string> boxes;
    std::string outcome;
  } cases[] = {
      // clang-format off
      {"update", {}, {}, "tbx2315(fe05).hex", small, {},
       {kCaution, done + kSameVersion}, "completed 1/1/1 polling"},
      {"no field reflash below comm version 2.3", {},
       {.comm_version = 0x22, .firmware_revision = 0x41}, "tbx2315(fe05).hex", small, {},
       {"This TBX firmware Revision level 4.1 does not support the field reflash upgrade "
        "operation."}, "unit refused 0/0/0 polling"},
      {"caution cancelled", {}, {}, "tbx2315(fe05).hex", small, {Answer::kCancel},
       {kCaution}, "cancelled 0/0/0 polling"},
      {"file dialog cancelled", {}, {}, std::nullopt, small, {},
       {kCaution}, "cancelled 0/0/0 polling"},
      {"missing file", {}, {}, "tbx2315(fe05).hex", std::nullopt, {},
       {kCaution, "File \"$F\" could not be found!"}, "file rejected 0/0/0 polling"},
      {"no end record", {}, {}, "tbx2315(fe05).hex", ":0270000001028B\r\n", {},
       {kCaution, invalid + "no end record."}, "file rejected 0/0/0 polling"},
      {"image and name disagree", {}, {}, "tbx2315(fe04).hex", small, {},
       {kCaution, invalid + "checksum error.|Checksum of the image in the file: 0xFE05; "
        "checksum in its name: 0xFE04."}, "file rejected 0/0/0 polling"},
      {"wrong model", {}, {}, "tbr2315(fe05).hex", small, {},
       {kCaution, "The input file ($F) is intended for an different model than the current "
        "target model TBX-540.|" + std::string(kNamePatternText)}, "file rejected 0/0/0 polling"},
      {"33-byte record: refused before the unit is erased", {}, {}, "tbx2315(e152).hex",
       record33, {},
       {kCaution, invalid + "the record at line 1 has 33 data bytes (the loader takes at most 32)."},
       "file rejected 0/0/0 polling"},
      {"other version type, cancelled", {}, {}, "tbx2215(fe05).hex", small,
       {Answer::kOk, Answer::kCancel},
       {kCaution,
        "The input file ($F) is for an different firmware Version Type (22) than the current "
        "installed version (23).\r\n\r\nDo you want to continue with the firmware update?",
        "Firmware update operation cancelled"},
       "cancelled 0/0/0 polling"},
      {"launch refused, retried, cancelled", {.refuse_launch = true}, {}, "tbx2315(fe05).hex",
       small, {Answer::kOk, Answer::kRetry, Answer::kCancel},
       {kCaution, kNoLaunch, kNoLaunch}, "unit refused 2/0/0 polling"},
      // An earlier update left the loader running: the unit answers nothing else, so
      // its version is unknown (0), and the loader answers the launch with 0x40.
      {"loader already running", {.start_running = true}, {}, "tbx2315(fe05).hex", small, {},
       {kCaution, type_question, done + kSameVersion}, "completed 1/1/1 polling"},
      // Whether a loader runs is asked only once the user agreed: nothing is sent.
      {"loader already running, caution cancelled", {.start_running = true}, {},
       "tbx2315(fe05).hex", small, {Answer::kCancel}, {kCaution}, "cancelled 0/0/0 polling"},
      {"device 0x21", {.device_code = 0x21}, {}, "tbx2315(fe05).hex", small, {},
       {kCaution, "Unsupported device, Mfg = 0x1F, Device = 0x21"}, "unit refused 1/0/0 loader"},
      {"device 0x20 of another maker", {.manufacturer_code = 0xBF, .device_code = 0x20}, {},
       "tbx2315(fe05).hex", small, {},
       {kCaution, done + kSameVersion}, "completed 1/1/1 polling"},
      {"device codes garbled", {.corrupted = {0x07}}, {}, "tbx2315(fe05).hex", small, {},
       {kCaution, "Could not read flash device codes."}, "unit refused 1/0/0 loader"},
      {"erase leaves a byte three times", {.incomplete_erases = 3}, {}, "tbx2315(fe05).hex",
       small, {},
       {kCaution, "Flash did not erase."}, "failed 1/3/0 loader"},
      // A unit that takes its time is waited for, not given up on.
      {"slow erase and program", {.erase_ms = 300, .program_ms = 30}, {}, "tbx2315(fe05).hex",
       small, {},
       {kCaution, done + kSameVersion}, "completed 1/1/1 polling"},
      {"erase leaves a byte twice", {.incomplete_erases = 2}, {}, "tbx2315(fe05).hex", small, {},
       {kCaution, done + kSameVersion}, "completed 1/3/1 polling"},
      {"final checksum differs", {}, {}, "tbx2315(fe02).hex",
       ":0100000000FF\r\n:0100000000FF\r\n:00000001FF\r\n", {},
       {kCaution, "The new firmware checksum (0xFF01) does not match expected (0xFE02)."},
       "failed 1/3/6 loader"},
      // The last failure's text stands: a refused record reads back erased ...
      {"program refused, read back differs", {.fail_program_at = 0x7000}, {},
       "tbx2315(fe05).hex", small, {},
       {kCaution, "Flash verify byte error."}, "failed 1/3/3 loader"},
      // ... unless it was 0xFF anyway.
      {"program refused, read back matches", {.fail_program_at = 0x7000}, {}, "tbx2315(0).hex",
       ":01700000FF90\r\n:00000001FF\r\n", {},
       {kCaution, "Flash program byte error: Status = 0x10"}, "failed 1/3/3 loader"},
      {"read-back garbled", {.corrupted = {0x05}}, {}, "tbx2315(fe05).hex", small, {},
       {kCaution, "Flash read byte error."}, "failed 1/3/3 loader"},
      // Polling starts again whether or not the reboot was answered.
      {"reboot answer garbled", {.corrupted = {0x06}}, {}, "tbx2315(fe05).hex", small, {},
       {kCaution, "Reflash is completed but the TBX will not reboot."}, "failed 1/1/1 polling"},
      {"no identify after the reboot", {.start_running = true}, {.extended = false},
       "tbx2315(fe05).hex", small, {},
       {kCaution, type_question, "Reflash is completed but the TBX will not respond."},
       "failed 1/1/1 polling"},
      // clang-format on
  };
  const char* ends[] = {"completed",    "cancelled", "file rejected",
                        "unit refused", "failed",    "aborted"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Make(c.loader, c.unit);
    QString path;
    if (c.name) {
      path = dir_.filePath(*c.name);
      QFile::remove(path);
      if (c.text) testing::WriteFile(path, *c.text);
      unit_->prompts.QueueFile(path);
    } else {
      unit_->prompts.QueueFile(std::nullopt);
    }
    for (Answer answer : c.answers) unit_->prompts.QueueAnswer(answer);

    const UpdateResult result = procedure_->Run();
    EXPECT_EQ(Shown(path), c.boxes);
    const sim::TbxLoaderCounters& sent = unit_->device->Loader().Counters();
    char outcome[96];
    std::snprintf(outcome, sizeof outcome, "%s %d/%d/%d %s", ends[static_cast<int>(result.end)],
                  sent.launches, sent.erases, sent.programs,
                  S().PollingSuspended() ? "loader" : "polling");
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(result.erased, sent.erases > 0);
    EXPECT_EQ(result.loader_running, S().PollingSuspended());
    // Nothing at all reaches the unit before the launch, and the caution box
    // defaults to Cancel.
    if (sent.launches == 0) {
      EXPECT_TRUE(unit_->port->TakeWritten().isEmpty());
    }
    if (!c.boxes.empty() && c.boxes[0] == kCaution) {
      EXPECT_EQ(unit_->prompts.shown()[0].default_answer, Answer::kCancel);
    }
    if (result.end == End::kCompleted) {
      EXPECT_EQ(common::testing::ToHex(QByteArray(
                    reinterpret_cast<const char*>(&unit_->device->Loader().Flash()[0x7000]), 3)),
                "01 02 FF");
    }
  }
}

// A port that fails under the update (adapter pulled) is reported with the
// procedure's Abort/Retry/Ignore box: Retry goes on from the failed exchange, Ignore
// ends without a closing box, Abort ends the program.
TEST_F(UpdateTest, APortLostDuringTheUpdateIsReported) {
  const std::string report =
      "Error 9 occured in mnuReFlash and was generated by Simulated\r\rError occurred while "
      "attempting to process KAL Hex file:\r\n\"$F\"\r\rDisconnected";
  const struct {
    int unplug_after;  // records programmed; -1: while the caution box is up
    Answer answer;
    std::vector<std::string> boxes;
    std::string outcome;
  } cases[] = {
      {1,
       Answer::kRetry,
       {kCaution, report, "Firmware Update Successfully Completed:"},
       "completed 1/1/3 polling"},
      {1, Answer::kIgnore, {kCaution, report}, "failed 1/1/1 loader"},
      {2, Answer::kAbort, {kCaution, report}, "aborted 1/1/2 loader"},
      {-1, Answer::kIgnore, {kCaution, report}, "unit refused 0/0/0 polling"},
  };
  const char* ends[] = {"completed",    "cancelled", "file rejected",
                        "unit refused", "failed",    "aborted"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unplug_after);
    Make();
    const QString path =
        testing::WriteFile(dir_.filePath("tbx2315(fd03).hex"),
                           ":01700000008F\r\n:01700100008E\r\n:01700200008D\r\n:00000001FF\r\n");
    unit_->prompts.QueueFile(path);
    unit_->prompts.QueueAnswer(Answer::kOk);
    unit_->prompts.QueueAnswer(c.answer);
    QObject::connect(procedure_.get(), &UpdateProcedure::RecordsDone, [&](int done, int) {
      if (done == c.unplug_after) unit_->port->Unplug();
    });
    unit_->prompts.on_show = [&] {
      if (c.unplug_after < 0) unit_->port->Unplug();
      // The technician plugs the adapter back in before choosing Retry.
      if (unit_->prompts.shown().size() == 2 && c.answer == Answer::kRetry) unit_->port->Open();
    };
    const UpdateResult result = procedure_->Run();
    std::vector<std::string> boxes = Shown(path);
    if (boxes.size() == 3) boxes[2].resize(boxes[2].find('\r'));
    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(result.reason.empty(), result.end != End::kCompleted);
    const sim::TbxLoaderCounters& sent = unit_->device->Loader().Counters();
    char outcome[96];
    std::snprintf(outcome, sizeof outcome, "%s %d/%d/%d %s", ends[static_cast<int>(result.end)],
                  sent.launches, sent.erases, sent.programs,
                  S().PollingSuspended() ? "loader" : "polling");
    EXPECT_EQ(outcome, c.outcome);
  }
}

// Files made by objcopy, past 64 KiB and up to the top of the flash, end up in the
// unit byte for byte while the poll timer runs: no poll request comes between the
// launch and the reboot, and polling carries on afterwards.
TEST_F(UpdateTest, ObjcopyImagesReachTheFlashByteForByte) {
  const struct {
    std::size_t size;
    std::uint32_t address;
    int records;  // objcopy writes 16 bytes a record
  } images[] = {{70000, 0, 4375}, {300, 0x1FE00, 19}};
  unsigned seed = 11;
  for (const auto& image : images) {
    SCOPED_TRACE(image.size);
    const common::Bytes bytes = testing::RandomBytes(image.size, seed++);
    std::string problem;
    std::optional<std::string> hex = testing::ObjcopyHex(bytes, image.address, problem);
    ASSERT_TRUE(hex) << problem;
    *hex += ":0100000000FF\r\n";  // after the end record: never programmed
    const testing::ReferenceImage reference = testing::Reference(bytes, image.address);

    Make({.version_after_reboot = sim::FirmwareVersion{0x25, 0x23, 0x15}});
    unit_->device->Loader().Load(0, testing::RandomBytes(0x20000, 99));  // the old firmware
    // The real path has lower case in it; the messages show it as it is.
    QDir(dir_.path()).mkdir("Fw.d");
    char name[64];
    std::snprintf(name, sizeof name, "Fw.d/tbx2315 build(%04x).hex", reference.checksum);
    const QString path = testing::WriteFile(dir_.filePath(name), *hex);
    unit_->prompts.QueueFile(path);

    QSignalSpy records(procedure_.get(), &UpdateProcedure::RecordsDone);
    S().Loop().Timer()->start();
    const UpdateResult result = procedure_->Run();

    EXPECT_EQ(result.end, End::kCompleted) << result.reason;
    EXPECT_TRUE(unit_->device->Loader().Flash() == reference.flash);
    EXPECT_EQ(Shown(path),
              (std::vector<std::string>{
                  kCaution,
                  "Firmware Update Successfully Completed:\r\n   File Name: $F\r\n\r\n"
                  "   KAL Model TBX-540\r\n   Firmware Type 23\r\n   Firmware Version 1.5\r\n"
                  "   Comm Version 2.5\r\n"}));
    EXPECT_EQ(unit_->prompts.shown().back().title, "Firmware Update Operation");
    EXPECT_EQ(unit_->prompts.shown().back().icon, common::Icon::kWarning);
    EXPECT_EQ(unit_->prompts.max_busy_depth(), 1);
    EXPECT_EQ(unit_->prompts.busy_depth(), 0);

    EXPECT_EQ(records.front()[0].toInt(), 0);
    EXPECT_EQ(records.back()[0].toInt(), image.records);
    EXPECT_EQ(records.back()[1].toInt(), image.records);

    // Between the launch and the reboot only loader requests went out.
    const QList<QByteArray> sent = unit_->port->TakeWritten();
    int launch = -1, reboot = -1;
    for (int i = 0; i < sent.size(); ++i) {
      if (sent[i].startsWith(QByteArray::fromHex("7001"))) launch = i;
      if (sent[i].startsWith(QByteArray::fromHex("7006"))) reboot = i;
    }
    ASSERT_GE(launch, 0);
    ASSERT_GT(reboot, launch);
    for (int i = launch; i <= reboot; ++i) EXPECT_EQ(sent[i].front(), '\x70') << i;
    // Polling again, and the unit reports the version of its new firmware.
    QList<QByteArray> after = sent.mid(reboot + 1);
    EXPECT_TRUE(common::testing::WaitUntil(
        [&] {
          after += unit_->port->TakeWritten();
          return after.contains(QByteArray::fromHex("3400CB"));
        },
        2000));
    EXPECT_EQ(unit_->app->State().identity.FirmwareRevision, 0x15);
    S().Loop().Timer()->stop();
  }
}

}  // namespace
}  // namespace tessera::flash
