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

namespace {
constexpr double kEarthRadius = 6371008.8;  // metres, the mean radius
constexpr double kDegree = kPi / 180.0;

// The point `metres` from (lat, lon) along `bearing` (radians), on the sphere.
void Moved(double lat, double lon, double bearing, double metres, double& toLat, double& toLon) {
  const double a = metres / kEarthRadius, p1 = lat * kDegree;
  const double p2 = std::asin(std::sin(p1) * std::cos(a) + std::cos(p1) * std::sin(a) * std::cos(bearing));
  const double l2 = lon * kDegree + std::atan2(std::sin(bearing) * std::sin(a) * std::cos(p1),
                                               std::cos(a) - std::sin(p1) * std::sin(p2));
  toLat = p2 / kDegree, toLon = l2 / kDegree;
}

double SphereDistance(double lat1, double lon1, double lat2, double lon2) {
  const double dp = (lat2 - lat1) * kDegree, dl = (lon2 - lon1) * kDegree;
  const double h = std::sin(dp / 2) * std::sin(dp / 2) +
                   std::cos(lat1 * kDegree) * std::cos(lat2 * kDegree) * std::sin(dl / 2) * std::sin(dl / 2);
  return 2 * kEarthRadius * std::asin(std::min(1.0, std::sqrt(h)));
}
}  // namespace

bool DriveSimulator::RunCw() {
  const CwSurvey& cw = Options.Survey;
  Writer.Band(3, kBand1, kBand2);
  Writer.TpPosition({0, 0, 8, 24, 10, 126, 'N', 45, 501700, 'W', 73, 567300});
  Writer.TpMotion(50, 90);
  // 1935 MHz: 77400 steps of 25 kHz.
  Writer.SingleDefinition(static_cast<uint32_t>(std::lround(kCwFrequencyMHz * 40)), 29000);
  const double speed = std::max(0.5, cw.SpeedKmh / 3.6), bearing = 60 * kDegree;
  const double nearest = 200, farthest = 15000;
  const int perSecond = std::max(1, cw.SamplesPerSecond);
  const double step = speed / perSecond;  // metres between samples
  const double rho = std::exp(-step / 50.0);  // shadowing's correlation from sample to sample
  std::normal_distribution<double> unit(0.0, 1.0), component(0.0, 0.7071067811865476);
  double shadow = cw.Sigma * unit(Rng);
  double along = nearest;  // metres from the transmitter along the route
  int direction = 1;
  Speed = speed;
  while (WriteOk) {
    Moved(cw.Latitude, cw.Longitude, bearing, along, Latitude, Longitude);
    EmitFix(true);
    std::vector<int8_t> samples;
    for (int k = 0; k < perSecond; ++k) {
      double lat = 0, lon = 0;
      Moved(cw.Latitude, cw.Longitude, bearing, along, lat, lon);
      const double d = SphereDistance(cw.Latitude, cw.Longitude, lat, lon);
      double dbm = cw.EirpDbm - (cw.K1 + cw.K2 * std::log10(d / 1000.0)) + shadow;
      if (cw.Fading) dbm += 20 * std::log10(std::max(std::hypot(component(Rng), component(Rng)), 1e-4));
      samples.push_back(static_cast<int8_t>(std::clamp(std::lround(dbm), -120L, -30L)));
      if (samples.size() == 10 || k + 1 == perSecond) {
        Writer.Single(1, samples);
        samples.clear();
      }
      shadow = rho * shadow + std::sqrt(1 - rho * rho) * cw.Sigma * unit(Rng);
      along += direction * step;
    }
    Clock = (Clock + 1) % 86400;
    Flush();
    if (direction > 0 && along >= farthest) direction = -1;
    else if (direction < 0 && along <= nearest && Writer.Size() >= Target) break;
    else if (direction < 0 && along <= nearest) direction = 1;  // out again, until the file is large enough
  }
  return WriteOk;
}

bool DriveSimulator::Run() {
  if (Options.Cw) return RunCw();
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
