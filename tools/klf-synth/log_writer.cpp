#include "klf-synth/log_writer.h"

#include <cstdio>
#include <cstring>

namespace klf {

namespace {
void StoreBE(std::vector<uint8_t>& r, size_t at, uint32_t v, int width) {
  for (int i = 0; i < width; ++i) r[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
}
void StoreLE(std::vector<uint8_t>& r, size_t at, uint32_t v, int width) {
  for (int i = 0; i < width; ++i) r[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

LogWriter::LogWriter(Layout layout, bool withMagic) : FileLayout(layout) {
  Data.assign(layout == Layout::FlashCard ? 10 : 6, 0);
  if (withMagic) {
    std::vector<uint8_t> first = {0x80};
    for (char c : std::string("KTRZEPHYN V6.20")) first.push_back(static_cast<uint8_t>(c));
    Raw(first);
  }
}

void LogWriter::PutLE16(uint16_t v) {
  Put8(static_cast<uint8_t>(v));
  Put8(static_cast<uint8_t>(v >> 8));
}

void LogWriter::PutLE32(uint32_t v) {
  PutLE16(static_cast<uint16_t>(v));
  PutLE16(static_cast<uint16_t>(v >> 16));
}

void LogWriter::Raw(const std::vector<uint8_t>& record) {
  PutLE16(static_cast<uint16_t>(record.size()));
  Data.insert(Data.end(), record.begin(), record.end());
}

void LogWriter::LengthWord(uint16_t length) { PutLE16(length); }

void LogWriter::Bytes(const std::vector<uint8_t>& bytes) { Data.insert(Data.end(), bytes.begin(), bytes.end()); }

void LogWriter::Gps(const GpsFields& f) {
  std::vector<uint8_t> r(153, 0);
  r[0] = 0;
  r[5] = static_cast<uint8_t>(f.Month);
  r[6] = static_cast<uint8_t>(f.Day);
  StoreBE(r, 7, static_cast<uint32_t>(f.Year), 2);
  r[9] = static_cast<uint8_t>(f.Hour);
  r[10] = static_cast<uint8_t>(f.Minute);
  r[11] = static_cast<uint8_t>(f.Second);
  StoreBE(r, 16, static_cast<uint32_t>(f.LatitudeMas), 4);
  StoreBE(r, 20, static_cast<uint32_t>(f.LongitudeMas), 4);
  StoreBE(r, 24, static_cast<uint32_t>(f.HeightCm), 4);
  StoreBE(r, 48, static_cast<uint16_t>(f.SpeedCmps), 2);
  r[130] = f.Status;
  Raw(r);
}

void LogWriter::Band(uint8_t validBits, const BandDescriptor& rx1, const BandDescriptor& rx2) {
  std::vector<uint8_t> r(26, 0);
  r[0] = 1;
  r[1] = validBits;
  size_t at = 2;
  for (const BandDescriptor* d : {&rx1, &rx2}) {
    StoreLE(r, at, d->Lowest, 4);
    StoreLE(r, at + 4, d->Highest, 4);
    StoreLE(r, at + 8, d->StepField, 2);
    r[at + 10] = d->Flags;
    at += 12;
  }
  Raw(r);
}

void LogWriter::Single(int receiver, const std::vector<int8_t>& samples) {
  std::vector<uint8_t> r;
  r.push_back(receiver == 2 ? 3 : 2);
  for (int8_t s : samples) r.push_back(static_cast<uint8_t>(s));
  r.push_back(0);  // trailing byte, not interpreted
  Raw(r);
}

void LogWriter::Rtc(int second, int minute, int hour, int day, int month, int year, int marker) {
  Raw({4, static_cast<uint8_t>(second), static_cast<uint8_t>(minute), static_cast<uint8_t>(hour),
       static_cast<uint8_t>(day), static_cast<uint8_t>(month), static_cast<uint8_t>(year), static_cast<uint8_t>(marker)});
}

void LogWriter::SingleDefinition(uint32_t rx1Steps, uint32_t rx2Steps) {
  std::vector<uint8_t> r(9, 0);
  r[0] = 5;
  StoreLE(r, 1, rx1Steps, 4);
  StoreLE(r, 5, rx2Steps, 4);
  Raw(r);
}

void LogWriter::ListDefinition(const std::array<uint32_t, 10>& rx1, const std::array<uint32_t, 10>& rx2) {
  std::vector<uint8_t> r(81, 0);
  r[0] = 6;
  for (size_t j = 0; j < 10; ++j) {
    StoreLE(r, 1 + 4 * j, rx1[j], 4);
    StoreLE(r, 41 + 4 * j, rx2[j], 4);
  }
  Raw(r);
}

void LogWriter::ListData(const std::vector<ListEntry>& entries) {
  std::vector<uint8_t> r(16, 0xFF);
  r[0] = 7;
  for (size_t k = 0; k < entries.size() && k < 5; ++k) {
    r[1 + 3 * k] = entries[k].Receiver;
    r[2 + 3 * k] = entries[k].Position;
    r[3 + 3 * k] = static_cast<uint8_t>(entries[k].Rssi);
  }
  Raw(r);
}

void LogWriter::TableData(const std::vector<TableEntry>& entries) {
  std::vector<uint8_t> r(17, 0xFF);
  r[0] = 9;
  for (size_t k = 0; k < entries.size() && k < 4; ++k) {
    const uint16_t raw = static_cast<uint16_t>(entries[k].Channel - 1);
    r[1 + 4 * k] = entries[k].Receiver;
    r[2 + 4 * k] = static_cast<uint8_t>(raw & 0xFF);
    r[3 + 4 * k] = static_cast<uint8_t>(raw >> 8);
    r[4 + 4 * k] = static_cast<uint8_t>(entries[k].Rssi);
  }
  Raw(r);
}

void LogWriter::TpPosition(const TpPositionFields& tp) {
  std::vector<uint8_t> r(21, 0);
  r[0] = 0xC0;
  r[1] = static_cast<uint8_t>(tp.Second);
  r[2] = static_cast<uint8_t>(tp.Minute);
  r[3] = static_cast<uint8_t>(tp.Hour);
  r[4] = static_cast<uint8_t>(tp.Day);
  r[5] = static_cast<uint8_t>(tp.Month0);
  r[6] = static_cast<uint8_t>(tp.YearsSince1900);
  r[7] = static_cast<uint8_t>(tp.LatHemisphere);
  StoreLE(r, 8, tp.LatDegrees, 2);
  StoreLE(r, 10, tp.LatMillionths, 4);
  r[14] = static_cast<uint8_t>(tp.LonHemisphere);
  StoreLE(r, 15, tp.LonDegrees, 2);
  StoreLE(r, 17, tp.LonMillionths, 4);
  Raw(r);
}

void LogWriter::TpMotion(int16_t speedKmh, uint16_t direction) {
  std::vector<uint8_t> r(7, 0);
  r[0] = 0xC1;
  StoreLE(r, 3, static_cast<uint16_t>(speedKmh), 2);
  StoreLE(r, 5, direction, 2);
  Raw(r);
}

void LogWriter::StoreHeader(std::vector<uint8_t>& out, unsigned long long length) const {
  uint32_t blocks = static_cast<uint32_t>(length / 512);
  uint16_t remainder = static_cast<uint16_t>(length % 512);
  if (FileLayout == Layout::Standard && blocks > 0xFFFF) blocks = remainder = 0;  // too large: "use the file size"
  if (FileLayout == Layout::FlashCard) {
    StoreLE(out, 4, remainder, 2);
    StoreLE(out, 6, blocks, 4);
  } else {
    StoreLE(out, 2, remainder, 2);
    StoreLE(out, 4, static_cast<uint16_t>(blocks), 2);
  }
}

std::vector<uint8_t> LogWriter::Finish(long long dataLengthOverride) const {
  std::vector<uint8_t> out = Data;
  StoreHeader(out, dataLengthOverride >= 0 ? static_cast<unsigned long long>(dataLengthOverride) : out.size());
  return out;
}

bool LogWriter::Drain(std::FILE* file) {
  const bool ok = std::fwrite(Data.data(), 1, Data.size(), file) == Data.size();
  Streamed += Data.size();
  Data.clear();
  return ok;
}

bool LogWriter::Close(std::FILE* file) {
  bool ok = Drain(file);
  std::vector<uint8_t> header(FileLayout == Layout::FlashCard ? 10 : 6, 0);
  StoreHeader(header, Streamed);
  ok = ok && std::fseek(file, 0, SEEK_SET) == 0 && std::fwrite(header.data(), 1, header.size(), file) == header.size();
  return std::fclose(file) == 0 && ok;
}

bool LogWriter::WriteTo(const std::string& path, long long dataLengthOverride) const {
  const std::vector<uint8_t> bytes = Finish(dataLengthOverride);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace klf
