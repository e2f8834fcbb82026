// Tessera's unit exchange over a scripted port: whole, partial, altered and noisy
// answers in pieces, receive errors, a pulled adapter, silent retries and the
// Retry/Cancel box. Whatever happens, a returned frame checks and has the length
// its shape asks for, the link is free again, and its counters add up.
#include <cstddef>
#include <cstdint>

#include "common/testing/scripted_prompts.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/scripted_port.h"
#include "tessera/core/frame.h"
#include "tessera/core/requests.h"
#include "tessera/link/unit_link.h"

using namespace tessera;

namespace {

// A well-formed answer of the shape, with n items when it has a body.
Bytes AnswerOf(fuzz::FuzzInput& in, std::uint8_t command, const ResponseShape& shape) {
  Bytes out{command};
  if (!shape.HasBody()) {
    while (static_cast<int>(out.size()) < shape.count - 1) out.push_back(in.Byte());
  } else {
    const int n = in.Below(4);
    while (static_cast<int>(out.size()) < shape.count - (shape.wide_length ? 2 : 1))
      out.push_back(in.Byte());
    out.push_back(static_cast<std::uint8_t>(n));
    if (shape.wide_length) out.push_back(0);
    for (int i = 0; i < shape.item_size * n + shape.extra; ++i) out.push_back(in.Byte());
  }
  out.push_back(Checksum(out));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::EnsureApp();
  fuzz::FuzzInput in(data, size);
  static constexpr ResponseShape kShapes[] = {kInputResponse,
                                              kStatusResponse,
                                              kOutputResponse,
                                              kIdentifyResponse,
                                              ResponseShape::Counted(9, 3, 5, false),
                                              ResponseShape::Counted(9, 7, 4, true)};
  const ResponseShape shape = kShapes[in.Below(6)];
  const std::uint8_t command = in.Bit() ? kCmdIdentify : kCmdInputRaw;
  const bool show_errors = in.Bit();
  const int silent_retries = in.Below(3);
  const int timeout_ms = in.Below(2);

  fuzz::ScriptedPort port(in);
  // A body is given its wire time at the line rate: on a line this fast a garbled
  // header that counts thousands of items costs milliseconds, not minutes, per input.
  port.SetSettings("1000000000,n,8,1");
  port.answer = AnswerOf(in, command, shape);
  common::ScriptedPrompts prompts;
  int retries_allowed = in.Below(3);
  for (int i = 0; i < retries_allowed; ++i) prompts.QueueAnswer(common::Answer::kRetry);
  prompts.QueueAnswer(common::Answer::kCancel);
  UnitIdentity identity;
  UnitLink link(port, prompts, identity);

  const Bytes request = command == kCmdIdentify ? IdentifyRequest() : InputRequest({});
  const Bytes result = link.Exchange(request, shape, timeout_ms, show_errors, silent_retries);
  QCoreApplication::processEvents();  // late pieces land while the link is idle

  const LinkCounters& c = link.Counters();
  FUZZ_CHECK(!link.Busy());
  FUZZ_CHECK(link.LastResponse() == result);
  FUZZ_CHECK(c.exchanges == 1 && c.failures == (result.empty() ? 1u : 0u));
  const std::uint64_t attempts = static_cast<std::uint64_t>(port.writes) + c.write_failures;
  FUZZ_CHECK(c.resends + 1 == attempts);
  // Each failed attempt has at most one of these causes (receive errors are counted
  // as they are reported, several may come in one attempt).
  FUZZ_CHECK(c.timeouts + c.checksum_errors + c.write_failures <= attempts);
  if (!show_errors) FUZZ_CHECK(prompts.shown().empty());
  FUZZ_CHECK(prompts.shown().size() <= static_cast<std::size_t>(retries_allowed) + 1);
  FUZZ_CHECK(prompts.busy_depth() == 0);
  if (!result.empty()) {
    FUZZ_CHECK(IsValidFrame(result));
    const int expected = shape.count + (shape.HasBody() ? shape.BodyLength(result) : 0);
    FUZZ_CHECK(static_cast<int>(result.size()) == expected);
    if (command == kCmdIdentify && HasExtendedMarker(result)) FUZZ_CHECK(identity.extended_unit);
  }
  return 0;
}
