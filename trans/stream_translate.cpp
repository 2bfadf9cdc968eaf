// The streaming driver: the automatic table name read ahead, then the text
// translated line by line through the same line translator as TranslateText.
#include "trans/stream_translate.h"

#include <exception>

#include "trans/auto_table_name.h"
#include "trans/line_reader.h"

namespace qualtren {

namespace {

// Output is handed to the stream in pieces of about this size.
constexpr size_t kWriteChunk = 64u << 10;

std::string AutoTableNameOfStream(TStream& in) {
  TAutoTableNameScanner scanner;
  TLineReader reader(in);
  std::string_view line;
  while (!scanner.Decided() && reader.Next(line)) {
    scanner.Feed(line);
    scanner.Feed("\r\n");
  }
  return scanner.Name();
}

}  // namespace

TStreamTranslator::TStreamTranslator(const TransTables& tables, TCommentOptions comment)
    : tables_(tables), comment_(std::move(comment)) {}

TStreamTranslator::~TStreamTranslator() = default;

TNameLookup& TStreamTranslator::LookupFor(const std::string& tableName) {
  if (!lookup_ || lookup_->TableName() != tableName)
    lookup_ = std::make_unique<TNameLookup>(tables_, tableName);
  return *lookup_;
}

TStreamOutcome TStreamTranslator::Translate(TStream& in, TStream& out, const std::string& tableName,
                                            bool autoTableName, TLineObserver* observer) {
  in.SetPosition(0);
  std::string effectiveName = tableName;
  if (autoTableName) {
    effectiveName = AutoTableNameOfStream(in);
    in.SetPosition(0);
  }

  TStreamOutcome outcome;
  TLineTranslator translator(LookupFor(effectiveName), comment_, observer);
  TLineReader reader(in);
  std::string pending;
  pending.reserve(kWriteChunk + 4096);
  std::string_view line;
  while (reader.Next(line)) {
    try {
      translator.TranslateLine(line, pending);
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
      out.WriteBytes(pending);
      pending.clear();
    }
  }
  outcome.BytesRead = reader.BytesRead();
  if (outcome.status == TStreamOutcome::Status::Failed) return outcome;
  out.WriteBytes(pending);
  if (reader.SawNul()) outcome.status = TStreamOutcome::Status::HoldsNul;
  return outcome;
}

void TStreamTranslator::CopyLines(TStream& in, TStream& out) {
  in.SetPosition(0);
  TLineReader reader(in);
  std::string pending;
  std::string_view line;
  while (reader.Next(line)) {
    pending += line;
    pending += "\r\n";
    if (pending.size() >= kWriteChunk) {
      out.WriteBytes(pending);
      pending.clear();
    }
  }
  out.WriteBytes(pending);
}

}  // namespace qualtren
