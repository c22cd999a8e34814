// MapInfo charset: MapInfo TAB and MIF files hold texts in one code page, named in
// the file ("Charset "WindowsCyrillic""), and GDAL 3.6 knows no UTF-8 one for them.
// The code page chosen is the first of the Windows code pages MapInfo reads that
// holds every text the layer will take, so that accented and non-Latin names show
// in MapInfo itself as they are.
#pragma once
#include <string>
#include <vector>

namespace quillon {

struct MapInfoCharset {
  std::string Encoding;               // iconv's name, as GDAL's MapInfo driver takes it
  std::vector<std::string> Unheld;    // the texts it does not hold (characters are lost)
};

// For these UTF-8 texts: "CP1252" (MapInfo's WindowsLatin1) for ASCII and Western
// names, else the first code page that holds them all; "CP1252" when none does,
// with the texts it cannot hold.
MapInfoCharset MapInfoCharsetFor(const std::vector<std::string>& texts);

}  // namespace quillon
