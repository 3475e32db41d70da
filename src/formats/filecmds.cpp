#include "formats/filecmds.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/buttons.h"
#include "app/frontend.h"
#include "app/report.h"
#include "edit/journal.h"
#include "formats/gis.h"
#include "formats/input.h"
#include "formats/polyfile.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

namespace {

const char* const kUnsavedCaption = "changes not saved!";
const char* const kOpenFilter =
    "Polygons (*.p?d)|*.p?d|Drawings (*.dxf)|*.dxf|"
    "GIS layers (*.shp *.geojson *.json *.gpkg *.kml)|*.shp;*.geojson;*.json;*.gpkg;*.kml|All Files (*.*)|*.*";
const char* const kSaveFilter = "Polygons (*.p?d)|*.p?d|All Files (*.*)|*.*";

// Takes a name from a file dialog into fileName. A name that does not fit
// the buffer is refused rather than cut, since a cut name is another file.
bool TakeDialogName(bool chosen, const std::string& name) {
  if (!chosen || name.empty()) return false;
  if (name.size() >= sizeof fileName) {
    ShowStatus("the file name is too long");
    return false;
  }
  std::memcpy(fileName, name.c_str(), name.size() + 1);
  return true;
}

// Whether the folder that would hold file `name` exists.
bool FolderExists(const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(name).parent_path();
  if (folder.empty()) return true;  // the working folder
  std::error_code error;
  return std::filesystem::is_directory(folder, error);
}

// Whether fileName is a drawing or a GIS layer rather than a polygon file.
// Their polygons are never written back over them in polygon text, which
// would destroy the drawing or the layer: saving them goes through the save
// dialog, which proposes a polygon file of the same name.
bool ReadFromOtherFormat() { return IsDxfName(fileName) || IsGisLayerName(fileName); }

// The name the save dialog proposes: fileName, or for a drawing or a GIS
// layer the same name ending in .p2d.
std::string ProposedSaveName() {
  std::string name = fileName;
  if (!ReadFromOtherFormat()) return name;
  const size_t slash = name.find_last_of('/');
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
  return name + ".p2d";
}

// Whether saving must ask for a name first.
bool SaveNeedsDialog() { return needFileName || ReadFromOtherFormat(); }

}  // namespace

const char* AskSaveFileName() {
  if (store.polygonCount < 1) {
    ShowStatus("there are no polygons to save");
    return nullptr;
  }
  needFileName = 0;
  std::string name = ProposedSaveName();
  // A name that cannot be saved under (its folder does not exist, or it is
  // too long) is refused and the dialog comes back, as when it stays open.
  while (UI().AskSaveFile("select output file", kSaveFilter, name) && !name.empty()) {
    if (!FolderExists(name)) {
      ShowStatusF(false, "the folder of %s does not exist: choose another", name.c_str());
      UI().ShowWarning("select output file", statusText);
      continue;
    }
    if (TakeDialogName(true, name)) return fileName;
  }
  needFileName = 1;
  ClearJournal();
  return nullptr;
}

namespace {

// Offers to save unsaved changes before another file replaces them. Returns
// false when nothing may be opened: the user cancelled, or the changes could
// not be written (opening another file would throw them away; the user keeps
// them and can try another name).
bool OfferToSaveBeforeOpening() {
  if (store.polygonCount < 1 || !modified) return true;
  const Answer answer = UI().AskYesNoCancel(kUnsavedCaption,
                                            "You have not saved your changes.\n"
                                            "If you open another file your changes\n"
                                            "will be discarded. Do you want to\n"
                                            "save your changes?");
  if (answer == Answer::Cancel) return false;
  if (answer == Answer::Yes) {
    if (SaveNeedsDialog() && !AskSaveFileName()) return false;
    if (!WritePolygonFile()) return false;
  }
  return true;
}

// Replaces the polygons by those of fileName.
void ReadOpenedFile() {
  ClearPolygons();
  ReadInputFile();
  if (store.polygonCount < 1) UI().RepaintPlot();
  modified = 0;
}

// Fits the view to the polygons there are now; the undo history starts anew.
void FitOpenedPolygons() {
  BoundAll();
  ComputeExtents();
  ZoomAll();
  ClearJournal();
  UI().FocusMainWindow();
}

}  // namespace

const char* AskOpenFileName() {
  if (!OfferToSaveBeforeOpening()) return nullptr;
  ClearJournal();
  needFileName = 0;
  std::string name = fileName;
  if (TakeDialogName(UI().AskOpenFile("select input file", kOpenFilter, name), name)) {
    std::error_code error;
    if (std::filesystem::exists(fileName, error)) return fileName;
  }
  needFileName = 1;
  return nullptr;
}

void OpenCommand() {
  if (AskOpenFileName()) ReadOpenedFile();
  FitOpenedPolygons();
}

void OpenDroppedFile() {
  std::string name;
  if (!UI().TakeDroppedFile(name) || name.empty()) return;
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) {
    ShowStatusF(false, "%.400s is not a file that can be opened", name.c_str());
    return;
  }
  if (name.size() >= sizeof fileName) {
    ShowStatus("the file name is too long");
    return;
  }
  // Cancelling the question leaves everything as it was, undo included.
  if (!OfferToSaveBeforeOpening()) return;
  std::memcpy(fileName, name.c_str(), name.size() + 1);
  needFileName = 0;
  ReadOpenedFile();
  FitOpenedPolygons();
}

void SaveCommand() {
  if (AskSaveFileName()) WritePolygonFile();
  UpdateButtons();
  UI().RepaintPlot();
  UI().FocusMainWindow();
}

void ExitCommand() {
  if (store.polygonCount > 0 && modified) {
    const Answer answer = UI().AskYesNoCancel(kUnsavedCaption,
                                              "You have not saved your changes.\n"
                                              "If you exit now your changes will be discarded.\n"
                                              "Do you want to save your changes?");
    if (answer == Answer::Cancel) return;
    if (answer == Answer::Yes) {
      if (SaveNeedsDialog() && !AskSaveFileName()) return;
      // The writer has reported its failure; quitting now would lose the
      // changes, so the program stays open with them.
      if (!WritePolygonFile()) return;
    }
  }
  UI().Quit(0);
}

}  // namespace kestrel
