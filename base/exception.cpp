// Message formatting shared by every error kind.
#include "base/exception.h"

#include <cstring>

namespace qualtren {

std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  auto arg = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() &&
        (pattern[i + 1] == 's' || pattern[i + 1] == 'd') && arg != args.end()) {
      out += *arg++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string MessageWithReason(const std::exception& error) {
  std::string message = error.what();
  const auto* stream = dynamic_cast<const EStreamError*>(&error);
  if (stream != nullptr && stream->SystemError() != 0)
    message += std::string(" (") + std::strerror(stream->SystemError()) + ")";
  return message;
}

}  // namespace qualtren
