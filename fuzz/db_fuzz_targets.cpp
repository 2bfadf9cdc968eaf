// The fuzz target of the database layer's reader of outside input: the
// connection URL.
#include <cstdlib>
#include <string>

#include "db/connection.h"
#include "fuzz/fuzz_targets.h"

namespace qualtren::fuzz {

int DbUrl(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const TDbUrl url = ParseDbUrl(text);
    // What it takes names its database, and keeps the URL as given.
    if (url.Text != text) std::abort();
    if (url.Engine == TDbEngine::Sqlite && url.Path.empty()) std::abort();
    if ((url.Engine == TDbEngine::Postgres || url.Engine == TDbEngine::MySql) &&
        url.Database.empty())
      std::abort();
    if (url.Port < 0 || url.Port > 65535) std::abort();
  } catch (const EDbConnectError& e) {
    // A refused password is never repeated: the message names no part of
    // the URL then.
    const std::string message = e.what();
    if (message.find("password") != std::string::npos && !text.empty() &&
        message.find(text) != std::string::npos)
      std::abort();
  }
  return 0;
}

}  // namespace qualtren::fuzz
