// The firmware file as the update reads it: file names, single Intel HEX records
// and the whole validation pass over arbitrary text. A data record written in hex
// digits that the parser takes is exactly its text: encoding it again gives the line.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/hex_text.h"
#include "fuzz/fuzz_input.h"
#include "tessera/core/hex_file.h"
#include "tessera/core/line_reader.h"

using namespace tessera::flash;

namespace {

std::string Record(const HexRecord& r, std::uint32_t address, std::uint8_t checksum) {
  std::string line = ":" + common::HexNumber(static_cast<std::uint32_t>(r.data.size()), 2);
  for (int shift = 12; shift >= 0; shift -= 4) line += "0123456789ABCDEF"[address >> shift & 0xF];
  line += common::HexNumber(static_cast<std::uint32_t>(r.type), 2);
  for (std::uint8_t b : r.data) line += common::HexNumber(b, 2);
  return line + common::HexNumber(checksum, 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput in(data, size);
  const int mode = in.Below(3);
  const common::Bytes rest = in.Rest();
  const std::string text(rest.begin(), rest.end());

  if (mode == 0) {
    HexRecord record;
    if (ParseHexRecord(text, record)) {
      FUZZ_CHECK(text.size() >= 11 && text[0] == ':');
      const bool all_hex = text.find_first_not_of("0123456789ABCDEFabcdef", 1) == std::string::npos;
      if (record.type == kRecordData && all_hex) {
        std::uint32_t sum = 0;
        for (std::uint8_t b : record.data) sum += b;
        FUZZ_CHECK(sum == record.data_sum && record.data.size() == record.data_count);
        // Same digits, case aside: the parser took nothing the line did not say.
        std::string upper = text;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::uint8_t checksum =
            static_cast<std::uint8_t>(HexVal(upper.substr(upper.size() - 2)));
        FUZZ_CHECK(Record(record, record.address, checksum) == upper);
      }
    }
    HexVal(text);
    SplitPath(text);
  } else if (mode == 1) {
    const NameCheck check =
        CheckHexFileName(SplitPath(text).FullPath, data[0], size > 1 ? data[1] : 0);
    FUZZ_CHECK(check.questions.size() <= 2);
    const NameOutcome declined = check.Resolve([](const NameQuestion&) { return false; });
    FUZZ_CHECK(check.questions.empty() || declined.reason == kUpdateCancelledText);
  } else {
    LineReader file(text);
    const Validation v = ValidateHexFile(file, "TBX.HEX", 0x1234);
    FUZZ_CHECK(v.data_count <= text.size());
  }
  return 0;
}
