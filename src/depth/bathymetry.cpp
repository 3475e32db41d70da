#include "depth/bathymetry.h"

#include <strings.h>

#include <filesystem>
#include <sstream>
#include <system_error>

#include "app/report.h"
#include "depth/celldepth.h"
#include "formats/decimal.h"
#include "model/timestep.h"

namespace kestrel {

DepthOptions depthOptions;
std::vector<SurveySource> bathymetrySources;
long bathymetryVersion = 0;

namespace {

// The file name without its folders, for the status line.
std::string BaseName(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

std::string DescribeSource(const SurveySource& source) {
  std::string text;
  if (source.kind == SurveyKind::Raster) {
    text = "a raster of " + std::to_string(source.columns) + " x " + std::to_string(source.rows) + " cells from " +
           BaseName(source.name);
  } else {
    text = std::to_string(source.x.size()) + " survey points from " + BaseName(source.name);
    if (!source.valueFrom.empty()) {
      text += source.valueFrom == "z" ? " (their z)" : " (attribute " + source.valueFrom + ")";
    }
  }
  if (source.skippedLines > 0) text += "; " + std::to_string(source.skippedLines) + " header or comment lines skipped";
  if (!source.bad.empty()) {
    const bool lines = source.valueFrom.empty();
    text += "; " + std::to_string(source.bad.size()) +
            (lines ? " bad lines skipped: " : " features without a value skipped: ");
    text += ListNumbers(source.bad);
  }
  if (source.otherFeatures > 0)
    text += "; " + std::to_string(source.otherFeatures) + " features that are not points left out";
  if (source.referenceSystem.empty()) text += "; no reference system";
  return text;
}

bool AddBathymetrySource(const char* name) {
  ShowStatusF(true, "reading survey data from %s", name);
  SurveySource source;
  std::string problem;
  if (!ReadSurveySource(name, source, problem)) {
    Notify(7101, "can't read bathymetry from %s:\n%s", name, problem.c_str());
    return false;
  }
  // A raster is read again at every step 4, from wherever the program then
  // works.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(name, error);
  if (!error) source.path = absolute.string();
  bathymetrySources.push_back(std::move(source));
  ++bathymetryVersion;
  const SurveySource& kept = bathymetrySources.back();
  std::string text = "bathymetry: " + DescribeSource(kept);
  if (bathymetrySources.size() > 1) {
    text += "; source " + std::to_string(bathymetrySources.size()) + ", fills the cells the others leave empty";
  }
  // An attribute named depth most likely holds depths below the datum.
  if (!depthOptions.soundings && strcasecmp(kept.valueFrom.c_str(), "depth") == 0) {
    text += "; read as elevations (--soundings reads depths)";
  }
  ShowStatus(text.c_str(), true);
  return true;
}

int TakeDepthOption(const std::vector<std::string>& words, size_t at, std::string& problem) {
  const std::string& word = words[at];
  if (word == "--soundings" || word == "--elevations") {
    depthOptions.soundings = word == "--soundings";
    ++bathymetryVersion;
    return 1;
  }
  if (word != "--water-level" && word != "--min-depth" && word != "--time-step") return 0;
  if (at + 1 >= words.size()) {
    problem = word + " needs a value";
    return -1;
  }
  const std::string& value = words[at + 1];
  if (word == "--time-step") {
    if (value != "auto" && value != "fixed") {
      problem = "--time-step takes auto or fixed";
      return -1;
    }
    autoTimeStep = value == "auto";
    return 2;
  }
  double number;
  if (!ParseDecimal(value, number)) {
    problem = word + " needs a number, not " + value;
    return -1;
  }
  if (word == "--min-depth") {
    if (!(number > 0)) {
      problem = "--min-depth must be more than 0";
      return -1;
    }
    depthOptions.minDepth = number;
  } else {
    depthOptions.waterLevel = number;
  }
  ++bathymetryVersion;
  return 2;
}

std::string DepthOptionsText() {
  std::string text = depthOptions.soundings ? "--soundings " : "";
  text +=
      "--water-level " + ShortDecimal(depthOptions.waterLevel) + " --min-depth " + ShortDecimal(depthOptions.minDepth);
  if (autoTimeStep) text += " --time-step auto";
  return text;
}

void LoadBathymetry() {
  std::string name;
  if (!UI().AskOpenFile("load bathymetry",
                        "Survey data (*.xyz *.txt *.csv *.dat *.pts *.shp *.geojson *.gpkg *.tif *.tiff *.asc)|"
                        "*.xyz;*.txt;*.csv;*.dat;*.pts;*.shp;*.geojson;*.gpkg;*.tif;*.tiff;*.asc|All Files (*.*)|*.*",
                        name)) {
    return;
  }
  bool replace = false;
  if (!bathymetrySources.empty()) {
    const Answer answer = UI().AskYesNoCancel(
        "Load Bathymetry",
        ("Survey data from " + std::to_string(bathymetrySources.size()) +
         " file(s) is loaded.\nYes replaces it; No adds the new file, which then fills only the cells the others "
         "leave empty.")
            .c_str());
    if (answer == Answer::Cancel) return;
    replace = answer == Answer::Yes;
  }
  // How the values are read, in the words of kestrel-grid's options.
  const DepthOptions before = depthOptions;
  const bool autoBefore = autoTimeStep;
  std::string text = DepthOptionsText();
  while (true) {
    if (!UI().AskValue("BATHYMETRY", text)) return;
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    std::string problem;
    for (size_t at = 0; at < words.size() && problem.empty();) {
      const int taken = TakeDepthOption(words, at, problem);
      if (taken == 0) problem = "unknown option " + words[at];
      if (taken > 0) at += static_cast<size_t>(taken);
    }
    if (problem.empty()) break;
    depthOptions = before;
    autoTimeStep = autoBefore;
    Notify(7102,
           "%s\n(the options are --soundings or --elevations, --water-level Z, --min-depth D and "
           "--time-step auto or fixed)",
           problem.c_str());
  }
  std::vector<SurveySource> kept;
  if (replace) kept.swap(bathymetrySources);
  if (!AddBathymetrySource(name.c_str())) {
    if (replace) bathymetrySources.swap(kept);
    ++bathymetryVersion;
  }
}

void ResetBathymetry() {
  depthOptions = DepthOptions{};
  bathymetrySources.clear();
  bathymetryVersion = 0;
  autoTimeStep = false;
  ResetCellDepths();
}

}  // namespace kestrel
