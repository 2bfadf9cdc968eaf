// libFuzzer entry for the statement_cutter target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qualtren::fuzz::StatementCutter(data, size);
}
