// The survey data loaded for the bed, and how its values are read. Both are
// kept until the program ends (or the user replaces them) and used by every
// step 4 and by the depth view.
#pragma once

#include <string>
#include <vector>

#include "formats/survey.h"

namespace kestrel {

struct DepthOptions {
  bool soundings = false;  // values are depths below the datum (positive down), not elevations
  double waterLevel = 0;   // the initial water surface, as an elevation
  double minDepth = 0.1;   // no cell is shallower than this
};

extern DepthOptions depthOptions;
// In the order they were loaded: a later source fills only the cells the
// earlier ones leave empty.
extern std::vector<SurveySource> bathymetrySources;
// Counts every change of the sources or the options.
extern long bathymetryVersion;

// Reads the survey file `name` and keeps it after the sources loaded before.
// The status line says what was read; a file that cannot be used is reported
// through Notify and not kept. Returns whether it was kept.
bool AddBathymetrySource(const char* name);

// The options the user can give for the bathymetry, as kestrel-grid takes
// them: --soundings, --elevations, --water-level Z, --min-depth D and
// --time-step auto|fixed. Looks at words[at]: returns how many words it took
// (0 when it is none of these options, -1 with `problem` set when its value is
// missing or wrong).
int TakeDepthOption(const std::vector<std::string>& words, size_t at, std::string& problem);

// The present options in that form, e.g. "--water-level 0 --min-depth 0.1".
std::string DepthOptionsText();

// What a loaded source holds, for the status line and the report, e.g.
// "1204 survey points from bed.xyz (2 header or comment lines skipped)".
std::string DescribeSource(const SurveySource& source);

// The command (Ctrl+B): asks for a survey file, whether it replaces or adds
// to the sources already loaded, and the options, then loads it.
void LoadBathymetry();

void ResetBathymetry();

}  // namespace kestrel
