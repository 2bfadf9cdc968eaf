// Error kinds of the whole system. Every error is an exception derived from
// Exception and carries its message text exactly as the user sees it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <initializer_list>

namespace qualtren {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Errors raised through the dataset layer ("%s: %s" with the component name).
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
 public:
  EReadError() : EStreamError("Stream read error") {}
};
class EWriteError : public EStreamError {
 public:
  EWriteError() : EStreamError("Stream write error") {}
};
class EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(const std::string& fileName) : EStreamError("Cannot open file " + fileName) {}
};
class EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(const std::string& fileName)
      : EStreamError("Cannot create file " + fileName) {}
};

// Lexer errors of the filter language ("Parser: The unknown symbol ...").
class EParserError : public Exception {
 public:
  using Exception::Exception;
};

// Failed conversions of text to numbers, dates and booleans.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Conversions between variant values that have no meaning.
class EVariantError : public Exception {
 public:
  using Exception::Exception;
};

// Errors of the XML table reader.
class EXmlError : public Exception {
 public:
  using Exception::Exception;
};

// Misuse of an object that no valid use can cause ("%s (%s, line %d)").
class EAssertionFailed : public Exception {
 public:
  EAssertionFailed(const std::string& what, const char* file, int line)
      : Exception(what + " (" + file + ", line " + std::to_string(line) + ")") {}
};

// Replaces each %s or %d of the pattern by the next argument, in order.
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace qualtren
