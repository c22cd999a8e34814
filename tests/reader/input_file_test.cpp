// Reading through the input buffers and the read-ahead thread: every byte in
// order, whatever the read sizes, and a clean end that stays the end.
#include <gtest/gtest.h>

#include <random>

#include "reader/input_file.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  std::mt19937 rng(5);
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

TEST(InputFileTest, EveryByteInOrderAcrossBuffers) {
  TempDir dir;
  for (size_t size : {size_t{0}, size_t{1000}, InputFile::kBufferSize, 3 * InputFile::kBufferSize + 777}) {
    const std::string bytes = Pattern(size);
    WriteFile(dir.File("in.bin"), bytes);
    InputFile file;
    ASSERT_TRUE(file.Open(dir.File("in.bin")));
    EXPECT_EQ(file.Size(), static_cast<int64_t>(size));
    std::string read;
    std::mt19937 rng(static_cast<unsigned>(size));
    std::vector<uint8_t> chunk(70000);
    for (int turn = 0;; ++turn) {
      if (turn % 3 == 0 && file.Buffered() > 0) {  // taken in place
        const size_t n = std::min<size_t>(file.Buffered(), rng() % 300);
        read.append(reinterpret_cast<const char*>(file.Peek()), n);
        file.Skip(n);
        continue;
      }
      const size_t want = rng() % 3 == 0 ? chunk.size() : rng() % 5000;
      const size_t got = file.Read(chunk.data(), want);
      read.append(reinterpret_cast<const char*>(chunk.data()), got);
      if (got < want) break;
    }
    EXPECT_EQ(read.size(), bytes.size());
    EXPECT_TRUE(read == bytes) << size;
    uint8_t more[4];
    EXPECT_EQ(file.Read(more, 4), 0u);  // the end stays the end
    EXPECT_EQ(file.Read(more, 4), 0u);
  }
}

TEST(InputFileTest, ClosedHalfwayAndOpenedAgain) {
  TempDir dir;
  const std::string bytes = Pattern(4 * InputFile::kBufferSize);
  WriteFile(dir.File("in.bin"), bytes);
  InputFile file;
  std::vector<uint8_t> chunk(InputFile::kBufferSize + 10);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(file.Open(dir.File("in.bin")));
    ASSERT_EQ(file.Read(chunk.data(), chunk.size()), chunk.size());
    EXPECT_EQ(std::string(chunk.begin(), chunk.end()), bytes.substr(0, chunk.size()));
  }
  file.Close();
  EXPECT_FALSE(file.Open(dir.Path()));  // a folder is not an input
}

}  // namespace
}  // namespace quillon
