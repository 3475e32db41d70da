#include "formats/gis.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/report.h"
#include "formats/georef.h"
#include "formats/gisexport.h"
#include "formats/layers.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

bool IsGisLayerName(const char* name) {
  static const char* const endings[] = {".shp", ".geojson", ".json", ".gpkg", ".kml"};
  const size_t n = std::strlen(name);
  for (const char* ending : endings) {
    const size_t m = std::strlen(ending);
    if (n >= m && strcasecmp(name + n - m, ending) == 0) return true;
  }
  return false;
}

int UtmZone(double longitude) {
  int zone = static_cast<int>(std::floor((longitude + 180.0) / 6.0)) + 1;
  if (zone < 1) zone = 1;
  if (zone > 60) zone = 60;
  return zone;
}

int UtmEpsg(double longitude, double latitude) { return (latitude >= 0 ? 32600 : 32700) + UtmZone(longitude); }

namespace {

// A polygon name from an attribute: blanks become underscores, so that the
// polygon file can hold it, and at most 31 bytes are kept.
std::string PolygonNameFrom(const std::string& text) {
  std::string name = text;
  for (char& c : name) {
    if (std::isspace(static_cast<unsigned char>(c))) c = '_';
  }
  if (name.size() > 31) {
    // Cut before the character that does not fit whole: a UTF-8 character
    // continues in bytes 10xxxxxx.
    std::size_t n = 31;
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    name.resize(n);
  }
  return name;
}

// The middle of the longitudes, from their plain range or, when that is
// narrower, from their range unwrapped to 0..360.
double CentreLongitude(double minLongitude, double maxLongitude, double minEast, double maxEast) {
  if (maxEast - minEast < maxLongitude - minLongitude) {
    double centre = (minEast + maxEast) * 0.5;
    if (centre >= 180) centre -= 360;
    return centre;
  }
  return (minLongitude + maxLongitude) * 0.5;
}

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};
struct TransformDeleter {
  void operator()(OGRCoordinateTransformation* t) const { OGRCoordinateTransformation::DestroyCT(t); }
};

// Calls visit(x, y) for every point of a geometry.
template <typename Visit>
void ForEachPoint(const OGRGeometry* g, Visit& visit) {
  if (!g) return;
  switch (wkbFlatten(g->getGeometryType())) {
    case wkbPoint:
      visit(g->toPoint()->getX(), g->toPoint()->getY());
      break;
    case wkbLineString:
    case wkbLinearRing: {
      const OGRSimpleCurve* c = g->toSimpleCurve();
      for (int k = 0; k < c->getNumPoints(); ++k) visit(c->getX(k), c->getY(k));
      break;
    }
    case wkbPolygon: {
      const OGRPolygon* p = g->toPolygon();
      ForEachPoint(p->getExteriorRing(), visit);
      for (int k = 0; k < p->getNumInteriorRings(); ++k) ForEachPoint(p->getInteriorRing(k), visit);
      break;
    }
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
    case wkbMultiCurve:
    case wkbMultiSurface: {
      const OGRGeometryCollection* c = g->toGeometryCollection();
      for (int k = 0; k < c->getNumGeometries(); ++k) ForEachPoint(c->getGeometryRef(k), visit);
      break;
    }
    case wkbCircularString:
    case wkbCompoundCurve:
    case wkbCurvePolygon: {
      std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
      ForEachPoint(linear.get(), visit);
      break;
    }
    default:
      break;
  }
}

// Where a layer in longitude and latitude lies. A layer that crosses the
// 180th meridian has longitudes near +180 and near -180: its centre comes
// from the longitudes unwrapped to 0..360, or it would fall near 0.
void LayerCentre(OGRLayer* layer, double& longitude, double& latitude) {
  OGREnvelope box;
  if (layer->GetExtent(&box, TRUE) != OGRERR_NONE) box = OGREnvelope();
  longitude = (box.MinX + box.MaxX) * 0.5;
  latitude = (box.MinY + box.MaxY) * 0.5;
  if (box.MaxX - box.MinX <= 180) return;
  double minLon = HUGE_VAL, maxLon = -HUGE_VAL, minEast = HUGE_VAL, maxEast = -HUGE_VAL;
  auto visit = [&](double x, double) {
    if (!std::isfinite(x)) return;
    const double east = x < 0 ? x + 360 : x;
    minLon = std::min(minLon, x);
    maxLon = std::max(maxLon, x);
    minEast = std::min(minEast, east);
    maxEast = std::max(maxEast, east);
  };
  layer->ResetReading();
  for (auto& feature : *layer) ForEachPoint(feature->GetGeometryRef(), visit);
  layer->ResetReading();
  if (minLon <= maxLon) longitude = CentreLongitude(minLon, maxLon, minEast, maxEast);
}

// Layers that can hold outlines: with a geometry column that is not of points.
bool CarriesOutlines(OGRLayer* layer) {
  const OGRwkbGeometryType type = wkbFlatten(layer->GetGeomType());
  return type != wkbNone && type != wkbPoint && type != wkbMultiPoint;
}

// Kestrel's own grid export: its cell layer beside a polygon layer with the
// fields the export writes. Opened again, it gives the polygons back.
bool IsOwnExport(GDALDataset& source) {
  OGRLayer* polygons = source.GetLayerByName(kPolygonLayer);
  if (!source.GetLayerByName(kCellLayer) || !polygons) return false;
  const OGRFeatureDefn* defn = polygons->GetLayerDefn();
  return defn->GetFieldIndex("number") >= 0 && defn->GetFieldIndex("name") >= 0 && defn->GetFieldIndex("closed") >= 0;
}

// The polygon name of a feature: the first field called "name" (in any
// case) that holds a value that is not empty. Empty when there is none.
std::string FeatureName(OGRFeature& feature) {
  const OGRFeatureDefn* defn = feature.GetDefnRef();
  for (int k = 0; k < defn->GetFieldCount(); ++k) {
    if (strcasecmp(defn->GetFieldDefn(k)->GetNameRef(), "name") != 0) continue;
    if (!feature.IsFieldSetAndNotNull(k)) continue;
    const std::string name = PolygonNameFrom(feature.GetFieldAsString(k));
    if (!name.empty()) return name;
  }
  return {};
}

std::string SystemName(const OGRSpatialReference& srs) {
  const char* name = srs.GetName();
  return name && *name ? name : "unnamed reference system";
}

std::string WktOf(const OGRSpatialReference& srs) {
  std::string text;
  char* wkt = nullptr;
  if (srs.exportToWkt(&wkt) == OGRERR_NONE && wkt) text = wkt;
  CPLFree(wkt);
  return text;
}

// Collects the parts of the features and hands them to the store.
class LayerReader {
 public:
  long added = 0;
  long failedPoints = 0;
  // Kestrel's own export keeps its point order as the store had it; rings
  // from elsewhere are all turned counter-clockwise, since the formats run
  // them in opposite directions and the cell counts of a name follow the
  // point order.
  bool keepOrder = false;
  double scale = 1;  // to metres, when the coordinates are converted

  void SetTransform(OGRCoordinateTransformation* t) { transform_.reset(t); }

  // Appends one polygon from a run of points; consecutive repeats are
  // dropped as the polygon file reader drops them. Returns its index, or -1.
  int32_t AddPart(const OGRSimpleCurve& curve, bool ring, const std::string& name) {
    std::vector<PolygonPoint> points;
    points.reserve(static_cast<size_t>(curve.getNumPoints()) + 1);
    const bool withZ = curve.Is3D();
    for (int k = 0; k < curve.getNumPoints(); ++k) {
      double x = curve.getX(k), y = curve.getY(k), z = withZ ? curve.getZ(k) : 0.0;
      if (transform_ && !transform_->Transform(1, &x, &y, &z)) {
        ++failedPoints;
        continue;
      }
      x *= scale;
      y *= scale;
      z *= scale;
      if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        ++failedPoints;
        continue;
      }
      if (!points.empty() && std::fabs(x - points.back().x) + std::fabs(y - points.back().y) < kCoincident) {
        continue;
      }
      points.push_back(PolygonPoint{x, y, z});
    }
    if (points.empty()) return -1;
    const PolygonPoint first = points.front();
    const bool ends = std::hypot(points.back().x - first.x, points.back().y - first.y) < kCoincident;
    if (ring && !ends && points.size() >= 3) points.push_back(first);  // rings always carry the closing point
    const bool repeated = std::hypot(points.back().x - first.x, points.back().y - first.y) < kCoincident;
    const int32_t n = static_cast<int32_t>(points.size());
    if (ring && repeated && n > 3 && !keepOrder) {
      double area = 0;
      for (int32_t k = 1; k < n; ++k) {
        area += (points[k - 1].x * points[k].y - points[k].x * points[k - 1].y);
      }
      // Reversing a closed run keeps its first point first.
      if (area < 0) std::reverse(points.begin(), points.end());
    }

    const int32_t index = store.polygonCount;
    Polygon& p = PrepareNewPolygon(2936);
    p.closed = (n > 3 && repeated) ? 1 : 0;
    p.points = AllocArray<PolygonPoint>(2937, points.size());
    std::memcpy(p.points, points.data(), sizeof(PolygonPoint) * points.size());
    p.count = n;
    p.color = index % 12;
    if (name.empty()) {
      std::snprintf(p.name, sizeof p.name, "P%li", static_cast<long>(index) + 1);
    } else {
      SetPolygonName(p, name.c_str());
    }
    ++store.polygonCount;
    ++added;
    return index;
  }

  // Every ring, line and part of a geometry; the holes of a polygon are land.
  // Returns the index of the first polygon added, or -1.
  int32_t AddGeometry(const OGRGeometry* g, const std::string& name) {
    if (!g) return -1;
    int32_t first = -1;
    const auto keep = [&first](int32_t index) {
      if (first < 0) first = index;
    };
    switch (wkbFlatten(g->getGeometryType())) {
      case wkbLineString:
      case wkbLinearRing:
        keep(AddPart(*g->toLineString(), false, name));
        break;
      case wkbPolygon: {
        const OGRPolygon* polygon = g->toPolygon();
        if (polygon->getExteriorRing()) keep(AddPart(*polygon->getExteriorRing(), true, name));
        for (int k = 0; k < polygon->getNumInteriorRings(); ++k) {
          keep(AddPart(*polygon->getInteriorRing(k), true, "land"));
        }
        break;
      }
      case wkbMultiLineString:
      case wkbMultiPolygon:
      case wkbGeometryCollection:
      case wkbMultiCurve:
      case wkbMultiSurface: {
        const OGRGeometryCollection* c = g->toGeometryCollection();
        for (int k = 0; k < c->getNumGeometries(); ++k) keep(AddGeometry(c->getGeometryRef(k), name));
        break;
      }
      case wkbCircularString:
      case wkbCompoundCurve:
      case wkbCurvePolygon: {
        std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
        keep(AddGeometry(linear.get(), name));
        break;
      }
      default:
        break;  // points and other kinds carry no outline
    }
    return first;
  }

 private:
  std::unique_ptr<OGRCoordinateTransformation, TransformDeleter> transform_;
};

// The corners the export kept for a polygon, back into the store.
void TakeCorners(OGRFeature& feature, int32_t index) {
  if (index < 0) return;
  Polygon& p = PolygonAt(index);
  int32_t corners[4];
  for (int c = 0; c < 4; ++c) {
    const int field = feature.GetFieldIndex(kCornerFields[c]);
    corners[c] = field >= 0 && feature.IsFieldSetAndNotNull(field) ? feature.GetFieldAsInteger(field) : 0;
    if (corners[c] < 0 || corners[c] > p.count) return;
  }
  if (corners[0] == 0) return;
  std::memcpy(p.corners, corners, sizeof corners);
  cornerMarks = 1;
}

// A layer without a reference system whose coordinates look like longitude
// and latitude: a few degrees across, within their ranges, not all whole.
bool LooksLikeDegrees(int32_t from, double& longitude, double& latitude) {
  double xmin = HUGE_VAL, xmax = -HUGE_VAL, ymin = HUGE_VAL, ymax = -HUGE_VAL;
  bool fractions = false;
  for (int32_t k = from; k < store.polygonCount; ++k) {
    const Polygon& p = PolygonAt(k);
    for (int32_t n = 0; n < p.count; ++n) {
      const PolygonPoint& q = p.points[n];
      xmin = std::min(xmin, q.x);
      xmax = std::max(xmax, q.x);
      ymin = std::min(ymin, q.y);
      ymax = std::max(ymax, q.y);
      fractions = fractions || q.x != std::floor(q.x) || q.y != std::floor(q.y);
    }
  }
  longitude = (xmin + xmax) * 0.5;
  latitude = (ymin + ymax) * 0.5;
  return fractions && xmin >= -180 && xmax <= 180 && ymin >= -90 && ymax <= 90 && xmax - xmin <= 10 &&
         ymax - ymin <= 10;
}

}  // namespace

long ReadGisLayer() {
  ShowStatusF(true, "reading %s", fileName);
  cornerMarks = 0;
  referenceSystem.clear();
  GDALAllRegister();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::unique_ptr<GDALDataset, DatasetCloser> source(
      GDALDataset::Open(fileName, GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  CPLPopErrorHandler();
  if (!source) {
    Notify(2931, "can't open input file %s", fileName);
    return -1;
  }

  // The layers to read.
  const bool ownExport = IsOwnExport(*source);
  std::vector<OGRLayer*> layers;
  std::vector<LayerEntry> entries;
  for (OGRLayer* layer : source->GetLayers()) {
    if (!CarriesOutlines(layer)) continue;
    layers.push_back(layer);
    entries.push_back(LayerEntry{layer->GetName(), static_cast<long>(std::max<GIntBig>(0, layer->GetFeatureCount()))});
  }
  if (layers.empty()) {
    Notify(2934, "%s holds no lines or polygons", fileName);
    return 0;
  }
  std::vector<bool> chosen;
  if (ownExport && readChoices.layers.empty()) {
    for (OGRLayer* layer : layers) chosen.push_back(std::strcmp(layer->GetName(), kPolygonLayer) == 0);
  } else if (!ChooseLayers(fileName, entries, "feature", "features", chosen)) {
    return 0;
  }

  if (store.polygonCapacity == 0) {
    store.polygons = AllocArray<Polygon>(2938, kStoreGrowth);
    store.polygonCapacity = kStoreGrowth;
  }
  const int32_t startCount = store.polygonCount;
  LayerReader reader;
  reader.keepOrder = ownExport;
  std::unique_ptr<OGRSpatialReference> target;  // what the store's polygons are in
  std::string projectedFrom, unitWords;
  double unitScale = 1;  // to metres, when a system in other units is converted
  bool unreferenced = false;
  long features = 0;
  long totalFeatures = 0;
  for (std::size_t k = 0; k < layers.size(); ++k) totalFeatures += chosen[k] ? entries[k].items : 0;
  long lastPercent = 0;
  std::vector<std::pair<std::string, long>> perLayer;

  for (std::size_t l = 0; l < layers.size(); ++l) {
    if (!chosen[l]) continue;
    OGRLayer* layer = layers[l];
    const OGRSpatialReference* layerSrs = layer->GetSpatialRef();
    reader.SetTransform(nullptr);
    reader.scale = 1;
    // A local system (the undefined Cartesian one of a GeoPackage among
    // them) declares the coordinates to be used as they are.
    if (!layerSrs || layerSrs->IsLocal()) {
      unreferenced = unreferenced || !layerSrs;
    } else {
      OGRSpatialReference from(*layerSrs);
      from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      if (!target) {
        target = std::make_unique<OGRSpatialReference>();
        if (from.IsGeographic()) {
          double lon, lat;
          LayerCentre(layer, lon, lat);
          target->importFromEPSG(UtmEpsg(lon, lat));
          projectedFrom = SystemName(from);
        } else {
          *target = from;
          const char* unit = nullptr;
          const double metres = target->GetLinearUnits(&unit);
          if (metres > 0 && std::fabs(metres - 1) > 1e-12) {
            const std::string unitName = unit && *unit ? unit : "an unnamed unit";
            if (ConvertToMetres(fileName, unitName, metres)) {
              unitScale = metres;
              unitWords = "; converted from " + unitName + " (" + Decimal(metres) + " m) to metres";
            } else {
              unitWords = "; in " + unitName + " (1 unit = " + Decimal(metres) + " m), not metres";
            }
          }
        }
        target->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      }
      if (!from.IsSame(target.get())) {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        OGRCoordinateTransformation* t = OGRCreateCoordinateTransformation(&from, target.get());
        CPLPopErrorHandler();
        if (!t) {
          Notify(2932, "can't transform %s from %s to %s", fileName, SystemName(from).c_str(),
                 SystemName(*target).c_str());
          break;
        }
        reader.SetTransform(t);
      }
      reader.scale = unitScale;
    }
    const long before = reader.added;
    layer->ResetReading();
    for (auto& feature : *layer) {
      ++features;
      if (totalFeatures > 0 && features % 100 == 0) {
        const long percent = RoundHalfAway(static_cast<double>(features) * 100.0 / static_cast<double>(totalFeatures));
        if (percent >= lastPercent + 3) {
          ShowStatusF(true, "%li%% reading %s", percent, fileName);
          lastPercent = percent;
        }
      }
      const int32_t first = reader.AddGeometry(feature->GetGeometryRef(), FeatureName(*feature));
      if (ownExport) TakeCorners(*feature, first);
    }
    perLayer.emplace_back(layer->GetName(), reader.added - before);
  }
  reader.SetTransform(nullptr);

  if (target) {
    if (unitScale != 1) target->SetLinearUnitsAndUpdateParameters(SRS_UL_METER, 1.0);
    referenceSystem = WktOf(*target);
  }
  if (reader.failedPoints > 0) {
    Notify(2933, "%li points of %s could not be converted and were left out", reader.failedPoints, fileName);
  }
  if (store.polygonCount == startCount) {
    Notify(2934, "%s holds no lines or polygons", fileName);
    return 0;
  }
  if (unreferenced && !ownExport) {
    double lon, lat;
    if (LooksLikeDegrees(startCount, lon, lat)) {
      Notify(2935,
             "%s has no reference system:\nits coordinates are used as they are.\n"
             "They look like longitude and latitude; if they are, give the layer\n"
             "its reference system in your GIS (WGS 84 / UTM zone %i%c would fit)",
             fileName, UtmZone(lon), lat >= 0 ? 'N' : 'S');
    } else {
      Notify(2935, "%s has no reference system:\nits coordinates are used as they are", fileName);
    }
  }
  std::string layerWords;
  if (ownExport && readChoices.layers.empty()) {
    layerWords = std::string(" from layer ") + kPolygonLayer + " of a Kestrel grid export";
  } else if (entries.size() > 1 || !readChoices.layers.empty()) {
    layerWords = perLayer.size() == 1 ? " from layer " + perLayer[0].first : " from layers " + ListWithCounts(perLayer);
  }
  if (!projectedFrom.empty()) {
    ShowStatusF(true, "%li features read, %li polygons found%s, projected from %s to %s%s", features, reader.added,
                layerWords.c_str(), projectedFrom.c_str(), SystemName(*target).c_str(), unitWords.c_str());
  } else {
    ShowStatusF(true, "%li features read, %li polygons found%s%s", features, reader.added, layerWords.c_str(),
                unitWords.c_str());
  }
  return reader.added;
}

}  // namespace kestrel
