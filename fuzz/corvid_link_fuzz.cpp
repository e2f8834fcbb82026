// Corvid's exchange over a scripted port, several commands in a row: answers whole,
// cut, altered, mixed with noise, another command's answer, NAKs, a pulled adapter,
// and late bytes that land between exchanges. After every exchange the payload and
// the three link counters agree with a reference worked out from the frame format
// alone (flags, escapes, the frame bound, FCS-16, the response codes).
#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/testing/scripted_prompts.h"
#include "corvid/core/hdlc_frame.h"
#include "corvid/link/hdlc_link.h"
#include "fuzz/bitwise_fcs.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scripted_port.h"

using namespace corvid;

namespace {

struct Expected {
  std::optional<Bytes> payload = std::nullopt;
  std::uint64_t crc = 0, timeout = 0, nak = 0;
  bool unknown_box = false;
};

// What one exchange must come to, from the bytes the line brought before the verdict.
Expected Reference(common::ByteView line, std::uint8_t command) {
  Expected e;
  Bytes body;
  bool start = false, escape = false, closed = false;
  for (std::uint8_t b : line) {
    if (b == 0x7E) {
      if (start) {
        closed = true;
        break;
      }
      start = true;
      continue;
    }
    if (b == 0x7D) {
      escape = true;
      continue;
    }
    if (escape) b ^= 0x20, escape = false;
    if (body.size() == 256) body.clear(), start = false;  // longer than any answer
    body.push_back(b);
  }
  if (!closed) {
    e.timeout = 1;
    return e;
  }
  if (body.size() < 2 || BitwiseFcs(body) != 0x0F47 || body.size() < 5) {
    e.crc = 1;
    return e;
  }
  const std::uint8_t code = body[2];
  const bool known = code == 0x81 || code == 0x82 || code == 0xBC || code == 0xFB || code == 0xFC;
  if (code == 0x80) {
    e.nak = 1;
  } else if (code == (command | 0x80)) {
    e.payload = Bytes(body.begin() + 2, body.end() - 2);
  } else if (known) {
    e.timeout = 1;  // another command's answer
  } else {
    e.unknown_box = true;
  }
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::EnsureApp();
  fuzz::FuzzInput in(data, size);
  static constexpr std::uint8_t kCommands[] = {0x01, 0x02, 0x3C, 0x7B, 0x7C};
  static constexpr std::uint8_t kAnswers[] = {0x81, 0x82, 0xBC, 0xFB, 0xFC, 0x80, 0x41};

  fuzz::ScriptedPort port(in);
  common::ScriptedPrompts prompts;
  HdlcLink link(port, prompts);
  link.SetResponseWindowMs(0);  // what has not come by the verdict never will
  LinkCounters expected;
  std::size_t boxes = 0;

  const int exchanges = 1 + in.Below(4);
  for (int i = 0; i < exchanges; ++i) {
    const std::uint8_t command = kCommands[in.Below(5)];
    const std::uint8_t slot = static_cast<std::uint8_t>(1 + in.Below(31));
    link.SetSlotAddress(slot);
    Bytes payload{kAnswers[in.Below(7)]};
    const Bytes data_bytes = in.Take(40);
    payload.insert(payload.end(), data_bytes.begin(), data_bytes.end());
    port.answer = BuildCommandFrame(slot, payload);  // the device answers in kind

    const int writes_before = port.writes;
    const auto result = link.Exchange(Bytes{command});
    const bool sent = port.writes != writes_before;
    const Expected e = sent ? Reference(port.delivered_at_once, command) : Expected{.timeout = 1};
    expected.crc_errors += e.crc;
    expected.timeouts += e.timeout;
    if (expected.naks < 255) expected.naks += e.nak;
    if (e.unknown_box) ++boxes;

    FUZZ_CHECK(result == e.payload);
    FUZZ_CHECK(link.LastResponse() == e.payload.value_or(Bytes{}));
    FUZZ_CHECK(link.Counters().crc_errors == expected.crc_errors);
    FUZZ_CHECK(link.Counters().timeouts == expected.timeouts);
    FUZZ_CHECK(link.Counters().naks == expected.naks);
    FUZZ_CHECK(prompts.shown().size() == boxes);
    FUZZ_CHECK(!link.Busy());
    QCoreApplication::processEvents();  // late bytes arrive between exchanges
  }
  return 0;
}
