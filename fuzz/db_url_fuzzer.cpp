// libFuzzer entry for the db_url target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qualtren::fuzz::DbUrl(data, size);
}
