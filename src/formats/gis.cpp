#include "formats/gis.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <strings.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "app/report.h"
#include "formats/georef.h"
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

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};
struct TransformDeleter {
  void operator()(OGRCoordinateTransformation* t) const { OGRCoordinateTransformation::DestroyCT(t); }
};

// Collects the parts of the features, then hands them to the store.
class LayerReader {
 public:
  long added = 0;

  // Appends one polygon from a run of points; consecutive repeats are dropped
  // as the polygon file reader drops them.
  void AddPart(const OGRSimpleCurve& curve, bool ring, const std::string& name) {
    std::vector<PolygonPoint> points;
    points.reserve(static_cast<size_t>(curve.getNumPoints()) + 1);
    const bool withZ = curve.Is3D();
    for (int k = 0; k < curve.getNumPoints(); ++k) {
      double x = curve.getX(k), y = curve.getY(k), z = withZ ? curve.getZ(k) : 0.0;
      if (transform_ && !transform_->Transform(1, &x, &y, &z)) {
        ++failedPoints;
        continue;
      }
      if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        ++failedPoints;
        continue;
      }
      if (!points.empty() && std::fabs(x - points.back().x) + std::fabs(y - points.back().y) < kCoincident) {
        continue;
      }
      points.push_back(PolygonPoint{x, y, z});
    }
    if (points.empty()) return;
    const PolygonPoint first = points.front();
    const bool ends = std::hypot(points.back().x - first.x, points.back().y - first.y) < kCoincident;
    if (ring && !ends && points.size() >= 3) points.push_back(first);  // rings always carry the closing point
    const bool repeated = std::hypot(points.back().x - first.x, points.back().y - first.y) < kCoincident;
    const int32_t n = static_cast<int32_t>(points.size());

    Polygon& p = PrepareNewPolygon(2936);
    p.closed = (n > 3 && repeated) ? 1 : 0;
    p.points = AllocArray<PolygonPoint>(2937, points.size());
    std::memcpy(p.points, points.data(), sizeof(PolygonPoint) * points.size());
    p.count = n;
    p.color = store.polygonCount % 12;
    if (name.empty()) {
      std::snprintf(p.name, sizeof p.name, "P%li", static_cast<long>(store.polygonCount) + 1);
    } else {
      SetPolygonName(p, name.c_str());
    }
    ++store.polygonCount;
    ++added;
  }

  void AddGeometry(const OGRGeometry* g, const std::string& name) {
    if (!g) return;
    switch (wkbFlatten(g->getGeometryType())) {
      case wkbLineString:
      case wkbLinearRing:
        AddPart(*g->toLineString(), false, name);
        break;
      case wkbPolygon: {
        const OGRPolygon* polygon = g->toPolygon();
        if (polygon->getExteriorRing()) AddPart(*polygon->getExteriorRing(), true, name);
        for (int k = 0; k < polygon->getNumInteriorRings(); ++k) AddPart(*polygon->getInteriorRing(k), true, name);
        break;
      }
      case wkbMultiLineString:
      case wkbMultiPolygon:
      case wkbGeometryCollection:
      case wkbMultiCurve:
      case wkbMultiSurface: {
        const OGRGeometryCollection* c = g->toGeometryCollection();
        for (int k = 0; k < c->getNumGeometries(); ++k) AddGeometry(c->getGeometryRef(k), name);
        break;
      }
      case wkbCircularString:
      case wkbCompoundCurve:
      case wkbCurvePolygon: {
        std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
        AddGeometry(linear.get(), name);
        break;
      }
      default:
        break;  // points and other kinds carry no outline
    }
  }

  void SetTransform(OGRCoordinateTransformation* t) { transform_.reset(t); }

  long failedPoints = 0;

 private:
  std::unique_ptr<OGRCoordinateTransformation, TransformDeleter> transform_;
};

// The polygon name from a feature's "name" attribute (any case): at most 31
// characters, blanks turned into underscores so that the polygon file can
// hold it. Empty when there is no such attribute or it is empty.
std::string FeatureName(OGRFeature& feature) {
  const OGRFeatureDefn* defn = feature.GetDefnRef();
  for (int k = 0; k < defn->GetFieldCount(); ++k) {
    if (strcasecmp(defn->GetFieldDefn(k)->GetNameRef(), "name") != 0) continue;
    if (!feature.IsFieldSetAndNotNull(k)) return {};
    std::string name = feature.GetFieldAsString(k);
    for (char& c : name) {
      if (std::isspace(static_cast<unsigned char>(c))) c = '_';
    }
    if (name.size() > 31) name.resize(31);
    return name;
  }
  return {};
}

std::string SystemName(const OGRSpatialReference& srs) {
  const char* name = srs.GetName();
  return name && *name ? name : "unnamed reference system";
}

}  // namespace

long ReadGisLayer() {
  ShowStatusF(true, "reading %s", fileName);
  cornerMarks = 0;
  GDALAllRegister();
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::unique_ptr<GDALDataset, DatasetCloser> source(
      GDALDataset::Open(fileName, GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  CPLPopErrorHandler();
  if (!source) {
    Notify(2931, "can't open input file %s", fileName);
    return -1;
  }

  if (store.polygonCapacity == 0) {
    store.polygons = AllocArray<Polygon>(2938, kStoreGrowth);
    store.polygonCapacity = kStoreGrowth;
  }
  const int32_t startCount = store.polygonCount;
  LayerReader reader;
  std::unique_ptr<OGRSpatialReference> target;  // what the store's polygons are in
  std::string projectedFrom;
  bool unreferenced = false;
  long features = 0;
  long totalFeatures = 0;
  for (OGRLayer* layer : source->GetLayers()) totalFeatures += std::max<GIntBig>(0, layer->GetFeatureCount());
  long lastPercent = 0;

  for (OGRLayer* layer : source->GetLayers()) {
    const OGRSpatialReference* layerSrs = layer->GetSpatialRef();
    reader.SetTransform(nullptr);
    if (!layerSrs) {
      unreferenced = true;
    } else {
      OGRSpatialReference from(*layerSrs);
      from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      if (!target) {
        target = std::make_unique<OGRSpatialReference>();
        if (from.IsGeographic()) {
          OGREnvelope box;
          if (layer->GetExtent(&box, TRUE) != OGRERR_NONE) box = OGREnvelope();
          const double lon = (box.MinX + box.MaxX) * 0.5, lat = (box.MinY + box.MaxY) * 0.5;
          target->importFromEPSG(UtmEpsg(lon, lat));
          projectedFrom = SystemName(from);
        } else {
          *target = from;
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
    }
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
      reader.AddGeometry(feature->GetGeometryRef(), FeatureName(*feature));
    }
  }
  reader.SetTransform(nullptr);

  referenceSystem.clear();
  if (target) {
    char* wkt = nullptr;
    if (target->exportToWkt(&wkt) == OGRERR_NONE && wkt) referenceSystem = wkt;
    CPLFree(wkt);
  }
  if (reader.failedPoints > 0) {
    Notify(2933, "%li points of %s could not be converted and were left out", reader.failedPoints, fileName);
  }
  if (store.polygonCount == startCount) {
    Notify(2934, "%s holds no lines or polygons", fileName);
    return 0;
  }
  if (unreferenced) {
    Notify(2935, "%s has no reference system:\nits coordinates are used as they are", fileName);
  }
  if (!projectedFrom.empty()) {
    ShowStatusF(true, "%li features read, %li polygons found, projected from %s to %s", features, reader.added,
                projectedFrom.c_str(), SystemName(*target).c_str());
  } else {
    ShowStatusF(true, "%li features read, %li polygons found", features, reader.added);
  }
  return reader.added;
}

}  // namespace kestrel
