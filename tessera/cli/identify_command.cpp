#include "common/qtcore/terminal_prompts.h"
#include "common/qtcore/tool_command_line.h"
#include "tessera/cli/commands.h"
#include "tessera/cli/exit_status.h"
#include "tessera/core/unit_address.h"
#include "tessera/session/tessera_app.h"

namespace tessera::cli {

CliCommand IdentifyCommand() {
  return {
      "identify",
      "identify",
      "prints the unit address line, as the window caption shows it, and the firmware text\n"
      "      (--format csv or json: with the unit address as a number)",
      nullptr,
      [](CliContext& context) {
        Session& session = context.app.session();
        if (!session.SendInputFrame()) return NotResponding(context);
        const UnitIdentity& identity = context.app.State().identity;
        const std::string caption = UnitAddressLayout(identity.unit_address).caption;
        if (!session.ExtendedIdentify()) {
          // An older unit has no extended identify: its firmware cannot be told.
          context.prompts.Show({.title = "Tessera",
                                .text = "The unit did not answer the extended identify request.",
                                .buttons = common::Buttons::kOk,
                                .icon = common::Icon::kWarning,
                                .detail = {}});
          return kExitNoAnswer;
        }
        std::string text = caption + '\n' + FirmwareVersionText(identity) + '\n';
        if (context.format != common::ReadingFormat::kText) {
          common::Reading reading;
          reading.Number("unit_address", "Unit Address", "", identity.unit_address)
              .Text("unit", "Unit", caption)
              .Text("firmware", "Firmware", FirmwareVersionText(identity));
          text = common::FormatSingleReading(context.format, reading);
        }
        // Written at once: a script never sees half an answer.
        const bool written =
            common::WriteOutput(context.out, text, context.err, QStringLiteral("tessera-cli"));
        return written ? kExitOk : kExitOutput;
      },
  };
}

}  // namespace tessera::cli
