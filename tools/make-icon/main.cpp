// make-icon SIZE OUTPUT.png: the program's icon, drawn as the window draws it, for
// the desktop's icon theme (run at build time, without a display).
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "dialogs/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-icon SIZE OUTPUT.png\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int size = std::atoi(argv[1]);
  if (size < 16 || size > 1024 || !quillon::ProgramArtwork(size).save(argv[2], "PNG")) {
    std::fprintf(stderr, "make-icon: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
