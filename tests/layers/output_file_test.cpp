// The buffered output and its writer thread: an existing file is replaced by
// exactly what was written, however much, and write failures are reported.
#include <gtest/gtest.h>

#include "layers/output_file.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

std::string Lines(size_t bytes) {
  std::string text;
  for (size_t i = 0; text.size() < bytes; ++i) text += "row " + std::to_string(i) + ",-87,1936.55000\r\n";
  text.resize(bytes);
  return text;
}

TEST(OutputFileTest, ReplacesAnExistingFileWithExactlyWhatWasWritten) {
  TempDir dir;
  const std::string path = dir.File("o.out");
  const size_t sizes[] = {0, 3, OutputFile::kHandOffSize - 1, OutputFile::kHandOffSize,
                          (OutputFile::kMaxQueued + 5) * OutputFile::kHandOffSize + 12345};
  for (size_t oldSize : {size_t{0}, size_t{10}, 6 * OutputFile::kHandOffSize}) {
    for (size_t size : sizes) {
      if (oldSize > 0) WriteFile(path, std::string(oldSize, 'x'));
      const std::string text = Lines(size);
      OutputFile out;
      ASSERT_TRUE(out.Open(path));
      for (size_t at = 0; at < text.size();) {  // rows appended in place and through Raw
        const size_t n = std::min<size_t>(text.size() - at, 1000 + at % 777);
        if (at % 2) {
          out.Pending().append(text.data() + at, n);
          out.Appended();
        } else {
          out.Raw(text.data() + at, n);
        }
        at += n;
      }
      ASSERT_TRUE(out.Close());
      const std::string written = ReadFile(path);
      EXPECT_EQ(written.size(), text.size()) << "old " << oldSize << ", new " << size;
      EXPECT_TRUE(written == text) << "old " << oldSize << ", new " << size;
    }
  }
}

TEST(OutputFileTest, LineFeedsOfTextBecomeCrLf) {
  TempDir dir;
  OutputFile out;
  ASSERT_TRUE(out.Open(dir.File("o.out")));
  out.Text("a\nb\n\nc");
  out.Char(',');
  out.LineEnd();
  ASSERT_TRUE(out.Close());
  EXPECT_EQ(ReadFile(dir.File("o.out")), "a\r\nb\r\n\r\nc,\r\n");
}

TEST(OutputFileTest, AFullDeviceIsReported) {
  for (size_t size : {size_t{10}, 3 * OutputFile::kHandOffSize}) {
    OutputFile out;
    ASSERT_TRUE(out.Open("/dev/full"));
    out.Raw(Lines(size).data(), size);
    EXPECT_FALSE(out.Close()) << size;
  }
  OutputFile out;
  ASSERT_TRUE(out.Open("/dev/full"));
  const std::string text = Lines(3 * OutputFile::kHandOffSize);
  out.Raw(text.data(), text.size());
  out.Raw(text.data(), text.size());  // the writer has failed by the time this is queued
  EXPECT_FALSE(out.Close());
  EXPECT_TRUE(out.Failed());
}

}  // namespace
}  // namespace quillon
