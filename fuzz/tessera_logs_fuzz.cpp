// The event-log and transition-buffer decoders over arbitrary responses, and the
// scans of decoded text for the newest entry. Decoded text is always whole lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "tessera/core/event_log.h"
#include "tessera/core/transition_log.h"

using namespace tessera;
using namespace tessera::logs;

namespace {

// A scan finds the start of a line or nothing.
bool AtOrNone(std::size_t pos, std::string_view text) {
  return pos == std::string_view::npos || pos < text.size();
}

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
      FUZZ_CHECK(AtOrNone(NewestEventRead(*text), *text));
    }
    if (response.size() >= 3) EventText(response[0], response[1], response[2]);
  } else {
    if (const auto text = DecodeTransitionBlock(response)) {
      FUZZ_CHECK(IsTransitionResponse(response));
      FUZZ_CHECK(WholeLines(*text));
      FUZZ_CHECK(AtOrNone(NewestTransitionBlock(*text), *text));
    }
    if (!response.empty()) {
      TransitionStatusText(response[0]);
      NextTransBlock(response[0]);
    }
  }
  // The scans also meet text a user saved and loaded back: any text at all.
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(AtOrNone(NewestEventRead(raw), raw));
  FUZZ_CHECK(AtOrNone(NewestTransitionBlock(raw), raw));
  return 0;
}
