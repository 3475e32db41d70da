// The programs as a user gets them: installed by `cmake --install` into a
// folder of their own, and packed as a Debian package.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fixture.h"
#include "run_tool.h"

namespace kestrel::testing {
namespace {

const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsProgram(const std::string& path) { return IsFile(path) && access(path.c_str(), X_OK) == 0; }

// Width and height from a PNG file's header; 0 when it is no PNG.
std::pair<int, int> PngSize(const std::string& path) {
  const std::string data = TempDir::Read(path);
  if (data.size() < 24 || data.compare(1, 3, "PNG") != 0 || data.compare(12, 4, "IHDR") != 0) return {0, 0};
  auto word = [&](size_t at) {
    int v = 0;
    for (size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(data[at + k]);
    return v;
  };
  return {word(16), word(20)};
}

// Every file below share/ that an install must put in place.
std::vector<std::string> SharedFiles() {
  std::vector<std::string> files = {"share/applications/kestrel.desktop", "share/mime/packages/kestrel.xml",
                                    "share/man/man1/kestrel.1.gz",        "share/man/man1/kestrel-grid.1.gz",
                                    "share/doc/kestrel/manual.md",        "share/doc/kestrel/examples/river_bend.p2d"};
  for (const int size : kIconSizes) {
    files.push_back("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/kestrel.png");
  }
  return files;
}

class Installed : public ::testing::Test {
 protected:
  TempDir prefix;

  void SetUp() override {
    const ShellRun r = RunShell(std::string("'") + KESTREL_CMAKE + "' --install '" + KESTREL_BUILD_DIR +
                                "' --prefix '" + prefix.path() + "' 2>&1");
    ASSERT_EQ(r.exitCode, 0) << r.out;
  }
  std::string At(const std::string& name) const { return prefix.File(name); }
};

TEST_F(Installed, PutsTheProgramsTheirDesktopFilesManualPagesAndManualInPlace) {
  EXPECT_TRUE(IsProgram(At("bin/kestrel")));
  EXPECT_TRUE(IsProgram(At("bin/kestrel-grid")));
  for (const std::string& file : SharedFiles()) EXPECT_TRUE(IsFile(At(file))) << file;
  for (const int size : kIconSizes) {
    const std::string icon =
        At("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/kestrel.png");
    EXPECT_EQ(PngSize(icon), std::make_pair(size, size)) << icon;
  }
}

TEST_F(Installed, TheDesktopEntryIsValidAndPolygonFilesAreItsType) {
  const std::string entry = At("share/applications/kestrel.desktop");
  const ShellRun check = RunShell("desktop-file-validate '" + entry + "' 2>&1");
  EXPECT_EQ(check.exitCode, 0) << check.out;
  EXPECT_EQ(check.out.find("error"), std::string::npos) << check.out;
  EXPECT_EQ(check.out.find("warning"), std::string::npos) << check.out;
  const std::string text = TempDir::Read(entry);
  for (const char* line : {"\nExec=kestrel %f\n", "\nIcon=kestrel\n", "Categories=Education;Science;",
                           "MimeType=application/x-kestrel-polygons;"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }

  // The type's globs as the desktop's type database compiles them: every
  // p<digit>d ending, and none that other programs' files use.
  const ShellRun update = RunShell("update-mime-database '" + At("share/mime") + "' 2>&1");
  ASSERT_EQ(update.exitCode, 0) << update.out;
  const std::string globs = TempDir::Read(At("share/mime/globs2"));
  for (const char* ending : {"p2d", "p3d", "p0d", "p9d"}) {
    EXPECT_NE(globs.find(std::string("application/x-kestrel-polygons:*.") + ending + "\n"), std::string::npos)
        << ending << "\n"
        << globs;
  }
  EXPECT_EQ(globs.find("application/x-kestrel-polygons:*.psd"), std::string::npos);
}

TEST_F(Installed, TheInstalledProgramsRunWithoutTheBuildTree) {
  ShellRun r = RunShell("'" + At("bin/kestrel-grid") + "' --version");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "kestrel-grid (Kestrel) " KESTREL_VERSION "\n");
  // The window program answers without a display.
  r = RunShell("env -u DISPLAY -u WAYLAND_DISPLAY '" + At("bin/kestrel") + "' --version");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "kestrel (Kestrel) " KESTREL_VERSION "\n");

  // The installed example grids, links and files.
  r = RunShell("'" + At("bin/kestrel-grid") + "' -C '" + prefix.File("out") + "' '" +
               At("share/doc/kestrel/examples/river_bend.p2d") + "' 2>&1");
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_TRUE(IsFile(prefix.File("out/EFDC.INP")));
}

// The options a program's --help lists: the words starting with '-' that
// open its option lines.
std::vector<std::string> HelpOptions(const std::string& help) {
  std::vector<std::string> options;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find_first_not_of(' ');
    if (at == std::string::npos || at == 0 || line[at] != '-') continue;
    const size_t end = line.find_first_of(" ,", at);
    options.push_back(line.substr(at, end - at));
  }
  return options;
}

TEST_F(Installed, TheManualPagesShowAndNameEveryOptionOfTheUsage) {
  for (const std::string program : {"kestrel", "kestrel-grid"}) {
    const std::string page = At("share/man/man1/" + program + ".1.gz");
    const ShellRun shown = RunShell("LC_ALL=C MANWIDTH=200 man -l '" + page + "' 2>&1");
    ASSERT_EQ(shown.exitCode, 0) << shown.out;
    EXPECT_NE(shown.out.find("NAME"), std::string::npos);
    EXPECT_EQ(shown.out.find("@PROJECT_VERSION@"), std::string::npos);
    const ShellRun help = RunShell("env -u DISPLAY -u WAYLAND_DISPLAY '" + At("bin/" + program) + "' --help");
    EXPECT_EQ(help.exitCode, 0);
    const std::vector<std::string> options = HelpOptions(help.out);
    EXPECT_GE(options.size(), 2u) << help.out;
    for (const std::string& option : options) {
      EXPECT_NE(shown.out.find(option), std::string::npos) << program << " " << option;
    }
  }
}

TEST(Package, HoldsEveryInstalledFileUnderUsrAndNeedsTheLibrariesDebianShips) {
  TempDir dir;
  const ShellRun pack = RunShell(std::string("'") + KESTREL_CPACK + "' -G DEB -B '" + dir.path() + "' --config '" +
                                 KESTREL_BUILD_DIR + "/CPackConfig.cmake' 2>&1");
  ASSERT_EQ(pack.exitCode, 0) << pack.out;
  const std::string deb = RunShell("ls '" + dir.path() + "'/*.deb").out;
  ASSERT_NE(deb.find("kestrel_" KESTREL_VERSION "_"), std::string::npos) << deb;
  const std::string name = deb.substr(0, deb.find('\n'));

  const ShellRun contents = RunShell("dpkg-deb -c '" + name + "'");
  ASSERT_EQ(contents.exitCode, 0);
  std::vector<std::string> files = SharedFiles();
  files.push_back("bin/kestrel");
  files.push_back("bin/kestrel-grid");
  for (const std::string& file : files) {
    EXPECT_NE(contents.out.find(" ./usr/" + file + "\n"), std::string::npos) << file << "\n" << contents.out;
  }

  const ShellRun fields = RunShell("dpkg-deb -f '" + name + "' Package Version Depends");
  EXPECT_NE(fields.out.find("Package: kestrel\n"), std::string::npos) << fields.out;
  EXPECT_NE(fields.out.find("Version: " KESTREL_VERSION "\n"), std::string::npos) << fields.out;
  for (const char* library : {"libqt6widgets6", "libgdal", "libstdc++6"}) {
    EXPECT_NE(fields.out.find(library), std::string::npos) << library << "\n" << fields.out;
  }
}

}  // namespace
}  // namespace kestrel::testing
