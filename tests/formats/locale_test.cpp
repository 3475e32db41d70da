// Numbers are read and written the same way under a decimal-comma desktop
// locale as under C: every file, the clipboard, the dialogs and the status
// line.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "app/reset.h"
#include "decimal_comma.h"
#include "depth/bathymetry.h"
#include "edit/dialogs.h"
#include "edit/edits.h"
#include "fixture.h"
#include "formats/clipboard.h"
#include "formats/gisexport.h"
#include "formats/input.h"
#include "formats/polyfile.h"
#include "grid/driver.h"
#include "link/cellmap.h"
#include "model/modelfiles.h"
#include "patches.h"
#include "store/selection.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

// Everything the program wrote or showed in one run of the whole workflow.
struct Outputs {
  std::map<std::string, std::string> files;
  std::string copied;
  std::vector<std::string> statuses;
  std::vector<std::string> shownValues;
  double typedSpacing = 0;
};

void Read(const char* example) {
  ClearPolygons();
  std::snprintf(fileName, sizeof fileName, "%s/%s", KESTREL_EXAMPLES_DIR, example);
  ASSERT_GT(ReadInputFile(), 0) << example;
  BoundAll();
  ComputeExtents();
}

void Write(const char* name) {
  std::snprintf(fileName, sizeof fileName, "%s", name);
  ASSERT_TRUE(WritePolygonFile()) << name;
}

class LocaleTest : public KestrelTest {
 protected:
  Outputs RunEverything() {
    ResetProgramState();
    ui = ScriptedFrontEnd{};
    TempDir dir;
    InFolder in(dir.path());
    Outputs out;
    // A polygon file whose names carry a grading, through all four steps.
    Read("river_bend.p2d");
    GenerateGrids();
    EXPECT_EQ(gridsValid, 1);
    EXPECT_TRUE(RunLinkStep());
    EXPECT_TRUE(WriteModelFiles());
    EXPECT_TRUE(WriteQualityFile());
    EXPECT_TRUE(WriteGridGeoPackage("grid.gpkg"));
    {
      // Again with the example's soundings in the depth columns.
      std::filesystem::create_directory(dir.File("depths"));
      InFolder depths(dir.File("depths"));
      depthOptions.soundings = true;
      EXPECT_TRUE(AddBathymetrySource(KESTREL_EXAMPLES_DIR "/river_bend_survey.xyz"));
      EXPECT_TRUE(WriteModelFiles());
      for (const char* name : {"DXDY.INP", "QUALITY.TXT"})
        out.files[std::string("depths/") + name] = TempDir::Read(name);
    }
    Write("river.p2d");
    // The clipboard both ways, with z values that are not whole numbers.
    SelectAll();
    FormatSelectedPolygons(out.copied);
    ui.clipboard = "POLY pasted\r\n0.5\t0.25\t1.5\r\n1000.25,2.75e3,-0.125\r\n3.5 4.5\r\nEND\r\n";
    PastePolygons();
    Write("pasted.p2d");
    // The value dialog shows the default and reads what was typed.
    dialogValue = 7.5;
    ui.values.push_back(std::string("2.5"));
    ValueDialog("SPACING");
    out.typedSpacing = dialogValue;
    // A drawing and a GIS layer.
    Read("channel.dxf");
    Write("drawing.p2d");
    Read("shoreline.geojson");
    Write("layer.p2d");
    // The GeoPackage keeps the time it was written: its polygons are compared.
    ClearPolygons();
    std::snprintf(fileName, sizeof fileName, "grid.gpkg");
    EXPECT_GT(ReadInputFile(), 0);
    Write("export.p2d");
    std::filesystem::remove(dir.File("grid.gpkg"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      if (entry.is_directory()) continue;
      out.files[entry.path().filename().string()] = TempDir::Read(entry.path().string());
    }
    out.statuses = ui.statuses;
    out.shownValues = ui.shownValues;
    return out;
  }
};

TEST_F(LocaleTest, EveryFileIsWrittenByteForByteAsUnderC) {
  const Outputs c = RunEverything();
  Outputs comma;
  {
    DecimalCommaLocale german;
    ASSERT_TRUE(german.active()) << "the de_DE.UTF-8 locale could not be set";
    char check[16];
    std::snprintf(check, sizeof check, "%.1f", 1.5);
    ASSERT_STREQ(check, "1,5") << "the standard conversions follow the locale";
    comma = RunEverything();
  }
  for (const char* name : {"CELL.P2D", "DXDY.INP", "LXLY.INP", "CORNERS.INP", "CELL.INP", "EFDC.INP", "cell.txt",
                           "river.p2d", "pasted.p2d", "drawing.p2d", "layer.p2d", "export.p2d", "depths/DXDY.INP"}) {
    EXPECT_TRUE(c.files.count(name)) << name;
  }
  ASSERT_EQ(comma.files.size(), c.files.size());
  for (const auto& [name, bytes] : c.files) {
    EXPECT_EQ(comma.files.at(name), bytes) << name;
  }
  EXPECT_EQ(comma.copied, c.copied);
  EXPECT_EQ(comma.statuses, c.statuses);
  EXPECT_EQ(comma.shownValues, (std::vector<std::string>{"7.5"}));
  EXPECT_EQ(comma.typedSpacing, 2.5);

  // What was read is right, not only the same: the grading of the first name
  // shows in its cells, and the pasted points keep their fractions.
  EXPECT_NE(c.files.at("pasted.p2d").find("0.5 0.25 1.5\n1000.25 2750 -0.125\n3.5 4.5 -0.125\n"), std::string::npos)
      << c.files.at("pasted.p2d");
  EXPECT_EQ(c.files.at("river.p2d").substr(0, 58),
            "POLY 20by8[1.2,1]_bend1\n140 0 0 \x11"
            "1\n139.925042 4.5806716 0\n");
}

}  // namespace
}  // namespace kestrel::testing
