// libFuzzer entry for the sql_lexer target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qualtren::fuzz::SqlLexer(data, size);
}
