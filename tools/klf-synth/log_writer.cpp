#include "klf-synth/log_writer.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "reader/log_format.h"

namespace klf {

namespace {
using quillon::log_format::RecordKind;
uint8_t Kind(RecordKind kind) { return static_cast<uint8_t>(kind); }

void StoreBE(std::vector<uint8_t>& r, size_t at, uint32_t v, int width) {
  for (int i = 0; i < width; ++i) r[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
}
void StoreLE(std::vector<uint8_t>& r, size_t at, uint32_t v, int width) {
  for (int i = 0; i < width; ++i) r[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

LogWriter::LogWriter(Layout layout, bool withMagic) : FileLayout(layout) {
  Data.assign(HeaderSize(), 0);
  if (withMagic) {
    std::vector<uint8_t> first = {Kind(RecordKind::Ignored)};
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
  using R = quillon::log_format::GpsRecord;
  std::vector<uint8_t> r(R::kLength, 0);
  r[0] = Kind(RecordKind::Gps);
  r[R::kMonth] = static_cast<uint8_t>(f.Month);
  r[R::kDay] = static_cast<uint8_t>(f.Day);
  StoreBE(r, R::kYear, static_cast<uint32_t>(f.Year), 2);
  r[R::kHour] = static_cast<uint8_t>(f.Hour);
  r[R::kMinute] = static_cast<uint8_t>(f.Minute);
  r[R::kSecond] = static_cast<uint8_t>(f.Second);
  StoreBE(r, R::kLatitude, static_cast<uint32_t>(f.LatitudeMas), 4);
  StoreBE(r, R::kLongitude, static_cast<uint32_t>(f.LongitudeMas), 4);
  StoreBE(r, R::kHeight, static_cast<uint32_t>(f.HeightCm), 4);
  StoreBE(r, R::kSpeed, static_cast<uint16_t>(f.SpeedCmps), 2);
  r[R::kReceiverStatus] = f.Status;
  Raw(r);
}

void LogWriter::Band(uint8_t validBits, const BandDescriptor& rx1, const BandDescriptor& rx2) {
  using R = quillon::log_format::BandRecord;
  using D = quillon::log_format::BandDescriptor;
  std::vector<uint8_t> r(R::kLength, 0);
  r[0] = Kind(RecordKind::Band);
  r[R::kValidBits] = validBits;
  for (const auto& [d, at] : {std::pair{&rx1, R::kReceiver1}, std::pair{&rx2, R::kReceiver2}}) {
    StoreLE(r, at + D::kLowest, d->Lowest, 4);
    StoreLE(r, at + D::kHighest, d->Highest, 4);
    StoreLE(r, at + D::kStep, d->StepField, 2);
    r[at + D::kFlags] = d->Flags;
  }
  Raw(r);
}

void LogWriter::Single(int receiver, const std::vector<int8_t>& samples) {
  std::vector<uint8_t> r;
  r.push_back(Kind(receiver == 2 ? RecordKind::Rx2Single : RecordKind::Rx1Single));
  for (int8_t s : samples) r.push_back(static_cast<uint8_t>(s));
  r.push_back(0);  // trailing byte, not interpreted
  Raw(r);
}

void LogWriter::Rtc(int second, int minute, int hour, int day, int month, int year, int marker) {
  using R = quillon::log_format::RtcRecord;
  std::vector<uint8_t> r(R::kLength, 0);
  r[0] = Kind(RecordKind::Rtc);
  r[R::kSecond] = static_cast<uint8_t>(second);
  r[R::kMinute] = static_cast<uint8_t>(minute);
  r[R::kHour] = static_cast<uint8_t>(hour);
  r[R::kDay] = static_cast<uint8_t>(day);
  r[R::kMonth] = static_cast<uint8_t>(month);
  r[R::kYear] = static_cast<uint8_t>(year);
  r[R::kMarker] = static_cast<uint8_t>(marker);
  Raw(r);
}

void LogWriter::SingleDefinition(uint32_t rx1Steps, uint32_t rx2Steps) {
  using R = quillon::log_format::SingleDefinitionRecord;
  std::vector<uint8_t> r(R::kLength, 0);
  r[0] = Kind(RecordKind::SingleDefinition);
  StoreLE(r, R::kReceiver1, rx1Steps, 4);
  StoreLE(r, R::kReceiver2, rx2Steps, 4);
  Raw(r);
}

void LogWriter::ListDefinition(const std::array<uint32_t, 10>& rx1, const std::array<uint32_t, 10>& rx2) {
  using R = quillon::log_format::ListDefinitionRecord;
  std::vector<uint8_t> r(R::kLength, 0);
  r[0] = Kind(RecordKind::ListDefinition);
  for (size_t j = 0; j < R::kSlots; ++j) {
    StoreLE(r, R::kReceiver1 + 4 * j, rx1[j], 4);
    StoreLE(r, R::kReceiver2 + 4 * j, rx2[j], 4);
  }
  Raw(r);
}

void LogWriter::ListData(const std::vector<ListEntry>& entries) {
  using R = quillon::log_format::ListDataRecord;
  std::vector<uint8_t> r(R::kLength, 0xFF);
  r[0] = Kind(RecordKind::ListData);
  for (size_t k = 0; k < entries.size() && k < R::kEntries; ++k) {
    const size_t at = R::kFirstEntry + R::kEntrySize * k;
    r[at + R::kReceiver] = entries[k].Receiver;
    r[at + R::kPosition] = entries[k].Position;
    r[at + R::kRssi] = static_cast<uint8_t>(entries[k].Rssi);
  }
  Raw(r);
}

void LogWriter::TableData(const std::vector<TableEntry>& entries) {
  using R = quillon::log_format::TableDataRecord;
  std::vector<uint8_t> r(R::kLength, 0xFF);
  r[0] = Kind(RecordKind::TableData);
  for (size_t k = 0; k < entries.size() && k < R::kEntries; ++k) {
    const size_t at = R::kFirstEntry + R::kEntrySize * k;
    const uint16_t raw = static_cast<uint16_t>(entries[k].Channel - 1);
    r[at + R::kReceiver] = entries[k].Receiver;
    r[at + R::kChannelLow] = static_cast<uint8_t>(raw & 0xFF);
    r[at + R::kChannelHigh] = static_cast<uint8_t>(raw >> 8);
    r[at + R::kRssi] = static_cast<uint8_t>(entries[k].Rssi);
  }
  Raw(r);
}

void LogWriter::TpPosition(const TpPositionFields& tp) {
  using R = quillon::log_format::TpPositionRecord;
  using A = quillon::log_format::TpAngleField;
  std::vector<uint8_t> r(R::kLength, 0);
  r[0] = Kind(RecordKind::TpPosition);
  r[R::kSecond] = static_cast<uint8_t>(tp.Second);
  r[R::kMinute] = static_cast<uint8_t>(tp.Minute);
  r[R::kHour] = static_cast<uint8_t>(tp.Hour);
  r[R::kDay] = static_cast<uint8_t>(tp.Day);
  r[R::kMonth] = static_cast<uint8_t>(tp.Month0);
  r[R::kYear] = static_cast<uint8_t>(tp.YearsSince1900);
  r[R::kLatitude + A::kHemisphere] = static_cast<uint8_t>(tp.LatHemisphere);
  StoreLE(r, R::kLatitude + A::kDegrees, tp.LatDegrees, 2);
  StoreLE(r, R::kLatitude + A::kMillionths, tp.LatMillionths, 4);
  r[R::kLongitude + A::kHemisphere] = static_cast<uint8_t>(tp.LonHemisphere);
  StoreLE(r, R::kLongitude + A::kDegrees, tp.LonDegrees, 2);
  StoreLE(r, R::kLongitude + A::kMillionths, tp.LonMillionths, 4);
  Raw(r);
}

void LogWriter::TpMotion(int16_t speedKmh, uint16_t direction) {
  using R = quillon::log_format::TpMotionRecord;
  std::vector<uint8_t> r(R::kLength, 0);
  r[0] = Kind(RecordKind::TpMotion);
  StoreLE(r, R::kSpeed, static_cast<uint16_t>(speedKmh), 2);
  StoreLE(r, R::kDirection, direction, 2);
  Raw(r);
}

size_t LogWriter::HeaderSize() const {
  return FileLayout == Layout::FlashCard ? quillon::log_format::FlashCardHeader::kSize
                                         : quillon::log_format::StandardHeader::kSize;
}

void LogWriter::StoreHeader(std::vector<uint8_t>& out, unsigned long long length) const {
  using quillon::log_format::FlashCardHeader;
  using quillon::log_format::StandardHeader;
  uint32_t blocks = static_cast<uint32_t>(length / quillon::log_format::kBlockSize);
  uint16_t remainder = static_cast<uint16_t>(length % quillon::log_format::kBlockSize);
  if (FileLayout == Layout::Standard && blocks > 0xFFFF) blocks = remainder = 0;  // too large: "use the file size"
  if (FileLayout == Layout::FlashCard) {
    StoreLE(out, FlashCardHeader::kRemainder, remainder, 2);
    StoreLE(out, FlashCardHeader::kBlocks, blocks, 4);
  } else {
    StoreLE(out, StandardHeader::kRemainder, remainder, 2);
    StoreLE(out, StandardHeader::kBlocks, static_cast<uint16_t>(blocks), 2);
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
  std::vector<uint8_t> header(HeaderSize(), 0);
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
