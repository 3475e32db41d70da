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
#include "formats/input.h"
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

// The name GeoPackages give the undefined Cartesian system (srs_id -1):
// coordinates without a reference system, not longitude and latitude.
constexpr const char* kUndefinedCartesian = "LOCAL_CS[\"Undefined Cartesian SRS\"]";

// What the export knows of one cell.
struct CellFacts {
  int32_t k, i, j;  // the polygon and the cell in its patch
  int32_t I, J;     // model indices, from 1
  double dx, dy;
  const CellQuality* quality;  // null when not measured
};

// One attribute of the cell layer: its name, type and how a cell fills it.
struct CellField {
  const char* name;
  OGRFieldType type;
  void (*fill)(OGRFeature& f, int field, const CellFacts& c);
};

// The attributes of the cell layer, in their order; a new attribute is one
// more row here.
const CellField kCellFields[] = {
    {"polygon", OFTInteger, [](OGRFeature& f, int n, const CellFacts& c) { f.SetField(n, c.k + 1); }},
    {"name", OFTString, [](OGRFeature& f, int n, const CellFacts& c) { f.SetField(n, PolygonAt(c.k).name); }},
    {"model_i", OFTInteger, [](OGRFeature& f, int n, const CellFacts& c) { f.SetField(n, c.I); }},
    {"model_j", OFTInteger, [](OGRFeature& f, int n, const CellFacts& c) { f.SetField(n, c.J); }},
    {"dx", OFTReal, [](OGRFeature& f, int n, const CellFacts& c) { f.SetField(n, c.dx); }},
    {"dy", OFTReal, [](OGRFeature& f, int n, const CellFacts& c) { f.SetField(n, c.dy); }},
    {"orthogonality", OFTReal,
     [](OGRFeature& f, int n, const CellFacts& c) {
       if (c.quality) f.SetField(n, c.quality->orthogonality);
     }},
    {"corner_deviation", OFTReal,
     [](OGRFeature& f, int n, const CellFacts& c) {
       if (c.quality) f.SetField(n, c.quality->cornerAngle);
     }},
    {"aspect_ratio", OFTReal,
     [](OGRFeature& f, int n, const CellFacts& c) {
       if (c.quality) f.SetField(n, c.quality->aspect);
     }},
    {"size_ratio_i", OFTReal,
     [](OGRFeature& f, int n, const CellFacts& c) {
       if (c.quality) f.SetField(n, c.quality->sizeRatioI);
     }},
    {"size_ratio_j", OFTReal,
     [](OGRFeature& f, int n, const CellFacts& c) {
       if (c.quality) f.SetField(n, c.quality->sizeRatioJ);
     }},
    {"folded", OFTInteger,
     [](OGRFeature& f, int n, const CellFacts& c) {
       if (c.quality) f.SetField(n, c.quality->folded ? 1 : 0);
     }},
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
  for (const CellField& field : kCellFields) {
    if (!AddField(layer, field.name, field.type)) return false;
  }
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
        CellFacts facts{k, i, j, I + 1, J + 1, 0, 0, nullptr};
        CellSizes(x, y, facts.dx, facts.dy);
        const auto q = quality.find({k, i, j});
        if (q != quality.end()) facts.quality = &q->second;
        std::unique_ptr<OGRFeature> f(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        for (int n = 0; n < static_cast<int>(std::size(kCellFields)); ++n) kCellFields[n].fill(*f, n, facts);
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
  for (const char* corner : kCornerFields) {
    if (!AddField(layer, corner, OFTInteger)) return false;
  }
  if (layer->StartTransaction() != OGRERR_NONE) return false;
  for (int32_t k = 0; k < store.polygonCount; ++k) {
    const Polygon& p = PolygonAt(k);
    if (p.count < 1) continue;
    std::unique_ptr<OGRFeature> f(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    f->SetField("number", k + 1);
    f->SetField("name", p.name);
    f->SetField("closed", p.closed);
    for (int c = 0; c < 4; ++c) f->SetField(kCornerFields[c], p.corners[c]);
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

// The reference system of the layers: the store's, or the undefined
// Cartesian one when the polygons have none.
std::unique_ptr<OGRSpatialReference> ExportSystem() {
  auto srs = std::make_unique<OGRSpatialReference>();
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  if (!referenceSystem.empty() && srs->importFromWkt(referenceSystem.c_str()) == OGRERR_NONE) return srs;
  srs = std::make_unique<OGRSpatialReference>();
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  srs->importFromWkt(kUndefinedCartesian);
  return srs;
}

}  // namespace

bool WriteGridGeoPackage(const char* name) {
  if (!LinkIsCurrent()) {
    ShowStatus("polygons must first be linked");
    return false;
  }
  if (IsInputFile(name)) {
    ShowStatusF(false, "the grid is not written over %s, which the polygons were read from: choose another name", name);
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
  const std::unique_ptr<OGRSpatialReference> srs = ExportSystem();
  long cells = 0;
  CPLPushErrorHandler(CPLQuietErrorHandler);
  OGRLayer* cellLayer = target->CreateLayer(kCellLayer, srs.get(), wkbPolygon, nullptr);
  bool ok = cellLayer && WriteCells(cellLayer, cells);
  OGRLayer* polygonLayer = ok ? target->CreateLayer(kPolygonLayer, srs.get(), wkbUnknown, nullptr) : nullptr;
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
  std::string stem = fileName;
  const size_t slash = stem.find_last_of('/');
  const size_t dot = stem.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) stem.erase(dot);
  if (stem.empty()) stem = "grid";
  std::string name = stem + ".gpkg";
  // Opened from a GeoPackage: the grid goes beside it, not over it.
  if (IsInputFile(name.c_str())) name = stem + "-grid.gpkg";
  if (!UI().AskSaveFile("export the grid to GIS", "GeoPackages (*.gpkg)|*.gpkg|All Files (*.*)|*.*", name)) return;
  WriteGridGeoPackage(name.c_str());
}

}  // namespace kestrel
