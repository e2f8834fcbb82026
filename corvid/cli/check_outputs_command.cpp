#include <cstdio>

#include "common/qtcore/event_wait.h"
#include "common/qtcore/terminal_prompts.h"
#include "common/qtcore/watch_loop.h"
#include "corvid/cli/commands.h"
#include "corvid/cli/exit_status.h"
#include "corvid/session/check_outputs.h"
#include "corvid/session/corvid_app.h"

namespace corvid::cli {
namespace {

// Passes everything on to the terminal, counting what the check found: it says only
// what failed, so a check that said nothing passed.
class FindingCounter : public common::Prompts {
 public:
  explicit FindingCounter(common::Prompts& terminal) : terminal_(terminal) {}
  int Findings() const { return findings_; }

  common::Answer Show(const common::Message& message) override {
    ++findings_;
    return terminal_.Show(message);
  }
  std::optional<QString> OpenFile(const QString& title, const QString& dir,
                                  const QString& filter) override {
    return terminal_.OpenFile(title, dir, filter);
  }
  std::optional<QString> SaveFile(const QString& title, const QString& suggested,
                                  const QString& filter) override {
    return terminal_.SaveFile(title, suggested, filter);
  }
  std::optional<QString> Ask(const QString& title, const QString& label,
                             const QString& initial) override {
    return terminal_.Ask(title, label, initial);
  }
  void SetBusy(bool busy) override { terminal_.SetBusy(busy); }

 private:
  common::Prompts& terminal_;
  int findings_ = 0;
};

int Check(CliContext& context) {
  Session& session = context.app.session();
  // The load resistor to judge the currents by depends on the device type.
  if (!session.GetModuleID()) return NotResponding(context);
  const common::Answer answer =
      context.prompts.Show({.title = "Check Outputs",
                            .text = "Each output of the device is switched on in turn. Go ahead?",
                            .buttons = common::Buttons::kYesNo,
                            .icon = common::Icon::kQuestion,
                            .detail = {},
                            .default_answer = common::Answer::kNo});
  if (context.prompts.Refused()) return kExitNotAnswered;
  if (answer != common::Answer::kYes) return kExitCancelled;
  FindingCounter counter(context.prompts);
  // Killed halfway, the check would leave an output switched on: Ctrl-C waits for it.
  common::InterruptNotifier interrupt;
  QObject::connect(&interrupt, &common::InterruptNotifier::Interrupt, &interrupt, [&context] {
    std::fprintf(context.err, "corvid-cli: Check Outputs ends first, so no output stays on\n");
  });
  CheckOutputsRun check(session, counter);
  check.SetPauseMs(context.check_pause_ms);
  common::EventWait wait;
  QObject::connect(&check, &CheckOutputsRun::Finished, &wait, &common::EventWait::Wake);
  if (check.Start()) wait.Until([&check] { return !check.Running(); }, -1);
  if (counter.Findings() > 0) return kExitCheckFailed;
  return Write(context, "Every output passed.\n") ? kExitOk : kExitOutput;
}

}  // namespace

CliCommand CheckOutputsCommand() {
  return {
      "check-outputs",
      "check-outputs [--yes]",
      "runs Check Outputs: each output on in turn, its voltage and current judged against\n"
      "      the mains and the load resistor; asks first (--yes answers), refused without a\n"
      "      terminal; status 0 only when every output passed; Ctrl-C waits for its end, so\n"
      "      no output stays on",
      nullptr,
      Check,
  };
}

}  // namespace corvid::cli
