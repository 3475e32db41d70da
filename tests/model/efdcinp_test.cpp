#include <gtest/gtest.h>

#include <optional>
#include <regex>

#include "fixture.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/modelfiles.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

// The cards after the run title, in the order the model reads them.
const char* const kCardIds[] = {
    "C2",   "C3",  "C4",  "C5",  "C6",   "C7",   "C8",   "C9",   "C10",  "C11", "C11A", "C11B", "C12", "C13", "C14",
    "C15",  "C16", "C17", "C18", "C19",  "C20",  "C21",  "C22",  "C23",  "C24", "C25",  "C26",  "C27", "C28", "C29",
    "C30",  "C31", "C32", "C33", "C34",  "C35",  "C36",  "C36a", "C36b", "C37", "C38",  "C39",  "C40", "C41", "C42",
    "C42A", "C43", "C44", "C45", "C45A", "C45B", "C45C", "C45D", "C46",  "C47", "C48",  "C49",  "C50", "C51", "C52",
    "C53",  "C54", "C55", "C56", "C57",  "C58",  "C59",  "C60",  "C61",  "C62", "C63",  "C64",  "C65", "C66", "C66A",
    "C66B", "C67", "C68", "C69", "C70",  "C71",  "C71A", "C71B", "C72",  "C73", "C74",  "C75",  "C76", "C77", "C78",
    "C79",  "C80", "C81", "C82", "C83",  "C84",  "C85",  "C86",  "C87",  "C88", "C89",  "C90",
};
constexpr size_t kCards = sizeof kCardIds / sizeof kCardIds[0];
static_assert(kCards == 102);

// One card as read back from the file.
struct ReadCard {
  std::string separator, title, header;
  std::vector<std::string> description;  // lines between title and header
  std::vector<std::string> data;
};

class EfdcInpTest : public KestrelTest {
 protected:
  TempDir dir;
  std::optional<InFolder> folder;

  void SetUp() override {
    KestrelTest::SetUp();
    folder.emplace(dir.path());
  }
  void TearDown() override {
    folder.reset();
    KestrelTest::TearDown();
  }

  std::vector<std::string> Write(const char* title) {
    EXPECT_TRUE(WriteEfdcInp(title));
    return SplitLines(TempDir::Read(dir.File("EFDC.INP")));
  }

  // Splits the lines after the run title into cards at the separators.
  static std::vector<ReadCard> Cards(const std::vector<std::string>& lines) {
    static const std::regex separator(" ?-+");
    std::vector<ReadCard> cards;
    for (size_t n = 7; n < lines.size(); ++n) {
      if (std::regex_match(lines[n], separator)) {
        cards.push_back(ReadCard{lines[n], n + 1 < lines.size() ? lines[n + 1] : "", "", {}, {}});
        ++n;
        continue;
      }
      if (cards.empty()) {
        ADD_FAILURE() << "text before the first card: " << lines[n];
        continue;
      }
      ReadCard& card = cards.back();
      if (card.header.empty()) {
        const std::string id = card.title.substr(0, card.title.find(' '));
        const std::string headerId = id == "C42A" ? "C42a" : id;
        if (lines[n].rfind(headerId + " ", 0) == 0) {
          card.header = lines[n];
        } else {
          card.description.push_back(lines[n]);
        }
      } else {
        card.data.push_back(lines[n]);
      }
    }
    return cards;
  }

  static const ReadCard& Card(const std::vector<ReadCard>& cards, const std::string& id) {
    for (const ReadCard& card : cards) {
      if (card.title.rfind(id + " ", 0) == 0) return card;
    }
    static const ReadCard none;
    ADD_FAILURE() << "no card " << id;
    return none;
  }
};

TEST_F(EfdcInpTest, BannerAndRunTitle) {
  const std::vector<std::string> lines = Write("lake.p2d");
  ASSERT_GT(lines.size(), 7u);
  EXPECT_EQ(lines[0], std::string(78, '*'));
  EXPECT_EQ(lines[1], "* PROJECT NAME:");
  EXPECT_EQ(lines[2], std::string(78, '*'));
  EXPECT_EQ(lines[3], "C1 RUN TITLE");
  EXPECT_EQ(lines[4], "*   TEXT DESCRIPTION UP TO 80 CHARACTERS IN LENGTH FOR THIS INPUT FILE AND RUN");
  EXPECT_EQ(lines[5], "C1 TITLE");
  EXPECT_EQ(lines[6], "lake.p2d");
  EXPECT_EQ(lines.back(), "C90 MMLVSFP TIMVSFP IVSFP JVSFP") << "no separator after the last header";

  const std::string longName = "/data/projects/estuary/" + std::string(100, 'x') + ".p2d";
  EXPECT_EQ(Write(longName.c_str())[6], longName);
  EXPECT_EQ(Write("")[6], "");
}

TEST_F(EfdcInpTest, EveryCardInOrderWithTitleHeaderAndDescription) {
  const std::vector<ReadCard> cards = Cards(Write("t"));
  ASSERT_EQ(cards.size(), kCards);
  for (size_t n = 0; n < kCards; ++n) {
    const std::string id = kCardIds[n];
    const ReadCard& card = cards[n];
    SCOPED_TRACE(id);
    EXPECT_EQ(card.title.rfind(id + " ", 0), 0u) << card.title;
    EXPECT_FALSE(card.header.empty()) << "header line missing";
    ASSERT_GE(card.description.size(), 2u);
    EXPECT_EQ(card.description.front(), "*");
    for (size_t d = 0; d < card.description.size(); ++d) {
      const std::string& line = card.description[d];
      const bool continuation = id == "C36a" && d == 6;
      const bool cLine = (id == "C9" || id == "C47") && d + 1 == card.description.size();
      if (continuation) {
        EXPECT_EQ(line, "               READ FROM FILE SEDROUGH.INP*");
      } else if (cLine) {
        EXPECT_EQ(line, "C");
      } else {
        EXPECT_EQ(line[0], '*') << line;
        EXPECT_LE(line.size(), 80u) << line;
      }
    }
    std::string expectedSeparator = std::string(79, '-');
    if (id == "C50") expectedSeparator = std::string(78, '-');
    if (id == "C45C" || id == "C45D") expectedSeparator = " " + std::string(79, '-');
    EXPECT_EQ(card.separator, expectedSeparator);
  }
  EXPECT_EQ(Card(cards, "C42A").title, "C42A NON-COHESIVE SEDIMENT PARAMETER SET 3 (BED LOAD FORMULA PARAMETERS)");
  EXPECT_EQ(Card(cards, "C42A").header.substr(0, 12), "C42a IBEDLD ");
}

TEST_F(EfdcInpTest, DefaultDataLines) {
  const std::vector<ReadCard> cards = Cards(Write("t"));
  ASSERT_EQ(cards.size(), kCards);
  EXPECT_EQ(cards[0].title, "C2 RESTART, GENERAL CONTROL AND AND DIAGNOSTIC SWITCHES");
  EXPECT_EQ(cards[0].data, std::vector<std::string>{"       0       0       0       0       1       0       2       0 "
                                                    "      0       1       1       1"});
  ASSERT_EQ(cards[4].data.size(), 9u);
  EXPECT_EQ(cards[4].data[0],
            "       0       1       0       0       0       0       0       0       0       0  !TURB 0");
  EXPECT_EQ(cards[4].data[8],
            "       0       0       0       0       0       0       0       0       0       0  !CWQ  8");
  EXPECT_EQ(cards[8].data, std::vector<std::string>{" 1             1"});
  EXPECT_EQ(cards[8].header, "C10 LAYER NUMBER   DIMENSIONLESS LAYER THICKNESSS");
  EXPECT_TRUE(Card(cards, "C15").data.empty()) << "C15 has no entries";
  const ReadCard& c81 = Card(cards, "C81");
  ASSERT_EQ(c81.data.size(), 9u);
  EXPECT_EQ(c81.data[3], " 'SALINITY'    0       0       0       0");
  EXPECT_EQ(c81.header, "C81 VARIABLE IS3D JS3D SMAX  SMIN");
  int cardsWithData = 0;
  for (const ReadCard& card : cards) cardsWithData += !card.data.empty();
  EXPECT_EQ(cardsWithData, 35);
}

TEST_F(EfdcInpTest, GridCountsOfTheCellMap) {
  std::vector<ReadCard> cards = Cards(Write("t"));
  ASSERT_EQ(cards.size(), kCards);
  EXPECT_EQ(cards[7].data, std::vector<std::string>{"      1  0   0  2  0    1    1  0       0       0       0       0 "
                                                    "0.06250 0.06250"})
      << "no link since start-up";

  PatchBuilder patches;
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  cards = Cards(Write("t"));
  EXPECT_EQ(cards[7].header,
            "C9   KC   IC   JC   LC  LVC ISCO  NDM  LDM  ISMASK  ISPGNS  NSHMAX  NSBMAX    WSMH    WSMB");
  EXPECT_EQ(cards[7].data, std::vector<std::string>{"      1  7   6  8  6    1    1  6       0       0       0       0 "
                                                    "0.06250 0.06250"});
}

}  // namespace
}  // namespace kestrel::testing
