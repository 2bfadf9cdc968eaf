// The fuzz targets: one entry per reader or parser of outside input. Each
// takes arbitrary bytes; errors that the input may rightly cause are caught,
// anything else (a crash, a sanitizer report, another exception) is a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qualtren::fuzz {

// What a target is: it takes the bytes and gives 0.
using TargetFunction = int(const uint8_t* data, size_t size);
using Target = TargetFunction*;

// A binary table image (or anything else) through LoadTableStream.
TargetFunction TableBinary;
// An XML table document through LoadTableStream.
TargetFunction TableXml;
// A filter text parsed against fixed fields and evaluated on fixed records.
TargetFunction Filter;
// An IndexFieldNames text parsed against fixed fields and sorted by.
TargetFunction IndexFieldNames;
// A CSV text through the core of "table import", and the table it makes.
TargetFunction CsvImport;
// A text through the automatic table name, whole and in pieces that the
// input chooses; the two must agree.
TargetFunction AutoTableName;
// A text translated over small fixed tables by TranslateText, by the
// streaming driver and on two threads in chunks, with options that the input
// chooses; they must give the same bytes and the same failure.
TargetFunction Translate;
// Bytes in any encoding, its rule chosen by the input, through the
// streaming driver and through detection, decoding, the whole-text
// translation and encoding: the two must give the same bytes, the same
// failure and the same refusal; decoding and encoding must round-trip.
TargetFunction Encoding;
// A text cut into lines at CR and LF and lexed in every SQL dialect: the
// spans must cover each line, and a restart from the state after any line
// and a skip over the lines must agree with the uninterrupted run.
TargetFunction SqlLexer;

// A text translated with a dialect that the input chooses, strings and
// comments kept or not: without quoted names and literals it must give what
// the translation without a dialect gives, and on two threads in chunks what
// it gives on one.
TargetFunction DialectTranslate;

// A name cut into words and given to the proposal of English names, with
// options and, after a NUL byte, a glossary text that the input chooses: the
// words must cover the name's letters and digits, and a proposal hold known
// words only.
TargetFunction NameWords;
// A connection URL through ParseDbUrl: taken, or refused with a message
// that never repeats a URL holding a password.
TargetFunction DbUrl;
// A script cut into statements in a dialect that the input chooses: every
// text must stand in the script in order, trimmed, its line never going
// back, and a statement to run, cut again after another (with a separator
// after it or not), must give itself back.
TargetFunction StatementCutter;

struct NamedTarget {
  std::string_view name;  // also the name of its corpus directory
  Target run;
};
inline constexpr NamedTarget kTargets[] = {
    {"table_binary", TableBinary},
    {"table_xml", TableXml},
    {"filter", Filter},
    {"index_field_names", IndexFieldNames},
    {"csv_import", CsvImport},
    {"auto_table_name", AutoTableName},
    {"translate", Translate},
    {"sql_lexer", SqlLexer},
    {"encoding", Encoding},
    {"dialect_translate", DialectTranslate},
    {"name_words", NameWords},
    {"db_url", DbUrl},
    {"statement_cutter", StatementCutter},
};

}  // namespace qualtren::fuzz
