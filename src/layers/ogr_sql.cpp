#include "layers/ogr_sql.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

namespace quillon {

namespace {

// The first failure of a statement: a database reports why (a row it refused while
// taking the rows sent before the statement), then that the transaction is aborted.
struct FirstFailure {
  bool Seen = false;
  CPLErrorNum Number = CPLE_None;
  std::string Message;
};

void CPL_STDCALL KeepFirstFailure(CPLErr kind, CPLErrorNum number, const char* message) {
  auto* first = static_cast<FirstFailure*>(CPLGetErrorHandlerUserData());
  if (kind < CE_Failure || first->Seen) return;
  first->Seen = true;
  first->Number = number;
  first->Message = message ? message : "";
}

}  // namespace

bool RunSql(GDALDataset& dataset, const std::string& statement, const std::function<void(OGRFeature&)>& row) {
  CPLErrorReset();
  FirstFailure first;
  CPLPushErrorHandlerEx(KeepFirstFailure, &first);
  OGRLayer* result = dataset.ExecuteSQL(statement.c_str(), nullptr, nullptr);
  if (result && row)
    for (auto& feature : *result) row(*feature);
  if (result) dataset.ReleaseResultSet(result);
  CPLPopErrorHandler();
  if (!first.Seen) return true;
  CPLErrorSetState(CE_Failure, first.Number, first.Message.c_str());
  return false;
}

namespace {
std::string Quoted(const std::string& text, char quote) {
  std::string quoted(1, quote);
  for (char c : text) {
    quoted += c;
    if (c == quote) quoted += c;
  }
  return quoted + quote;
}
}  // namespace

std::string SqlLiteral(const std::string& text) { return Quoted(text, '\''); }
std::string SqlName(const std::string& name) { return Quoted(name, '"'); }

}  // namespace quillon
