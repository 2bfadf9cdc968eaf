// libFuzzer entry for the index_field_names target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qualtren::fuzz::IndexFieldNames(data, size);
}
