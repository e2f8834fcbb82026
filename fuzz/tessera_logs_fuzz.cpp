// The event-log and transition-buffer decoders over arbitrary responses. Decoded
// text is always whole lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_input.h"
#include "tessera/core/event_log.h"
#include "tessera/core/transition_log.h"

using namespace tessera;
using namespace tessera::logs;

namespace {

bool WholeLines(const std::string& text) {
  return text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput in(data, size);
  const bool events = in.Bit();
  const Bytes response = in.Rest();

  if (events) {
    if (const auto count = EventCount(response)) FUZZ_CHECK(*count >= 0);
    if (const auto text = DecodeEventLog(response)) {
      FUZZ_CHECK(IsEventLogResponse(response));
      FUZZ_CHECK(WholeLines(*text));
    }
    if (response.size() >= 3) EventText(response[0], response[1], response[2]);
  } else {
    if (const auto text = DecodeTransitionBlock(response)) {
      FUZZ_CHECK(IsTransitionResponse(response));
      FUZZ_CHECK(WholeLines(*text));
    }
    if (!response.empty()) {
      TransitionStatusText(response[0]);
      NextTransBlock(response[0]);
    }
  }
  return 0;
}
