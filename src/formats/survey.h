// Survey data for the bed of the water body: scattered points from x y z
// text files and GIS point layers, and rasters (GeoTIFF, ESRI ASCII grid and
// whatever else GDAL reads). The readers keep the data in the reference
// system of the file; the depth calculation moves it onto the grid.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace kestrel {

enum class SurveyKind { Points, Raster };

struct SurveySource {
  std::string name;  // the file as the user named it, for messages
  std::string path;  // the file as it is opened again later
  SurveyKind kind = SurveyKind::Points;
  std::string referenceSystem;  // WKT; empty when the file has none

  // Points: x, y and the surveyed value, in the file's reference system.
  std::vector<double> x, y, z;
  std::string valueFrom;  // where a layer's values came from: "z" or the attribute's name

  // What the reader left out. Text files: the line numbers of bad lines;
  // layers: the numbers (from 1) of point features without a value.
  long skippedLines = 0;  // header and comment lines of a text file
  std::vector<long> bad;
  long otherFeatures = 0;  // features of a layer that are not points

  // Rasters: the size in cells and the georeference (GDAL's six numbers:
  // x = t0 + column * t1 + row * t2, y = t3 + column * t4 + row * t5 at a
  // cell's top left corner).
  int32_t columns = 0, rows = 0;
  double transform[6] = {0, 1, 0, 0, 0, 1};
};

// How the bad lines or features are listed in messages: "7, 19, 23" and, past
// the first ten, "and 5 more".
std::string ListNumbers(const std::vector<long>& numbers);

// Reads the x y z lines of a text file into `source` (the points and what was
// skipped). Fields are separated by blanks, tabs, commas or semicolons; in a
// line with a semicolon a comma is not a separator. Lines before the first
// point line that are not points are header lines; a header naming the
// columns x, y and z (or easting, northing, elevation, depth and the like)
// picks those columns, otherwise the first three are used. Lines starting with
// #, !, % or * are comments; blank lines are skipped. Every other line that is
// not a point is bad and its number is kept.
void ParseSurveyText(std::istream& in, SurveySource& source);

// Reads the survey file `name`: a text file (.xyz, .txt, .csv, .dat, .pts,
// .tsv, or any text that GDAL does not read), a GIS point layer (z of the
// points or an attribute named depth, elev, elevation or z, in any case) or a
// raster. A text file takes its reference system from a .prj file beside it.
// Returns false with `problem` saying why when the file cannot be used.
bool ReadSurveySource(const std::string& name, SurveySource& source, std::string& problem);

// Reads the window of `width` x `height` raster cells whose top left cell is
// (column, row) into `values` (row by row, NaN where the raster has no data),
// shrunk to `outWidth` x `outHeight` cells by averaging when those are
// smaller. The values are those of the first band with its scale and offset
// applied.
bool ReadRasterWindow(const SurveySource& source, int32_t column, int32_t row, int32_t width, int32_t height,
                      int32_t outWidth, int32_t outHeight, std::vector<double>& values, std::string& problem);

}  // namespace kestrel
