#include "layers/database_load.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <vector>

#include "layers/ogr_sql.h"
#include "reader/shown_text.h"
#include "version.h"

namespace quillon {

namespace {

constexpr char kLoadsTable[] = "quillon_loads";

std::string GdalMessage(const char* fallback) {
  const char* message = CPLGetLastErrorMsg();
  return message && *message ? message : fallback;
}

}  // namespace

DatabaseLoad::DatabaseLoad(GDALDataset& dataset, std::string layer, std::string binsLayer)
    : Dataset(dataset), Layer(std::move(layer)), BinsLayer(std::move(binsLayer)) {}

bool DatabaseLoad::Exec(const std::string& statement, std::string& error) {
  if (RunSql(Dataset, statement)) return true;
  error = GdalMessage("the statement failed");
  return false;
}

bool DatabaseLoad::Prepare(std::string& error) {
  return Exec(std::string("CREATE TABLE IF NOT EXISTS ") + kLoadsTable +
                  " (id bigserial PRIMARY KEY, layer text NOT NULL, file_name text NOT NULL, file_path text NOT NULL, "
                  "file_size bigint NOT NULL, sha256 text NOT NULL, loaded_at timestamptz NOT NULL DEFAULT now(), "
                  "rows bigint, bins bigint, settings text NOT NULL, program text NOT NULL, UNIQUE (layer, sha256))",
              error) &&
         Exec("CREATE INDEX IF NOT EXISTS " + SqlName(Layer + "_load_id_idx") + " ON " + SqlName(Layer) + " (load_id)",
              error);
}

void DatabaseLoad::Next(const LogLoad& log) {
  if (log.Path != Log.Path) Digested = false;
  Log = log;
  LoadId = 0;
}

bool DatabaseLoad::Digest(std::string& error) {
  if (Digested) return true;
  Digested = DigestOfFile(Log.Path, File, error);
  return Digested;
}

bool DatabaseLoad::EarlierLoads(std::vector<int64_t>& ids, std::string& when, std::string& error) {
  if (!Digest(error)) return false;
  ids.clear();
  const bool done = RunSql(Dataset,
                           std::string("SELECT id, to_char(loaded_at AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), "
                                       "file_name FROM ") +
                               kLoadsTable + " WHERE layer = " + SqlLiteral(Layer) +
                               " AND sha256 = " + SqlLiteral(File.Sha256) + " ORDER BY id",
                           [&](OGRFeature& row) {
                             ids.push_back(row.GetFieldAsInteger64(0));
                             if (ids.size() == 1)
                               when = std::string(row.GetFieldAsString(1)) + " UTC (load " +
                                      std::to_string(ids.back()) + ", as " + row.GetFieldAsString(2) + ")";
                           });
  if (!done) error = GdalMessage("the earlier loads could not be read");
  return done;
}

bool DatabaseLoad::Earlier(std::string& sentence, std::string& error) {
  sentence.clear();
  if (Log.Replace) return true;
  std::vector<int64_t> ids;
  std::string when;
  if (!EarlierLoads(ids, when, error)) return false;
  if (!ids.empty()) sentence = ValidUtf8(Log.Path) + " is in the layer " + Layer + " already: it was loaded on " + when + ".";
  return true;
}

bool DatabaseLoad::Begin(std::string& error) {
  std::vector<int64_t> ids;
  std::string when;
  if (!EarlierLoads(ids, when, error)) return false;
  std::string list;
  for (int64_t id : ids) list += (list.empty() ? "" : ", ") + std::to_string(id);
  if (!list.empty()) {
    bool binsTable = false;
    if (!RunSql(Dataset, "SELECT to_regclass(" + SqlLiteral(SqlName(BinsLayer)) + ") IS NOT NULL",
                [&](OGRFeature& row) { binsTable = row.GetFieldAsInteger(0) != 0 || row.GetFieldAsString(0)[0] == 't'; }))
      return error = GdalMessage("the bins table could not be looked up"), false;
    if (!Exec("DELETE FROM " + SqlName(Layer) + " WHERE load_id IN (" + list + ")", error) ||
        (binsTable && !Exec("DELETE FROM " + SqlName(BinsLayer) + " WHERE load_id IN (" + list + ")", error)) ||
        !Exec(std::string("DELETE FROM ") + kLoadsTable + " WHERE id IN (" + list + ")", error))
      return false;
  }
  LoadId = 0;
  const bool inserted =
      RunSql(Dataset,
             std::string("INSERT INTO ") + kLoadsTable +
                 " (layer, file_name, file_path, file_size, sha256, settings, program) VALUES (" + SqlLiteral(Layer) +
                 ", " + SqlLiteral(Log.FileName) + ", " + SqlLiteral(ValidUtf8(Log.Path)) + ", " + std::to_string(File.Size) +
                 ", " + SqlLiteral(File.Sha256) + ", " + SqlLiteral(Log.Settings) + ", " +
                 SqlLiteral(std::string("quillon ") + kVersion) + ") RETURNING id",
             [&](OGRFeature& row) { LoadId = row.GetFieldAsInteger64(0); });
  if (inserted && LoadId > 0) return true;
  error = GdalMessage("the load could not be recorded");
  return false;
}

bool DatabaseLoad::Finish(int64_t rows, int64_t bins, std::string& error) {
  if (bins > 0 && !Exec("CREATE INDEX IF NOT EXISTS " + SqlName(BinsLayer + "_load_id_idx") + " ON " +
                            SqlName(BinsLayer) + " (load_id)",
                        error))
    return false;
  return Exec(std::string("UPDATE ") + kLoadsTable + " SET rows = " + std::to_string(rows) +
                  ", bins = " + std::to_string(bins) + " WHERE id = " + std::to_string(LoadId),
              error);
}

bool DatabaseLoad::Committed(std::string& error) {
  bool found = false;
  if (!RunSql(Dataset, std::string("SELECT id FROM ") + kLoadsTable + " WHERE id = " + std::to_string(LoadId),
              [&](OGRFeature&) { found = true; }))
    return error = GdalMessage("the load could not be read back"), false;
  if (!found) error = "the load was rolled back by the database";
  return found;
}

}  // namespace quillon
