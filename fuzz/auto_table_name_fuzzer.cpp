// libFuzzer entry for the auto_table_name target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qualtren::fuzz::AutoTableName(data, size);
}
