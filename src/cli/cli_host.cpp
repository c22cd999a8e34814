#include "cli/cli_host.h"

#include <csignal>

namespace quillon {

std::atomic<bool> InterruptRequested{false};

namespace {
void OnInterrupt(int) { InterruptRequested.store(true); }
}  // namespace

void InstallInterruptHandler() { std::signal(SIGINT, OnInterrupt); }

void CliRunHost::ShowProgress(int percent) {
  if (!ProgressShown) return;
  const int filled = percent / 5;
  std::fprintf(stderr, "\r[%-20.*s] %3d%%", filled, "####################", percent);
  std::fflush(stderr);
  BarOpen = true;
}

void CliRunHost::ReportMessage(MessageKind kind, const std::string& text) {
  if (BarOpen) {
    std::fputc('\n', stderr);
    BarOpen = false;
  }
  if (kind == MessageKind::Error) ++Errors;
  if (kind == MessageKind::Information && Quiet) return;
  std::fprintf(stderr, "%s: %s\n", MessageCaption(kind), text.c_str());
}

}  // namespace quillon
