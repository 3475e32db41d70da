#include "formats/gisexport.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "app/report.h"
#include "depth/bathymetry.h"
#include "depth/celldepth.h"
#include "formats/georef.h"
#include "grid/gridstore.h"
#include "grid/quality.h"
#include "link/cellmap.h"
#include "model/modelfiles.h"
#include "store/store.h"

namespace kestrel {

namespace {

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};

bool AddField(OGRLayer* layer, const char* name, OGRFieldType type) {
  OGRFieldDefn field(name, type);
  return layer->CreateField(&field) == OGRERR_NONE;
}

// DX and DY as the model files define them: the mean lengths of the cell's
// two edges along i and along j.
void CellSizes(const double x[4], const double y[4], double& dx, double& dy) {
  dx = (std::hypot(x[1] - x[0], y[1] - y[0]) + std::hypot(x[2] - x[3], y[2] - y[3])) * 0.5;
  dy = (std::hypot(x[3] - x[0], y[3] - y[0]) + std::hypot(x[2] - x[1], y[2] - y[1])) * 0.5;
}

// With survey data loaded every cell carries its depth, bottom elevation
// and how they were found.
bool AddDepthFields(OGRLayer* layer) {
  return AddField(layer, "depth", OFTReal) && AddField(layer, "elevation", OFTReal) &&
         AddField(layer, "depth_method", OFTString);
}

void SetDepthFields(OGRFeature& f, const CellDepth& d) {
  f.SetField("depth", d.depth);
  f.SetField("elevation", d.elevation);
  f.SetField("depth_method", DepthMethodName(d.method));
}

bool WriteCells(OGRLayer* layer, long& written) {
  const char* fields[] = {"dx",           "dy",           "orthogonality", "corner_deviation",
                          "aspect_ratio", "size_ratio_i", "size_ratio_j"};
  if (!AddField(layer, "polygon", OFTInteger) || !AddField(layer, "name", OFTString) ||
      !AddField(layer, "model_i", OFTInteger) || !AddField(layer, "model_j", OFTInteger)) {
    return false;
  }
  for (const char* f : fields) {
    if (!AddField(layer, f, OFTReal)) return false;
  }
  if (!AddField(layer, "folded", OFTInteger)) return false;
  const DepthField* depths = bathymetrySources.empty() ? nullptr : CurrentDepths();
  if (!bathymetrySources.empty() && !depths) return false;
  if (depths && !AddDepthFields(layer)) return false;

  std::map<std::tuple<int32_t, int32_t, int32_t>, CellQuality> quality;
  for (const CellQuality& q : MeasureGrid()) quality[{q.polygon, q.i, q.j}] = q;

  if (layer->StartTransaction() != OGRERR_NONE) return false;
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (k == clipPolygon) continue;
    const int32_t ni = grids.ni[k], nj = grids.nj[k];
    for (int32_t j = 0; j < nj; ++j) {
      for (int32_t i = 0; i < ni; ++i) {
        const int32_t I = cellMap.cellI[k][j * ni + i], J = cellMap.cellJ[k][j * ni + i];
        if (cellMap.owner[J][I] == -1) continue;
        const int32_t nodes[4] = {NodeIndex(ni, i, j), NodeIndex(ni, i + 1, j), NodeIndex(ni, i + 1, j + 1),
                                  NodeIndex(ni, i, j + 1)};
        double x[4], y[4];
        OGRLinearRing ring;
        for (int c = 0; c < 4; ++c) {
          x[c] = grids.x[k][nodes[c]];
          y[c] = grids.y[k][nodes[c]];
          ring.addPoint(x[c], y[c]);
        }
        ring.addPoint(x[0], y[0]);
        OGRPolygon cell;
        cell.addRing(&ring);
        double dx, dy;
        CellSizes(x, y, dx, dy);
        std::unique_ptr<OGRFeature> f(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        f->SetField("polygon", k + 1);
        f->SetField("name", PolygonAt(k).name);
        f->SetField("model_i", I + 1);
        f->SetField("model_j", J + 1);
        f->SetField("dx", dx);
        f->SetField("dy", dy);
        const auto q = quality.find({k, i, j});
        if (q != quality.end()) {
          f->SetField("orthogonality", q->second.orthogonality);
          f->SetField("corner_deviation", q->second.cornerAngle);
          f->SetField("aspect_ratio", q->second.aspect);
          f->SetField("size_ratio_i", q->second.sizeRatioI);
          f->SetField("size_ratio_j", q->second.sizeRatioJ);
          f->SetField("folded", q->second.folded ? 1 : 0);
        }
        if (depths) SetDepthFields(*f, depths->cells[k][static_cast<size_t>(j) * ni + i]);
        f->SetGeometry(&cell);
        if (layer->CreateFeature(f.get()) != OGRERR_NONE) return false;
        ++written;
      }
    }
  }
  return layer->CommitTransaction() == OGRERR_NONE;
}

bool WritePolygons(OGRLayer* layer) {
  if (!AddField(layer, "number", OFTInteger) || !AddField(layer, "name", OFTString) ||
      !AddField(layer, "closed", OFTInteger)) {
    return false;
  }
  if (layer->StartTransaction() != OGRERR_NONE) return false;
  for (int32_t k = 0; k < store.polygonCount; ++k) {
    const Polygon& p = PolygonAt(k);
    if (p.count < 1) continue;
    std::unique_ptr<OGRFeature> f(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    f->SetField("number", k + 1);
    f->SetField("name", p.name);
    f->SetField("closed", p.closed);
    if (p.closed && p.count >= 4) {
      OGRLinearRing ring;
      for (int32_t n = 0; n < p.count; ++n) ring.addPoint(p.points[n].x, p.points[n].y, p.points[n].z);
      OGRPolygon polygon;
      polygon.addRing(&ring);
      f->SetGeometry(&polygon);
    } else {
      OGRLineString line;
      for (int32_t n = 0; n < p.count; ++n) line.addPoint(p.points[n].x, p.points[n].y, p.points[n].z);
      f->SetGeometry(&line);
    }
    if (layer->CreateFeature(f.get()) != OGRERR_NONE) return false;
  }
  return layer->CommitTransaction() == OGRERR_NONE;
}

}  // namespace

bool WriteGridGeoPackage(const char* name) {
  if (!LinkIsCurrent()) {
    ShowStatus("polygons must first be linked");
    return false;
  }
  if (!bathymetrySources.empty() && !CurrentDepths()) {
    ShowStatusF(false, "grid not exported: no depths for the grid (%s)", DepthProblem().c_str());
    return false;
  }
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GPKG");
  // Written beside its name and put in place only when complete.
  const std::string temporary = std::string(name) + ".kestrel-new.gpkg";
  std::remove(temporary.c_str());
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::unique_ptr<GDALDataset, DatasetCloser> target(
      driver ? driver->Create(temporary.c_str(), 0, 0, 0, GDT_Unknown, nullptr) : nullptr);
  CPLPopErrorHandler();
  if (!target) {
    Notify(6470, "can't create output file %s", name);
    return false;
  }
  std::unique_ptr<OGRSpatialReference> srs;
  if (!referenceSystem.empty()) {
    srs = std::make_unique<OGRSpatialReference>();
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (srs->importFromWkt(referenceSystem.c_str()) != OGRERR_NONE) srs.reset();
  }
  long cells = 0;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  OGRLayer* cellLayer = target->CreateLayer("cells", srs.get(), wkbPolygon, nullptr);
  bool ok = cellLayer && WriteCells(cellLayer, cells);
  OGRLayer* polygonLayer = ok ? target->CreateLayer("polygons", srs.get(), wkbUnknown, nullptr) : nullptr;
  ok = ok && polygonLayer && WritePolygons(polygonLayer);
  // Closing writes what is left; a failure there shows as the last error.
  CPLErrorReset();
  target.reset();
  ok = ok && CPLGetLastErrorType() != CE_Failure && CPLGetLastErrorType() != CE_Fatal;
  CPLPopErrorHandler();
  ok = ok && std::rename(temporary.c_str(), name) == 0;
  if (!ok) {
    std::remove(temporary.c_str());
    Notify(6471, "can't write output file %s", name);
    return false;
  }
  ShowStatusF(true, "grid written to %s: %li cells, %li polygons", name, cells, static_cast<long>(store.polygonCount));
  return true;
}

void ExportGrid() {
  if (!LinkIsCurrent()) {
    ShowStatus("polygons must first be linked");
    return;
  }
  std::string name = fileName;
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) name.erase(dot);
  name = (name.empty() ? std::string("grid") : name) + ".gpkg";
  if (!UI().AskSaveFile("export the grid to GIS", "GeoPackages (*.gpkg)|*.gpkg|All Files (*.*)|*.*", name)) return;
  WriteGridGeoPackage(name.c_str());
}

}  // namespace kestrel
