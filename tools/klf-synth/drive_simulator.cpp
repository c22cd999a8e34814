#include "klf-synth/drive_simulator.h"

#include <algorithm>
#include <cmath>

namespace klf {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111320.0;
// Band plans: receiver 1 1930-1990 MHz in 25 kHz steps, receiver 2 869-894 MHz in 30 kHz steps.
const BandDescriptor kBand1{77200, 79600, 6400, 0};
const BandDescriptor kBand2{28967, 29800, 7680, 0};
// Cell sites the RSSI is measured from (degrees).
const double kSites[][2] = {{45.5080, -73.5540}, {45.4950, -73.5800}, {45.5150, -73.5900}};
}  // namespace

DriveSimulator::DriveSimulator(const SimulatorOptions& options, LogWriter& writer, std::FILE* file)
    : Options(options), Writer(writer), File(file), Rng(options.Seed),
      Target(static_cast<unsigned long long>(std::max(0.001, options.Megabytes) * 1024 * 1024)) {}

void DriveSimulator::Advance() {
  std::normal_distribution<double> turn(0.0, 0.08), accel(0.0, 0.4);
  Heading += turn(Rng);
  Speed = std::clamp(Speed + accel(Rng), 3.0, 30.0);
  Latitude += Speed * std::cos(Heading) / kMetresPerDegree;
  Longitude += Speed * std::sin(Heading) / (kMetresPerDegree * std::cos(Latitude * kPi / 180));
  // Stay near the sites: turn back when too far away.
  if (std::fabs(Latitude - 45.505) > 0.05 || std::fabs(Longitude + 73.57) > 0.07) Heading += kPi / 2;
  Clock = (Clock + 1) % 86400;
}

void DriveSimulator::EmitFix(bool valid) {
  GpsFields f;
  f.Month = 11;
  f.Day = 24;
  f.Year = 2026;
  f.Hour = Clock / 3600;
  f.Minute = Clock / 60 % 60;
  f.Second = Clock % 60;
  f.LatitudeMas = static_cast<int32_t>(std::lround(Latitude * 3600000));
  f.LongitudeMas = static_cast<int32_t>(std::lround(Longitude * 3600000));
  f.HeightCm = 4500 + static_cast<int32_t>(Rng() % 800);
  f.SpeedCmps = static_cast<int16_t>(Speed * 100);
  f.Status = valid ? (Rng() % 10 == 0 ? 0xC0 : 0xE0) : 0x60;
  Writer.Gps(f);
}

void DriveSimulator::EmitRtc() {
  Writer.Rtc(Clock % 60, Clock / 60 % 60, Clock / 3600, 24, 11, 26, Marker++ % 100);
}

int8_t DriveSimulator::Rssi(int receiver) {
  double best = -200;
  for (const auto& site : kSites) {
    const double dy = (Latitude - site[0]) * kMetresPerDegree;
    const double dx = (Longitude - site[1]) * kMetresPerDegree * std::cos(Latitude * kPi / 180);
    const double d = std::max(10.0, std::hypot(dx, dy));
    const double exponent = receiver == 1 ? 2.8 : 2.6;
    best = std::max(best, -20 - 10 * exponent * std::log10(d / 10));
  }
  // Rayleigh fading: the envelope of two Gaussian components, in dB.
  std::normal_distribution<double> g(0.0, 0.7071);
  const double envelope = std::hypot(g(Rng), g(Rng));
  const double faded = best + 20 * std::log10(std::max(envelope, 1e-3));
  return static_cast<int8_t>(std::clamp(std::lround(faded), -120L, -30L));
}

bool DriveSimulator::Flush() {
  WriteOk = Writer.Drain(File) && WriteOk;
  return WriteOk;
}

void DriveSimulator::SingleSection(bool rtcPaced, int seconds) {
  Writer.SingleDefinition(77400 + static_cast<uint32_t>(Rng() % 400), 29000 + static_cast<uint32_t>(Rng() % 200));
  const int perSecond = 4 + static_cast<int>(Rng() % 5);
  for (int s = 0; s < seconds && Writer.Size() < Target; ++s) {
    Advance();
    if (rtcPaced) EmitRtc();
    else EmitFix(true);
    for (int k = 0; k < perSecond; ++k) {
      const int receiver = 1 + k % 2;
      std::vector<int8_t> samples(1 + Rng() % 3);
      for (int8_t& v : samples) v = Rssi(receiver);
      Writer.Single(receiver, samples);
    }
  }
}

void DriveSimulator::OutageSection(int seconds) {
  for (int s = 0; s < seconds && Writer.Size() < Target; ++s) {
    Advance();
    if (s % 5 == 2) EmitFix(false);  // the receiver reports, but without a fix
    for (int k = 0; k < 4; ++k) Writer.Single(1 + k % 2, {Rssi(1 + k % 2)});
  }
}

void DriveSimulator::ListSection(int seconds) {
  std::array<uint32_t, 10> rx1{}, rx2{};
  const size_t used = 3 + Rng() % 8;
  for (size_t j = 0; j < used; ++j) {
    rx1[j] = 77200 + static_cast<uint32_t>(Rng() % 2400);
    rx2[j] = 28967 + static_cast<uint32_t>(Rng() % 833);
  }
  Writer.ListDefinition(rx1, rx2);
  for (int s = 0; s < seconds && Writer.Size() < Target; ++s) {
    Advance();
    EmitFix(true);
    for (int k = 0; k < 5; ++k) {
      std::vector<ListEntry> entries;
      for (int e = 0; e < 5; ++e) {
        const uint8_t receiver = static_cast<uint8_t>(e % 2);
        entries.push_back({receiver, static_cast<uint8_t>(Rng() % used), Rssi(receiver + 1)});
      }
      Writer.ListData(entries);
    }
  }
}

void DriveSimulator::TableSection(int seconds) {
  const uint16_t channels = static_cast<uint16_t>(12 + Rng() % 30);
  uint16_t next = 1;
  for (int s = 0; s < seconds && Writer.Size() < Target; ++s) {
    Advance();
    EmitFix(true);
    for (int k = 0; k < 6; ++k) {
      std::vector<TableEntry> entries;
      for (int e = 0; e < 4; ++e) {
        entries.push_back({static_cast<uint8_t>(e % 2), next, Rssi(e % 2 + 1)});
        if (e % 2 == 1) next = static_cast<uint16_t>(next % channels + 1);
      }
      Writer.TableData(entries);
    }
  }
}

bool DriveSimulator::Run() {
  Writer.Band(3, kBand1, kBand2);
  Writer.TpPosition({0, 0, 8, 24, 10, 126, 'N', 45, 501700, 'W', 73, 567300});
  Writer.TpMotion(50, 90);
  while (Writer.Size() < Target && WriteOk) {
    switch (Rng() % 6) {
      case 0:
      case 1: SingleSection(false, 60 + static_cast<int>(Rng() % 120)); break;
      case 2: SingleSection(true, 20 + static_cast<int>(Rng() % 40)); break;
      case 3: ListSection(20 + static_cast<int>(Rng() % 40)); break;
      case 4: TableSection(20 + static_cast<int>(Rng() % 40)); break;
      default: OutageSection(20 + static_cast<int>(Rng() % 60)); break;
    }
    Flush();
  }
  return WriteOk;
}

}  // namespace klf
