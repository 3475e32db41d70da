// The base of every logic test: a fresh scripted front end and a program
// whose global state is back at start-up.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/reset.h"
#include "scripted_frontend.h"
#include "store/store.h"

namespace kestrel::testing {

class KestrelTest : public ::testing::Test {
 protected:
  ScriptedFrontEnd ui;

  void SetUp() override {
    SetFrontEnd(&ui);
    ResetProgramState();
  }
  void TearDown() override {
    ResetProgramState();
    SetFrontEnd(nullptr);
  }
};

// Adds a polygon to the store from (x, y) pairs; z is 0. When `closed`, the
// first point is stored again at the end. Returns its index.
int AddPolygon(const char* name, std::initializer_list<std::pair<double, double>> points, bool closed = false);
int AddPolygon(const char* name, const std::vector<std::pair<double, double>>& points, bool closed = false);

// The outline of a river of parallel banks `width` apart whose centre line
// y = amplitude sin(2 pi x / wavelength) runs from x = 0 to `length`: the
// right bank downstream, then the left bank back up, `steps` + 1 points
// each, counter-clockwise, without the closing point.
std::vector<std::pair<double, double>> MeanderOutline(double length, double width, double amplitude, double wavelength,
                                                      int steps);

// A temporary folder that is removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  static void Write(const std::string& file, const std::string& text);
  static std::string Read(const std::string& file);

 private:
  std::string path_;
};

}  // namespace kestrel::testing
