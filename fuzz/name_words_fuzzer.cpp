// libFuzzer entry for the name_words target.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return qualtren::fuzz::NameWords(data, size);
}
