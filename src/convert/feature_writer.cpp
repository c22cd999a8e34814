#include "convert/feature_writer.h"

#include <cstdio>

#include "reader/number_text.h"

namespace quillon {

namespace {

void Put(OutputFile& out, const char* s) { out.Raw(s, std::strlen(s)); }

void PutNumber(OutputFile& out, double value) {
  TextBuffer text;
  AppendFixed(text, value, 6);
  out.Raw(text.data(), text.size());
}

void PutJsonString(OutputFile& out, const std::string& s) {
  out.Char('"');
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out.Char('\\');
      out.Char(static_cast<char>(c));
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[16];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      Put(out, escaped);
    } else {
      out.Char(static_cast<char>(c));
    }
  }
  out.Char('"');
}

void PutXmlText(OutputFile& out, const std::string& s) {
  for (unsigned char c : s) {
    switch (c) {
      case '&': Put(out, "&amp;"); break;
      case '<': Put(out, "&lt;"); break;
      case '>': Put(out, "&gt;"); break;
      case '"': Put(out, "&quot;"); break;
      case '\'': Put(out, "&apos;"); break;
      default:
        if (c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F)) out.Char(static_cast<char>(c));
        else {
          char escaped[16];  // characters XML cannot hold become U+FFFD
          std::snprintf(escaped, sizeof escaped, "&#%d;", c >= 0x20 ? c : 0xFFFD);
          Put(out, escaped);
        }
    }
  }
}

class GeoJsonWriter : public FeatureWriter {
 public:
  void Begin(OutputFile& out) override {
    Put(out, "{\"type\":\"FeatureCollection\",\"features\":[");
    out.LineEnd();
    First = true;
  }
  void Feature(OutputFile& out, double latitude, double longitude, const std::vector<FeatureColumn>& columns) override {
    if (!First) {
      out.Char(',');
      out.LineEnd();
    }
    First = false;
    Put(out, "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[");
    PutNumber(out, longitude);
    out.Char(',');
    PutNumber(out, latitude);
    Put(out, "]},\"properties\":{");
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) out.Char(',');
      PutJsonString(out, columns[i].Name);
      out.Char(':');
      if (columns[i].IsList) {
        out.Char('[');
        for (size_t v = 0; v < columns[i].Values.size(); ++v) {
          if (v > 0) out.Char(',');
          PutJsonString(out, columns[i].Values[v]);
        }
        out.Char(']');
      } else {
        PutJsonString(out, columns[i].Text);
      }
    }
    Put(out, "}}");
  }
  void End(OutputFile& out) override {
    out.LineEnd();
    Put(out, "]}");
    out.LineEnd();
  }

 private:
  bool First = true;
};

class KmlWriter : public FeatureWriter {
 public:
  void Begin(OutputFile& out) override {
    Put(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    out.LineEnd();
    Put(out, "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>");
    out.LineEnd();
  }
  void Feature(OutputFile& out, double latitude, double longitude, const std::vector<FeatureColumn>& columns) override {
    Put(out, "<Placemark><ExtendedData>");
    for (const FeatureColumn& column : columns) {
      Put(out, "<Data name=\"");
      PutXmlText(out, column.Name);
      Put(out, "\"><value>");
      if (column.IsList) {
        for (size_t v = 0; v < column.Values.size(); ++v) {
          if (v > 0) out.Char(' ');
          PutXmlText(out, column.Values[v]);
        }
      } else {
        PutXmlText(out, column.Text);
      }
      Put(out, "</value></Data>");
    }
    Put(out, "</ExtendedData><Point><coordinates>");
    PutNumber(out, longitude);
    out.Char(',');
    PutNumber(out, latitude);
    Put(out, "</coordinates></Point></Placemark>");
    out.LineEnd();
  }
  void End(OutputFile& out) override {
    Put(out, "</Document></kml>");
    out.LineEnd();
  }
};

}  // namespace

bool ParseOutputFormat(const std::string& name, OutputFormat& format) {
  if (name == "csv") format = OutputFormat::Delimited;
  else if (name == "geojson") format = OutputFormat::GeoJson;
  else if (name == "kml") format = OutputFormat::Kml;
  else return false;
  return true;
}

std::unique_ptr<FeatureWriter> MakeFeatureWriter(OutputFormat format) {
  switch (format) {
    case OutputFormat::GeoJson: return std::make_unique<GeoJsonWriter>();
    case OutputFormat::Kml: return std::make_unique<KmlWriter>();
    default: return nullptr;
  }
}

}  // namespace quillon
