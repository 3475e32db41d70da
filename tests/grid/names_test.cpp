#include "grid/names.h"

#include <gtest/gtest.h>

#include <climits>

#include "fixture.h"
#include "formats/polyfile.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

TEST(NameSettings, CountsAndGradingFromTheName) {
  NameSettings s = ReadNameSettings("40 by 25 [1.5,0.8]");
  EXPECT_TRUE(s.niGiven && s.njGiven && s.aGiven && s.bGiven);
  EXPECT_EQ(s.ni, 40);
  EXPECT_EQ(s.nj, 25);
  EXPECT_EQ(s.a, 1.5);
  EXPECT_EQ(s.b, 0.8);

  s = ReadNameSettings("0x10by010");  // hexadecimal and octal, as %i reads them
  EXPECT_EQ(s.ni, 16);
  EXPECT_EQ(s.nj, 8);

  s = ReadNameSettings("harbour_40by25");  // counts must begin the name
  EXPECT_FALSE(s.niGiven);
  EXPECT_FALSE(s.aGiven);

  s = ReadNameSettings("0 by -3 [x,2]");
  EXPECT_FALSE(s.niGiven) << "a count below 1 is not given";
  EXPECT_FALSE(s.njGiven);
  EXPECT_FALSE(s.aGiven);

  s = ReadNameSettings("9 by 99999999999[nan,2]");
  EXPECT_EQ(s.nj, INT32_MAX);
  EXPECT_STREQ(s.njText, "99999999999") << "kept as typed for the messages";
  EXPECT_EQ(s.njAsked, 99999999999.0);
  EXPECT_FALSE(s.aGiven) << "a grading that is not a number is not given";
  EXPECT_TRUE(s.bGiven) << "but the valid one beside it is";
  EXPECT_EQ(s.b, 2);
}

TEST(NameSettings, UnderscoresReadAsBlanks) {
  const NameSettings s = ReadNameSettings("40_by_25_[1.2,1]");
  EXPECT_EQ(s.ni, 40);
  EXPECT_EQ(s.nj, 25);
  EXPECT_EQ(s.a, 1.2);
  const NameSettings t = ReadNameSettings("10by4_upper_reach");
  EXPECT_EQ(t.ni, 10);
  EXPECT_EQ(t.nj, 4);
}

using NameFileTest = KestrelTest;

// A name with blanks, as a rename can give, keeps its grid settings through
// a save and a reopen of the polygon file.
TEST_F(NameFileTest, ANameWithBlanksSurvivesThePolygonFile) {
  TempDir dir;
  AddPolygon("40 by 25 [1.5,0.8]", {{0, 0}, {10, 0}, {10, 5}, {0, 5}}, true);
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("named.p2d").c_str());
  ASSERT_TRUE(WritePolygonFile());
  EXPECT_EQ(TempDir::Read(dir.File("named.p2d")).substr(0, 24), "POLY 40_by_25_[1.5,0.8]\n");
  ResetProgramState();
  std::snprintf(fileName, sizeof fileName, "%s", dir.File("named.p2d").c_str());
  ASSERT_EQ(ReadPolygonFile(), 1);
  const NameSettings s = ReadNameSettings(PolygonAt(0).name);
  EXPECT_EQ(s.ni, 40);
  EXPECT_EQ(s.nj, 25);
  EXPECT_EQ(s.a, 1.5);
  EXPECT_EQ(s.b, 0.8);
}

}  // namespace
}  // namespace kestrel::testing
