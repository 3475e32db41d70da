// What the readers of drawings and GIS sources read: the choice of layers
// and of units, and the words of the status line about them.
//
// A drawing or a GeoPackage often holds more than the boundary polygons: a
// title block, annotation, survey points. The layers named on the command
// line are read; otherwise the window asks when a source has several.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

// What to do with a source whose reference system is not in metres.
enum class UnitChoice { Ask, Convert, Keep };

struct ReadChoices {
  std::vector<std::string> layers;  // layers to read (kestrel-grid --layer); empty: not named
  bool askLayers = true;            // ask when a source has several layers and none are named
  UnitChoice units = UnitChoice::Ask;
};

extern ReadChoices readChoices;

void ResetReadChoices();

// One layer of a source: its name and how many entities or features it holds.
struct LayerEntry {
  std::string name;
  long items = 0;
};

// Decides which of the `layers` of `source` are read; `one` and `many` name
// the items ("entity", "entities"). With layers named in readChoices, those (in any
// letter case); a name the source lacks is reported and nothing is read.
// Otherwise every layer, after asking the user when there are several and
// askLayers is set. Returns false when nothing is to be read (Cancel, or a
// name not found); `chosen` has one entry per layer.
bool ChooseLayers(const char* source, const std::vector<LayerEntry>& layers, const char* one, const char* many,
                  std::vector<bool>& chosen);

// Whether two layer names are the same in any letter case.
bool SameLayerName(const std::string& a, const std::string& b);

// "A (3), B (2)": names with counts, at most `limit` of them, then "and N
// more". Names longer than 40 bytes are shortened.
std::string ListWithCounts(const std::vector<std::pair<std::string, long>>& entries, std::size_t limit = 6);

// A number in ten significant digits with a decimal point, whatever the
// desktop's locale.
std::string Decimal(double value);

// Whether the coordinates of `source`, in a unit `unit` of `metres` metres,
// are to be converted to metres: readChoices.units says so, or the user when
// it says Ask.
bool ConvertToMetres(const char* source, const std::string& unit, double metres);

}  // namespace kestrel
