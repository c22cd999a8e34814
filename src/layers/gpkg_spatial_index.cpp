#include "layers/gpkg_spatial_index.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

namespace quillon {

namespace {

std::string Quoted(const std::string& name) {
  std::string q = "\"";
  for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + '"';
}

// A box as the R*Tree keeps it: single precision, rounded outwards.
struct Box {
  float MinX = std::numeric_limits<float>::infinity(), MaxX = -std::numeric_limits<float>::infinity();
  float MinY = std::numeric_limits<float>::infinity(), MaxY = -std::numeric_limits<float>::infinity();
  void Add(const Box& b) {
    MinX = std::min(MinX, b.MinX), MaxX = std::max(MaxX, b.MaxX);
    MinY = std::min(MinY, b.MinY), MaxY = std::max(MaxY, b.MaxY);
  }
};

float Down(double d) {
  float f = static_cast<float>(d);
  return f > d ? std::nextafter(f, -std::numeric_limits<float>::infinity()) : f;
}
float Up(double d) {
  float f = static_cast<float>(d);
  return f < d ? std::nextafter(f, std::numeric_limits<float>::infinity()) : f;
}

double ReadDouble(const unsigned char* p, bool little) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(p[little ? i : 7 - i]) << (8 * i);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

uint32_t ReadUint32(const unsigned char* p, bool little) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[little ? i : 3 - i]) << (8 * i);
  return v;
}

enum class BlobBox { Found, Empty, Unreadable };

// The box of a GeoPackage geometry blob: its envelope when it has one, else its
// point (the layer's geometries are points).
BlobBox BoxOf(const unsigned char* blob, int size, Box& box) {
  if (size < 8 || blob[0] != 'G' || blob[1] != 'P') return BlobBox::Unreadable;
  const unsigned flags = blob[3];
  if (flags & 0x10) return BlobBox::Empty;
  static constexpr int kEnvelopeBytes[] = {0, 32, 48, 48, 64};
  const unsigned envelope = (flags >> 1) & 7;
  if (envelope > 4 || size < 8 + kEnvelopeBytes[envelope]) return BlobBox::Unreadable;
  const bool littleHeader = flags & 1;
  double minX, maxX, minY, maxY;
  if (envelope) {
    const unsigned char* e = blob + 8;
    minX = ReadDouble(e, littleHeader), maxX = ReadDouble(e + 8, littleHeader);
    minY = ReadDouble(e + 16, littleHeader), maxY = ReadDouble(e + 24, littleHeader);
  } else {
    const unsigned char* wkb = blob + 8;
    if (size < 8 + 21) return BlobBox::Unreadable;
    const bool little = wkb[0] == 1;
    if (ReadUint32(wkb + 1, little) % 1000 != 1) return BlobBox::Unreadable;  // not a point
    minX = maxX = ReadDouble(wkb + 5, little);
    minY = maxY = ReadDouble(wkb + 13, little);
  }
  if (std::isnan(minX) || std::isnan(minY) || std::isnan(maxX) || std::isnan(maxY)) return BlobBox::Empty;
  box.MinX = Down(minX), box.MaxX = Up(maxX), box.MinY = Down(minY), box.MaxY = Up(maxY);
  return BlobBox::Found;
}

void PutBig(unsigned char* p, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) p[i] = static_cast<unsigned char>(v);
}

void PutFloat(unsigned char* p, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  PutBig(p, bits, 4);
}

struct StatementCloser {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

struct DatabaseCloser {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};

constexpr int kCellBytes = 8 + 4 * 4;  // id, then min and max of x and y

// Packs the tree bottom up: a node is written when full (or at the end), its box
// and number then going into the pending node of the level above. The root,
// whatever its level, is node 1 and carries the tree's depth.
class Packer {
 public:
  Packer(sqlite3* db, int nodeBytes) : Db(db), NodeBytes(nodeBytes), MaxCells((nodeBytes - 4) / kCellBytes) {}

  bool Prepare(const std::string& rtree, std::string& error) {
    return PrepareOne("INSERT OR REPLACE INTO " + Quoted(rtree + "_node") + "(nodeno, data) VALUES (?, ?)", Node,
                      error) &&
           PrepareOne("INSERT INTO " + Quoted(rtree + "_rowid") + "(rowid, nodeno) VALUES (?, ?)", Rowid, error) &&
           PrepareOne("INSERT INTO " + Quoted(rtree + "_parent") + "(nodeno, parentnode) VALUES (?, ?)", Parent,
                      error);
  }

  bool Add(int64_t id, const Box& box) { return AddTo(0, id, box); }

  bool Finish() {
    for (size_t level = 0;; ++level) {
      if (Levels[level].Written == 0) return Write(level, true);
      if (Levels[level].Cells > 0 && !Write(level, false)) return false;
    }
  }

 private:
  struct Level {
    std::vector<unsigned char> Data;
    std::vector<int64_t> Children;
    Box Bounds;
    int Cells = 0;
    int64_t Written = 0;
  };

  bool PrepareOne(const std::string& sql, Statement& statement, std::string& error) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(Db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
      error = sqlite3_errmsg(Db);
      return false;
    }
    statement.reset(s);
    return true;
  }

  bool AddTo(size_t level, int64_t id, const Box& box) {
    if (Levels.size() <= level) Levels.resize(level + 1);
    if (Levels[level].Cells == MaxCells && !Write(level, false)) return false;
    Level& l = Levels[level];
    if (l.Data.empty()) l.Data.assign(NodeBytes, 0);
    unsigned char* cell = l.Data.data() + 4 + l.Cells * kCellBytes;
    PutBig(cell, static_cast<uint64_t>(id), 8);
    PutFloat(cell + 8, box.MinX), PutFloat(cell + 12, box.MaxX);
    PutFloat(cell + 16, box.MinY), PutFloat(cell + 20, box.MaxY);
    l.Children.push_back(id);
    l.Bounds.Add(box);
    ++l.Cells;
    return true;
  }

  bool Step(sqlite3_stmt* s) {
    const bool done = sqlite3_step(s) == SQLITE_DONE;
    sqlite3_reset(s);
    return done;
  }

  bool Write(size_t level, bool root) {
    Level& l = Levels[level];
    if (l.Data.empty()) l.Data.assign(NodeBytes, 0);
    const int64_t number = root ? 1 : NextNode++;
    PutBig(l.Data.data(), root ? level : 0, 2);
    PutBig(l.Data.data() + 2, static_cast<uint64_t>(l.Cells), 2);
    sqlite3_bind_int64(Node.get(), 1, number);
    sqlite3_bind_blob(Node.get(), 2, l.Data.data(), NodeBytes, SQLITE_STATIC);
    if (!Step(Node.get())) return false;
    sqlite3_stmt* links = level == 0 ? Rowid.get() : Parent.get();
    for (int64_t child : l.Children) {
      sqlite3_bind_int64(links, 1, child);
      sqlite3_bind_int64(links, 2, number);
      if (!Step(links)) return false;
    }
    const Box bounds = l.Bounds;
    l = Level{{}, {}, {}, 0, l.Written + 1};
    return root || AddTo(level + 1, number, bounds);
  }

  sqlite3* Db;
  const int NodeBytes;
  const int MaxCells;
  int64_t NextNode = 2;
  std::vector<Level> Levels{1};
  Statement Node, Rowid, Parent;
};

bool Exec(sqlite3* db, const std::string& sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  error = message ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  return false;
}

bool Fill(sqlite3* db, const GeoPackageIndexDeclaration& d, std::string& error) {
  if (!Exec(db, d.CreateRtree, error)) return false;
  sqlite3_stmt* s = nullptr;
  const std::string rootSize = "SELECT length(data) FROM " + Quoted(d.RtreeTable + "_node") + " WHERE nodeno = 1";
  if (sqlite3_prepare_v2(db, rootSize.c_str(), -1, &s, nullptr) != SQLITE_OK) return error = sqlite3_errmsg(db), false;
  Statement size(s);
  if (sqlite3_step(s) != SQLITE_ROW) return error = "the spatial index has no root node", false;
  const int nodeBytes = sqlite3_column_int(s, 0);
  if (nodeBytes < 4 + 2 * kCellBytes) return error = "the spatial index has nodes too small", false;

  Packer packer(db, nodeBytes);
  if (!packer.Prepare(d.RtreeTable, error)) return false;
  const std::string points = "SELECT " + Quoted(d.FidColumn) + ", " + Quoted(d.GeometryColumn) + " FROM " +
                             Quoted(d.Table) + " WHERE " + Quoted(d.GeometryColumn) + " IS NOT NULL ORDER BY " +
                             Quoted(d.FidColumn);
  if (sqlite3_prepare_v2(db, points.c_str(), -1, &s, nullptr) != SQLITE_OK) return error = sqlite3_errmsg(db), false;
  Statement rows(s);
  int step;
  while ((step = sqlite3_step(s)) == SQLITE_ROW) {
    Box box;
    const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(s, 1));
    const BlobBox found = BoxOf(blob, sqlite3_column_bytes(s, 1), box);
    if (found == BlobBox::Unreadable) return error = "a geometry of the layer could not be read", false;
    if (found == BlobBox::Found && !packer.Add(sqlite3_column_int64(s, 0), box))
      return error = sqlite3_errmsg(db), false;
  }
  if (step != SQLITE_DONE) return error = sqlite3_errmsg(db), false;
  if (!packer.Finish()) return error = sqlite3_errmsg(db), false;

  if (d.Extension.size() != 5) return error = "the spatial index has no extension row", false;
  if (sqlite3_prepare_v2(db,
                         "INSERT INTO gpkg_extensions (table_name, column_name, extension_name, definition, scope) "
                         "VALUES (?, ?, ?, ?, ?)",
                         -1, &s, nullptr) != SQLITE_OK)
    return error = sqlite3_errmsg(db), false;
  Statement extension(s);
  for (int i = 0; i < 5; ++i) sqlite3_bind_text(s, i + 1, d.Extension[i].c_str(), -1, SQLITE_STATIC);
  if (sqlite3_step(s) != SQLITE_DONE) return error = sqlite3_errmsg(db), false;
  for (const std::string& trigger : d.Triggers)
    if (!Exec(db, trigger, error)) return false;
  return true;
}

}  // namespace

bool BuildGeoPackageIndex(const std::string& path, const GeoPackageIndexDeclaration& declaration,
                          std::string& error) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
  if (opened != SQLITE_OK) {
    error = raw ? sqlite3_errmsg(raw) : "the GeoPackage could not be opened";
    return false;
  }
  // The file is still staged: a failure throws it away, so the journal is not needed.
  if (!Exec(raw, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN", error)) return false;
  if (!Fill(raw, declaration, error)) return false;
  return Exec(raw, "COMMIT", error);
}

}  // namespace quillon
