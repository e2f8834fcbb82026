#include <QObject>
#include <memory>

#include "common/qtcore/progress_meter.h"
#include "common/qtcore/terminal_prompts.h"
#include "tessera/cli/commands.h"
#include "tessera/cli/exit_status.h"
#include "tessera/session/flash_loader.h"
#include "tessera/session/tessera_app.h"
#include "tessera/session/update_procedure.h"

namespace tessera::cli {
namespace {

using flash::UpdateResult;

constexpr char kLoaderNote[] =
    "The TBX waits in its flash loader: run the update again to finish it.\n";

int RunFlash(CliContext& context) {
  if (context.arguments.size() != 1) {
    std::fprintf(context.err, "tessera-cli: flash needs one FILE, the firmware's Intel HEX file\n");
    return kExitUsage;
  }
  Session& session = context.app.session();
  context.prompts.SetOpenPath(context.arguments.front());
  flash::FlashLoader loader(session);
  flash::UpdateProcedure procedure(session, loader, context.prompts);

  // What the window knows from its polls before the update starts: who the unit is.
  // A unit that does not answer may sit in the loader an unfinished update left; the
  // update asks for that only after the caution is answered.
  const bool answered = session.SendInputFrame() && session.ExtendedIdentify();
  bool loader_noted = false;

  // A line for each phase, and one bar (or plain lines) per programming pass.
  std::unique_ptr<common::ProgressMeter> meter;
  QObject::connect(&procedure, &flash::UpdateProcedure::PhaseChanged,
                   [&](const QString& text, bool) {
                     meter.reset();
                     if (!answered && !loader_noted && loader.LoaderRunning()) {
                       loader_noted = true;
                       std::fputs(
                           "The TBX answers only its flash loader: an earlier update did not "
                           "finish.\n",
                           context.err);
                     }
                     if (!text.isEmpty()) std::fprintf(context.err, "%s ...\n", qPrintable(text));
                   });
  QObject::connect(
      &procedure, &flash::UpdateProcedure::RecordsDone, [&meter, &context](int done, int total) {
        if (!meter) {
          meter = std::make_unique<common::ProgressMeter>("records", total, context.err);
        }
        meter->Update(done);
      });

  const UpdateResult result = procedure.Run();
  meter.reset();
  if (result.end != UpdateResult::End::kCompleted && result.loader_running) {
    std::fputs(kLoaderNote, context.err);
  }
  switch (result.end) {
    case UpdateResult::End::kCompleted:
      return kExitOk;
    case UpdateResult::End::kFailed:
      return kExitAfterErase;
    case UpdateResult::End::kUnitRefused:
      return kExitNoAnswer;
    case UpdateResult::End::kFileRejected:
      return kExitFileRejected;
    case UpdateResult::End::kAborted:
      return result.erased ? kExitAfterErase : kExitFileRejected;
    case UpdateResult::End::kCancelled:
      break;
  }
  return context.prompts.Refused() ? kExitNotAnswered : kExitCancelled;
}

}  // namespace

CliCommand FlashCommand() {
  return {
      "flash",
      "flash [--yes] FILE",
      "updates the unit's firmware from the Intel HEX file FILE through its flash\n"
      "      loader, with the window's checks, questions and texts; each phase on a line\n"
      "      and a progress bar while records are programmed and verified; --yes answers\n"
      "      the questions OK",
      nullptr,
      RunFlash,
  };
}

}  // namespace tessera::cli
