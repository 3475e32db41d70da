#include "store/store.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/report.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

using StoreTest = KestrelTest;

TEST_F(StoreTest, QuerySelectionOfEmptyStore) {
  selectedPolygon = 5;
  selectedPoint = 5;
  selectedCount = 5;
  EXPECT_EQ(QuerySelection(), 0);
  EXPECT_EQ(selectedPolygon, -1);
  EXPECT_EQ(selectedPoint, -1);
  EXPECT_EQ(selectedCount, 0);
}

TEST_F(StoreTest, QuerySelectionDecodesWholeAndPointSelections) {
  AddPolygon("a", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);  // 5 stored points
  AddPolygon("b", {{2, 2}, {3, 3}});
  AddPolygon("c", {{4, 4}, {5, 5}});

  PolygonAt(0).selection = -PolygonAt(0).count;  // its first point
  EXPECT_EQ(QuerySelection(), 1);
  EXPECT_EQ(selectedPolygon, 0);
  EXPECT_EQ(selectedPoint, 0);

  PolygonAt(0).selection = -2;  // the last distinct point of a closed square
  QuerySelection();
  EXPECT_EQ(selectedPoint, 3);

  PolygonAt(0).selection = 0;
  PolygonAt(1).selection = 1;
  PolygonAt(2).selection = 1;
  EXPECT_EQ(QuerySelection(), 2);
  EXPECT_EQ(selectedPolygon, -1);
  EXPECT_EQ(selectedPoint, -1);

  PolygonAt(1).selection = 0;
  EXPECT_EQ(QuerySelection(), 1);
  EXPECT_EQ(selectedPolygon, 2);
  EXPECT_EQ(selectedPoint, -1);
}

TEST_F(StoreTest, QuerySelectionAbortsOnBrokenInvariant) {
  AddPolygon("a", {{0, 0}, {1, 0}});
  AddPolygon("b", {{2, 2}, {3, 3}});
  PolygonAt(0).selection = -1;
  PolygonAt(1).selection = -2;
  try {
    QuerySelection();
    FAIL() << "two point selections must abort";
  } catch (const AbortCalled& a) {
    EXPECT_EQ(a.code, 584);
    EXPECT_STREQ(a.what(), "more than one polygon has selected point");
    EXPECT_EQ(a.caption, "Fatal Error Code 584");
  }
  PolygonAt(0).selection = 1;
  try {
    QuerySelection();
    FAIL() << "a point selection beside a whole one must abort";
  } catch (const AbortCalled& a) {
    EXPECT_EQ(a.code, 586);
    EXPECT_STREQ(a.what(), "more than one polygon is selected\nand at least one of them has a selected point");
  }
}

TEST_F(StoreTest, MarkModifiedInvalidatesGridsAndLinks) {
  gridsValid = 1;
  linksValid = 1;
  MarkModified();
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(linksValid, 0);
}

TEST_F(StoreTest, GrowsByThousandRecordsKeepingTheOldOnes) {
  for (int i = 0; i < 1000; ++i) {
    const std::string name = std::string("p").append(std::to_string(i));
    AddPolygon(name.c_str(), {{double(i), 0}, {0, 1}});
  }
  EXPECT_EQ(store.polygonCapacity, 1000);
  Polygon* before = store.polygons;
  AddPolygon("last", {{0, 0}, {1, 1}});
  EXPECT_EQ(store.polygonCapacity, 2000);
  EXPECT_NE(store.polygons, before);
  EXPECT_EQ(store.polygonCount, 1001);
  EXPECT_STREQ(PolygonAt(999).name, "p999");
  EXPECT_EQ(PolygonAt(999).points[0].x, 999);
  EXPECT_STREQ(PolygonAt(1000).name, "last");
}

TEST_F(StoreTest, ClearPolygonsKeepsTheArrayAndNewRecordsStartCleared) {
  AddPolygon("a", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  PolygonAt(0).selection = 1;
  gridsValid = 1;
  linksValid = 1;
  Polygon* array = store.polygons;
  ClearPolygons();
  EXPECT_EQ(store.polygonCount, 0);
  EXPECT_EQ(store.polygons, array);
  EXPECT_EQ(store.polygonCapacity, 1000);
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(linksValid, 0);
  EXPECT_EQ(selectedCount, 0);
  Polygon& fresh = PrepareNewPolygon(1);
  EXPECT_EQ(&fresh, array);
  EXPECT_EQ(fresh.closed, 0);
  EXPECT_EQ(fresh.selection, 0);
  EXPECT_EQ(fresh.points, nullptr);
}

TEST_F(StoreTest, NamesAreCutAtThirtyOneCharacters) {
  Polygon p{};
  std::memset(p.name, 'x', sizeof p.name);
  SetPolygonName(p, "abcdefghijklmnopqrstuvwxyz0123456789");
  EXPECT_STREQ(p.name, "abcdefghijklmnopqrstuvwxyz01234");
  SetPolygonName(p, "ab");
  for (size_t k = 2; k < sizeof p.name; ++k) EXPECT_EQ(p.name[k], '\0');
}

}  // namespace
}  // namespace kestrel::testing
