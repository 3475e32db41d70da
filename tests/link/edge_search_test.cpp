// The edge search only scores the pairs of patches and of edges that are close
// enough to match; it must find exactly what the search of every pair finds.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

#include "fixture.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

class EdgeSearchTest : public KestrelTest {
 protected:
  TempDir dir;
  std::optional<InFolder> folder;

  void SetUp() override {
    KestrelTest::SetUp();
    folder.emplace(dir.path());
  }
  void TearDown() override {
    plainEdgeSearch = false;
    folder.reset();
    KestrelTest::TearDown();
  }

  // A band of patches side by side, some turned, with counts that agree or
  // disagree along shared sides, and nodes shaken by up to `shake` times the
  // link tolerance so that some edges fall just inside and some just outside.
  void BuildModel(unsigned seed, int patches, double shake) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> count(2, 5);
    PatchBuilder builder;
    const int nj = 4;
    for (int k = 0; k < patches; ++k) {
      const double x0 = 10.0 * k, x1 = x0 + 10;
      const int ni = count(random);
      // Every third patch is entered with its corners turned, so linking has
      // to rotate and mirror it.
      if (k % 3 == 1) {
        builder.Quad("turned", {Corner{x1, 0}, {x1, 8}, {x0, 8}, {x0, 0}}, nj, ni);
      } else {
        builder.Rect("plain", x0, 0, x1, 8, ni, random() % 4 == 0 ? nj + 1 : nj);
      }
    }
    builder.Build();
    // Nodes meet within 1/1000 of the shorter edge: 0.002 for the shortest.
    const double tolerance = 0.002;
    std::uniform_real_distribution<double> jitter(-shake * tolerance, shake * tolerance);
    for (int32_t k = 0; k < grids.patchCount; ++k) {
      const int32_t nodes = (grids.ni[k] + 1) * (grids.nj[k] + 1);
      for (int32_t n = 0; n < nodes; ++n) {
        grids.x[k][n] += jitter(random);
        grids.y[k][n] += jitter(random);
      }
    }
  }

  std::vector<EdgeMatch> Table() { return matchTable; }
};

bool Same(const std::vector<EdgeMatch>& a, const std::vector<EdgeMatch>& b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k].ip != b[k].ip || a[k].jp != b[k].jp || a[k].kp != b[k].kp || a[k].kq != b[k].kq || a[k].iq != b[k].iq ||
        a[k].jq != b[k].jq || a[k].score != b[k].score) {
      return false;
    }
  }
  return true;
}

TEST_F(EdgeSearchTest, EveryPairGivesTheSameTableAsTheFullSearch) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    ResetProgramState();
    BuildModel(seed, 7, seed % 2 ? 0.3 : 0.6);
    int matchedPairs = 0;
    for (int32_t p = 0; p < grids.patchCount; ++p) {
      for (int32_t q = 0; q < grids.patchCount; ++q) {
        if (p == q) continue;
        plainEdgeSearch = true;
        const int plainSide = MatchPatches(p, q);
        const std::vector<EdgeMatch> plain = Table();
        plainEdgeSearch = false;
        const int fastSide = MatchPatches(p, q);
        EXPECT_EQ(fastSide, plainSide) << "seed " << seed << " pair " << p << ", " << q;
        EXPECT_TRUE(Same(Table(), plain)) << "seed " << seed << " pair " << p << ", " << q;
        matchedPairs += plainSide >= 0;
      }
    }
    EXPECT_GT(matchedPairs, 0) << "seed " << seed;
  }
}

TEST_F(EdgeSearchTest, LinkingGivesTheSameCellIndicesAsTheFullSearch) {
  int linkedModels = 0;
  for (unsigned seed = 1; seed <= 8; ++seed) {
    std::vector<std::vector<int32_t>> plainI, plainJ;
    std::vector<std::vector<double>> plainX;
    bool plainLinked = false;
    for (bool plain : {true, false}) {
      ResetProgramState();
      BuildModel(seed, 9, 0.2);
      plainEdgeSearch = plain;
      const bool linked = LinkGrids();
      plainEdgeSearch = false;
      if (plain) {
        plainLinked = linked;
        linkedModels += linked;
      } else {
        EXPECT_EQ(linked, plainLinked) << "seed " << seed;
      }
      if (!linked) continue;
      for (int32_t k = 0; k < grids.patchCount; ++k) {
        const int32_t cells = grids.ni[k] * grids.nj[k];
        std::vector<int32_t> I(cellMap.cellI[k], cellMap.cellI[k] + cells);
        std::vector<int32_t> J(cellMap.cellJ[k], cellMap.cellJ[k] + cells);
        std::vector<double> X(grids.x[k], grids.x[k] + (grids.ni[k] + 1) * (grids.nj[k] + 1));
        if (plain) {
          plainI.push_back(I);
          plainJ.push_back(J);
          plainX.push_back(X);
        } else {
          EXPECT_EQ(I, plainI[k]) << "seed " << seed << " polygon " << k;
          EXPECT_EQ(J, plainJ[k]) << "seed " << seed << " polygon " << k;
          EXPECT_EQ(X, plainX[k]) << "seed " << seed << " polygon " << k;
        }
      }
    }
  }
  EXPECT_GE(linkedModels, 2) << "some models must link for the comparison to mean anything";
}

}  // namespace
}  // namespace kestrel::testing
