#include "corvid/cli/commands.h"
#include "corvid/cli/exit_status.h"
#include "corvid/cli/readings.h"
#include "corvid/session/corvid_app.h"

namespace corvid::cli {

CliCommand IdentifyCommand() {
  return {
      "identify",
      "identify",
      "prints the device type, ID text and firmware as About Device shows them",
      nullptr,
      [](CliContext& context) {
        if (!context.app.session().GetModuleID()) return NotResponding(context);
        const common::Reading reading = IdentityReading(context.app.state());
        return Write(context, common::FormatSingleReading(context.format, reading)) ? kExitOk
                                                                                    : kExitOutput;
      },
  };
}

}  // namespace corvid::cli
