// Whole rows written by RowRenderer::AppendRow match the rows put together column by
// column from the reader's WriteFieldValue and WriteDataValues slots, over a
// simulated drive, for many column choices, delimiters and receivers.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "klf-synth/drive_simulator.h"
#include "reader/file_type.h"
#include "reader/log_reader.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using namespace quillon::testing;

// One row as the columns render it one at a time: a delimiter before each column
// but the first (the data block brings its own), "CR / LF" as CR LF, and CR LF at
// the end when any column has text.
std::string RowByColumns(const std::vector<int16_t>& columns, char delimiter) {
  std::string row;
  bool anyText = false;
  TextBuffer text;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] == kDataBlockField) {
      Reader.WriteDataValues(text, delimiter);
    } else {
      if (i > 0) row += delimiter;
      Reader.WriteFieldValue(columns[i], text);
    }
    for (size_t k = 0; k < text.size(); ++k) {
      if (columns[i] == kLineBreakField && text.data()[k] == '\n') row += "\r\n";
      else row += text.data()[k];
    }
    anyText = anyText || !text.empty();
  }
  if (anyText) row += "\r\n";
  return row;
}

struct Choice {
  std::vector<int16_t> Columns;
  char Delimiter;
  int Receiver;
  int16_t Reduction;
  DataBlockFields Fields;
};

std::vector<Choice> Choices() {
  std::vector<Choice> choices = {
      {{22, 18, 5, 11, 0}, ',', 1, 0, {true, false, true}},
      {{0, 4, 32, 49, 0}, '\t', 2, 0, {true, true, true}},
      {{kNoField, 1, 2, 3, 56, kNoField}, ';', 1, 0, {false, false, false}},
      {{18, 0}, '\n', 1, 3, {false, true, true}},
  };
  Choice all{{}, ' ', 1, 0, {true, true, true}};
  for (int16_t i = 0; i < kCatalogueFields; ++i) all.Columns.push_back(i);
  choices.push_back(all);
  std::mt19937 rng(11);
  for (int n = 0; n < 6; ++n) {
    Choice c{{}, ",;\t :"[rng() % 5], static_cast<int>(rng() % 2) + 1, static_cast<int16_t>(rng() % 2 ? 3 : 0),
             {rng() % 2 == 0, rng() % 2 == 0, rng() % 2 == 0}};
    for (int k = 1 + static_cast<int>(rng() % 12); k > 0; --k)
      c.Columns.push_back(static_cast<int16_t>(static_cast<int>(rng() % 62) - 2));  // with -2, -1, 56..59
    choices.push_back(c);
  }
  return choices;
}

TEST(RowWriterTest, WholeRowsMatchTheColumnsOneByOne) {
  TempDir dir;
  const std::string log = dir.File("drive.klf");
  {
    klf::SimulatorOptions options;
    options.Seed = 3;
    options.Megabytes = 0.4;
    std::FILE* f = std::fopen(log.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    klf::LogWriter writer(options.FileLayout);
    ASSERT_TRUE(klf::DriveSimulator(options, writer, f).Run());
    writer.Close(f);
  }
  std::vector<uint8_t> buffer(kRecordBufferSize);
  for (const Choice& c : Choices()) {
    Reader.ManualFrequencies = 0;
    Reader.SkippedScans.clear();
    Reader.MultiFileRun = 0;
    Reader.DropOutages = false;
    Reader.AttachMainWindow({c.Receiver == 1, c.Receiver == 2});
    Reader.SetDataFields(c.Fields);
    Reader.InputFormat = DetectFileType(log);
    Reader.ConvertingPass = 1;
    ASSERT_EQ(Reader.OpenInput(log), 0);
    Reader.SelectReceiver(c.Receiver);
    Reader.SetReductionMode(c.Reduction);
    RowRenderer renderer;
    renderer.SetDataFields(c.Fields);
    renderer.SetColumns(c.Columns, c.Delimiter);
    long rows = 0;
    TextBuffer whole;
    while (Reader.ReadNextRecord(buffer.data()) != 0) {
      const int16_t result = Reader.ProcessRecord(buffer.data());
      if (result != kWriteRows && result != kHeaderThenRows) continue;
      for (Reader.RowsRemaining = Reader.RowsPerRecord; Reader.RowsRemaining > 0; --Reader.RowsRemaining, ++rows) {
        ++Reader.RecordCount;
        whole.clear();
        renderer.AppendRow(whole, Reader.Row());
        ASSERT_EQ(whole.str(), RowByColumns(c.Columns, c.Delimiter)) << "row " << rows << ", delimiter '"
                                                                      << c.Delimiter << "'";
      }
      Reader.EndRecordRows();
    }
    Reader.CloseInput();
    EXPECT_GT(rows, 1000);
  }
  Reader.ConvertingPass = 0;
  Reader.AttachMainWindow({true, false});
  Reader.SetReductionMode(0);
}

}  // namespace
}  // namespace quillon
