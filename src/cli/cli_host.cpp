#include "cli/cli_host.h"

#include <csignal>

#include "reader/shown_text.h"

namespace quillon {

std::atomic<bool> InterruptRequested{false};

namespace {
void OnInterrupt(int) { InterruptRequested.store(true); }
}  // namespace

// Ctrl+C, a polite kill and a closed terminal all stop the run the same way: the
// flag is set, the run ends at its next record and throws away what it staged.
void InstallInterruptHandler() {
  std::signal(SIGINT, OnInterrupt);
#ifndef _WIN32
  std::signal(SIGTERM, OnInterrupt);
  std::signal(SIGHUP, OnInterrupt);
#else
  std::signal(SIGTERM, OnInterrupt);
  std::signal(SIGBREAK, OnInterrupt);
#endif
}

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
  std::fprintf(stderr, "%s: %s\n", MessageCaption(kind), ValidUtf8(text).c_str());
}

}  // namespace quillon
