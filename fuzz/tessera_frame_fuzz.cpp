// Tessera's response checks and length rule over arbitrary bytes: the checksum
// test, the item count of a header and the body length it asks for, the bytes the
// link and the session read out of a response, and the get-filters table. A frame
// built by the program must always check.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "tessera/core/filters.h"
#include "tessera/core/frame.h"
#include "tessera/core/identity.h"
#include "tessera/core/requests.h"

using namespace tessera;

namespace {

// The sum rule written out plainly, apart from the program's own.
bool SumsToFF(common::ByteView frame) {
  unsigned sum = 0;
  for (std::uint8_t b : frame) sum += b;
  return !frame.empty() && (sum & 0xFF) == 0xFF;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput in(data, size);
  const std::uint8_t command = in.Byte();
  const ResponseShape shape =
      ResponseShape::Counted(1 + in.Below(16), in.Below(9), in.Below(8), in.Bit());
  const Bytes payload = in.Take(200);
  const Bytes response = in.Rest();

  // Built frames always check, extended ones carry the marker.
  const Bytes frame = BuildFrame(command, payload);
  FUZZ_CHECK(IsValidFrame(frame));
  FUZZ_CHECK(frame.size() == payload.size() + 2);
  const Bytes extended = BuildExtendedFrame(command, payload);
  FUZZ_CHECK(IsValidFrame(extended) && HasExtendedMarker(extended));

  FUZZ_CHECK(IsValidFrame(response) == SumsToFF(response));
  if (static_cast<int>(response.size()) >= shape.count) {
    const int n = shape.ItemCount(response);
    FUZZ_CHECK(n >= 0 && n <= (shape.wide_length ? 0xFFFF : 0xFF));
    const int body = shape.BodyLength(response);
    FUZZ_CHECK(body == shape.item_size * n + shape.extra + 1);
  }

  const int address = UnitAddressOf(response);
  FUZZ_CHECK(address >= 0 && address <= 15);
  const auto input_data = InputDataOf(response);
  for (std::size_t i = 0; i < input_data.size(); ++i) {
    FUZZ_CHECK(input_data[i] == (i + 1 < response.size() ? response[i + 1] : 0));
  }
  LineSyncErrorOf(response);

  UnitIdentity identity;
  const bool took = TakeFirmwareVersion(identity, response);
  FUZZ_CHECK(took == (response.size() >= 6));
  if (took) FUZZ_CHECK(identity.comm_version == response[3]);
  const FirmwareDisplay display = FirmwareVersionDisplay(identity);
  FUZZ_CHECK(display.panel2_text.size() < 64);

  if (config::ParseGetFiltersResponse(response)) {
    FUZZ_CHECK(response.size() == 137 && HasExtendedMarker(response));
  }
  return 0;
}
