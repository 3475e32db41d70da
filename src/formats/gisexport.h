// The finished grid back to GIS: a GeoPackage with one layer of model cells
// and one layer of the polygons, in the store's reference system.
#pragma once

namespace kestrel {

// The two layers of the export, and the fields of the polygon layer that
// keep the corners (0 when a polygon has none).
inline constexpr const char* kCellLayer = "cells";
inline constexpr const char* kPolygonLayer = "polygons";
inline constexpr const char* kCornerFields[4] = {"corner1", "corner2", "corner3", "corner4"};

// Writes the linked grid to the GeoPackage `name` (replacing it): the layer
// "cells" with one quadrilateral per active cell of the cell map (polygon
// number and name, model I and J, DX, DY and the quality measures), and the
// layer "polygons" with every polygon of the store (number, name, closed and
// corners). Without a reference system the layers are in the undefined
// Cartesian system of the format. Refuses in the status line when there is no
// current link or when `name` is the file the polygons were read from;
// reports a file it cannot write through Notify. Returns true when the file
// was written.
bool WriteGridGeoPackage(const char* name);

// The command: asks for a file name (proposing the current polygon file's
// name with .gpkg, never the file the polygons came from) and writes the
// GeoPackage.
void ExportGrid();

}  // namespace kestrel
