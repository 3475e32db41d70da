// Boundary polygons from GIS vector layers (shapefiles, GeoJSON, GeoPackages,
// KML), read through GDAL.
#pragma once

#include <string>

namespace kestrel {

// True when the name ends in .shp, .geojson, .json, .gpkg or .kml (any case).
bool IsGisLayerName(const char* name);

// Reads the layers of the data source `fileName` that carry lines or
// polygons (the chosen ones, see layers.h) and appends one polygon to the
// store for every ring, line string and part of a multi-geometry. The holes
// of a polygon become polygons named "land"; rings run counter-clockwise.
// Longitude and latitude are projected to the UTM zone of the layer's centre;
// referenceSystem is set to what the polygons are in (empty when they came
// without one). Kestrel's own grid export gives back its polygon layer as it
// was written, corners included. Returns the number of polygons added; -1
// when the source cannot be opened.
long ReadGisLayer();

// The UTM zone (1..60) of a longitude, and the EPSG code of that zone on
// WGS 84 for a latitude's hemisphere.
int UtmZone(double longitude);
int UtmEpsg(double longitude, double latitude);

}  // namespace kestrel
