// The map layers as KML, written here as a stream: GDAL's KML driver writes no
// TimeStamp and LIBKML is quadratic in the number of placemarks. The document is
// laid out as GDAL's KML driver lays it out (a Schema of typed SimpleFields, a
// Folder named after the layer, each Placemark's values as SchemaData), so GDAL
// reads back the same features, values and types. Each placemark is named by its
// RSSI (a bin's by its mean RSSI), coloured by it with the route map's ramp (grey
// without one), and carries the row's GPS time as its TimeStamp (a bin the span of
// its measurements' times as its TimeSpan).
#include <cstdio>
#include <cstring>

#include "layers/layer_writer.h"
#include "layers/output_file.h"
#include "layers/rssi_colour.h"
#include "reader/messages.h"
#include "reader/number_text.h"
#include "reader/path_check.h"

namespace quillon {

namespace {

void Put(OutputFile& out, const char* s) { out.Raw(s, std::strlen(s)); }

void PutXmlText(OutputFile& out, std::string_view s) {
  for (unsigned char c : s) {
    switch (c) {
      case '&': Put(out, "&amp;"); break;
      case '<': Put(out, "&lt;"); break;
      case '>': Put(out, "&gt;"); break;
      case '"': Put(out, "&quot;"); break;
      case '\'': Put(out, "&apos;"); break;
      default:
        if (c == '\n' || c == '\t' || c >= 0x20) out.Char(static_cast<char>(c));
        else Put(out, "&#xFFFD;");  // characters XML cannot hold
    }
  }
}

const char* KmlType(AttributeType type) {
  switch (type) {
    case AttributeType::Integer:
    case AttributeType::Integer64: return "int";
    case AttributeType::Real: return "float";
    default: return "string";
  }
}

class KmlLayerWriter final : public LayerWriter {
 public:
  ~KmlLayerWriter() override {
    std::string ignored;
    Close(false, ignored);
  }

  bool Open(const std::string& target, const std::string& layer, const std::vector<Attribute>& attributes,
            LayerGeometry, std::string& error) override {
    Target = target;
    Attributes = attributes;
    Rssi = First = Last = -1;
    for (size_t i = 0; i < attributes.size(); ++i) {
      const Attribute::Source from = attributes[i].From;
      if (from == Attribute::Source::Rssi || from == Attribute::Source::RssiMean) Rssi = static_cast<int>(i);
      if (from == Attribute::Source::FirstTime) First = static_cast<int>(i);
      if (from == Attribute::Source::LastTime) Last = static_cast<int>(i);
    }
    if (!Out.Open(target)) {
      error = std::string(messages::kOutputFileCannotBeAccessed) + "\n" + SystemReason(target, Out.ErrorNumber());
      return false;
    }
    Opened = true;
    Put(Out, "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n");
    Put(Out, "<Document id=\"root_doc\">\n<Schema name=\"");
    PutXmlText(Out, layer);
    Put(Out, "\" id=\"");
    PutXmlText(Out, layer);
    Put(Out, "\">\n");
    for (const Attribute& a : attributes) {
      Put(Out, "\t<SimpleField name=\"");
      PutXmlText(Out, a.Name);
      Put(Out, "\" type=\"");
      Put(Out, KmlType(a.Type));
      Put(Out, "\"></SimpleField>\n");
    }
    Put(Out, "</Schema>\n<Folder><name>");
    PutXmlText(Out, layer);
    Put(Out, "</name>\n");
    SchemaUrl = "#" + layer;
    return true;
  }

  bool BeginLog(std::string&) override { return true; }

  bool Write(const LayerFeature& f, std::string& error) override {
    TextBuffer& text = Number;
    Put(Out, "  <Placemark>\n");
    const bool rssi = Rssi >= 0 && !f.Values[static_cast<size_t>(Rssi)].Null;
    const bool mean = rssi && Attributes[static_cast<size_t>(Rssi)].Type == AttributeType::Real;
    const AttributeValue* level = rssi ? &f.Values[static_cast<size_t>(Rssi)] : nullptr;
    const double dbm = !rssi ? 0.0 : mean ? level->Real : static_cast<double>(level->Integer);
    if (rssi) {
      text.clear();
      if (mean) AppendFixed(text, dbm, 1);
      else AppendInt(text, level->Integer);
      Put(Out, "\t<name>");
      Out.Raw(text.data(), text.size());
      Put(Out, " dBm</name>\n");
    }
    for (size_t i = 0; i < Attributes.size(); ++i) {
      const AttributeValue& v = f.Values[i];
      if (Attributes[i].From != Attribute::Source::Time || v.Null) continue;
      char when[96];
      std::snprintf(when, sizeof when, "\t<TimeStamp><when>%04d-%02d-%02dT%02d:%02d:%02dZ</when></TimeStamp>\n",
                    v.Time.Year, v.Time.Month, v.Time.Day, v.Time.Hour, v.Time.Minute, v.Time.Second);
      Put(Out, when);
    }
    if (First >= 0 && Last >= 0 && !f.Values[static_cast<size_t>(First)].Null) {
      const DateTimeValue& b = f.Values[static_cast<size_t>(First)].Time;
      const DateTimeValue& e = f.Values[static_cast<size_t>(Last)].Time;
      char span[160];
      std::snprintf(span, sizeof span,
                    "\t<TimeSpan><begin>%04d-%02d-%02dT%02d:%02d:%02dZ</begin><end>%04d-%02d-%02dT%02d:%02d:%02dZ</end>"
                    "</TimeSpan>\n",
                    b.Year, b.Month, b.Day, b.Hour, b.Minute, b.Second, e.Year, e.Month, e.Day, e.Hour, e.Minute,
                    e.Second);
      Put(Out, span);
    }
    const Rgb colour = rssi ? RssiColour(dbm) : Rgb{150, 150, 150};
    char style[160];
    if (f.HasRing)  // the square filled, three quarters opaque, and outlined
      std::snprintf(style, sizeof style,
                    "\t<Style><LineStyle><color>ff%02x%02x%02x</color></LineStyle>"
                    "<PolyStyle><color>c0%02x%02x%02x</color></PolyStyle></Style>\n",
                    colour.Blue, colour.Green, colour.Red, colour.Blue, colour.Green, colour.Red);
    else
      std::snprintf(style, sizeof style, "\t<Style><IconStyle><color>ff%02x%02x%02x</color></IconStyle></Style>\n",
                    colour.Blue, colour.Green, colour.Red);
    Put(Out, style);
    Put(Out, "\t<ExtendedData><SchemaData schemaUrl=\"");
    PutXmlText(Out, SchemaUrl);
    Put(Out, "\">\n");
    for (size_t i = 0; i < Attributes.size(); ++i) {
      const AttributeValue& v = f.Values[i];
      if (v.Null) continue;
      Put(Out, "\t\t<SimpleData name=\"");
      PutXmlText(Out, Attributes[i].Name);
      Put(Out, "\">");
      text.clear();
      switch (Attributes[i].Type) {
        case AttributeType::Integer:
        case AttributeType::Integer64: AppendInt(text, v.Integer); break;
        case AttributeType::Real: AppendFixed(text, v.Real, Attributes[i].Precision); break;
        case AttributeType::DateTime: {
          char iso[32];
          std::snprintf(iso, sizeof iso, "%04d/%02d/%02d %02d:%02d:%02d", v.Time.Year, v.Time.Month, v.Time.Day,
                        v.Time.Hour, v.Time.Minute, v.Time.Second);
          text.append(iso, std::strlen(iso));
          break;
        }
        case AttributeType::String: break;
      }
      if (Attributes[i].Type == AttributeType::String) PutXmlText(Out, v.Text);
      else Out.Raw(text.data(), text.size());
      Put(Out, "</SimpleData>\n");
    }
    Put(Out, "\t</SchemaData></ExtendedData>\n");
    if (f.HasRing) {
      text.clear();
      for (int k = 0; k < 5; ++k) {
        if (k) text.push_back(' ');
        AppendFixed(text, f.Ring[2 * k], 7);
        text.push_back(',');
        AppendFixed(text, f.Ring[2 * k + 1], 7);
      }
      Put(Out, "      <Polygon><outerBoundaryIs><LinearRing><coordinates>");
      Out.Raw(text.data(), text.size());
      Put(Out, "</coordinates></LinearRing></outerBoundaryIs></Polygon>\n");
    } else if (f.HasPoint) {
      text.clear();
      AppendFixed(text, f.Longitude, 6);
      text.push_back(',');
      AppendFixed(text, f.Latitude, 6);
      Put(Out, "      <Point><coordinates>");
      Out.Raw(text.data(), text.size());
      Put(Out, "</coordinates></Point>\n");
    }
    Put(Out, "  </Placemark>\n");
    if (!Out.Failed()) return true;
    error = messages::kUnableToWriteTo + Target + "\n" + SystemReason(Target, Out.ErrorNumber());
    return false;
  }

  bool EndLog(bool, std::string&) override { return true; }

  bool Close(bool keep, std::string& error) override {
    if (!Opened) return true;
    Opened = false;
    Put(Out, "</Folder>\n</Document></kml>\n");
    const bool written = Out.Close();
    if (!keep || written) return true;
    error = messages::kUnableToWriteTo + Target + "\n" + SystemReason(Target, Out.ErrorNumber());
    return false;
  }

 private:
  std::string Target;
  std::vector<Attribute> Attributes;
  std::string SchemaUrl;
  int Rssi = -1, First = -1, Last = -1;
  OutputFile Out;
  TextBuffer Number;
  bool Opened = false;
};

}  // namespace

std::unique_ptr<LayerWriter> MakeKmlLayerWriter() { return std::make_unique<KmlLayerWriter>(); }

}  // namespace quillon
