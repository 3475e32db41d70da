#include "formats/filecmds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "../app/recording_frontend.h"
#include "edit/journal.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

const char* const kSquareFile =
    "POLY square\n0 0 0\n10 0 0\n10 10 0\n0 10 0\n0 0 0\nEND\n"
    "LINE bank\n20 0 0\n30 5 0\nEND\n";

const std::string kExitQuestion =
    "changes not saved!: You have not saved your changes.\n"
    "If you exit now your changes will be discarded.\n"
    "Do you want to save your changes?";

const std::string kOpenQuestion =
    "changes not saved!: You have not saved your changes.\n"
    "If you open another file your changes\n"
    "will be discarded. Do you want to\n"
    "save your changes?";

class FileCommands : public RecordingTest {
 protected:
  TempDir dir;

  void SetUp() override {
    RecordingTest::SetUp();
    view.plotWidth = 400;
    view.plotHeight = 300;
  }

  // An edited store that came from `name` (needFileName clear).
  void EditedStore(const std::string& name) {
    AddPolygon("edited", {{0, 0}, {5, 0}, {5, 5}}, true);
    std::snprintf(fileName, sizeof fileName, "%s", name.c_str());
    needFileName = 0;
    modified = 1;
  }
};

TEST_F(FileCommands, DrawingsAreRecognisedByTheirEndingInAnyCase) {
  EXPECT_TRUE(IsDxfName("site.dxf"));
  EXPECT_TRUE(IsDxfName("SITE.DXF"));
  EXPECT_TRUE(IsDxfName("a.DxF"));
  EXPECT_FALSE(IsDxfName("site.p2d"));
  EXPECT_FALSE(IsDxfName("dxf"));
  EXPECT_FALSE(IsDxfName("site.dxf.p2d"));
  EXPECT_FALSE(IsDxfName("sitedxf"));
}

TEST_F(FileCommands, AnUpperCaseDxfNameIsNotReadAsAPolygonFile) {
  const std::string name = dir.File("looks_like_polygons.DXF");
  TempDir::Write(name, kSquareFile);
  std::snprintf(fileName, sizeof fileName, "%s", name.c_str());
  ReadInputFile();
  EXPECT_EQ(store.polygonCount, 0);
}

TEST_F(FileCommands, ExitWithoutChangesQuitsAtOnce) {
  AddPolygon("kept", {{0, 0}, {1, 1}});
  ExitCommand();
  EXPECT_TRUE(rec.questions.empty());
  ASSERT_EQ(rec.quits.size(), 1u);
  EXPECT_EQ(rec.quits[0], 0);
}

TEST_F(FileCommands, ExitAsksAndFollowsTheAnswer) {
  const std::string name = dir.File("out.p2d");
  EditedStore(name);

  rec.answers = {Answer::Cancel};
  ExitCommand();
  ASSERT_EQ(rec.questions.size(), 1u);
  EXPECT_EQ(rec.questions[0], kExitQuestion);
  EXPECT_TRUE(rec.quits.empty());
  EXPECT_EQ(modified, 1);

  rec.answers = {Answer::No};
  ExitCommand();
  EXPECT_EQ(rec.quits.size(), 1u);
  EXPECT_TRUE(TempDir::Read(name).empty()) << "No writes nothing";

  rec.answers = {Answer::Yes};
  ExitCommand();
  EXPECT_EQ(rec.quits.size(), 2u);
  EXPECT_NE(TempDir::Read(name).find("POLY edited"), std::string::npos);
}

TEST_F(FileCommands, ExitWithoutAFileNameAsksForOneAndStaysWhenNoneIsGiven) {
  EditedStore("");
  needFileName = 1;
  rec.answers = {Answer::Yes};
  ExitCommand();  // the save dialog is cancelled
  EXPECT_TRUE(rec.quits.empty());
  EXPECT_EQ(needFileName, 1);
  EXPECT_EQ(store.polygonCount, 1);

  const std::string name = dir.File("named.p2d");
  rec.answers = {Answer::Yes};
  rec.saveNames = {name};
  ExitCommand();
  EXPECT_EQ(rec.quits.size(), 1u);
  EXPECT_STREQ(fileName, name.c_str());
  EXPECT_NE(TempDir::Read(name).find("POLY edited"), std::string::npos);
}

TEST_F(FileCommands, ExitStaysOpenWithTheChangesWhenTheSaveFails) {
  EditedStore(dir.File("no_such_folder/out.p2d"));
  rec.answers = {Answer::Yes};
  ExitCommand();
  EXPECT_EQ(rec.notifications.size(), 1u) << "the writer reports the failure";
  EXPECT_TRUE(rec.quits.empty());
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(store.polygonCount, 1);
}

TEST_F(FileCommands, CancellingTheOpenDialogAtStartLeavesAnEmptyPlot) {
  OpenCommand();
  EXPECT_EQ(store.polygonCount, 0);
  EXPECT_EQ(needFileName, 1);
  EXPECT_EQ(rec.LastStatus(), "there are no polygons to zoom");
  EXPECT_EQ(journal.top, 0);
  EXPECT_GE(rec.focusCalls, 1);
}

TEST_F(FileCommands, OpenReadsTheChosenFileAndFitsIt) {
  const std::string name = dir.File("two.p2d");
  TempDir::Write(name, kSquareFile);
  AddPolygon("old", {{0, 0}, {1, 1}});
  rec.openNames = {name};
  OpenCommand();
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_STREQ(PolygonAt(0).name, "square");
  EXPECT_STREQ(fileName, name.c_str());
  EXPECT_EQ(needFileName, 0);
  EXPECT_EQ(modified, 0);
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(extentXmax, 30);
  EXPECT_GT(view.scale, 0);
}

TEST_F(FileCommands, OpenOfAMissingFileKeepsTheStore) {
  AddPolygon("kept", {{0, 0}, {1, 1}});
  rec.openNames = {dir.File("missing.p2d")};
  OpenCommand();
  EXPECT_EQ(store.polygonCount, 1);
  EXPECT_EQ(needFileName, 1);
}

TEST_F(FileCommands, OpenOffersToSaveChanges) {
  const std::string next = dir.File("next.p2d");
  TempDir::Write(next, kSquareFile);
  const std::string old = dir.File("old.p2d");
  EditedStore(old);

  rec.answers = {Answer::Cancel};
  rec.openNames = {next};
  OpenCommand();
  EXPECT_EQ(rec.questions.back(), kOpenQuestion);
  EXPECT_STREQ(PolygonAt(0).name, "edited") << "Cancel opens nothing";

  rec.answers = {Answer::Yes};
  OpenCommand();
  EXPECT_NE(TempDir::Read(old).find("POLY edited"), std::string::npos);
  EXPECT_STREQ(PolygonAt(0).name, "square");
}

TEST_F(FileCommands, OpenDoesNotDiscardChangesThatCouldNotBeSaved) {
  const std::string next = dir.File("next.p2d");
  TempDir::Write(next, kSquareFile);
  EditedStore(dir.File("no_such_folder/old.p2d"));
  rec.answers = {Answer::Yes};
  rec.openNames = {next};
  OpenCommand();
  EXPECT_EQ(rec.notifications.size(), 1u);
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_STREQ(PolygonAt(0).name, "edited");
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(rec.openNames.size(), 1u) << "the open dialog was not shown";
}

TEST_F(FileCommands, ADroppedFileIsOpenedAfterTheUnsavedChangesQuestion) {
  const std::string next = dir.File("next.p2d");
  TempDir::Write(next, kSquareFile);
  const std::string old = dir.File("old.p2d");
  EditedStore(old);
  RecordView();
  const int32_t journalTop = journal.top;

  // Cancel leaves everything as it was, the undo history included.
  rec.answers = {Answer::Cancel};
  rec.droppedNames = {next};
  OpenDroppedFile();
  EXPECT_EQ(rec.questions.back(), kOpenQuestion);
  EXPECT_STREQ(PolygonAt(0).name, "edited");
  EXPECT_STREQ(fileName, old.c_str());
  EXPECT_EQ(journal.top, journalTop);

  rec.answers = {Answer::Yes};
  rec.droppedNames = {next};
  OpenDroppedFile();
  EXPECT_NE(TempDir::Read(old).find("POLY edited"), std::string::npos) << "saved first";
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_STREQ(PolygonAt(0).name, "square");
  EXPECT_STREQ(fileName, next.c_str());
  EXPECT_EQ(modified, 0);
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(extentXmax, 30);

  // A folder is no file to open; nothing is asked or lost.
  modified = 1;
  const size_t questions = rec.questions.size();
  rec.droppedNames = {dir.path()};
  OpenDroppedFile();
  EXPECT_EQ(rec.LastStatus(), dir.path() + " is not a file that can be opened");
  EXPECT_EQ(rec.questions.size(), questions);
  EXPECT_EQ(store.polygonCount, 2);
}

TEST_F(FileCommands, SaveNeedsPolygons) {
  SaveCommand();
  EXPECT_EQ(rec.LastStatus(), "there are no polygons to save");
}

TEST_F(FileCommands, SaveWritesUnderTheChosenName) {
  EditedStore(dir.File("proposed.p2d"));
  const std::string name = dir.File("chosen.p2d");
  rec.saveNames = {name};
  SaveCommand();
  EXPECT_STREQ(fileName, name.c_str());
  EXPECT_EQ(modified, 0);
  EXPECT_EQ(needFileName, 0);
  EXPECT_NE(TempDir::Read(name).find("POLY edited"), std::string::npos);
  EXPECT_GE(rec.plotRepaints, 1);
}

TEST_F(FileCommands, ASaveDialogEndedWithoutANameEmptiesTheJournal) {
  EditedStore(dir.File("proposed.p2d"));
  RecordView();
  ASSERT_GT(journal.top, 0);
  SaveCommand();
  EXPECT_EQ(needFileName, 1);
  EXPECT_EQ(journal.top, 0);
  EXPECT_FALSE(rec.buttons[kSlotUndo]);
  EXPECT_EQ(modified, 1);
}

TEST_F(FileCommands, TheSaveDialogRefusesAFolderThatDoesNotExistAndAsksAgain) {
  EditedStore(dir.File("proposed.p2d"));
  const std::string missing = dir.File("no-such-dir/x.p2d");
  rec.saveNames = {missing, dir.File("x.p2d")};
  SaveCommand();
  ASSERT_EQ(rec.warnings.size(), 1u);
  EXPECT_EQ(rec.warnings[0].text, "the folder of " + missing + " does not exist: choose another");
  EXPECT_EQ(rec.proposedSaveNames.back(), missing) << "asked again with the refused name";
  EXPECT_STREQ(fileName, dir.File("x.p2d").c_str());
  EXPECT_EQ(modified, 0);
  EXPECT_TRUE(rec.notifications.empty()) << "no write was tried into the missing folder";
}

TEST_F(FileCommands, ANameTooLongForTheBufferIsRefused) {
  EditedStore(dir.File("proposed.p2d"));
  rec.saveNames = {dir.path() + "/" + std::string(300, 'n') + ".p2d"};
  SaveCommand();
  EXPECT_STREQ(fileName, dir.File("proposed.p2d").c_str());
  EXPECT_EQ(needFileName, 1);
}

// Polygons read from a drawing or a GIS layer are saved as a polygon file
// of the same name, never in polygon text over the file they came from.
TEST_F(FileCommands, ChangesToADrawingOrALayerAreNeverWrittenOverIt) {
  for (const char* source : {"site.dxf", "SITE.DXF", "shore.geojson", "river.shp", "basin.gpkg"}) {
    SCOPED_TRACE(source);
    const std::string original = dir.File(source);
    TempDir::Write(original, "the original drawing or layer");
    std::string base = source;
    base.erase(base.find('.'));
    const std::string polygons = dir.File(base + ".p2d");

    // Exit, Yes, and the save dialog cancelled: nothing is written, the
    // program stays open with the changes.
    EditedStore(original);
    rec.proposedSaveNames.clear();
    rec.answers = {Answer::Yes};
    ExitCommand();
    EXPECT_TRUE(rec.quits.empty());
    ASSERT_EQ(rec.proposedSaveNames.size(), 1u);
    EXPECT_EQ(rec.proposedSaveNames[0], polygons);
    EXPECT_EQ(TempDir::Read(original), "the original drawing or layer");
    EXPECT_EQ(modified, 1);

    // Exit, Yes, and the proposed name taken.
    rec.answers = {Answer::Yes};
    rec.saveNames = {polygons};
    ExitCommand();
    EXPECT_EQ(rec.quits.size(), 1u);
    EXPECT_NE(TempDir::Read(polygons).find("POLY edited"), std::string::npos);
    EXPECT_EQ(TempDir::Read(original), "the original drawing or layer");
    rec.quits.clear();
    ResetProgramState();
  }
}

TEST_F(FileCommands, OpenSavesTheChangesToADrawingThroughTheDialog) {
  const std::string next = dir.File("next.p2d");
  TempDir::Write(next, kSquareFile);
  const std::string drawing = dir.File("site.dxf");
  TempDir::Write(drawing, "the original drawing");
  EditedStore(drawing);
  rec.answers = {Answer::Yes};
  rec.saveNames = {dir.File("site.p2d")};
  rec.openNames = {next};
  OpenCommand();
  EXPECT_EQ(TempDir::Read(drawing), "the original drawing");
  EXPECT_NE(TempDir::Read(dir.File("site.p2d")).find("POLY edited"), std::string::npos);
  EXPECT_STREQ(PolygonAt(0).name, "square");
}

TEST_F(FileCommands, SaveProposesAPolygonFileBesideADrawing) {
  EditedStore(dir.File("site.dxf"));
  SaveCommand();
  ASSERT_EQ(rec.proposedSaveNames.size(), 1u);
  EXPECT_EQ(rec.proposedSaveNames[0], dir.File("site.p2d"));
  rec.proposedSaveNames.clear();
  EditedStore(dir.File("kept.p2d"));
  SaveCommand();
  ASSERT_EQ(rec.proposedSaveNames.size(), 1u);
  EXPECT_EQ(rec.proposedSaveNames[0], dir.File("kept.p2d")) << "a polygon file keeps its name";
}

}  // namespace
}  // namespace kestrel::testing
