// DatabaseLoad: the record a database keeps of the logs loaded into it, so that
// every row can be traced to its file and no file is loaded twice by mistake. The
// table quillon_loads has a row per load (id, layer, file name and path, size,
// SHA-256, time, rows, bins, settings, program); the measurements and the bins of a
// load carry its id as `load_id`. Within one layer a file (by its SHA-256, whatever
// its name) is loaded once: another load of it is refused with the date of the
// first, unless it is to replace it, when the earlier load's rows, bins and record
// are deleted in the new load's transaction. Every statement runs in the caller's
// open transaction, so that a load is recorded exactly when its rows are committed.
#pragma once
#include <cstdint>
#include <string>

#include "layers/file_digest.h"
#include "layers/layer_writer.h"

class GDALDataset;

namespace quillon {

class DatabaseLoad {
 public:
  // layer: the measurement layer; binsLayer: the table of its bins.
  DatabaseLoad(GDALDataset& dataset, std::string layer, std::string binsLayer);
  // Creates the table of loads and the index on the layer's load_id where missing.
  bool Prepare(std::string& error);
  // The log of the next load; its file is read for its SHA-256 when first needed.
  void Next(const LogLoad& log);
  // When the next log is in the layer already and not to be replaced: the sentence
  // that says when it was loaded (else empty).
  bool Earlier(std::string& sentence, std::string& error);
  // Deletes what the log replaces and records the load: Id() is its id from now.
  bool Begin(std::string& error);
  int64_t Id() const { return LoadId; }
  // The load's rows and bins, in its record, before the transaction is committed.
  bool Finish(int64_t rows, int64_t bins, std::string& error);
  // After the commit: whether the load's record is in the database (a transaction
  // that failed unseen is rolled back by its COMMIT).
  bool Committed(std::string& error);

 private:
  bool Digest(std::string& error);
  // The ids of the earlier loads of the log's file into the layer, oldest first.
  bool EarlierLoads(std::vector<int64_t>& ids, std::string& when, std::string& error);
  bool Exec(const std::string& statement, std::string& error);

  GDALDataset& Dataset;
  const std::string Layer, BinsLayer;
  LogLoad Log;
  FileDigest File;
  bool Digested = false;
  int64_t LoadId = 0;
};

}  // namespace quillon
