// The program's icon and artwork, drawn rather than shipped as files.
#pragma once
#include <QIcon>
#include <QPixmap>

namespace quillon {

QPixmap ProgramArtwork(int size);
QIcon ProgramIcon();

}  // namespace quillon
