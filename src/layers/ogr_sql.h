// OGR SQL: one statement in a dataset's own SQL (SQLite's for a GeoPackage,
// PostgreSQL's for a database), each row of its result handed to a function, and
// texts quoted for such statements.
#pragma once
#include <functional>
#include <string>

class GDALDataset;
class OGRFeature;

namespace quillon {

// False when the statement failed; GDAL's message is then its last error.
bool RunSql(GDALDataset& dataset, const std::string& statement,
            const std::function<void(OGRFeature&)>& row = nullptr);
// 'text' with its quotes doubled: a literal of SQLite and of PostgreSQL.
std::string SqlLiteral(const std::string& text);
// "name" with its quotes doubled: an identifier kept as it is written.
std::string SqlName(const std::string& name);

}  // namespace quillon
