// Boundary polygons from GIS vector layers (shapefiles, GeoJSON, GeoPackages,
// KML), read through GDAL.
#pragma once

#include <string>

namespace kestrel {

// True when the name ends in .shp, .geojson, .json, .gpkg or .kml (any case).
bool IsGisLayerName(const char* name);

// Reads every layer of the data source `fileName` and appends one polygon to
// the store for every ring (outer and inner), line string and part of a
// multi-geometry. Longitude and latitude are projected to the UTM zone of the
// layer's centre; referenceSystem is set to what the polygons are in.
// Returns the number of polygons added; -1 when the source cannot be opened.
long ReadGisLayer();

// The UTM zone (1..60) of a longitude, and the EPSG code of that zone on
// WGS 84 for a latitude's hemisphere.
int UtmZone(double longitude);
int UtmEpsg(double longitude, double latitude);

}  // namespace kestrel
