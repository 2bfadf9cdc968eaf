// The encodings a text comes in (ANSI in the code page, UTF-8, UTF-16 LE and
// BE), the rule that decides which one an input is in, the refusal of input
// that is broken under the encoding it claims, and the conversions between
// an input's bytes and the working text the engine reads: ANSI bytes, or
// UTF-8 (UTF-16 is turned into UTF-8 on the way in and back on the way out).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/exception.h"
#include "base/stream.h"

namespace qualtren {

enum class TTextEncoding : uint8_t { Ansi, Utf8, Utf16LE, Utf16BE };

/// How the encoding of an input is decided. Auto: a byte-order mark
/// decides; without one, input that is well-formed UTF-8 and holds a byte of
/// 0x80 or above is UTF-8, anything else ANSI. The others name it outright.
enum class TEncodingRule : uint8_t { Auto, Ansi, Utf8, Utf16LE, Utf16BE };

/// The rule named "auto", "ansi", "utf-8", "utf-16le" or "utf-16be" (letter
/// case ignored); nullopt for any other name.
std::optional<TEncodingRule> EncodingRuleFromName(std::string_view name);

/// The name of a rule as EncodingRuleFromName takes it, in lower case.
std::string_view EncodingRuleName(TEncodingRule rule);

/// Every rule, in the order of the enumeration (for lists of choices).
inline constexpr TEncodingRule kEncodingRules[] = {TEncodingRule::Auto, TEncodingRule::Ansi,
                                                   TEncodingRule::Utf8, TEncodingRule::Utf16LE,
                                                   TEncodingRule::Utf16BE};

/// "ANSI", "UTF-8", "UTF-16 LE" or "UTF-16 BE".
const char* EncodingName(TTextEncoding encoding);

/// What an input was found to be: its encoding, and whether it starts with a
/// byte-order mark. The mark is no part of the text: it is taken off before
/// the first word and written back first.
struct TTextForm {
  TTextEncoding Encoding = TTextEncoding::Ansi;
  bool Mark = false;

  /// The bytes of the mark; empty without one.
  std::string_view MarkBytes() const;
  /// Whether the engine reads the text as UTF-8 (so a UTF-16 text too).
  bool Utf8() const { return Encoding != TTextEncoding::Ansi; }
  bool operator==(const TTextForm&) const = default;
};

/// An input broken under the encoding that its mark or the caller claims
/// for it, or one in an encoding that is not read at all (UTF-32). The
/// message says what and at which byte offset from the input's start; the
/// caller puts the input's name in front.
class EEncodingError : public Exception {
 public:
  EEncodingError(const std::string& message, uint64_t offset)
      : Exception(message), offset_(offset) {}
  uint64_t Offset() const { return offset_; }

 private:
  uint64_t offset_;
};

/// Decides the form of a whole input by `rule` and checks it: the input is
/// read once, from the stream's position to its end (not at all for the
/// ANSI rule; under the auto rule only as far as it takes to tell that it is
/// no UTF-8). Raises EEncodingError for input that is broken under the
/// encoding its mark or `rule` claims, and for a UTF-32 mark. With
/// `holdsNul` the input is always read to its end, to tell whether its text
/// holds a NUL character (a zero byte; in UTF-16 a zero unit).
TTextForm DetectTextForm(TStream& in, TEncodingRule rule, bool* holdsNul = nullptr);
TTextForm DetectTextForm(std::string_view bytes, TEncodingRule rule);

/// The working text of a whole input in `form`: the mark taken off, UTF-16
/// turned into UTF-8.
std::string DecodeText(std::string_view bytes, const TTextForm& form);
/// The bytes of a working text in `form`: the mark first, UTF-8 turned into
/// UTF-16 (a byte that is no UTF-8 as U+FFFD).
std::string EncodeText(std::string_view text, const TTextForm& form);

/// Reads the working text of an input in `form` from `raw`, which holds the
/// input from its offset 0: the mark skipped, UTF-16 turned into UTF-8.
/// It seeks to the start of the text only (and tells where it stands).
class TTextReader : public TInputStream {
 public:
  TTextReader(TStream& raw, const TTextForm& form);

  size_t Read(void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  TStream& raw_;
  TTextForm form_;
  uint64_t position_ = 0;  // bytes of working text handed out
  // UTF-16 only: raw bytes read and not yet turned, and UTF-8 made and not
  // yet handed out.
  std::vector<char> in_;
  std::string out_;
  size_t outBegin_ = 0;
  char16_t highSurrogate_ = 0;
  bool rawEnded_ = false;
};

/// Writes a working text to `raw` in `form`: the mark first (on
/// construction), then the text, UTF-8 turned into UTF-16 for a UTF-16 form.
class TTextWriter : public TStream {
 public:
  TTextWriter(TStream& raw, const TTextForm& form);

  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  TStream& raw_;
  TTextForm form_;
  uint64_t position_ = 0;
  std::string pending_;  // the start of a UTF-8 sequence that a write cut
  std::string encoded_;
};

}  // namespace qualtren
