// Error kinds of the whole system. Every error is an exception derived from
// Exception and carries its message text exactly as the user sees it.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

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

/// Errors of streams and files. The message is the system's own text; the
/// operating system's reason, where one is known, rides along as an errno
/// value that a caller may add (the command line does, the window does not).
class EStreamError : public Exception {
 public:
  explicit EStreamError(const std::string& message, int systemError = 0)
      : Exception(message), systemError_(systemError) {}
  /// The errno value of the failed call, 0 when there is none.
  int SystemError() const { return systemError_; }

 private:
  int systemError_;
};
class EReadError : public EStreamError {
 public:
  explicit EReadError(int systemError = 0) : EStreamError("Stream read error", systemError) {}
};
class EWriteError : public EStreamError {
 public:
  explicit EWriteError(int systemError = 0) : EStreamError("Stream write error", systemError) {}
};
class EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(const std::string& fileName, int systemError = 0)
      : EStreamError("Cannot open file " + fileName, systemError) {}
};
class EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(const std::string& fileName, int systemError = 0)
      : EStreamError("Cannot create file " + fileName, systemError) {}
};

/// The error's message, followed by the operating system's reason in
/// parentheses when the error carries one ("Cannot create file ./f3.sql (No
/// space left on device)").
std::string MessageWithReason(const std::exception& error);

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
