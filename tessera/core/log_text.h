// The decoded text of one log window (LogText): each read or block is appended,
// with a blank line before it unless the text was empty. Lines end with CR LF.
#pragma once

#include <string>
#include <string_view>

namespace tessera::logs {

inline constexpr std::string_view kCrLf = "\r\n";

class LogText {
 public:
  // Adds one decoded read (its lines, each ending in CR LF).
  void Append(std::string_view decoded);
  // "Clear Display Buffer".
  void Clear() { text_.clear(); }
  const std::string& Text() const { return text_; }
  bool Empty() const { return text_.empty(); }

 private:
  std::string text_;
};

}  // namespace tessera::logs
