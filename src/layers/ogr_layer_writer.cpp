// The measurement layer through GDAL/OGR: GeoPackage, MapInfo TAB and MIF, ESRI
// Shapefile, FlatGeobuf, GeoJSON and PostgreSQL/PostGIS. GDAL's messages are taken
// from its error stack (nothing is printed); one feature object and one point are
// reused for every feature. A database load is one transaction from the tables'
// creation (the first load's) to the load's record: rows, bins (written by the
// writer Beside this one) and record are committed together or not at all.
#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>

#include "layers/checked_files.h"
#include "layers/database_load.h"
#include "layers/gpkg_spatial_index.h"
#include "layers/ogr_layer_writer.h"
#include "layers/mapinfo_charset.h"
#include "layers/ogr_sql.h"
#include "reader/path_check.h"
#include "reader/messages.h"

namespace quillon {

namespace {

// GDAL's last message, or what happened when it has none.
std::string GdalReason(const char* fallback) {
  const char* message = CPLGetLastErrorMsg();
  return WithoutCheckedPrefix(message && *message ? message : fallback);
}

// Takes GDAL's messages on the writer's thread instead of letting it print them:
// failures are read back with CPLGetLastErrorMsg, warnings kept for the user.
void CPL_STDCALL KeepWarning(CPLErr kind, CPLErrorNum, const char* message) {
  auto* warnings = static_cast<std::vector<std::string>*>(CPLGetErrorHandlerUserData());
  if (kind != CE_Warning || !warnings || !message) return;
  if (warnings->size() < 8 && std::find(warnings->begin(), warnings->end(), message) == warnings->end())
    warnings->emplace_back(message);
}

OGRFieldType FieldTypeOf(AttributeType type) {
  switch (type) {
    case AttributeType::Integer: return OFTInteger;
    case AttributeType::Integer64: return OFTInteger64;
    case AttributeType::Real: return OFTReal;
    case AttributeType::DateTime: return OFTDateTime;
    case AttributeType::String: return OFTString;
  }
  return OFTString;
}

class OgrLayerWriter final : public LayerWriter {
 public:
  explicit OgrLayerWriter(OutputFormat format, OgrLayerWriter* owner = nullptr) : Format(format), Owner(owner) {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    CPLPushErrorHandlerEx(KeepWarning, &GdalWarnings);
  }
  ~OgrLayerWriter() override {
    std::string ignored;
    Close(false, ignored);
    CPLPopErrorHandler();
  }
  std::vector<std::string> Warnings() const override {
    std::vector<std::string> warnings;
    for (const std::string& w : GdalWarnings)
      if (!UnheldSaid || w.rfind("One or several characters couldn't be converted", 0) != 0) warnings.push_back(w);
    return warnings;
  }
  void TextsToHold(const std::vector<std::string>& texts) override { Texts = texts; }

  bool Open(const std::string& target, const std::string& layerName, const std::vector<Attribute>& attributes,
            LayerGeometry geometry, std::string& error) override {
    CPLErrorReset();
    Target = target;
    const bool database = Format == OutputFormat::PostGis;
    // Shapefiles hold no date and time in one field: theirs is ISO 8601 text.
    DateTimeAsText = Format == OutputFormat::Shapefile;
    if (Owner) {  // another layer of the owner's dataset, in its transaction
      Dataset = Owner->Dataset;
    } else if (database) {
      CPLSetThreadLocalConfigOption("PG_USE_COPY", "YES");
      const char* const drivers[] = {"PostgreSQL", nullptr};
      OwnDataset.reset(GDALDataset::Open(target.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers));
      if (!(Dataset = OwnDataset.get()))
        return Fail(error, messages::kDatabaseCannotBeAccessed, GdalReason("the connection failed"));
      // Without PostGIS, GDAL would make a table without geometry type or index.
      bool spatial = false;
      if (!Sql("SELECT extname FROM pg_extension WHERE extname = 'postgis'", [&](OGRFeature&) { spatial = true; }) ||
          !spatial)
        return Fail(error, messages::kDatabaseCannotBeAccessed,
                    "The database has no PostGIS extension: add it with CREATE EXTENSION postgis; (as the "
                    "database's owner), then load again.");
      // The tables are made in the first load's transaction: a load that fails leaves none.
      if (Dataset->StartTransaction() != OGRERR_NONE)
        return Fail(error, messages::kDatabaseCannotBeAccessed, GdalReason("no transaction"));
      InTransaction = true;
    } else {
      const char* name = Format == OutputFormat::Kml ? "KML" : InfoOf(Format).Driver;
      GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(name);
      if (!driver) return Fail(error, messages::kOutputFileCannotBeAccessed, "GDAL has no driver for this format");
      // GeoPackages go through SQLite's own file calls (which report every failed
      // write); the other formats through the checked ones.
      const bool sqlite = Format == OutputFormat::GeoPackage;
      TakeWriteError(FolderOf(target));
      if (sqlite && ExaminePath(target).Kind == PathKind::Regular) {  // an earlier dataset to add a layer to
        const char* const drivers[] = {"GPKG", nullptr};
        OwnDataset.reset(GDALDataset::Open(target.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers));
        if ((Dataset = OwnDataset.get()) && !DropLayer(layerName))
          return Fail(error, messages::kOutputFileCannotBeAccessed, GdalReason(layerName.c_str()));
      } else {
        const std::string name = sqlite ? target : CheckedPath(target);
        OwnDataset.reset(driver->Create(name.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        Dataset = OwnDataset.get();
      }
      if (!Dataset) return Fail(error, messages::kOutputFileCannotBeAccessed, GdalReason(target.c_str()));
    }
    Layer = database ? Dataset->GetLayerByName(layerName.c_str()) : nullptr;
    if (!Layer) {
      OGRSpatialReference wgs84;
      wgs84.SetWellKnownGeogCS("WGS84");
      wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      CPLStringList options;
      // A spatial index that grows with the features is left out where it would keep
      // them all in memory (FlatGeobuf builds its index at the end, in memory).
      if (Format == OutputFormat::FlatGeobuf) options.SetNameValue("SPATIAL_INDEX", "NO");
      if (database) options.SetNameValue("GEOMETRY_NAME", "geom");
      if (database) options.SetNameValue("FID64", "YES");  // ids past 2^31 for a campaign's rows
      // Texts in UTF-8, said so by the .cpg beside the .dbf; MapInfo's in the code
      // page that holds them, named in the file.
      if (Format == OutputFormat::Shapefile) options.SetNameValue("ENCODING", "UTF-8");
      if (Format == OutputFormat::MapInfoTab || Format == OutputFormat::MapInfoMif) {
        const MapInfoCharset charset = MapInfoCharsetFor(Texts);
        options.SetNameValue("ENCODING", charset.Encoding.c_str());
        // Said here once per dataset (GDAL says it once per process).
        if (!charset.Unheld.empty()) {
          GdalWarnings.push_back("No MapInfo code page holds " + charset.Unheld.front() +
                                 " with the other names: its characters that " + charset.Encoding +
                                 " lacks are left out of " + WithoutCheckedPrefix(target) + ".");
          UnheldSaid = true;
        }
      }
      // A GeoPackage's index is packed once its features are written (see Close).
      if (Format == OutputFormat::GeoPackage) options.SetNameValue("SPATIAL_INDEX", "NO");
      Layer = Dataset->CreateLayer(layerName.c_str(), &wgs84, geometry == LayerGeometry::Point ? wkbPoint : wkbPolygon,
                                   options.List());
      if (!Layer) return Fail(error, OpenFailure(), GdalReason(layerName.c_str()));
      if (Format == OutputFormat::GeoPackage && !DeclareSpatialIndex())
        return Fail(error, OpenFailure(), GdalReason("the spatial index could not be declared"));
    }
    // Fields missing from an existing table are added to it. MapInfo has no 64-bit
    // integers: its row numbers are 32-bit, as the reader counts them.
    const bool mapInfo = Format == OutputFormat::MapInfoTab || Format == OutputFormat::MapInfoMif;
    Columns.clear();
    for (const Attribute& a : attributes) {
      // dBase names hold ten characters: a longer name has a short one of its own.
      const char* name = Format == OutputFormat::Shapefile && a.DbaseName ? a.DbaseName : a.Name.c_str();
      int index = Layer->GetLayerDefn()->GetFieldIndex(name);
      if (index < 0) {
        const bool timeText = DateTimeAsText && a.Type == AttributeType::DateTime;
        OGRFieldType type = timeText ? OFTString : FieldTypeOf(a.Type);
        if (mapInfo && type == OFTInteger64) type = OFTInteger;
        OGRFieldDefn field(name, type);
        // A database keeps texts of any length and reals as double precision; files
        // of fixed widths keep what the values need.
        if (!database && (a.Width > 0 || timeText)) field.SetWidth(timeText ? 20 : a.Width);
        if (!database && a.Type == AttributeType::Real) field.SetPrecision(a.Precision);
        if (Layer->CreateField(&field) != OGRERR_NONE) return Fail(error, OpenFailure(), GdalReason(name));
        index = Layer->GetLayerDefn()->GetFieldIndex(name);
      }
      Columns.push_back({index, a.Type});
    }
    // A database's rows carry the id of their load.
    if (database) {
      LoadIdIndex = Layer->GetLayerDefn()->GetFieldIndex("load_id");
      if (LoadIdIndex < 0) {
        OGRFieldDefn field("load_id", OFTInteger64);
        if (Layer->CreateField(&field) != OGRERR_NONE) return Fail(error, OpenFailure(), GdalReason("load_id"));
        LoadIdIndex = Layer->GetLayerDefn()->GetFieldIndex("load_id");
      }
    }
    Feature = std::make_unique<OGRFeature>(Layer->GetLayerDefn());
    if (database && !Owner) {
      const std::string name = Layer->GetName();
      Loads = std::make_unique<DatabaseLoad>(*Dataset, name, name == kMeasurementLayer ? kBinsLayer : name + "_" + kBinsLayer);
      std::string reason;
      if (!Loads->Prepare(reason)) return Fail(error, OpenFailure(), reason);
    }
    return true;
  }

  void NextLog(const LogLoad& log) override {
    if (Loads) Loads->Next(log);
  }
  bool EarlierLoad(std::string& earlier, std::string& error) override {
    earlier.clear();
    std::string reason;
    if (!Loads || Loads->Earlier(earlier, reason)) return true;
    return Fail(error, messages::kDatabaseCannotBeAccessed, reason);
  }

  bool BeginLog(std::string& error) override {
    CPLErrorReset();
    if (Owner) return true;  // in the owner's transaction
    // A transaction per log where the dataset has them (GeoPackage, PostGIS); the
    // first load's began with the tables.
    if (!InTransaction) InTransaction = Dataset->StartTransaction() == OGRERR_NONE;
    if (!InTransaction && Format == OutputFormat::PostGis)
      return Fail(error, messages::kDatabaseCannotBeAccessed, GdalReason("no transaction"));
    Rows = Bins = 0;
    std::string reason;
    if (Loads && !Loads->Begin(reason)) return Fail(error, messages::kDatabaseCannotBeAccessed, reason);
    return true;
  }

  std::unique_ptr<LayerWriter> Beside() override {
    if (!Loads || !InTransaction) return nullptr;
    return std::make_unique<OgrLayerWriter>(Format, this);
  }

  bool Write(const LayerFeature& f, std::string& error) override {
    OGRFeature& out = *Feature;
    out.SetFID(OGRNullFID);
    for (size_t i = 0; i < Columns.size(); ++i) {
      const AttributeValue& v = f.Values[i];
      const int index = Columns[i].Index;
      if (v.Null) {
        out.SetFieldNull(index);
        continue;
      }
      switch (Columns[i].Type) {
        case AttributeType::Integer: out.SetField(index, static_cast<int>(v.Integer)); break;
        case AttributeType::Integer64: out.SetField(index, static_cast<GIntBig>(v.Integer)); break;
        case AttributeType::Real: out.SetField(index, v.Real); break;
        case AttributeType::String: out.SetField(index, v.Text.data()); break;
        case AttributeType::DateTime:
          if (DateTimeAsText) {
            char text[32];
            std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", v.Time.Year, v.Time.Month, v.Time.Day,
                          v.Time.Hour, v.Time.Minute, v.Time.Second);
            out.SetField(index, text);
          } else {
            out.SetField(index, v.Time.Year, v.Time.Month, v.Time.Day, v.Time.Hour, v.Time.Minute,
                         static_cast<float>(v.Time.Second), 100);  // 100: UTC
          }
          break;
      }
    }
    if (f.HasRing) {
      auto* polygon = static_cast<OGRPolygon*>(out.GetGeometryRef());
      if (!polygon) {
        out.SetGeometryDirectly(polygon = new OGRPolygon());
        polygon->addRingDirectly(new OGRLinearRing());
      }
      OGRLinearRing* ring = polygon->getExteriorRing();
      ring->setNumPoints(5, FALSE);
      for (int k = 0; k < 5; ++k) ring->setPoint(k, f.Ring[2 * k], f.Ring[2 * k + 1]);
    } else if (f.HasPoint) {
      auto* point = static_cast<OGRPoint*>(out.GetGeometryRef());
      if (!point) out.SetGeometryDirectly(point = new OGRPoint());
      point->setX(f.Longitude);
      point->setY(f.Latitude);
    } else if (out.GetGeometryRef()) {
      out.SetGeometryDirectly(nullptr);
    }
    if (LoadIdIndex >= 0) out.SetField(LoadIdIndex, static_cast<GIntBig>((Owner ? Owner : this)->Loads->Id()));
    if (Layer->CreateFeature(&out) == OGRERR_NONE) return ++(Owner ? Owner->Bins : Rows), true;
    return Fail(error, WriteFailure().c_str(), WriteReason("the feature was refused"));
  }

  bool EndLog(bool keep, std::string& error) override {
    if (!InTransaction || Owner) return true;
    CPLErrorReset();
    std::string reason;
    if (keep && Loads && !Loads->Finish(Rows, Bins, reason)) keep = false;
    InTransaction = false;
    if (!keep) {
      Dataset->RollbackTransaction();
      return reason.empty() || Fail(error, WriteFailure().c_str(), reason);
    }
    if (Dataset->CommitTransaction() != OGRERR_NONE)
      return Fail(error, WriteFailure().c_str(), GdalReason("the log's features were not committed"));
    if (Loads && !Loads->Committed(reason)) return Fail(error, WriteFailure().c_str(), reason);
    return true;
  }

  bool Close(bool keep, std::string& error) override {
    if (Owner) {  // the owner closes the dataset
      Feature.reset();
      Layer = nullptr;
      return true;
    }
    if (!Dataset) return true;
    CPLErrorReset();
    if (InTransaction) Dataset->RollbackTransaction();
    InTransaction = false;
    Feature.reset();
    Layer = nullptr;
    Loads.reset();
    CPLErrorReset();
    Dataset = nullptr;
    OwnDataset.reset();  // closing finishes the files (indexes, headers)
    const bool flushed = CPLGetLastErrorType() < CE_Failure;
    const std::string reason = WriteReason("the dataset could not be completed");
    if (Format == OutputFormat::PostGis) {
      if (!flushed && keep) return Fail(error, WriteFailure().c_str(), reason);
      return true;
    }
    // A write that failed unseen by the driver (a full disk) fails the dataset.
    const bool lost = TakeWriteError(FolderOf(Target)) != 0 || LostWrite != 0;
    if (!keep) return true;
    if (!flushed || lost) return Fail(error, WriteFailure().c_str(), reason);
    std::string reasonOfIndex;
    if (Format == OutputFormat::GeoPackage && !BuildGeoPackageIndex(Target, Index, reasonOfIndex))
      return Fail(error, WriteFailure().c_str(), reasonOfIndex);
    return true;
  }

 private:
  struct Column {
    int Index;
    AttributeType Type;
  };
  struct DatasetCloser {
    void operator()(GDALDataset* d) const { GDALClose(d); }
  };

  // Has GDAL declare the layer's spatial index (table, triggers, extension row), keeps
  // what it made and takes it away again, so that the features go in without it.
  bool DeclareSpatialIndex() {
    const std::string table = Layer->GetName(), geometry = Layer->GetGeometryColumn();
    Index = GeoPackageIndexDeclaration();
    Index.Table = table, Index.FidColumn = Layer->GetFIDColumn(), Index.GeometryColumn = geometry;
    Index.RtreeTable = "rtree_" + table + "_" + geometry;
    if (!Sql("SELECT CreateSpatialIndex(" + Literal(table) + ", " + Literal(geometry) + ")", nullptr)) return false;
    bool declared = Sql("SELECT name, sql FROM sqlite_master WHERE name = " + Literal(Index.RtreeTable) +
                            " OR (type = 'trigger' AND tbl_name = " + Literal(table) + ")",
                        [this](OGRFeature& row) {
                          const std::string name = row.GetFieldAsString(0), sql = row.GetFieldAsString(1);
                          if (name == Index.RtreeTable) Index.CreateRtree = sql;
                          else if (name.rfind(Index.RtreeTable + "_", 0) == 0) Index.Triggers.push_back(sql);
                        }) &&
                    Sql("SELECT table_name, column_name, extension_name, definition, scope FROM gpkg_extensions "
                        "WHERE extension_name = 'gpkg_rtree_index' AND lower(table_name) = lower(" +
                            Literal(table) + ")",
                        [this](OGRFeature& row) {
                          Index.Extension.clear();
                          for (int i = 0; i < 5; ++i) Index.Extension.emplace_back(row.GetFieldAsString(i));
                        });
    declared = declared && !Index.CreateRtree.empty() && !Index.Triggers.empty() && Index.Extension.size() == 5;
    return Sql("SELECT DisableSpatialIndex(" + Literal(table) + ", " + Literal(geometry) + ")", nullptr) && declared;
  }
  static std::string Literal(const std::string& text) { return SqlLiteral(text); }
  bool Sql(const std::string& statement, const std::function<void(OGRFeature&)>& row) {
    return RunSql(*Dataset, statement, row);
  }

  // Why a write failed: the system's reason when a file write failed (a full disk),
  // else GDAL's message.
  std::string WriteReason(const char* fallback) {
    if (LostWrite == 0 && Format != OutputFormat::PostGis) LostWrite = TakeWriteError(FolderOf(Target));
    return LostWrite != 0 ? SystemReason(Target, LostWrite) : GdalReason(fallback);
  }
  static std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  }
  // Takes the layer of that name out of an earlier dataset, so that it is written anew.
  bool DropLayer(const std::string& name) {
    for (int i = 0; i < Dataset->GetLayerCount(); ++i)
      if (EQUAL(Dataset->GetLayer(i)->GetName(), name.c_str())) return Dataset->DeleteLayer(i) == OGRERR_NONE;
    return true;
  }

  const char* OpenFailure() const {
    return Format == OutputFormat::PostGis ? messages::kDatabaseCannotBeAccessed : messages::kOutputFileCannotBeAccessed;
  }
  std::string WriteFailure() const {
    return Format == OutputFormat::PostGis ? std::string(messages::kDatabaseCannotBeAccessed)
                                           : messages::kUnableToWriteTo + Target;
  }
  static bool Fail(std::string& error, const char* first, const std::string& reason) {
    error = std::string(first) + "\n" + reason;
    return false;
  }

  const OutputFormat Format;
  OgrLayerWriter* const Owner;  // the writer whose dataset and transaction this one shares
  std::string Target;
  int LostWrite = 0;  // the system's error of a failed file write
  std::unique_ptr<GDALDataset, DatasetCloser> OwnDataset;
  GDALDataset* Dataset = nullptr;
  OGRLayer* Layer = nullptr;
  std::unique_ptr<OGRFeature> Feature;
  std::vector<Column> Columns;
  bool DateTimeAsText = false;
  bool InTransaction = false;
  int LoadIdIndex = -1;
  std::unique_ptr<DatabaseLoad> Loads;  // a database's record of its loads
  int64_t Rows = 0, Bins = 0;           // features of the log and of its bins
  std::vector<std::string> GdalWarnings;
  std::vector<std::string> Texts;  // what the text attributes will hold
  bool UnheldSaid = false;         // a text no MapInfo code page holds was named
  GeoPackageIndexDeclaration Index;
};

}  // namespace

std::unique_ptr<LayerWriter> MakeGdalLayerWriter(OutputFormat format) { return std::make_unique<OgrLayerWriter>(format); }

}  // namespace quillon
