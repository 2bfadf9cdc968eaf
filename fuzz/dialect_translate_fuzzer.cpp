// libFuzzer entry for the dialect_translate target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qualtren::fuzz::DialectTranslate(data, size);
}
