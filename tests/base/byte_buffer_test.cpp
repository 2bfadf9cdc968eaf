// Tests of the growable byte buffer against a string: the bytes held are
// kept through growth, assignment and swaps, whatever the sizes.
#include "base/byte_buffer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace qualtren {
namespace {

TEST(ByteBufferTest, KeepsWhatAStringKeeps) {
  std::mt19937 random(7);
  TByteBuffer buffers[2] = {TByteBuffer(), TByteBuffer(3)};
  std::string models[2];
  for (int step = 0; step < 3000; ++step) {
    const size_t b = random() % 2;
    TByteBuffer& buffer = buffers[b];
    std::string& model = models[b];
    // Sizes from empty to a few thousand bytes, past the room each has
    // grown to so far now and then.
    const size_t size = random() % 8 == 0 ? random() % 5000 : random() % 40;
    switch (random() % 4) {
      case 0: {  // grown or cut, the new bytes written over
        const size_t kept = std::min(size, model.size());
        buffer.Resize(size);
        model.resize(size);
        for (size_t i = kept; i < size; ++i)
          buffer.Data()[i] = model[i] = static_cast<char>('a' + random() % 26);
        break;
      }
      case 1: {
        const std::string bytes(size, static_cast<char>('A' + step % 26));
        buffer.Assign(bytes);
        model = bytes;
        break;
      }
      case 2:
        buffer.Reserve(size);
        EXPECT_GE(buffer.Capacity(), size);
        break;
      default:
        buffers[0].Swap(buffers[1]);
        models[0].swap(models[1]);
    }
    for (size_t i = 0; i < 2; ++i) {
      ASSERT_EQ(buffers[i].View(), models[i]) << "step " << step;
      ASSERT_GE(buffers[i].Capacity(), buffers[i].Size());
    }
  }
}

}  // namespace
}  // namespace qualtren
