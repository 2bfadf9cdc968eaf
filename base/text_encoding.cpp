// Detecting the encoding of an input and checking it under the encoding it
// claims; the names of the encodings and of the rules.
#include "base/text_encoding.h"

#include <algorithm>
#include <cstring>

#include "base/ascii.h"
#include "base/text_encoding_utf16.h"
#include "base/utf.h"

namespace qualtren {

using namespace textcoding;

namespace {

std::string OffsetText(uint64_t offset) {
  return "at byte offset " + std::to_string(offset);
}

// Checks UTF-8 fed in pieces: a sequence may be cut between two pieces.
// Offsets count from the input's start.
class TUtf8Checker {
 public:
  explicit TUtf8Checker(uint64_t start) : offset_(start) {}

  /// False at the first malformed sequence; ErrorOffset() is then its start.
  bool Feed(const char* p, size_t n) {
    const char* const end = p + n;
    while (p < end) {
      if (state_ == 0) {
        // Runs of ASCII eight bytes at a time.
        while (end - p >= 8) {
          uint64_t v;
          std::memcpy(&v, p, 8);
          if (v & 0x8080808080808080ull) break;
          p += 8;
          offset_ += 8;
        }
        if (p == end) break;
      }
      const uint8_t b = static_cast<uint8_t>(*p);
      if (state_ == 0) {
        if (b >= 0x80) high_ = true;
        start_ = offset_;
        if (b < 0x80)
          state_ = 0;
        else if (b >= 0xC2 && b <= 0xDF)
          state_ = 1;
        else if (b == 0xE0)
          state_ = 4;
        else if (b == 0xED)
          state_ = 5;
        else if (b >= 0xE1 && b <= 0xEF)
          state_ = 2;
        else if (b == 0xF0)
          state_ = 6;
        else if (b >= 0xF1 && b <= 0xF3)
          state_ = 3;
        else if (b == 0xF4)
          state_ = 7;
        else
          return false;
      } else {
        // The continuation byte allowed in each state, and the state after it.
        static constexpr uint8_t kLow[] = {0, 0x80, 0x80, 0x80, 0xA0, 0x80, 0x90, 0x80};
        static constexpr uint8_t kHigh[] = {0, 0xBF, 0xBF, 0xBF, 0xBF, 0x9F, 0xBF, 0x8F};
        static constexpr uint8_t kNext[] = {0, 0, 1, 2, 1, 1, 2, 2};
        if (b < kLow[state_] || b > kHigh[state_]) return false;
        state_ = kNext[state_];
      }
      ++p;
      ++offset_;
    }
    return true;
  }
  /// False when the input ends inside a sequence.
  bool Finish() const { return state_ == 0; }
  bool SawHigh() const { return high_; }
  uint64_t ErrorOffset() const { return state_ == 0 ? offset_ : start_; }

 private:
  uint8_t state_ = 0;
  uint64_t offset_;
  uint64_t start_ = 0;  // of the sequence being read
  bool high_ = false;
};

// Whether any of the four 16-bit lanes of `x` is zero.
bool HasZeroLane(uint64_t x) {
  return ((x - 0x0001000100010001ull) & ~x & 0x8000800080008000ull) != 0;
}

// Checks UTF-16 fed in pieces: a unit or a surrogate pair may be cut.
class TUtf16Checker {
 public:
  TUtf16Checker(bool le, uint64_t start) : le_(le), offset_(start) {}

  /// False at an unpaired surrogate; sets `nul` at a zero unit.
  bool Feed(const char* p, size_t n, bool& nul) {
    size_t i = 0;
    if (haveByte_ && n > 0) {
      // The second byte of a unit that the last piece cut.
      const char pair[2] = {byte_, p[0]};
      haveByte_ = false;
      i = 1;
      if (!Unit(UnitAt(pair, le_), nul)) return false;
    }
    // Where a unit's high byte stands in a word read as little-endian, and
    // the bits that make it a surrogate.
    const uint64_t mask = le_ ? 0xF800F800F800F800ull : 0x00F800F800F800F8ull;
    const uint64_t surrogate = le_ ? 0xD800D800D800D800ull : 0x00D800D800D800D8ull;
    while (i + 2 <= n) {
      // Four units at a time while none is a surrogate or zero.
      if (!pendingHigh_) {
        while (i + 8 <= n) {
          uint64_t v;
          std::memcpy(&v, p + i, 8);
          if (HasZeroLane((v & mask) ^ surrogate) || HasZeroLane(v)) break;
          i += 8;
          offset_ += 8;
        }
        if (i + 2 > n) break;
      }
      if (!Unit(UnitAt(p + i, le_), nul)) return false;
      i += 2;
    }
    if (i < n) {
      byte_ = p[i];
      haveByte_ = true;
    }
    return true;
  }
  /// Empty when the input ended well, else what is wrong at its end.
  std::string Finish() {
    if (haveByte_) {
      error_ = offset_;
      return "an odd number of bytes, the last " + OffsetText(offset_);
    }
    if (pendingHigh_) {
      error_ = highOffset_;
      return "an unpaired surrogate " + OffsetText(highOffset_);
    }
    return {};
  }
  uint64_t ErrorOffset() const { return error_; }

 private:
  // Takes the unit at offset_; false when it makes a surrogate unpaired.
  bool Unit(char16_t u, bool& nul) {
    const uint64_t at = offset_;
    offset_ += 2;
    if (u == 0) nul = true;
    if (pendingHigh_) {
      if (!IsLowSurrogate(u)) {
        error_ = highOffset_;
        return false;
      }
      pendingHigh_ = false;
    } else if (IsHighSurrogate(u)) {
      pendingHigh_ = true;
      highOffset_ = at;
    } else if (IsLowSurrogate(u)) {
      error_ = at;
      return false;
    }
    return true;
  }

  bool le_;
  uint64_t offset_;
  bool haveByte_ = false;
  char byte_ = 0;
  bool pendingHigh_ = false;
  uint64_t highOffset_ = 0;
  uint64_t error_ = 0;
};

// Decides and checks the form of an input fed in pieces.
class TFormDetector {
 public:
  /// With `wantNul` the whole input is read to tell whether its text holds
  /// a NUL character (a zero byte, or a zero unit of UTF-16).
  TFormDetector(TEncodingRule rule, bool wantNul) : rule_(rule), wantNul_(wantNul) {}

  void Feed(std::string_view block) {
    if (!headDone_) {
      const size_t take = std::min(block.size(), size_t{4} - head_.size());
      head_.append(block.substr(0, take));
      block.remove_prefix(take);
      if (head_.size() < 4) return;
      DecideHead();
      Check(std::string_view(head_).substr(form_.MarkBytes().size()));
    }
    Check(block);
  }
  /// Whether the rest of the input can change nothing (auto rule: it is
  /// known to be no UTF-8, so ANSI, and a NUL is found or not asked for).
  bool Decided() const { return notUtf8_ && (!wantNul_ || nul_); }
  bool HoldsNul() const { return nul_; }
  TTextForm Finish() {
    if (!headDone_) {
      DecideHead();
      Check(std::string_view(head_).substr(form_.MarkBytes().size()));
    }
    if (notUtf8_) return {TTextEncoding::Ansi, false};
    switch (form_.Encoding) {
      case TTextEncoding::Utf8:
        // Without a mark or a named rule, UTF-8 must be whole and show a
        // byte of its own; anything else is ANSI.
        if (rule_ == TEncodingRule::Auto && !form_.Mark && (!utf8_.Finish() || !utf8_.SawHigh()))
          return {TTextEncoding::Ansi, false};
        if (!utf8_.Finish()) Utf8Error();
        break;
      case TTextEncoding::Utf16LE:
      case TTextEncoding::Utf16BE:
        if (const std::string what = utf16_.Finish(); !what.empty())
          throw EEncodingError(Invalid() + what + Claim(), utf16_.ErrorOffset());
        break;
      case TTextEncoding::Ansi:
        break;
    }
    return form_;
  }

 private:
  void DecideHead() {
    headDone_ = true;
    const std::string_view h = head_;
    auto starts = [&h](std::string_view mark) { return h.substr(0, mark.size()) == mark; };
    if (rule_ == TEncodingRule::Ansi) {
      form_ = {TTextEncoding::Ansi, false};
    } else if (rule_ == TEncodingRule::Auto) {
      if (starts(std::string_view("\xFF\xFE\0\0", 4)))
        throw EEncodingError(
            "UTF-32 LE text (byte-order mark FF FE 00 00) is not read; save it as UTF-8 or UTF-16",
            0);
      if (starts(std::string_view("\0\0\xFE\xFF", 4)))
        throw EEncodingError(
            "UTF-32 BE text (byte-order mark 00 00 FE FF) is not read; save it as UTF-8 or UTF-16",
            0);
      if (starts("\xEF\xBB\xBF"))
        form_ = {TTextEncoding::Utf8, true};
      else if (starts("\xFF\xFE"))
        form_ = {TTextEncoding::Utf16LE, true};
      else if (starts("\xFE\xFF"))
        form_ = {TTextEncoding::Utf16BE, true};
      else
        form_ = {TTextEncoding::Utf8, false};  // until it shows to be no UTF-8
    } else {
      static constexpr TTextEncoding kNamed[] = {TTextEncoding::Ansi, TTextEncoding::Ansi,
                                                 TTextEncoding::Utf8, TTextEncoding::Utf16LE,
                                                 TTextEncoding::Utf16BE};
      form_.Encoding = kNamed[static_cast<size_t>(rule_)];
      form_.Mark = form_.Encoding != TTextEncoding::Ansi &&
                   starts(TTextForm{form_.Encoding, true}.MarkBytes());
    }
    const uint64_t start = form_.MarkBytes().size();
    utf8_ = TUtf8Checker(start);
    utf16_ = TUtf16Checker(LittleEndian(form_.Encoding), start);
  }

  void Check(std::string_view bytes) {
    const bool utf16 =
        form_.Encoding == TTextEncoding::Utf16LE || form_.Encoding == TTextEncoding::Utf16BE;
    if (wantNul_ && !nul_ && !utf16 && std::memchr(bytes.data(), 0, bytes.size()) != nullptr)
      nul_ = true;
    if (notUtf8_) return;
    switch (form_.Encoding) {
      case TTextEncoding::Utf8:
        if (!utf8_.Feed(bytes.data(), bytes.size())) {
          if (rule_ == TEncodingRule::Auto && !form_.Mark) {
            notUtf8_ = true;
            return;
          }
          Utf8Error();
        }
        break;
      case TTextEncoding::Utf16LE:
      case TTextEncoding::Utf16BE:
        if (!utf16_.Feed(bytes.data(), bytes.size(), nul_))
          throw EEncodingError(
              Invalid() + "an unpaired surrogate " + OffsetText(utf16_.ErrorOffset()) + Claim(),
              utf16_.ErrorOffset());
        break;
      case TTextEncoding::Ansi:
        break;
    }
  }

  [[noreturn]] void Utf8Error() {
    // Without a mark or a named rule, input that is no UTF-8 is ANSI; this
    // is only reached when UTF-8 was claimed.
    throw EEncodingError(
        Invalid() + "a malformed sequence " + OffsetText(utf8_.ErrorOffset()) + Claim(),
        utf8_.ErrorOffset());
  }

  std::string Invalid() const {
    return std::string("not valid ") + EncodingName(form_.Encoding) + ": ";
  }
  std::string Claim() const {
    const std::string name = EncodingName(form_.Encoding);
    return form_.Mark && rule_ == TEncodingRule::Auto
               ? " (it starts with a " + name + " byte-order mark)"
               : " (it was to be read as " + name + ")";
  }

  TEncodingRule rule_;
  bool wantNul_;
  bool nul_ = false;
  std::string head_;
  bool headDone_ = false;
  bool notUtf8_ = false;
  TTextForm form_;
  TUtf8Checker utf8_{0};
  TUtf16Checker utf16_{true, 0};
};

}  // namespace

std::optional<TEncodingRule> EncodingRuleFromName(std::string_view name) {
  for (const TEncodingRule rule : kEncodingRules)
    if (EqualsAsciiNoCase(name, EncodingRuleName(rule))) return rule;
  return std::nullopt;
}

std::string_view EncodingRuleName(TEncodingRule rule) {
  // In the order of TEncodingRule.
  static constexpr std::string_view kNames[] = {"auto", "ansi", "utf-8", "utf-16le", "utf-16be"};
  const auto i = static_cast<size_t>(rule);
  return i < std::size(kNames) ? kNames[i] : std::string_view();
}

const char* EncodingName(TTextEncoding encoding) {
  // In the order of TTextEncoding.
  static constexpr const char* kNames[] = {"ANSI", "UTF-8", "UTF-16 LE", "UTF-16 BE"};
  const auto i = static_cast<size_t>(encoding);
  return i < std::size(kNames) ? kNames[i] : kNames[0];
}

std::string_view TTextForm::MarkBytes() const {
  // In the order of TTextEncoding.
  static constexpr std::string_view kMarks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
  const auto i = static_cast<size_t>(Encoding);
  return Mark && i < std::size(kMarks) ? kMarks[i] : std::string_view();
}

TTextForm DetectTextForm(TStream& in, TEncodingRule rule, bool* holdsNul) {
  if (rule == TEncodingRule::Ansi && holdsNul == nullptr) return {};
  TFormDetector detector(rule, holdsNul != nullptr);
  std::vector<char> block(kBlock);
  while (!detector.Decided()) {
    const size_t n = in.Read(block.data(), block.size());
    if (n == 0) break;
    detector.Feed(std::string_view(block.data(), n));
  }
  const TTextForm form = detector.Finish();
  if (holdsNul) *holdsNul = detector.HoldsNul();
  return form;
}

TTextForm DetectTextForm(std::string_view bytes, TEncodingRule rule) {
  if (rule == TEncodingRule::Ansi) return {};
  TFormDetector detector(rule, false);
  detector.Feed(bytes);
  return detector.Finish();
}

}  // namespace qualtren
