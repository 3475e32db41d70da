// Grid patches for the tests of the steps after gridding: polygons whose
// patches are laid out exactly (bilinear between four corners), put into the
// grid store as step 1 leaves it, and a guard that runs a test in a folder.
#pragma once

#include <unistd.h>

#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/report.h"
#include "fixture.h"
#include "grid/driver.h"
#include "grid/gridstore.h"
#include "grid/orthogonal.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel::testing {

using Corner = std::pair<double, double>;

// Collects patches, then fills the grid store in one go with Build().
class PatchBuilder {
 public:
  // A polygon through four corners (corner 1 to 4, counter-clockwise) with
  // ni cells from corner 1 to corner 2 and nj from corner 2 to corner 3.
  // Node (i, j) lies at the bilinear blend of the corners, so node (0, 0) is
  // corner 1, (ni, 0) corner 2, (ni, nj) corner 3 and (0, nj) corner 4.
  int Quad(const char* name, std::array<Corner, 4> c, int ni, int nj) {
    return Nodes(name, ni, nj, [&](int i, int j) {
      const double s = static_cast<double>(i) / ni, t = static_cast<double>(j) / nj;
      return Corner{
          (1 - s) * (1 - t) * c[0].first + s * (1 - t) * c[1].first + s * t * c[2].first + (1 - s) * t * c[3].first,
          (1 - s) * (1 - t) * c[0].second + s * (1 - t) * c[1].second + s * t * c[2].second +
              (1 - s) * t * c[3].second};
    });
  }

  // A patch of ni by nj cells whose node (i, j) lies at node(i, j); the
  // polygon runs through its four corner nodes.
  template <typename NodeAt>
  int Nodes(const char* name, int ni, int nj, NodeAt node) {
    const int k = AddPolygon(name, {node(0, 0), node(ni, 0), node(ni, nj), node(0, nj)}, true);
    Pending p{k, ni, nj, {}, {}};
    for (int j = 0; j <= nj; ++j) {
      for (int i = 0; i <= ni; ++i) {
        const Corner at = node(i, j);
        p.x.push_back(at.first);
        p.y.push_back(at.second);
      }
    }
    pending_.push_back(std::move(p));
    return k;
  }

  // An axis-parallel rectangle from (x0, y0) to (x1, y1) with ni cells along
  // x and nj along y; corner 1 at (x0, y0), i towards +x, j towards +y.
  int Rect(const char* name, double x0, double y0, double x1, double y1, int ni, int nj) {
    return Quad(name, {Corner{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, ni, nj);
  }

  // The clip polygon (closed).
  int Clip(std::initializer_list<Corner> points, const char* name = "clip") {
    clip_ = AddPolygon(name, points, true);
    return clip_;
  }

  // Fills the grid store for every polygon of the store, sets clipPolygon,
  // gridsValid and the extents, as a successful step 1 would.
  void Build() {
    ReleaseGridStore();
    const int n = store.polygonCount;
    grids.patchCount = n;
    grids.ni = AllocArray<int32_t>(1, n);
    grids.nj = AllocArray<int32_t>(1, n);
    grids.x = AllocArray<double*>(1, n);
    grids.y = AllocArray<double*>(1, n);
    for (const Pending& p : pending_) {
      grids.ni[p.k] = p.ni;
      grids.nj[p.k] = p.nj;
      grids.x[p.k] = AllocArray<double>(1, p.x.size());
      grids.y[p.k] = AllocArray<double>(1, p.y.size());
      std::memcpy(grids.x[p.k], p.x.data(), p.x.size() * sizeof(double));
      std::memcpy(grids.y[p.k], p.y.data(), p.y.size() * sizeof(double));
    }
    clipPolygon = clip_;
    FindLandPolygons();
    gridsValid = 1;
    linksValid = 0;
    BoundAll();
    ComputeExtents();
  }

 private:
  struct Pending {
    int k, ni, nj;
    std::vector<double> x, y;
  };
  std::vector<Pending> pending_;
  int clip_ = -1;
};

// Node (i, j) of polygon k as step 1 stores it.
inline double NodeXOf(int k, int i, int j) { return grids.x[k][NodeIndex(grids.ni[k], i, j)]; }
inline double NodeYOf(int k, int i, int j) { return grids.y[k][NodeIndex(grids.ni[k], i, j)]; }

// Makes `dir` the working folder until the guard goes out of scope.
class InFolder {
 public:
  explicit InFolder(const std::string& dir) {
    char buffer[4096];
    if (!getcwd(buffer, sizeof buffer)) throw std::runtime_error("can't read the working folder");
    previous_ = buffer;
    if (chdir(dir.c_str()) != 0) throw std::runtime_error("can't enter " + dir);
  }
  ~InFolder() {
    if (chdir(previous_.c_str()) != 0) std::perror("can't return to the working folder");
  }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  std::string previous_;
};

// A logic test that works in a fresh folder of its own (a link writes cell.txt
// and cell.html, step 4 the model files) with patches laid out by hand.
class FolderTest : public KestrelTest {
 protected:
  TempDir dir;
  PatchBuilder patches;

  void SetUp() override {
    KestrelTest::SetUp();
    folder_.emplace(dir.path());
  }
  void TearDown() override {
    folder_.reset();
    KestrelTest::TearDown();
  }

  // Runs step 1 on the store's polygons, orthogonally or the usual way.
  void Grid(bool orthogonal) {
    orthogonalMode = orthogonal;
    BoundAll();
    ComputeExtents();
    GenerateGrids();
    ASSERT_EQ(gridsValid, 1) << statusText;
  }

 private:
  std::optional<InFolder> folder_;
};

// The lines of a text, without their line ends.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace kestrel::testing
