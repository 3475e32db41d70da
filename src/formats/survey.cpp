#include "formats/survey.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string_view>

#include "formats/decimal.h"
#include "formats/textcheck.h"

namespace kestrel {

namespace {

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

// GDAL's own messages would reach the terminal; ours say what went wrong.
struct QuietGdal {
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;
};

bool EndsWith(const std::string& name, const char* ending) {
  const size_t n = name.size(), m = std::strlen(ending);
  return n >= m && strcasecmp(name.c_str() + n - m, ending) == 0;
}

bool IsSurveyTextName(const std::string& name) {
  for (const char* ending : {".xyz", ".txt", ".csv", ".dat", ".pts", ".tsv"}) {
    if (EndsWith(name, ending)) return true;
  }
  return false;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Splits a line into its fields. Blanks and tabs separate fields however many
// there are; a comma or semicolon separates exactly two, so "1,,2" has an
// empty middle field.
std::vector<std::string_view> SplitFields(std::string_view line) {
  const char delimiter = line.find(';') != std::string_view::npos ? ';' : ',';
  std::vector<std::string_view> fields;
  size_t at = 0;
  bool afterDelimiter = false;
  while (true) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size()) {
      if (afterDelimiter) fields.emplace_back();
      break;
    }
    if (line[at] == delimiter) {
      if (afterDelimiter || fields.empty()) fields.emplace_back();
      afterDelimiter = true;
      ++at;
      continue;
    }
    const size_t start = at;
    while (at < line.size() && !IsBlank(line[at]) && line[at] != delimiter) ++at;
    fields.push_back(line.substr(start, at - start));
    afterDelimiter = false;
  }
  return fields;
}

bool NameIs(std::string_view field, std::initializer_list<const char*> names) {
  std::string word(field);
  // Quoted names of spreadsheet exports.
  if (word.size() >= 2 && (word.front() == '"' || word.front() == '\'') && word.back() == word.front()) {
    word = word.substr(1, word.size() - 2);
  }
  for (const char* name : names) {
    if (strcasecmp(word.c_str(), name) == 0) return true;
  }
  return false;
}

// The columns of x, y and z that a header line names, if it names all three.
bool HeaderColumns(const std::vector<std::string_view>& fields, int columns[3]) {
  int found[3] = {-1, -1, -1};
  for (size_t k = 0; k < fields.size(); ++k) {
    const int at = static_cast<int>(k);
    if (found[0] < 0 && NameIs(fields[k], {"x", "easting", "east", "lon", "long", "longitude"})) {
      found[0] = at;
    } else if (found[1] < 0 && NameIs(fields[k], {"y", "northing", "north", "lat", "latitude"})) {
      found[1] = at;
    } else if (found[2] < 0 && NameIs(fields[k], {"z", "elev", "elevation", "depth", "height", "bed", "value"})) {
      found[2] = at;
    }
  }
  if (found[0] < 0 || found[1] < 0 || found[2] < 0) return false;
  for (int c = 0; c < 3; ++c) columns[c] = found[c];
  return true;
}

std::string ReadPrjBeside(const std::string& name) {
  std::string stem = name;
  const size_t slash = stem.find_last_of('/');
  const size_t dot = stem.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) stem.erase(dot);
  for (const std::string& prj : {name + ".prj", stem + ".prj"}) {
    std::ifstream in(prj, std::ios::binary);
    if (!in) continue;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str().empty() ? std::string(" ") : text.str();
  }
  return {};
}

std::string WktOf(const OGRSpatialReference& srs) {
  char* wkt = nullptr;
  std::string text;
  if (srs.exportToWkt(&wkt) == OGRERR_NONE && wkt) text = wkt;
  CPLFree(wkt);
  return text;
}

bool ReadTextSource(const std::string& name, SurveySource& source, std::string& problem) {
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) {
    problem = "it can't be opened";
    return false;
  }
  std::string block, why;
  const bool text = ProbeTextFile(file, block, why);
  std::fclose(file);
  if (!text) {
    problem = "it is not a text file (" + why + ")";
    return false;
  }
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    problem = "it can't be opened";
    return false;
  }
  try {
    ParseSurveyText(in, source);
  } catch (const std::bad_alloc&) {
    problem = "it holds more points than fit in memory";
    return false;
  }
  const std::string prj = ReadPrjBeside(name);
  if (!prj.empty()) {
    OGRSpatialReference srs;
    QuietGdal quiet;
    if (srs.SetFromUserInput(prj.c_str()) != OGRERR_NONE) {
      problem = "the .prj file beside it holds no reference system GDAL can read";
      return false;
    }
    source.referenceSystem = WktOf(srs);
  }
  if (source.x.empty()) {
    problem = source.bad.empty() ? "it holds no x y z lines"
                                 : "it holds no x y z lines, only bad lines: " + ListNumbers(source.bad);
    return false;
  }
  return true;
}

// The value field of a layer: an attribute named depth, elev, elevation or z
// (any case, in that order of preference), or -1.
int ValueField(OGRLayer* layer) {
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  for (const char* wanted : {"depth", "elev", "elevation", "z"}) {
    for (int k = 0; k < defn->GetFieldCount(); ++k) {
      if (strcasecmp(defn->GetFieldDefn(k)->GetNameRef(), wanted) == 0) return k;
    }
  }
  return -1;
}

// Reads the point features of every layer. Returns false when the data source
// holds no point features at all (it may be a raster then).
bool ReadPointLayers(GDALDataset& data, SurveySource& source, std::string& problem) {
  long feature = 0;
  bool anyPoints = false;
  std::unique_ptr<OGRSpatialReference> target;
  for (OGRLayer* layer : data.GetLayers()) {
    const int field = ValueField(layer);
    const OGRFieldType fieldType = field >= 0 ? layer->GetLayerDefn()->GetFieldDefn(field)->GetType() : OFTInteger;
    std::unique_ptr<OGRCoordinateTransformation> toFirst;
    if (const OGRSpatialReference* srs = layer->GetSpatialRef()) {
      OGRSpatialReference from(*srs);
      from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      if (!target) {
        target = std::make_unique<OGRSpatialReference>(from);
      } else if (!from.IsSame(target.get())) {
        // Every layer joins the reference system of the first.
        toFirst.reset(OGRCreateCoordinateTransformation(&from, target.get()));
        if (!toFirst) {
          problem = "its layer " + std::string(layer->GetName()) +
                    " can't be moved into the reference system of its first layer";
          return false;
        }
      }
    }
    layer->ResetReading();
    for (auto& f : *layer) {
      ++feature;
      const OGRGeometry* g = f->GetGeometryRef();
      const OGRwkbGeometryType type = g ? wkbFlatten(g->getGeometryType()) : wkbUnknown;
      if (type != wkbPoint && type != wkbMultiPoint) {
        ++source.otherFeatures;
        continue;
      }
      anyPoints = true;
      bool haveAttribute = false;
      double attribute = 0;
      if (field >= 0 && f->IsFieldSetAndNotNull(field)) {
        if (fieldType == OFTReal || fieldType == OFTInteger || fieldType == OFTInteger64) {
          attribute = f->GetFieldAsDouble(field);
          haveAttribute = std::isfinite(attribute);
        } else {
          haveAttribute = ParseDecimal(f->GetFieldAsString(field), attribute);
        }
      }
      std::vector<const OGRPoint*> points;
      if (type == wkbPoint) {
        points.push_back(g->toPoint());
      } else {
        for (const OGRPoint* p : *g->toMultiPoint()) points.push_back(p);
      }
      bool good = !points.empty();
      for (const OGRPoint* p : points) {
        if (p->IsEmpty() || (!haveAttribute && (field >= 0 || !p->Is3D()))) {
          good = false;
          continue;
        }
        double x = p->getX(), y = p->getY();
        if (toFirst && !toFirst->Transform(1, &x, &y)) {
          good = false;
          continue;
        }
        const double value = haveAttribute ? attribute : p->getZ();
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(value)) {
          good = false;
          continue;
        }
        source.x.push_back(x);
        source.y.push_back(y);
        source.z.push_back(value);
      }
      if (!good) source.bad.push_back(feature);
    }
    if (source.valueFrom.empty() && anyPoints) {
      source.valueFrom = field >= 0 ? layer->GetLayerDefn()->GetFieldDefn(field)->GetNameRef() : "z";
    }
  }
  if (!anyPoints) return false;
  if (target) source.referenceSystem = WktOf(*target);
  if (source.x.empty()) {
    problem = "none of its points has a value (the z of the point or an attribute named depth, elev, elevation or z)";
  }
  return true;
}

bool ReadRasterSource(GDALDataset& data, SurveySource& source, std::string& problem) {
  if (data.GetRasterCount() < 1) {
    problem = "it holds no raster band";
    return false;
  }
  if (data.GetGeoTransform(source.transform) != CE_None) {
    problem = "it has no georeference: its cells have no place on the ground";
    return false;
  }
  const double* t = source.transform;
  if (!(std::isfinite(t[1] * t[5] - t[2] * t[4]) && t[1] * t[5] - t[2] * t[4] != 0)) {
    problem = "its georeference gives its cells no area";
    return false;
  }
  source.kind = SurveyKind::Raster;
  source.columns = data.GetRasterXSize();
  source.rows = data.GetRasterYSize();
  if (const OGRSpatialReference* srs = data.GetSpatialRef()) source.referenceSystem = WktOf(*srs);
  return true;
}

}  // namespace

std::string ListNumbers(const std::vector<long>& numbers) {
  std::string text;
  const size_t shown = std::min<size_t>(numbers.size(), 10);
  for (size_t k = 0; k < shown; ++k) {
    if (k > 0) text += ", ";
    text += std::to_string(numbers[k]);
  }
  if (numbers.size() > shown) text += " and " + std::to_string(numbers.size() - shown) + " more";
  return text;
}

void ParseSurveyText(std::istream& in, SurveySource& source) {
  std::string line;
  long number = 0;
  bool started = false;
  int columns[3] = {0, 1, 2};
  while (std::getline(in, line)) {
    ++number;
    std::string_view text(line);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (number == 1 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte order mark
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    if (text.empty()) continue;
    if (text.front() == '#' || text.front() == '!' || text.front() == '%' || text.front() == '*') {
      ++source.skippedLines;
      continue;
    }
    const std::vector<std::string_view> fields = SplitFields(text);
    double value[3];
    bool point = true;
    for (int c = 0; c < 3 && point; ++c) {
      point = static_cast<size_t>(columns[c]) < fields.size() && ParseDecimal(fields[columns[c]], value[c]);
    }
    if (point) {
      started = true;
      source.x.push_back(value[0]);
      source.y.push_back(value[1]);
      source.z.push_back(value[2]);
    } else if (!started) {
      ++source.skippedLines;
      HeaderColumns(fields, columns);
    } else {
      source.bad.push_back(number);
    }
  }
}

bool ReadSurveySource(const std::string& name, SurveySource& source, std::string& problem) {
  source = SurveySource{};
  source.name = name;
  source.path = name;
  if (IsSurveyTextName(name)) return ReadTextSource(name, source, problem);

  GDALAllRegister();
  Dataset data;
  {
    QuietGdal quiet;
    data.reset(
        GDALDataset::Open(name.c_str(), GDAL_OF_VECTOR | GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  }
  if (data) {
    QuietGdal quiet;
    if (data->GetLayerCount() > 0 && ReadPointLayers(*data, source, problem)) return problem.empty();
    source.x.clear();
    source.y.clear();
    source.z.clear();
    source.bad.clear();
    if (data->GetRasterCount() > 0) return ReadRasterSource(*data, source, problem);
    if (problem.empty()) problem = "it holds no points and no raster";
    return false;
  }
  return ReadTextSource(name, source, problem);
}

bool ReadRasterWindow(const SurveySource& source, int32_t column, int32_t row, int32_t width, int32_t height,
                      int32_t outWidth, int32_t outHeight, std::vector<double>& values, std::string& problem) {
  GDALAllRegister();
  QuietGdal quiet;
  Dataset data(GDALDataset::Open(source.path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  if (!data || data->GetRasterCount() < 1) {
    problem = "it can't be opened again";
    return false;
  }
  if (data->GetRasterXSize() != source.columns || data->GetRasterYSize() != source.rows) {
    problem = "it has changed since it was loaded";
    return false;
  }
  GDALRasterBand* band = data->GetRasterBand(1);
  try {
    values.assign(static_cast<size_t>(outWidth) * static_cast<size_t>(outHeight), 0.0);
  } catch (const std::bad_alloc&) {
    problem = "its cells under the grid do not fit in memory";
    return false;
  }
  GDALRasterIOExtraArg extra;
  INIT_RASTERIO_EXTRA_ARG(extra);
  extra.eResampleAlg = GRIORA_Average;
  if (band->RasterIO(GF_Read, column, row, width, height, values.data(), outWidth, outHeight, GDT_Float64, 0, 0,
                     &extra) != CE_None) {
    problem = "its cells can't be read";
    return false;
  }
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  const double scale = band->GetScale(), offset = band->GetOffset();
  for (double& v : values) {
    if ((hasNoData && (v == noData || (std::isnan(noData) && std::isnan(v)))) || !std::isfinite(v)) {
      v = NAN;
    } else {
      v = v * scale + offset;
    }
  }
  return true;
}

}  // namespace kestrel
