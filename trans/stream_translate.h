// The streaming translation driver: a text read line by line from a stream
// and its translation written line by line to another, in memory that does
// not grow with the text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"
#include "base/text_encoding.h"
#include "trans/translate.h"

namespace qualtren {

/// What became of one streamed translation.
struct TStreamOutcome {
  enum class Status {
    Translated,   // the whole text was translated
    Failed,       // a lookup failed; Error says why
    HoldsNul,     // the text holds a NUL byte (the translation stopped there)
    BadEncoding,  // the input is broken under the encoding it claims; Error says
                  // what and where, and nothing was written
  };
  Status status = Status::Translated;
  std::string Error;
  uint64_t BytesRead = 0;  // of the last pass over the text
  TTextForm Form;          // what the input was found to be
};

/// Translates texts from streams as TranslateText translates a text in
/// memory, with the same result byte for byte, as one options record says.
/// Each input's encoding is decided first by the record's rule, reading the input through once
/// (see DetectTextForm); a UTF-16 text is translated as UTF-8 and written
/// back as UTF-16, and the output has a byte-order mark exactly when the
/// input had one; the table name and the comment's frame are written into
/// each text in its own encoding. The automatic table name is worked out by reading ahead
/// only as far as it needs, then reading again from the start, so the input
/// must be able to seek back to its start.
/// The name lookup, and what it remembers, is kept from one text to the next
/// while the effective table name stays the same: the tables must not change
/// while the translator lives. With more than one job, a text of more than
/// one chunk whose tables allow a name dictionary (see TNameDictionary) is
/// translated on that many threads (see TParallelTranslator), unless an
/// observer must hear its lines.
class TStreamTranslator {
 public:
  explicit TStreamTranslator(const TransTables& tables, TTranslateOptions options = {});
  ~TStreamTranslator();

  /// Reads `in` through once before it is translated: its form by `rule`
  /// and whether its text holds a NUL byte (status HoldsNul) or is broken
  /// under its encoding (BadEncoding); Translated when neither. Hand the
  /// result to Translate, which then does not read the input for its form
  /// again. Needs no tables, so it may run while they load.
  static TStreamOutcome Examine(TStream& in, TEncodingRule rule);
  /// Whether a translation by this translator can fail: only where the
  /// tables do not allow a name dictionary, and a lookup takes the tries
  /// that may raise. A translation that cannot fail may go straight to
  /// where it is read.
  bool CanFail();
  /// Answers every word from `dictionary`, built from these tables already
  /// (several translators on several threads may share one, and then never
  /// touch the tables).
  void ShareDictionary(std::shared_ptr<const TNameDictionary> dictionary);

  /// Translates `in` from its start and writes the result to `out` at its
  /// position. After Failed or HoldsNul, `out` holds a part of a translation
  /// that the caller throws away; after BadEncoding nothing. Errors of the
  /// streams are raised. `observer`, when given, hears of every line
  /// translated.
  TStreamOutcome Translate(TStream& in, TStream& out, TLineObserver* observer = nullptr,
                           const TStreamOutcome* examined = nullptr);

  /// Writes `in` (in `form`) from its start as a failed translation gives it
  /// back: its lines, each followed by CR LF, up to a NUL byte, in its own
  /// encoding and with its mark.
  static void CopyLines(TStream& in, TStream& out, const TTextForm& form = {});

 private:
  TNameLookup& LookupFor(const std::string& tableName, bool utf8);
  // The dictionary of the tables, built on first need; nullptr where the
  // tables allow none.
  const std::shared_ptr<const TNameDictionary>& Dictionary();

  TransTables tables_;
  TTranslateOptions options_;
  std::unique_ptr<TNameLookup> lookup_;
  std::shared_ptr<const TNameDictionary> dictionary_;
  bool dictionaryTried_ = false;
};

}  // namespace qualtren
