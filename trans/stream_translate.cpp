// The streaming driver: the automatic table name read ahead, then the text
// translated line by line through the same line translator as TranslateText.
#include "trans/stream_translate.h"

#include <exception>

#include "trans/auto_table_name.h"
#include "trans/line_reader.h"
#include "trans/name_dictionary.h"
#include "trans/parallel_translate.h"

namespace qualtren {

namespace {

// Output is handed to the stream in pieces of about this size.
constexpr size_t kWriteChunk = 64u << 10;

std::string AutoTableNameOfStream(TStream& in) {
  TAutoTableNameScanner scanner;
  TLineReader reader(in);
  // The scanner takes its text in pieces of any size: a long line need not
  // be held whole.
  reader.CutLongLines([](char) { return true; });
  std::string_view line;
  bool ends = true;
  while (!scanner.Decided() && reader.Next(line, ends)) {
    scanner.Feed(line);
    if (ends) scanner.Feed("\r\n");
  }
  return scanner.Name();
}

}  // namespace

TStreamTranslator::TStreamTranslator(const TransTables& tables, TTranslateOptions options)
    : tables_(tables), options_(std::move(options)) {}

TStreamTranslator::~TStreamTranslator() = default;

const std::shared_ptr<const TNameDictionary>& TStreamTranslator::Dictionary() {
  if (!dictionaryTried_) {
    dictionaryTried_ = true;
    dictionary_ = TNameDictionary::Build(tables_);
  }
  return dictionary_;
}

void TStreamTranslator::ShareDictionary(std::shared_ptr<const TNameDictionary> dictionary) {
  dictionary_ = std::move(dictionary);
  dictionaryTried_ = true;
  lookup_.reset();
}

bool TStreamTranslator::CanFail() {
  return Dictionary() == nullptr;
}

TNameLookup& TStreamTranslator::LookupFor(const std::string& tableName, bool utf8) {
  if (!lookup_ || lookup_->TableName() != tableName || lookup_->Utf8Words() != utf8) {
    // A dictionary built already serves from the first word on.
    if (dictionary_)
      lookup_ = std::make_unique<TNameLookup>(tables_, tableName, utf8, dictionary_);
    else
      lookup_ = std::make_unique<TNameLookup>(tables_, tableName, utf8, options_.DictionaryAfter);
  }
  return *lookup_;
}

TStreamOutcome TStreamTranslator::Examine(TStream& in, TEncodingRule rule) {
  TStreamOutcome outcome;
  in.SetPosition(0);
  bool holdsNul = false;
  try {
    outcome.Form = DetectTextForm(in, rule, &holdsNul);
  } catch (const EEncodingError& e) {
    outcome.status = TStreamOutcome::Status::BadEncoding;
    outcome.Error = e.what();
    return outcome;
  }
  if (holdsNul) outcome.status = TStreamOutcome::Status::HoldsNul;
  return outcome;
}

TStreamOutcome TStreamTranslator::Translate(TStream& in, TStream& out, TLineObserver* observer,
                                            const TStreamOutcome* examined) {
  TStreamOutcome outcome;
  if (examined) {
    if (examined->status == TStreamOutcome::Status::BadEncoding) return *examined;
    outcome.Form = examined->Form;
  } else {
    in.SetPosition(0);
    try {
      outcome.Form = DetectTextForm(in, options_.Encoding);
    } catch (const EEncodingError& e) {
      outcome.status = TStreamOutcome::Status::BadEncoding;
      outcome.Error = e.what();
      return outcome;
    }
  }
  const bool utf8 = outcome.Form.Utf8();
  TTextReader text(in, outcome.Form);
  std::string effectiveName = options_.TableName.For(utf8);
  if (options_.AutoTableName) {
    effectiveName = AutoTableNameOfStream(text);
    text.SetPosition(0);
  }

  TTextWriter writer(out, outcome.Form);
  if (options_.Workers() > 1 && !observer && Dictionary()) {
    TParallelTranslator parallel(tables_, dictionary_, options_);
    if (parallel.Run(text, writer, effectiveName, utf8, outcome.BytesRead))
      outcome.status = TStreamOutcome::Status::HoldsNul;
    return outcome;
  }
  TLineTranslator translator(LookupFor(effectiveName, utf8), options_.CommentFor(utf8), observer,
                             options_.Dialect);
  if (observer) observer->OnBegin(outcome.Form);
  TLineReader reader(text);
  if (translator.TakesLineParts()) reader.CutLongLines(IsSeparator);
  std::string pending;
  pending.reserve(kWriteChunk + 4096);
  std::string_view line;
  bool ends = true;
  while (reader.Next(line, ends)) {
    // A long line held whole gets room for its translation at once, not by
    // doubling (room not written to costs no memory).
    if (line.size() > kWriteChunk) pending.reserve(pending.size() + 3 * line.size());
    try {
      if (ends)
        translator.TranslateLine(line, pending);
      else
        translator.TranslateLinePart(line, pending);
    } catch (const std::exception& e) {
      outcome.status = TStreamOutcome::Status::Failed;
      outcome.Error = *e.what() ? e.what() : "Translation failed";
      break;
    } catch (...) {
      outcome.status = TStreamOutcome::Status::Failed;
      outcome.Error = "Translation failed";
      break;
    }
    if (pending.size() >= kWriteChunk) {
      writer.WriteBytes(pending);
      pending.clear();
    }
  }
  outcome.BytesRead = reader.BytesRead();
  if (outcome.status == TStreamOutcome::Status::Failed) return outcome;
  writer.WriteBytes(pending);
  if (reader.SawNul()) outcome.status = TStreamOutcome::Status::HoldsNul;
  return outcome;
}

void TStreamTranslator::CopyLines(TStream& in, TStream& out, const TTextForm& form) {
  in.SetPosition(0);
  TTextReader text(in, form);
  TTextWriter writer(out, form);
  TLineReader reader(text);
  std::string pending;
  std::string_view line;
  while (reader.Next(line)) {
    pending += line;
    pending += "\r\n";
    if (pending.size() >= kWriteChunk) {
      writer.WriteBytes(pending);
      pending.clear();
    }
  }
  writer.WriteBytes(pending);
}

}  // namespace qualtren
