// The options record as most engine tests give it: a table name with its
// automatic switch and comment lines, all in the code page.
#pragma once

#include <string_view>

#include "trans/translate_options.h"

namespace qualtren {

inline TTranslateOptions AnsiOptions(std::string_view tableName, bool autoTableName,
                                     bool comment = false, std::string_view prefix = "",
                                     std::string_view suffix = "") {
  TTranslateOptions options;
  options.TableName = TOuterText::FromAnsi(tableName);
  options.AutoTableName = autoTableName;
  options.Comment = comment;
  options.Prefix = TOuterText::FromAnsi(prefix);
  options.Suffix = TOuterText::FromAnsi(suffix);
  return options;
}

}  // namespace qualtren
