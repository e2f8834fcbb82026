// Corvid's receive side over arbitrary bytes: the HDLC receive machine (unstuffing,
// flags, the frame bound), the FCS and the judgement of a response. Properties: a
// body stuffed and framed comes back unchanged through the receiver, a built command
// always checks, and the FCS agrees with a bit-by-bit computation.
#include <cstddef>
#include <cstdint>

#include "corvid/core/crc.h"
#include "corvid/core/hdlc_frame.h"
#include "fuzz/bitwise_fcs.h"
#include "fuzz/fuzz_input.h"

using namespace corvid;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput in(data, size);
  const std::uint8_t slot = in.Byte();
  const std::uint8_t command_sent = in.Byte();
  const Bytes body = in.Take(255);
  const Bytes line = in.Rest();

  // Round trip of a whole frame through the receiver.
  const Bytes framed = FrameBody(body);
  HdlcReceiver rx;
  std::size_t closed_at = 0;
  for (std::size_t i = 0; i < framed.size(); ++i) {
    if (rx.Take(framed[i])) {
      closed_at = i + 1;
      break;
    }
  }
  FUZZ_CHECK(closed_at == framed.size());
  FUZZ_CHECK(rx.Frame() == body);

  const Bytes command = CommandBody(slot, body);
  FUZZ_CHECK(CheckCrcString(command));
  FUZZ_CHECK(Fcs16(body) == BitwiseFcs(body));

  // Whatever the line brings: the frame stays bounded and every verdict is sound.
  rx.Reset();
  for (std::uint8_t c : line) {
    const bool closed = rx.Take(c);
    FUZZ_CHECK(rx.Frame().size() <= kMaxFrameBytes);
    if (!closed) continue;
    const Bytes& got = rx.Frame();
    const ResponseCheck any = EvaluateResponse(got);
    const ResponseCheck mine = EvaluateResponse(got, command_sent);
    const bool crc_ok = got.size() >= 2 && BitwiseFcs(got) == kFcsGoodResidue;
    FUZZ_CHECK((any.kind == ResponseKind::kCrcError) == !crc_ok);
    if (mine.kind == ResponseKind::kOk) {
      FUZZ_CHECK(mine.payload.size() == got.size() - 4);
      FUZZ_CHECK(mine.code == ResponseCodeFor(command_sent));
      FUZZ_CHECK(any.kind == ResponseKind::kOk && any.payload == mine.payload);
    } else {
      FUZZ_CHECK(mine.payload.empty());
    }
    if (mine.kind == ResponseKind::kForeignCode) FUZZ_CHECK(any.kind == ResponseKind::kOk);
    rx.Reset();
  }
  return 0;
}
