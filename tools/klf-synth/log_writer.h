// LogWriter: builds receiver log files record by record, for tests and for the
// drive-log simulator. Every record kind of the log format, both header layouts,
// correct length words, and header block/remainder fields filled in by Finish().
// The first record carries the magic "KTRZEPHYN" after an ignored kind byte (0x80).
// The layouts are those of reader/log_format.h.
#pragma once
#include <array>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

namespace klf {

enum class Layout { Standard, FlashCard };

struct GpsFields {
  int Month = 1, Day = 1, Year = 2026;
  int Hour = 12, Minute = 0, Second = 0;
  int32_t LatitudeMas = 0;   // milliseconds of arc, north positive
  int32_t LongitudeMas = 0;  // milliseconds of arc, east positive
  int32_t HeightCm = 0;
  int16_t SpeedCmps = 0;
  uint8_t Status = 0xE0;  // bits 7..5: fix status (7 = 3D fix)
};

struct BandDescriptor {
  uint32_t Lowest = 0;
  uint32_t Highest = 0;
  uint16_t StepField = 0;  // 1/256 kHz
  uint8_t Flags = 0;       // bit 0: wrapped channel numbering
};

struct ListEntry {
  uint8_t Receiver;  // 0 or 1
  uint8_t Position;  // 0..9
  int8_t Rssi;
};

struct TableEntry {
  uint8_t Receiver;
  uint16_t Channel;  // 1-based channel number
  int8_t Rssi;
};

struct TpPositionFields {
  int Second = 0, Minute = 0, Hour = 0, Day = 1, Month0 = 0, YearsSince1900 = 126;
  char LatHemisphere = 'N';
  uint16_t LatDegrees = 0;
  uint32_t LatMillionths = 0;
  char LonHemisphere = 'E';
  uint16_t LonDegrees = 0;
  uint32_t LonMillionths = 0;
};

class LogWriter {
 public:
  explicit LogWriter(Layout layout = Layout::Standard, bool withMagic = true);

  void Gps(const GpsFields& fix);
  void Band(uint8_t validBits, const BandDescriptor& rx1, const BandDescriptor& rx2);
  void Single(int receiver, const std::vector<int8_t>& samples);  // receiver 1 or 2
  void Rtc(int second, int minute, int hour, int day, int month, int year, int marker);
  void SingleDefinition(uint32_t rx1Steps, uint32_t rx2Steps);
  void ListDefinition(const std::array<uint32_t, 10>& rx1, const std::array<uint32_t, 10>& rx2);
  void ListData(const std::vector<ListEntry>& entries);    // up to 5; the rest unused
  void TableData(const std::vector<TableEntry>& entries);  // up to 4; the rest unused
  void TpPosition(const TpPositionFields& tp);
  void TpMotion(int16_t speedKmh, uint16_t direction);
  // A record with exactly these bytes (kind byte first).
  void Raw(const std::vector<uint8_t>& record);
  // A bare length word (for oversized or truncated records).
  void LengthWord(uint16_t length);
  void Bytes(const std::vector<uint8_t>& bytes);

  // Bytes written so far, including those already streamed out.
  unsigned long long Size() const { return Streamed + Data.size(); }
  // Streaming large files: Drain() appends the bytes built so far to an open file;
  // Close() drains the rest and patches the header with the true data length.
  bool Drain(std::FILE* file);
  bool Close(std::FILE* file);
  // The file bytes with the header's block and remainder fields set to the data
  // length (or to dataLengthOverride when it is not negative; 0 = "use file size").
  std::vector<uint8_t> Finish(long long dataLengthOverride = -1) const;
  bool WriteTo(const std::string& path, long long dataLengthOverride = -1) const;

 private:
  void Put8(uint8_t v) { Data.push_back(v); }
  void PutLE16(uint16_t v);
  void PutLE32(uint32_t v);

  void StoreHeader(std::vector<uint8_t>& header, unsigned long long length) const;
  size_t HeaderSize() const;

  Layout FileLayout;
  std::vector<uint8_t> Data;
  unsigned long long Streamed = 0;
};

}  // namespace klf
