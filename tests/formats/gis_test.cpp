#include "formats/gis.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <memory>
#include <string>

#include "fixture.h"
#include "formats/georef.h"
#include "formats/polyfile.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

// Builds a one-layer data source with GDAL from WKT geometries and names.
void MakeLayer(const std::string& driverName, const std::string& path, int epsg,
               const std::vector<std::pair<std::string, std::string>>& features, bool withNames = true) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName.c_str());
  ASSERT_NE(driver, nullptr) << driverName;
  GDALDataset* ds = driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr) << path;
  std::unique_ptr<OGRSpatialReference> srs;
  if (epsg) {
    srs = std::make_unique<OGRSpatialReference>();
    srs->importFromEPSG(epsg);
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  }
  OGRLayer* layer = ds->CreateLayer("shore", srs.get(), wkbUnknown, nullptr);
  ASSERT_NE(layer, nullptr);
  if (withNames) {
    OGRFieldDefn field("Name", OFTString);
    layer->CreateField(&field);
  }
  for (const auto& [name, wkt] : features) {
    OGRFeature* f = OGRFeature::CreateFeature(layer->GetLayerDefn());
    if (withNames && !name.empty()) f->SetField("Name", name.c_str());
    OGRGeometry* g = nullptr;
    ASSERT_EQ(OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &g), OGRERR_NONE) << wkt;
    f->SetGeometryDirectly(g);
    ASSERT_EQ(layer->CreateFeature(f), OGRERR_NONE);
    OGRFeature::DestroyFeature(f);
  }
  GDALClose(ds);
}

class GisTest : public KestrelTest {
 protected:
  TempDir dir;
  long Read(const std::string& path) {
    std::snprintf(fileName, sizeof fileName, "%s", path.c_str());
    return ReadGisLayer();
  }
};

TEST(GisNames, LayerEndingsInAnyCase) {
  EXPECT_TRUE(IsGisLayerName("a.shp"));
  EXPECT_TRUE(IsGisLayerName("dir/A.GeoJSON"));
  EXPECT_TRUE(IsGisLayerName("x.json"));
  EXPECT_TRUE(IsGisLayerName("x.GPKG"));
  EXPECT_TRUE(IsGisLayerName("x.kml"));
  EXPECT_FALSE(IsGisLayerName("x.p2d"));
  EXPECT_FALSE(IsGisLayerName("shp"));
  EXPECT_EQ(UtmZone(-180), 1);
  EXPECT_EQ(UtmZone(179.9), 60);
  EXPECT_EQ(UtmZone(15.5), 33);
  EXPECT_EQ(UtmEpsg(15.5, 52), 32633);
  EXPECT_EQ(UtmEpsg(-58, -34), 32721);
}

TEST_F(GisTest, ShapefileRingsWithAHoleAndNames) {
  const std::string path = dir.File("lake.shp");
  MakeLayer("ESRI Shapefile", path, 32633,
            {{"big lake", "POLYGON ((0 0,100 0,100 50,0 50,0 0),(10 10,20 10,20 20,10 10))"},
             {"", "POLYGON ((200 0,300 0,300 50,200 0))"}});
  EXPECT_EQ(Read(path), 3);
  ASSERT_EQ(store.polygonCount, 3);
  EXPECT_STREQ(PolygonAt(0).name, "big_lake");
  EXPECT_EQ(PolygonAt(0).count, 5);
  EXPECT_EQ(PolygonAt(0).closed, 1);
  EXPECT_STREQ(PolygonAt(1).name, "land") << "the hole is a polygon of its own, of land";
  EXPECT_EQ(PolygonAt(1).count, 4);
  EXPECT_EQ(PolygonAt(1).closed, 1);
  EXPECT_STREQ(PolygonAt(2).name, "P3");
  EXPECT_EQ(PolygonAt(2).color, 2);
  EXPECT_NE(referenceSystem.find("UTM zone 33N"), std::string::npos);
  EXPECT_EQ(ui.LastStatus(), "2 features read, 3 polygons found");
}

TEST_F(GisTest, GeoJsonLinesMultiPartsAndZ) {
  const std::string path = dir.File("banks.geojson");
  MakeLayer("GeoJSON", path, 32610,
            {{"a name that is much longer than thirty-one characters", "LINESTRING Z (0 0 1,10 0 2,10 0 2,20 5 3)"},
             {"parts", "MULTILINESTRING ((0 10,5 10),(0 20,5 20,5 25,0 20))"}});
  EXPECT_EQ(Read(path), 3);
  const Polygon& line = PolygonAt(0);
  EXPECT_STREQ(line.name, "a_name_that_is_much_longer_than");
  EXPECT_EQ(line.count, 3) << "a repeated point is dropped";
  EXPECT_EQ(line.closed, 0);
  EXPECT_EQ(line.points[2].z, 3);
  EXPECT_STREQ(PolygonAt(1).name, "parts");
  EXPECT_EQ(PolygonAt(1).closed, 0);
  EXPECT_EQ(PolygonAt(2).closed, 1) << "a line string whose ends meet is closed";
}

TEST_F(GisTest, GeoPackageInLongitudeLatitudeIsProjectedToUtm) {
  const std::string path = dir.File("estuary.gpkg");
  MakeLayer("GPKG", path, 4326,
            {{"estuary", "POLYGON ((15.40 52.10,15.60 52.10,15.60 52.20,15.40 52.20,15.40 52.10))"}});
  EXPECT_EQ(Read(path), 1);
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_NE(ui.LastStatus().find("projected from WGS 84 to WGS 84 / UTM zone 33N"), std::string::npos)
      << ui.LastStatus();

  OGRSpatialReference from, to;
  from.importFromEPSG(4326);
  from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  to.importFromEPSG(32633);
  to.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&from, &to));
  const double lon[] = {15.40, 15.60, 15.60, 15.40};
  const double lat[] = {52.10, 52.10, 52.20, 52.20};
  for (int k = 0; k < 4; ++k) {
    double x = lon[k], y = lat[k];
    ASSERT_TRUE(t->Transform(1, &x, &y));
    EXPECT_NEAR(PolygonAt(0).points[k].x, x, 1e-3);
    EXPECT_NEAR(PolygonAt(0).points[k].y, y, 1e-3);
  }
}

TEST_F(GisTest, LayerWithoutReferenceSystemIsUsedAsItIsWithAWarning) {
  // A shapefile without a .prj has no reference system.
  const std::string shp = dir.File("plain.shp");
  MakeLayer("ESRI Shapefile", shp, 0, {{"p", "POLYGON ((500 0,501 0,501 1,500 1,500 0))"}});
  EXPECT_EQ(Read(shp), 1);
  EXPECT_EQ(PolygonAt(0).points[0].x, 500);
  ASSERT_FALSE(ui.notifications.empty());
  EXPECT_EQ(ui.notifications.back().code, 2935);
  EXPECT_TRUE(referenceSystem.empty());
}

TEST_F(GisTest, LayersWithoutOutlinesAndMissingSourcesAreReported) {
  const std::string path = dir.File("wells.gpkg");
  MakeLayer("GPKG", path, 32633, {{"w", "POINT (1 2)"}});
  EXPECT_EQ(Read(path), 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 2934);
  EXPECT_EQ(ui.notifications[0].text, path + " holds no lines or polygons");

  EXPECT_EQ(Read(dir.File("missing.shp")), -1);
  EXPECT_EQ(ui.notifications.back().code, 2931);
  EXPECT_EQ(ui.notifications.back().text, "can't open input file " + dir.File("missing.shp"));
}

TEST_F(GisTest, ReferenceSystemTravelsWithThePolygonFile) {
  const std::string path = dir.File("bay.shp");
  MakeLayer("ESRI Shapefile", path, 32633, {{"bay", "POLYGON ((0 0,100 0,100 50,0 50,0 0))"}});
  Read(path);
  const std::string wkt = referenceSystem;
  ASSERT_FALSE(wkt.empty());
  const std::string saved = dir.File("harbour.p2d");
  std::snprintf(fileName, sizeof fileName, "%s", saved.c_str());
  ASSERT_TRUE(WritePolygonFile());
  EXPECT_EQ(TempDir::Read(dir.File("harbour.prj")), wkt + "\n");

  ResetProgramState();
  std::snprintf(fileName, sizeof fileName, "%s", saved.c_str());
  ReadPolygonFile();
  EXPECT_EQ(referenceSystem, wkt);
  OGRSpatialReference back;
  EXPECT_EQ(back.importFromWkt(referenceSystem.c_str()), OGRERR_NONE);
  EXPECT_EQ(back.GetEPSGGeogCS(), 4326);

  // A polygon file without a .prj beside it has no reference system.
  TempDir::Write(dir.File("other.p2d"), "POLY a\n0 0\n1 1\n");
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("other.p2d").c_str());
  ReadPolygonFile();
  EXPECT_TRUE(referenceSystem.empty());
}

TEST_F(GisTest, AShapefilesOwnReferenceFileIsNeverOverwritten) {
  const std::string shp = dir.File("river.shp");
  MakeLayer("ESRI Shapefile", shp, 4326,
            {{"reach", "POLYGON ((9.95 53.54,9.96 53.54,9.96 53.55,9.95 53.55,9.95 53.54))"}});
  const std::string shapefilePrj = TempDir::Read(dir.File("river.prj"));
  ASSERT_FALSE(shapefilePrj.empty());
  Read(shp);
  const std::string utm = referenceSystem;
  ASSERT_NE(utm.find("UTM zone 32N"), std::string::npos);

  const std::string saved = dir.File("river.p2d");
  std::snprintf(fileName, sizeof fileName, "%s", saved.c_str());
  ASSERT_TRUE(WritePolygonFile());
  EXPECT_EQ(TempDir::Read(dir.File("river.prj")), shapefilePrj) << "the shapefile keeps its longitude and latitude";
  EXPECT_EQ(TempDir::Read(dir.File("river.p2d.prj")), utm + "\n");

  ResetProgramState();
  std::snprintf(fileName, sizeof fileName, "%s", saved.c_str());
  ReadPolygonFile();
  EXPECT_EQ(referenceSystem, utm) << "the polygon file gets its own reference system back";
}

}  // namespace
}  // namespace kestrel::testing
