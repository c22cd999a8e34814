// MbTiles: an offline base map, the SQLite tile file GDAL and QGIS write
// (gdal_translate -of MBTILES): tiles of 256 pixels in Web Mercator, by zoom,
// column and TMS row, read only and never over a network. Tiles are decoded by
// Qt's image readers (PNG, JPEG, WEBP as installed) and kept once read.
#pragma once
#include <QHash>
#include <QImage>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace quillon {

class MbTiles {
 public:
  MbTiles() = default;
  ~MbTiles();
  MbTiles(const MbTiles&) = delete;
  MbTiles& operator=(const MbTiles&) = delete;

  // False with the reason when the file is no tile file that can be read.
  bool Open(const QString& path, QString& error);
  bool IsOpen() const { return Db != nullptr; }
  int MinZoom() const { return Min; }
  int MaxZoom() const { return Max; }
  // The tile at zoom z, column x and row y counted from the north (XYZ); a null
  // image where the file has none.
  QImage Tile(int z, int x, int y);

 private:
  void Close();

  sqlite3* Db = nullptr;
  sqlite3_stmt* Query = nullptr;
  int Min = 0, Max = 0;
  QHash<quint64, QImage> Cache;
};

}  // namespace quillon
