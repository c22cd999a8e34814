// klf-synth: writes a simulated drive-study log.
//   klf-synth OUTPUT [--seed N] [--megabytes M] [--flash-card]
//             [--cw-site LAT,LON,EIRP,K1,K2,SIGMA [--no-fading] [--speed KMH] [--sample-rate N]]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "klf-synth/drive_simulator.h"
#include "klf-synth/log_writer.h"

int main(int argc, char** argv) {
  klf::SimulatorOptions options;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seed" && i + 1 < argc) options.Seed = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--megabytes" && i + 1 < argc) options.Megabytes = std::strtod(argv[++i], nullptr);
    else if (arg == "--flash-card") options.FileLayout = klf::Layout::FlashCard;
    else if (arg == "--cw-site" && i + 1 < argc) {
      klf::CwSurvey& cw = options.Survey;
      options.Cw = std::sscanf(argv[++i], "%lf,%lf,%lf,%lf,%lf,%lf", &cw.Latitude, &cw.Longitude, &cw.EirpDbm, &cw.K1,
                               &cw.K2, &cw.Sigma) == 6;
      if (!options.Cw) return std::fprintf(stderr, "klf-synth: --cw-site takes LAT,LON,EIRP,K1,K2,SIGMA\n"), 2;
    } else if (arg == "--no-fading") options.Survey.Fading = false;
    else if (arg == "--speed" && i + 1 < argc) options.Survey.SpeedKmh = std::strtod(argv[++i], nullptr);
    else if (arg == "--sample-rate" && i + 1 < argc) options.Survey.SamplesPerSecond = std::atoi(argv[++i]);
    else if (output.empty() && arg[0] != '-') output = arg;
    else {
      std::fprintf(stderr, "usage: klf-synth OUTPUT [--seed N] [--megabytes M] [--flash-card] [--cw-site "
                           "LAT,LON,EIRP,K1,K2,SIGMA [--no-fading] [--speed KMH] [--sample-rate N]]\n");
      return 2;
    }
  }
  if (output.empty()) {
    std::fprintf(stderr, "usage: klf-synth OUTPUT [--seed N] [--megabytes M] [--flash-card]\n");
    return 2;
  }
  std::FILE* file = std::fopen(output.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "klf-synth: cannot create %s\n", output.c_str());
    return 1;
  }
  klf::LogWriter writer(options.FileLayout);
  klf::DriveSimulator simulator(options, writer, file);
  const bool ran = simulator.Run();
  if (!writer.Close(file) || !ran) {
    std::fprintf(stderr, "klf-synth: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
