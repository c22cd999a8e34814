// RowView: what one output row shows, as values: its position, GPS time (the
// buffered row's, interpolated between two fixes, or the fix's), the fix, the clock,
// the TP records, the selected receiver's band, the record and scan numbers and the
// entries of its data block. A view points into the reader's DecodedState and stays
// valid until the reader decodes the next record; it holds no text and allocates
// nothing.
#pragma once
#include <algorithm>
#include <cstdint>

#include "reader/decoded_state.h"

namespace quillon {

// The RSSI the receiver reports where it measured nothing.
constexpr int kNoMeasurementDbm = -120;

// One entry of a row's data block. Value is a table channel (Table) or band steps;
// an entry that is not Located has no frequency and channel, only its RSSI.
struct DataEntry {
  uint32_t Value = 0;
  bool Table = false;
  bool Located = true;
  int Rssi = -120;
};

class RowView {
 public:
  RowView(const DecodedState& state, int32_t rowIndex, int32_t recordNumber, int32_t scanNumber, int16_t scanKind)
      : S(&state), Index(rowIndex), Record(recordNumber), Scan(scanNumber), Kind(scanKind) {}

  const DecodedState& State() const { return *S; }
  // A single-channel row interpolated between two GPS fixes.
  bool Buffered() const { return S->Buffered(); }
  // Another row of the same record (the last one where there are fewer).
  RowView Sibling(int32_t index) const {
    const int32_t last = static_cast<int32_t>(S->Rows.size()) - 1;
    return RowView(*S, index < 0 ? 0 : index > last ? last : index, Record, Scan, Kind);
  }
  const BufferedRow& Row() const { return S->Rows[static_cast<size_t>(Index)]; }

  double Latitude() const { return Buffered() ? Row().Latitude : S->Fix.Latitude.DecimalDegrees; }
  double Longitude() const { return Buffered() ? Row().Longitude : S->Fix.Longitude.DecimalDegrees; }
  int Hour() const { return Buffered() ? Row().Hour : S->Fix.Hour; }
  int Minute() const { return Buffered() ? Row().Minute : S->Fix.Minute; }
  int Second() const { return Buffered() ? Row().Second : S->Fix.Second; }
  const GpsFix& Fix() const { return S->Fix; }
  // A GPS fix has been read from the file: before it, a row has no position or GPS time.
  bool HasFix() const { return S->FixSeen; }
  bool HasClock() const { return S->ClockSeen; }
  const RtcTime& Clock() const { return S->Clock; }
  const TpPosition& Tp() const { return S->Tp; }
  const TpMotion& Motion() const { return S->Motion; }
  // The selected receiver's band.
  const BandInfo& Band() const { return S->Bands[S->SelectedReceiver]; }
  // 1 or 2: the buffered row's receiver, else the selected one.
  int Receiver() const { return (Buffered() ? Row().Receiver : S->SelectedReceiver) + 1; }
  int32_t RecordNumber() const { return Record; }
  int32_t ScanNumber() const { return Scan; }
  int16_t ScanKind() const { return Kind; }
  ScanMode Mode() const { return S->Mode; }
  bool BestServer() const { return S->ReductionMode == Reduction::BestServer; }

  double FrequencyMHz(const DataEntry& e) const { return e.Table ? Band().ChannelToMHz(e.Value) : Band().StepsToMHz(e.Value); }
  int64_t Channel(const DataEntry& e) const {
    return e.Table ? static_cast<int64_t>(e.Value) : Band().StepsToChannel(e.Value);
  }

  // Calls visit(const DataEntry&) for each entry of the data block, in order.
  template <typename Visit>
  void ForEachEntry(Visit&& visit) const;

  // The entries of a single-channel row, which share one frequency, as a run: the
  // first `stored` of `count` entries have the RSSI samples[j], the others -120 (no
  // sample was stored for them). False for other rows (or a channel of frequency 0),
  // whose entries ForEachEntry gives one by one; for a run it gives the same.
  bool SampleRun(const int8_t*& samples, int32_t& count, int32_t& stored, uint32_t& frequency) const {
    const DecodedState& s = *S;
    if (s.Mode != ScanMode::SingleChannel) return false;
    const uint32_t* frequencies = s.ListFrequencies[s.SelectedReceiver];
    frequency = frequencies[0];
    if (frequency == 0 || frequencies[kFrequencySlots - 1] != frequency) return false;
    if (s.Buffered()) {
      const BufferedRow& row = Row();
      const size_t offset = std::min<size_t>(row.SampleOffset, s.RowSampleData.size());
      samples = s.RowSampleData.data() + offset;
      count = row.LastSample + 1;
      stored = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(count), s.RowSampleData.size() - offset));
    } else {
      samples = s.RssiSamples;
      count = stored = s.LastSampleIndex + 1;
    }
    if (count < 0) count = stored = 0;
    return true;
  }

 private:
  const DecodedState* S;
  int32_t Index;
  int32_t Record;
  int32_t Scan;
  int16_t Kind;
};

// Single-channel rows show the samples of their record, list rows the list positions
// with a frequency, table rows their record's entries; with best server a list row
// shows only its strongest used position and a table row the best channel of the
// sweep it closed. A buffered row also shows a sample whose position has no
// frequency when the table channel of that position is set (RSSI only).
template <typename Visit>
void RowView::ForEachEntry(Visit&& visit) const {
  const DecodedState& s = *S;
  const uint32_t* frequencies = s.ListFrequencies[s.SelectedReceiver];
  auto frequency = [frequencies](int32_t j) { return frequencies[j < kFrequencySlots ? j : kFrequencySlots - 1]; };
  switch (s.Mode) {
    case ScanMode::SingleChannel: {
      if (s.Buffered()) {
        const BufferedRow& row = Row();
        const size_t offset = std::min<size_t>(row.SampleOffset, s.RowSampleData.size());
        const int8_t* samples = s.RowSampleData.data() + offset;
        const size_t stored = s.RowSampleData.size() - offset;
        for (int32_t j = 0; j <= row.LastSample; ++j) {
          const uint32_t f = frequency(j);
          if (f == 0 && (j >= kTableSlots || s.TableChannels[j] == 0)) continue;
          visit(DataEntry{f, false, f != 0, static_cast<size_t>(j) < stored ? samples[j] : -120});
        }
        return;
      }
      for (int32_t j = 0; j <= s.LastSampleIndex; ++j)
        if (const uint32_t f = frequency(j)) visit(DataEntry{f, false, true, s.RssiSamples[j]});
      return;
    }
    case ScanMode::List: {
      int32_t first = 0, last = kListSlots - 1;
      if (s.ReductionMode == Reduction::BestServer) {
        int best = -150;  // below any RSSI byte: the first used position wins ties
        first = 0;
        for (int32_t j = 0; j < kListSlots; ++j) {
          if (frequencies[j] != 0 && s.RssiSamples[j] > best) {
            best = s.RssiSamples[j];
            first = j;
          }
        }
        last = first;
      }
      for (int32_t j = first; j <= last; ++j)
        if (frequencies[j] != 0) visit(DataEntry{frequencies[j], false, true, s.RssiSamples[j]});
      return;
    }
    case ScanMode::Table:
      if (s.ReductionMode == Reduction::BestServer) {
        visit(DataEntry{static_cast<uint32_t>(s.Sweep.BestChannel), true, true, s.Sweep.BestRssi});
        return;
      }
      for (int32_t j = 0; j <= s.LastTableIndex; ++j)
        visit(DataEntry{j < kTableSlots ? s.TableChannels[j] : 0u, true, true, s.RssiSamples[j]});
      return;
    case ScanMode::None: return;
  }
}

}  // namespace quillon
