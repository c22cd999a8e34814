// The receiver log format, written down once: the two file headers, the record
// framing and, per record kind, the offsets and widths of its fields. Offsets count
// from the record's kind byte (offset 0); Length is the smallest record that holds
// every field of its kind. docs/log_format.md describes the same layouts in prose.
// The decoder, GpsFix, BandInfo, the route track and the test log writer all read
// their offsets from here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace quillon::log_format {

// Kind byte of a record (unsigned). Kinds not listed are passed over.
enum class RecordKind : uint8_t {
  Gps = 0,
  Band = 1,
  Rx1Single = 2,
  Rx2Single = 3,
  Rtc = 4,
  SingleDefinition = 5,
  ListDefinition = 6,
  ListData = 7,
  TableData = 9,
  Ignored = 0x80,  // also the kind byte of the first record, which carries the magic
  TpPosition = 0xC0,
  TpMotion = 0xC1,
};

// The magic of a log: the first record's text right after its kind byte.
constexpr char kMagic[] = "KTRZEPHYN";
constexpr size_t kMagicLength = 9;
// Detection reads this many bytes from the start of a file.
constexpr size_t kDetectionBytes = 32;

// Record framing: a little-endian 16-bit length L, then L bytes from the kind byte
// on. A length above kMaxRecordLength is passed over.
constexpr size_t kLengthWordSize = 2;
constexpr size_t kMaxRecordLength = 4096;
constexpr size_t kBlockSize = 512;  // DataLength = blocks x 512 + remainder

// The standard layout ("KTR Zephyn"): 6 bytes; the magic at file offset 9.
struct StandardHeader {
  static constexpr size_t kRemainder = 2;  // LE16: bytes of the last partial block
  static constexpr size_t kBlocks = 4;     // LE16: whole 512-byte blocks
  static constexpr size_t kSize = 6;
};
// The flash-card layout ("KTR Zephyn (PC CARD)"): 10 bytes; the magic at offset 13.
struct FlashCardHeader {
  static constexpr size_t kRemainder = 4;  // LE16
  static constexpr size_t kBlocks = 6;     // LE32
  static constexpr size_t kSize = 10;
};
static_assert(StandardHeader::kBlocks + 2 == StandardHeader::kSize);
static_assert(FlashCardHeader::kBlocks + 4 == FlashCardHeader::kSize);
static_assert(StandardHeader::kSize + kLengthWordSize + 1 == 9, "the standard layout's magic sits at offset 9");
static_assert(FlashCardHeader::kSize + kLengthWordSize + 1 == 13, "the flash-card layout's magic sits at offset 13");

// GPS record: big-endian fields. The 152 bytes after the kind byte are the fix's body.
struct GpsRecord {
  static constexpr size_t kMonth = 5;     // u8, 1..12
  static constexpr size_t kDay = 6;       // u8
  static constexpr size_t kYear = 7;      // BE16, four digits
  static constexpr size_t kHour = 9;      // u8
  static constexpr size_t kMinute = 10;   // u8
  static constexpr size_t kSecond = 11;   // u8
  static constexpr size_t kLatitude = 16;   // BE32 signed, milliseconds of arc, north positive
  static constexpr size_t kLongitude = 20;  // BE32 signed, milliseconds of arc, east positive
  static constexpr size_t kHeight = 24;     // BE32 signed, centimetres
  static constexpr size_t kSpeed = 48;      // BE16 signed, centimetres per second
  static constexpr size_t kReceiverStatus = 130;  // u8: bits 7..5 the fix status
  static constexpr size_t kBodySize = 152;
  static constexpr size_t kLength = 1 + kBodySize;
};
static_assert(GpsRecord::kSpeed + 2 <= GpsRecord::kReceiverStatus);
static_assert(GpsRecord::kReceiverStatus < GpsRecord::kLength);

// A receiver's band descriptor (little-endian), inside the band record.
struct BandDescriptor {
  static constexpr size_t kLowest = 0;   // LE32: lowest frequency, band steps
  static constexpr size_t kHighest = 4;  // LE32: highest frequency, band steps
  static constexpr size_t kStep = 8;     // LE16: step size, 1/256 kHz
  static constexpr size_t kFlags = 10;   // u8: bit 0 wrapped channel numbering
  static constexpr size_t kSpare = 11;   // u8, not interpreted
  static constexpr size_t kSize = 12;
};
static_assert(BandDescriptor::kSpare + 1 == BandDescriptor::kSize);

struct BandRecord {
  static constexpr size_t kValidBits = 1;  // u8: bit 0 receiver 1, bit 1 receiver 2
  static constexpr size_t kReceiver1 = 2;  // descriptor
  static constexpr size_t kReceiver2 = 14; // descriptor
  static constexpr size_t kLength = 26;
};
static_assert(BandRecord::kReceiver1 + BandDescriptor::kSize == BandRecord::kReceiver2);
static_assert(BandRecord::kReceiver2 + BandDescriptor::kSize == BandRecord::kLength);

// Single-channel record (kind 2 receiver 1, kind 3 receiver 2): signed RSSI samples
// (dBm) at offsets 1 .. L-2; the last byte is not interpreted.
struct SingleChannelRecord {
  static constexpr size_t kFirstSample = 1;
  static constexpr size_t kTrailer = 1;  // bytes after the samples
  static constexpr size_t kLength = kFirstSample + 1 + kTrailer;  // at least one sample
};
static_assert(SingleChannelRecord::kLength == 3);

// RTC record: one unsigned byte each.
struct RtcRecord {
  static constexpr size_t kSecond = 1;
  static constexpr size_t kMinute = 2;
  static constexpr size_t kHour = 3;
  static constexpr size_t kDay = 4;
  static constexpr size_t kMonth = 5;
  static constexpr size_t kYear = 6;  // two digits
  static constexpr size_t kMarker = 7;
  static constexpr size_t kClockSize = 7;  // the bytes kept as the clock
  static constexpr size_t kLength = 8;
};
static_assert(RtcRecord::kSecond + RtcRecord::kClockSize == RtcRecord::kLength);

// Single-frequency scan definition: LE32 band steps per receiver.
struct SingleDefinitionRecord {
  static constexpr size_t kReceiver1 = 1;
  static constexpr size_t kReceiver2 = 5;
  static constexpr size_t kLength = 9;
};
static_assert(SingleDefinitionRecord::kReceiver2 + 4 == SingleDefinitionRecord::kLength);

// List scan definition: ten LE32 band steps per receiver; 0 marks an empty position.
struct ListDefinitionRecord {
  static constexpr size_t kSlots = 10;
  static constexpr size_t kReceiver1 = 1;
  static constexpr size_t kReceiver2 = 41;
  static constexpr size_t kLength = 81;
};
static_assert(ListDefinitionRecord::kReceiver1 + 4 * ListDefinitionRecord::kSlots == ListDefinitionRecord::kReceiver2);
static_assert(ListDefinitionRecord::kReceiver2 + 4 * ListDefinitionRecord::kSlots == ListDefinitionRecord::kLength);

// List data record: five entries of (receiver 0/1, list position 0..9, RSSI i8).
struct ListDataRecord {
  static constexpr size_t kFirstEntry = 1;
  static constexpr size_t kEntries = 5;
  static constexpr size_t kEntrySize = 3;
  static constexpr size_t kReceiver = 0;  // within an entry
  static constexpr size_t kPosition = 1;
  static constexpr size_t kRssi = 2;
  static constexpr size_t kLength = 16;
};
static_assert(ListDataRecord::kFirstEntry + ListDataRecord::kEntries * ListDataRecord::kEntrySize == ListDataRecord::kLength);

// Table data record: four entries of (receiver, channel low u8, channel high i8,
// RSSI i8); the channel number is low + 256 x high + 1.
struct TableDataRecord {
  static constexpr size_t kFirstEntry = 1;
  static constexpr size_t kEntries = 4;
  static constexpr size_t kEntrySize = 4;
  static constexpr size_t kReceiver = 0;  // within an entry
  static constexpr size_t kChannelLow = 1;
  static constexpr size_t kChannelHigh = 2;
  static constexpr size_t kRssi = 3;
  static constexpr size_t kLength = 17;
};
static_assert(TableDataRecord::kFirstEntry + TableDataRecord::kEntries * TableDataRecord::kEntrySize == TableDataRecord::kLength);

// TP position record: unsigned bytes, multi-byte fields little-endian.
struct TpPositionRecord {
  static constexpr size_t kSecond = 1;
  static constexpr size_t kMinute = 2;
  static constexpr size_t kHour = 3;
  static constexpr size_t kDay = 4;
  static constexpr size_t kMonth = 5;           // 0..11
  static constexpr size_t kYear = 6;            // years since 1900
  static constexpr size_t kLatitude = 7;        // an angle (below)
  static constexpr size_t kLongitude = 14;      // an angle
  static constexpr size_t kLength = 21;
};
// An angle of a TP position: hemisphere letter, LE16 whole degrees, LE32 millionths.
struct TpAngleField {
  static constexpr size_t kHemisphere = 0;
  static constexpr size_t kDegrees = 1;
  static constexpr size_t kMillionths = 3;
  static constexpr size_t kSize = 7;
};
static_assert(TpPositionRecord::kLatitude + TpAngleField::kSize == TpPositionRecord::kLongitude);
static_assert(TpPositionRecord::kLongitude + TpAngleField::kSize == TpPositionRecord::kLength);

// TP motion record: offsets 1 and 2 not interpreted.
struct TpMotionRecord {
  static constexpr size_t kSpeed = 3;      // LE16 signed, km/h
  static constexpr size_t kDirection = 5;  // LE16, degrees from north
  static constexpr size_t kLength = 7;
};
static_assert(TpMotionRecord::kDirection + 2 == TpMotionRecord::kLength);

// The smallest length, kind byte included, a record of this kind needs to be
// decoded; shorter records decode nothing.
constexpr size_t MinimumLength(uint8_t kind) {
  switch (static_cast<RecordKind>(kind)) {
    case RecordKind::Gps: return GpsRecord::kLength;
    case RecordKind::Band: return BandRecord::kLength;
    case RecordKind::Rx1Single:
    case RecordKind::Rx2Single: return SingleChannelRecord::kLength;
    case RecordKind::Rtc: return RtcRecord::kLength;
    case RecordKind::SingleDefinition: return SingleDefinitionRecord::kLength;
    case RecordKind::ListDefinition: return ListDefinitionRecord::kLength;
    case RecordKind::ListData: return ListDataRecord::kLength;
    case RecordKind::TableData: return TableDataRecord::kLength;
    case RecordKind::TpPosition: return TpPositionRecord::kLength;
    case RecordKind::TpMotion: return TpMotionRecord::kLength;
    default: return 1;
  }
}
static_assert(MinimumLength(0) == 153 && MinimumLength(0xC0) == 21 && MinimumLength(0x42) == 1);

}  // namespace quillon::log_format
