#include "dialogs/mbtiles.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {
constexpr size_t kMaxCached = 512;
}  // namespace

MbTiles::~MbTiles() { Close(); }

void MbTiles::Close() {
  if (Query) sqlite3_finalize(Query);
  if (Db) sqlite3_close(Db);
  Query = nullptr;
  Db = nullptr;
  Cache.clear();
}

bool MbTiles::Open(const QString& path, QString& error) {
  Close();
  const QByteArray name = path.toUtf8();
  if (sqlite3_open_v2(name.constData(), &Db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(Db, "SELECT tile_data FROM tiles WHERE zoom_level=?1 AND tile_column=?2 AND tile_row=?3", -1,
                         &Query, nullptr) != SQLITE_OK) {
    error = path + ": " + (Db ? QString::fromUtf8(sqlite3_errmsg(Db)) : QString("cannot be opened")) +
            " (not an MBTiles file?)";
    Close();
    return false;
  }
  sqlite3_stmt* zooms = nullptr;
  Min = 0, Max = -1;
  if (sqlite3_prepare_v2(Db, "SELECT MIN(zoom_level), MAX(zoom_level) FROM tiles", -1, &zooms, nullptr) == SQLITE_OK &&
      sqlite3_step(zooms) == SQLITE_ROW && sqlite3_column_type(zooms, 0) != SQLITE_NULL) {
    Min = sqlite3_column_int(zooms, 0);
    Max = sqlite3_column_int(zooms, 1);
  }
  sqlite3_finalize(zooms);
  if (Max < Min || Min < 0 || Max > 24) {
    error = path + ": the file holds no tiles.";
    Close();
    return false;
  }
  return true;
}

QImage MbTiles::Tile(int z, int x, int y) {
  if (!Db || z < 0 || z > 30 || x < 0 || y < 0 || x >= (1 << z) || y >= (1 << z)) return QImage();
  const quint64 key = (static_cast<quint64>(z) << 58) | (static_cast<quint64>(x) << 29) | static_cast<quint64>(y);
  const auto found = Cache.constFind(key);
  if (found != Cache.constEnd()) return *found;
  QImage image;
  sqlite3_reset(Query);
  sqlite3_bind_int(Query, 1, z);
  sqlite3_bind_int(Query, 2, x);
  sqlite3_bind_int(Query, 3, (1 << z) - 1 - y);  // TMS rows count from the south
  if (sqlite3_step(Query) == SQLITE_ROW) {
    const auto* data = static_cast<const uchar*>(sqlite3_column_blob(Query, 0));
    image.loadFromData(data, sqlite3_column_bytes(Query, 0));
  }
  if (static_cast<size_t>(Cache.size()) >= kMaxCached) Cache.clear();
  Cache.insert(key, image);
  return image;
}

}  // namespace quillon
