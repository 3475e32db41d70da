#include "fixture.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/report.h"
#include "view/view.h"

namespace kestrel::testing {

int AddPolygon(const char* name, std::initializer_list<std::pair<double, double>> points, bool closed) {
  return AddPolygon(name, std::vector<std::pair<double, double>>(points), closed);
}

int AddPolygon(const char* name, const std::vector<std::pair<double, double>>& points, bool closed) {
  const int32_t index = store.polygonCount;
  Polygon& p = PrepareNewPolygon(9999);
  const size_t n = points.size() + (closed ? 1 : 0);
  p.points = AllocArray<PolygonPoint>(9999, n);
  size_t k = 0;
  for (const auto& [x, y] : points) p.points[k++] = PolygonPoint{x, y, 0};
  if (closed) p.points[k] = p.points[0];
  p.count = static_cast<int32_t>(n);
  p.closed = closed ? 1 : 0;
  p.color = index % 12;
  SetPolygonName(p, name);
  ++store.polygonCount;
  BoundPolygon(index);
  return index;
}

std::vector<std::pair<double, double>> MeanderOutline(double length, double width, double amplitude, double wavelength,
                                                      int steps) {
  const double wave = 2 * 3.14159265358979323846 / wavelength;
  std::vector<std::pair<double, double>> right, left;
  for (int k = 0; k <= steps; ++k) {
    const double x = length * k / steps, y = amplitude * std::sin(wave * x);
    const double slope = amplitude * wave * std::cos(wave * x), norm = std::hypot(1, slope);
    const double nx = -slope / norm, ny = 1 / norm;
    right.push_back({x - nx * width / 2, y - ny * width / 2});
    left.push_back({x + nx * width / 2, y + ny * width / 2});
  }
  right.insert(right.end(), left.rbegin(), left.rend());
  return right;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kestrel-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("can't create a temporary folder");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::Write(const std::string& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
}

std::string TempDir::Read(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace kestrel::testing
