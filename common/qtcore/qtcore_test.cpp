#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>

#include "common/qtcore/event_wait.h"
#include "common/qtcore/poll_loop.h"
#include "common/qtcore/port_names.h"
#include "common/qtcore/progress_meter.h"
#include "common/qtcore/qt_serial_port.h"
#include "common/qtcore/simulated_port.h"
#include "common/qtcore/terminal_prompts.h"
#include "common/qtcore/tool_command_line.h"
#include "common/testing/env_scope.h"
#include "common/testing/test_support.h"

namespace common {
namespace {

using testing::Hex;
using testing::WaitUntil;

// One pseudo-terminal, its slave linked as a port name.
class Pty {
 public:
  explicit Pty(const QString& link) : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
    ::grantpt(master_);
    ::unlockpt(master_);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    Link(link);
  }
  ~Pty() { ::close(master_); }
  void Link(const QString& path) const {
    QFile::remove(path);
    EXPECT_TRUE(QFile::link(::ptsname(master_), path)) << path.toStdString();
  }
  // Waits for `n` bytes from the port.
  QByteArray Read(int n) const {
    QByteArray got(n, '\0');
    qsizetype have = 0;
    WaitUntil([&] { return (have += std::max(0L, ::read(master_, &got[have], n - have))) >= n; },
              2000);
    return got.left(have);
  }
  // As much of `bytes` as the line takes now (0 when it is full).
  qint64 Send(const QByteArray& bytes) const {
    const ssize_t n = ::write(master_, bytes.constData(), bytes.size());
    return n > 0 ? n : 0;
  }

 private:
  int master_;
};

class QtSerialPortTest : public ::testing::Test {
 protected:
  QString Com(int n) const { return dir_.path() + QStringLiteral("/COM%1").arg(n); }
  bool Open(int n) {
    port_.SetPortNumber(n);
    return port_.Open();
  }

  QTemporaryDir dir_;
  testing::EnvScope com_dir_{"CABINET_COM_DIR", dir_.path().toLocal8Bit().constData()};
  QtSerialPort port_;
};

// Bytes on the line, write-done and Discard: the fault runs of both programs.
TEST_F(QtSerialPortTest, OpenFailuresNameTheirCauseAndNamesWithoutALink) {
  ASSERT_TRUE(QFile::link(dir_.path() + "/unplugged-adapter", Com(4)));
  QFile plain(dir_.path() + "/not-a-tty");  // takes no line settings at all
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  ASSERT_TRUE(QFile::link(plain.fileName(), Com(7)));
  Pty pty(Com(5));  // open already through another link
  pty.Link(Com(6));
  ASSERT_TRUE(Open(5));
  // 250: no link, and no /dev/ttyS249; 7 shows its settings in the detail.
  const std::tuple<int, const char*, const char*> cases[] = {
      {0, "Port not found", ""},
      {250, "Port not found", ""},
      {4, "Port not found", "unplugged-adapter"},
      {7, "Port unavailable", "COM7 ("},
      {7, "Port unavailable", "at 19200,E,8,1: "},
      {6, "Port unavailable", ""}};
  for (const auto& [number, status, detail] : cases) {
    QtSerialPort port;
    port.SetSettings("19200,E,8,1");
    port.SetPortNumber(number);
    EXPECT_FALSE(port.Open() || port.IsOpen());
    EXPECT_EQ(port.StatusText(), status) << number;
    EXPECT_TRUE(port.ErrorDetail().contains(detail)) << port.ErrorDetail().toStdString();
  }
  // Without a link in the port directory a number names the serial device; the
  // directory itself follows the configuration home.
  EXPECT_EQ(PortDeviceName(1) + PortDeviceName(0) + PortDeviceName(12), "/dev/ttyS0/dev/ttyS11");
  testing::EnvScope com_dir("CABINET_COM_DIR", nullptr);
  {
    testing::EnvScope home("XDG_CONFIG_HOME", "/tmp/cfg-home");
    EXPECT_EQ(PortDirectory(), "/tmp/cfg-home/cabinet-tools/com");
  }
  testing::EnvScope home("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(PortDirectory(), QDir::homePath() + "/.config/cabinet-tools/com");
}

// A pulled adapter closing once and opening again when back: the unplug fault runs.
TEST_F(QtSerialPortTest, MissingAtStartOpensOnceItAppearsAndAFloodStaysBounded) {
  // An adapter missing at start-up: after the failed open the port keeps trying on
  // writes, the first time a second after it was asked to, and opens once it is there.
  ASSERT_FALSE(Open(8));
  QSignalSpy reopened(&port_, &SerialPort::Reopened);
  QElapsedTimer clock;
  clock.start();
  port_.ReopenWhenPresent();
  Pty present(Com(8));
  const QByteArray frame = Hex("7E 01 13 3C 06 D8 7E");
  EXPECT_FALSE(port_.Write(frame));  // held back: the open just failed
  ASSERT_TRUE(WaitUntil([&] { return port_.Write(frame); }, 3000));
  EXPECT_GE(clock.elapsed(), QtSerialPort::kReopenIntervalMs - 50);
  EXPECT_EQ(reopened.count(), 1);
  EXPECT_EQ(present.Read(7), frame);
  port_.Close();  // closing on purpose (another port chosen) ends the trying
  EXPECT_FALSE(port_.Write(frame));
  // A line that floods while nobody reads: the port stops taking bytes at its bound.
  Pty pty(Com(9));
  ASSERT_TRUE(Open(9));
  qint64 sent = 0;
  for (int refused = 0; refused < 50 && sent < 4 * QtSerialPort::kReadBufferBytes;) {
    const qint64 n = pty.Send(QByteArray(4096, '\0'));
    sent += n;
    refused = n == 0 ? refused + 1 : 0;
    Delay(n == 0 ? 2 : 0);
  }
  EXPECT_LE(port_.BytesWaiting(), QtSerialPort::kReadBufferBytes);
  EXPECT_LT(sent, 4 * QtSerialPort::kReadBufferBytes) << "the line kept taking bytes";
}

// Answers every write with its bytes reversed, 20 ms later.
struct ReverseModel : DeviceModel {
  DeviceReply Receive(ByteView bytes) override { return {Bytes(bytes.rbegin(), bytes.rend()), 20}; }
};

TEST(SimulatedPortTest, RepliesComeThroughTheEventLoopPacedOnRequest) {
  ReverseModel model;
  SimulatedPort port(&model);
  ASSERT_TRUE(port.Open());
  ASSERT_TRUE(port.Write(Hex("31 00 CE")));
  EXPECT_EQ(port.BytesWaiting(), 0);  // nothing until events run
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 3; }, 1000));
  EXPECT_EQ(port.Read(2), Hex("CE 00"));
  ASSERT_TRUE(port.Write(Hex("01 02")));
  port.Close();  // the reply in flight is dropped
  ASSERT_TRUE(port.Open());
  EXPECT_FALSE(WaitUntil([&] { return port.BytesWaiting() > 0; }, 80));
  QSignalSpy lost(&port, &SerialPort::Lost);
  port.Unplug();
  port.Unplug();
  // A failing open's status: the sessions' tests.
  EXPECT_EQ(std::pair(lost.count(), port.StatusText()),
            std::pair(qsizetype{1}, QString("Disconnected")));
  EXPECT_FALSE(port.Write(Hex("01")));
  // Paced: the replies take their time on the line.
  ASSERT_TRUE(port.SetSettings("19200,E,8,1"));
  port.SetPaced(true);
  ASSERT_TRUE(port.Open());
  QElapsedTimer clock;
  clock.start();
  // 100 bytes out and 100 back at 1745 bytes/s: about 115 ms on the line.
  ASSERT_TRUE(port.Write(QByteArray(100, '\x11')));
  ASSERT_TRUE(WaitUntil([&] { return port.BytesWaiting() == 100; }, 1000));
  EXPECT_GE(clock.elapsed(), 20 + 110);
}

using Mode = PollLoop::Mode;

TEST(PollLoopTest, GuardRefusesTicksWhileBusyGatedSuspendedStoppedOrNestedDeferredWait) {
  PollLoop loop("tmrPoll", 1000, Mode::kRestartAfterTick);
  bool busy = false, open = true;
  int ticks = 0, nested_ran = 0;
  loop.SetBusy([&] { return busy; });
  loop.SetGate([&] { return open; });
  loop.SetTick([&] {
    ++ticks;
    // A tick started from inside a tick (a timer firing in an exchange's wait).
    if (loop.TickNow()) ++nested_ran;
  });
  const std::tuple<const char*, std::function<void()>, bool> steps[] = {
      {"stopped before Start", [] {}, false},        {"started", [&] { loop.Start(); }, true},
      {"link busy", [&] { busy = true; }, false},    {"link free", [&] { busy = false; }, true},
      {"gate shut", [&] { open = false; }, false},   {"gate open", [&] { open = true; }, true},
      {"suspended", [&] { loop.Suspend(); }, false}, {"resumed", [&] { loop.Resume(); }, true},
      {"stopped", [&] { loop.Stop(); }, false},
  };
  for (const auto& [state, set, runs] : steps) {
    set();
    const int before = ticks;
    EXPECT_EQ(loop.TickNow(), runs) << state;
    EXPECT_EQ(ticks - before, runs ? 1 : 0) << state;
  }
  EXPECT_EQ(nested_ran, 0);
  // Deferred actions wait for the tick and for a busy link, and keep their order.
  std::string log;
  loop.SetTick([&] {
    log += "tick ";
    loop.RunWhenIdle([&] { log += "a "; });
    loop.RunWhenIdle([&] { log += "b "; });
  });
  loop.Start();
  loop.RunWhenIdle([&] { log += "now "; });  // idle: runs at once
  ASSERT_TRUE(loop.TickNow());
  EXPECT_EQ(log, "now tick ");
  const auto later = [&] { return Delay(10) ? log : "Delay failed"; };
  EXPECT_EQ(later(), "now tick a b ");
  busy = true;
  loop.RunWhenIdle([&] { log += "c"; });
  EXPECT_EQ(later(), "now tick a b ");
  busy = false;
  loop.FlushDeferred();
  EXPECT_EQ(later(), "now tick a b c");
}

// The timer stops for the tick in restart mode, runs on when free, and is not
// started at all by a tick of a loop started without it.
TEST(PollLoopTest, TheTimerAroundATick) {
  // Mode, started with the timer; the timer active in the tick and after it.
  const std::tuple<Mode, bool, bool, bool> cases[] = {
      {Mode::kRestartAfterTick, true, false, true},
      {Mode::kFreeRunning, true, true, true},
      {Mode::kRestartAfterTick, false, false, false}};
  for (const auto& [mode, timer, active_in_tick, active_after] : cases) {
    PollLoop loop("tmrPoll", 1000, mode);
    bool seen_in_tick = !active_in_tick;
    loop.SetTick([&] { seen_in_tick = loop.Timer()->isActive(); });
    loop.Start(timer);
    ASSERT_TRUE(loop.TickNow());
    EXPECT_EQ(seen_in_tick, active_in_tick);
    EXPECT_EQ(loop.Timer()->isActive(), active_after);
    loop.Suspend();
    EXPECT_FALSE(loop.Timer()->isActive());
    loop.Resume();
    EXPECT_EQ(loop.Timer()->isActive(), active_after);
  }
  // Fired comes on every expiry, even when the tick is skipped.
  PollLoop loop("tmrPoll", 5, Mode::kFreeRunning);
  int ticks = 0;
  loop.SetTick([&] { ++ticks; });
  loop.SetGate([] { return false; });
  QSignalSpy fired(&loop, &PollLoop::Fired);
  loop.Start();
  for (int expiry = 1; expiry <= 3; ++expiry) ASSERT_TRUE(fired.wait(2000)) << expiry;
  EXPECT_EQ(ticks, 0);
}

// Sets `flag` and wakes `wait` after `ms`.
void Raise(int ms, bool& flag, EventWait& wait) {
  QTimer::singleShot(ms, [f = &flag, w = &wait] {
    *f = true;
    w->Wake();
  });
}

// Wakes that leave the condition false keep the wait going to its limit; a wake
// that makes it true ends it (the nested waits, woken long before their limit).
TEST(EventWaitTest, WaitsUntilAWakeFindsTheConditionTrueOrTheLimitAlsoNested) {
  EventWait wait;
  int wakes = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    ++wakes;
    wait.Wake();
  });
  ticker.start(5);
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(wait.Until([] { return false; }, 100), WaitResult::kTimeout);
  EXPECT_GE(clock.elapsed(), 100);
  EXPECT_GT(wakes, 3);
  EXPECT_FALSE(wait.Waiting());
  EXPECT_EQ(wait.Until([] { return false; }, 0), WaitResult::kTimeout);
  ticker.stop();
  // Nested waits return innermost first, neither taking the other's wake.
  EventWait outer, inner;
  bool outer_flag = false, inner_flag = false;
  WaitResult inner_result = WaitResult::kQuit;
  QTimer::singleShot(5, [&] {
    // Started inside the outer wait, as a timer firing during an exchange would.
    Raise(10, outer_flag, outer);
    Raise(30, inner_flag, inner);
    inner_result = inner.Until([&] { return inner_flag; }, 1000);
  });
  clock.restart();
  EXPECT_EQ(outer.Until([&] { return outer_flag; }, 1000), WaitResult::kReady);
  EXPECT_EQ(inner_result, WaitResult::kReady);
  EXPECT_LT(clock.elapsed(), 900) << "a wake ended the waits, not their limit";
}

using testing::ReadBack;

// A temporary file, closed with its scope.
struct TempFile {
  std::FILE* file = std::tmpfile();
  ~TempFile() { std::fclose(file); }
  operator std::FILE*() const { return file; }
};

struct Line {
  TempFile out, err;
  ToolCommandLine line{"tool", "A test tool."};
  Line() {
    line.SetStreams(out, err);
    line.AddPtyOptions();
    line.AddValue({"address"}, "A", "unit address 0-15");
    line.AddValue({"code"}, "HEX", "a byte");
    line.AddValue({"mains"}, "V", "volts");
  }
  // Parses `args` and reads every value as a tool does; the status to end with, if any.
  std::optional<int> Run(const QStringList& args) {
    if (const auto status = line.Parse(args)) return status;
    address = line.Whole("address", 0, 15);
    code = line.Whole("code", 0, 255, 16);
    mains = line.Real("mains", 0, 1000);
    pty = line.Pty(LineSettings{.baud = 307200});
    return line.Finish();
  }
  std::optional<long long> address, code;
  std::optional<double> mains;
  PtyOptions pty;
};

// Values within their ranges; help and manual page go to standard output from the
// same options, --man hidden.
TEST(ToolCommandLineTest, ValuesHelpManualPageAndBadLinesWithStatus2) {
  Line l, help, man;
  ASSERT_EQ(l.Run({"--port", "256", "--address", "15", "--code", "0x7f", "--mains", "118.5",
                   "--log", "/tmp/t.log", "--verbose", "--paced"}),
            std::nullopt);
  EXPECT_EQ(
      std::tuple(*l.address, *l.code, *l.mains, l.pty.port_number, l.pty.log_path, l.pty.verbose),
      std::tuple(15LL, 0x7FLL, 118.5, 256, std::string("/tmp/t.log"), true));
  EXPECT_NEAR(l.pty.micros_per_byte, 10e6 / 307200, 1e-9);
  EXPECT_EQ(ReadBack(l.err), "");
  EXPECT_EQ(help.Run({"--help"}), 0);
  const std::string text = ReadBack(help.out);
  EXPECT_NE(text.find("--port-dir <DIR>"), std::string::npos);
  EXPECT_EQ(text.find("--man"), std::string::npos);
  EXPECT_EQ(man.Run({"--man"}), 0);
  const std::string page = ReadBack(man.out);
  EXPECT_NE(page.find("serve the device as COM<N>, 1\\-256 (required)\n"), std::string::npos);
  const struct {
    QStringList args;
    const char* problem;
  } cases[] = {
      {{}, "--port is required"},
      {{"--port", "0"}, "--port needs a number 1-256, not '0'"},
      {{"--port", "7x"}, "--port needs a number 1-256, not '7x'"},
      {{"--port", "1", "--address", "16"}, "--address needs a number 0-15, not '16'"},
      {{"--port", "1", "--code", "100"}, "--code needs a hexadecimal number 00-FF, not '100'"},
      {{"--port", "1", "--mains", "nan"}, "--mains needs a number 0-1000, not 'nan'"},
      {{"--port", "1", "--log", ""}, "--log needs a value"},
      {{"--port", "1", "stray"}, "unexpected argument 'stray'"},
      {{"--port", "1", "--bogus"}, "Unknown option 'bogus'."},
      {{"--port"}, "Missing value after '--port'."},
  };
  for (const auto& c : cases) {
    Line l;
    EXPECT_EQ(l.Run(c.args), kUsageError) << c.problem;
    const std::string err = ReadBack(l.err);
    EXPECT_EQ(err.rfind(std::string("tool: ") + c.problem + "\n", 0), 0u) << err;
    EXPECT_NE(err.find("--port <N>"), std::string::npos) << "the help follows the problem";
    EXPECT_EQ(ReadBack(l.out), "");
  }
}

// Narrow terminals: the rate gives way first, then the time left and the bar.
TEST(ProgressMeterTest, BarTextAndOneLineForEachTenthOrOneRedrawnLineOnATerminal) {
  // Records done, seconds taken, terminal width; the bar.
  const std::tuple<int, double, int, const char*> cases[] = {
      {1024, 8.0, 80,
       "[#######                       ] 1024/4096 records  128 records/s  0:24 left"},
      {0, 0.0, 80, "[                              ] 0/4096 records"},
      {5000, 10.0, 80,
       "[##############################] 4096/4096 records  410 records/s  0:00 left"},
      {1024, 8.0, 50, "[####              ] 1024/4096 records  0:24 left"},
      {1024, 8.0, 20, "1024/4096 records"},
      {1024, 8.0, 10, "1024/4096"},
  };
  for (const auto& [done, seconds, width, text] : cases)
    EXPECT_EQ(ProgressMeter::BarText("records", done, 4096, seconds, width), text);
  const TempFile out;
  {
    ProgressMeter meter("records", 20, out, false);
    for (int done = 0; done <= 20; ++done) meter.Update(done);
  }
  const std::string text = testing::ReadBack(out);
  EXPECT_EQ(text.substr(0, 36), "0/20 records (0 %)\n2/20 records (10 ");
  EXPECT_NE(text.find("20/20 records (100 %)\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
  // On a 50-column terminal the bar is redrawn in place and never reaches the last
  // column, so no update wraps onto a new line.
  int master = -1, slave = -1;
  winsize size{.ws_row = 24, .ws_col = 50, .ws_xpixel = 0, .ws_ypixel = 0};
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
  std::FILE* terminal = ::fdopen(slave, "w");
  std::string drawn;
  {
    ProgressMeter meter("records", 4096, terminal);
    for (int done = 1024; done <= 4096; done += 1024) meter.Update(done);
  }
  std::fclose(terminal);
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) drawn.append(buffer, n);
  ::close(master);
  EXPECT_EQ(std::count(drawn.begin(), drawn.end(), '\n'), 1);  // one line, ended at the end
  QStringList draws = QString::fromStdString(drawn).remove("\033[K").split('\r');
  draws.removeAll("");
  draws.removeAll("\n");
  ASSERT_EQ(draws.size(), 4);
  for (const QString& draw : draws) EXPECT_LT(draw.size(), 50) << draw.toStdString();
}

Message Question(Buttons buttons, const char* text = "Q", const char* title = "T") {
  return {.title = title, .text = text, .buttons = buttons, .icon = {}, .detail = {}};
}

struct Rig {
  explicit Rig(TerminalPrompts::Options options, const char* typed = "") {
    std::fputs(typed, in);
    std::rewind(in);
    options.in = in;
    options.err = err;
    prompts.emplace(options);
  }
  TempFile in, err;
  std::optional<TerminalPrompts> prompts;
};

// A message's lines come out as lines. Without a terminal a question gets its
// cautious answer (refused), with --yes a confirmation but never a blind retry, on a
// terminal what the technician types.
TEST(TerminalPromptsTest, QuestionsAnswered) {
  using enum Answer;
  Rig message({});
  EXPECT_EQ(message.prompts->Show(Question(Buttons::kOk, "Line 1\r\nLine 2", "")), kOk);
  EXPECT_EQ(ReadBack(message.err), "Line 1\nLine 2\n");
  EXPECT_FALSE(message.prompts->Refused());
  // The buttons, the answer without a terminal, the answer with --yes.
  const std::tuple<Buttons, Answer, Answer> untyped[] = {
      {Buttons::kYesNo, kNo, kYes},
      {Buttons::kYesNoCancel, kCancel, kYes},
      {Buttons::kOkCancel, kCancel, kOk},
      {Buttons::kRetryCancel, kCancel, kCancel},
      {Buttons::kAbortRetryIgnore, kAbort, kAbort},
  };
  for (const auto& [buttons, refused, assumed] : untyped) {
    Rig without({}), with_yes({.assume_yes = true});
    EXPECT_EQ(without.prompts->Show(Question(buttons)), refused);
    EXPECT_TRUE(without.prompts->Refused());
    EXPECT_EQ(with_yes.prompts->Show(Question(buttons)), assumed);
  }
  // Typed; a stray key asks again, and input that ends gets the cautious answer.
  const std::tuple<Buttons, const char*, Answer> typed[] = {
      {Buttons::kYesNo, "y\n", kYes},
      {Buttons::kYesNo, "No\n", kNo},
      {Buttons::kRetryCancel, "x\nr\n", kRetry},
      {Buttons::kAbortRetryIgnore, "i\n", kIgnore},
      {Buttons::kYesNo, "", kNo},
  };
  for (const auto& [buttons, keys, answer] : typed) {
    Rig rig({.interactive = true}, keys);
    EXPECT_EQ(rig.prompts->Show(Question(buttons)), answer) << keys;
  }
  Rig rig({.interactive = true}, "n\n");
  rig.prompts->Show(Question(Buttons::kYesNo));
  EXPECT_EQ(ReadBack(rig.err), "T: Q\n[y]es/[n]o? ");
}

}  // namespace
}  // namespace common
