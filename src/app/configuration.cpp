#include "app/configuration.h"

#include <algorithm>

#include <cerrno>

#include "app/ini_file.h"
#include "reader/messages.h"
#include "reader/path_check.h"
#include "reader/product_reader.h"

namespace quillon {

namespace {

const char kFilter[] = "OutputFilter";

int ClampIndex(long long value, int items) {
  return static_cast<int>(std::clamp<long long>(value, -1, items - 1));
}

size_t ClampCount(long long value) { return static_cast<size_t>(std::clamp<long long>(value, 0, kFieldMapSize)); }

}  // namespace

bool SaveConfiguration(const Settings& s, const std::string& path, std::string& message) {
  IniFile ini;
  const auto failed = [&](int error) {
    message = messages::kUnableToWriteTo + path + "\n" + SystemReason(path, error);
    return false;
  };
  if (!ini.Load(path)) return failed(errno ? errno : EACCES);
  ini.WriteInteger("InputFormat", "Product", s.InputFormat);
  ini.WriteString("InputFile", "Filename", s.InputFilename);
  ini.WriteInteger(kFilter, "TarrowMode", s.TarrowMode);
  ini.WriteInteger(kFilter, "ScanType", s.ScanType);
  ini.WriteBool(kFilter, "Receiver1", s.Receiver1);
  ini.WriteBool(kFilter, "Receiver2", s.Receiver2);
  ini.WriteBool(kFilter, "FrequencyField", s.FrequencyField);
  ini.WriteBool(kFilter, "ChannelField", s.ChannelField);
  ini.WriteBool(kFilter, "RSSIField", s.RSSIField);
  ini.WriteBool(kFilter, "NoAvg", s.NoAvg);
  ini.WriteBool(kFilter, "BSAvg", s.BSAvg);
  ini.WriteInteger("OutputFieldSelection", "Delimiter", s.Delimiter);
  ini.WriteBool("OutputFieldSelection", "FieldTitles", s.FieldTitles);
  ini.WriteInteger("AvailableFields", "Count", static_cast<long long>(s.AvailableFields.size()));
  for (size_t i = 0; i < s.AvailableFields.size(); ++i)
    ini.WriteString("AvailableFields", "Field" + std::to_string(i), s.AvailableFields[i]);
  ini.WriteInteger("SelectedFields", "Count", static_cast<long long>(s.SelectedFields.size()));
  for (size_t i = 0; i < s.SelectedFields.size(); ++i) {
    ini.WriteString("SelectedFields", "Field" + std::to_string(i), s.SelectedFields[i]);
    ini.WriteInteger("SelectedTags", "Tag" + std::to_string(i), i < s.SelectedTags.size() ? s.SelectedTags[i] : 0);
  }
  ini.WriteString("OutputFile", "Filename", s.OutputFilename);
  if (!ini.Save(path)) return failed(errno);
  message.clear();
  return true;
}

bool RestoreConfiguration(const std::string& path, Settings& s, std::string& message) {
  IniFile ini;
  std::string problem = ReadProblem(path);
  if (problem.empty() && !ini.Load(path)) problem = SystemReason(path, errno ? errno : EIO);
  if (!problem.empty()) {
    message = std::string(messages::kConfigurationCannotBeRead) + "\n" + problem;
    return false;
  }
  s.InputFormat = static_cast<int16_t>(ClampIndex(ini.ReadInteger("InputFormat", "Product", 0), kInputFormatItems));
  s.InputFilename = ini.ReadString("InputFile", "Filename", "Sample.in");
  s.TarrowMode = ClampIndex(ini.ReadInteger(kFilter, "TarrowMode", 0), kTarrowModeItems);
  s.ScanType = ClampIndex(ini.ReadInteger(kFilter, "ScanType", 0), kScanTypeItems);
  // Radio buttons: checking one unchecks the others of its group; unchecking checks none.
  s.Receiver1 = ini.ReadBool(kFilter, "Receiver1", true);
  if (s.Receiver1) s.Receiver2 = false;
  s.Receiver2 = ini.ReadBool(kFilter, "Receiver2", false);
  if (s.Receiver2) s.Receiver1 = false;
  s.FrequencyField = ini.ReadBool(kFilter, "FrequencyField", true);
  s.ChannelField = ini.ReadBool(kFilter, "ChannelField", false);
  s.RSSIField = ini.ReadBool(kFilter, "RSSIField", true);
  s.NoAvg = ini.ReadBool(kFilter, "NoAvg", true);
  if (s.NoAvg) s.BSAvg = false;
  s.BSAvg = ini.ReadBool(kFilter, "BSAvg", false);
  if (s.BSAvg) s.NoAvg = false;
  s.Delimiter = ClampIndex(ini.ReadInteger("OutputFieldSelection", "Delimiter", 0), kDelimiterItems);
  s.FieldTitles = ini.ReadBool("OutputFieldSelection", "FieldTitles", false);

  s.AvailableFields.clear();
  const size_t available = ClampCount(ini.ReadInteger("AvailableFields", "Count", 0));
  for (size_t i = 0; i < available; ++i)
    s.AvailableFields.push_back(ini.ReadString("AvailableFields", "Field" + std::to_string(i), ""));

  s.SelectedFields.clear();
  s.SelectedTags.clear();
  const long long count = ini.ReadInteger("SelectedFields", "Count", 0);
  const size_t selected = ClampCount(count);
  for (size_t i = 0; i < selected; ++i) {
    s.SelectedTags.push_back(static_cast<int16_t>(ini.ReadInteger("SelectedTags", "Tag" + std::to_string(i), 0)));
    s.SelectedFields.push_back(ini.ReadString("SelectedFields", "Field" + std::to_string(i), ""));
  }
  s.OutputFilename = ini.ReadString("OutputFile", "Filename", "Sample.out");
  message.clear();
  if (count > kFieldMapSize)
    message = "The configuration file " + path + " selects " + std::to_string(count) + " fields: only the first " +
              std::to_string(kFieldMapSize) + " are converted.";
  return true;
}

}  // namespace quillon
