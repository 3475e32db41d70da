// The finished grid back to GIS: a GeoPackage with one layer of model cells
// and one layer of the polygons, in the store's reference system.
#pragma once

namespace kestrel {

// Writes the linked grid to the GeoPackage `name` (replacing it): the layer
// "cells" with one quadrilateral per active cell of the cell map (polygon
// number and name, model I and J, DX, DY and the quality measures), and the
// layer "polygons" with every polygon of the store. Refuses in the status
// line when there is no current link; reports a file it cannot write through
// Notify. Returns true when the file was written.
bool WriteGridGeoPackage(const char* name);

// The command: asks for a file name (proposing the current polygon file's
// name with .gpkg) and writes the GeoPackage.
void ExportGrid();

}  // namespace kestrel
