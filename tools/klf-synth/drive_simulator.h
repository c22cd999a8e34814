// DriveSimulator: writes a realistic drive-study log from a seed. A vehicle drives
// a route at road speed with a 1 Hz GPS receiver; the scanning receiver alternates
// between single-frequency scans (several single-channel records per second on both
// receivers, RSSI from a log-distance path-loss curve with fading, -120..-30 dBm),
// RTC-paced sections, list scans, table sweeps and GPS outages, until the file
// reaches the target size. A CW survey instead drives straight away from one test
// transmitter, from 200 m to 15 km, and back, at a steady speed, while receiver 1
// samples the transmitter's frequency (1935 MHz) at a fixed rate: path loss from the
// given model k1 + k2 log10(d / 1 km), log-normal shadowing correlated over 50 m,
// Rayleigh fading per sample, whole dBm; out and back again until the file reaches
// the target size.
#pragma once
#include <cstdint>
#include <cstdio>
#include <random>

#include "klf-synth/log_writer.h"

namespace klf {

struct CwSurvey {
  double Latitude = 0.0, Longitude = 0.0;  // the transmitter
  double EirpDbm = 0.0;
  double K1 = 0.0, K2 = 0.0;  // dB at 1 km, dB per decade
  double Sigma = 0.0;         // shadowing, dB
  bool Fading = true;
  double SpeedKmh = 40.0;
  int SamplesPerSecond = 200;
};

struct SimulatorOptions {
  uint64_t Seed = 1;
  double Megabytes = 0.3;
  Layout FileLayout = Layout::Standard;
  bool Cw = false;  // a CW survey (Survey) instead of the mixed drive
  CwSurvey Survey;
};

// The frequency a CW survey's receiver 1 is set to, in MHz.
constexpr double kCwFrequencyMHz = 1935.0;

class DriveSimulator {
 public:
  DriveSimulator(const SimulatorOptions& options, LogWriter& writer, std::FILE* file);
  // False when the file could not be written.
  bool Run();

 private:
  bool RunCw();
  void Advance();          // one second of driving
  void EmitFix(bool valid);
  void EmitRtc();
  int8_t Rssi(int receiver);
  void SingleSection(bool rtcPaced, int seconds);
  void OutageSection(int seconds);
  void ListSection(int seconds);
  void TableSection(int seconds);
  bool Flush();

  SimulatorOptions Options;
  LogWriter& Writer;
  std::FILE* File;
  std::mt19937_64 Rng;
  unsigned long long Target;
  double Latitude = 45.5017, Longitude = -73.5673, Heading = 0.7, Speed = 14.0;
  int Clock = 8 * 3600;
  int Marker = 0;
  bool WriteOk = true;
};

}  // namespace klf
