// Writes the program's icon as the PNG files of the desktop's icon theme:
//
//   kestrel-icons FOLDER    FOLDER/NxN/apps/kestrel.png for every size
//
// Run by the build, so the installed icons are the one the window shows.
#include <QDir>
#include <QString>
#include <cstdio>

#include "resources/icon_qt.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: kestrel-icons FOLDER\n", stderr);
    return 64;
  }
  for (const int size : kestrel::kIconSizes) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    const QString name = folder + QStringLiteral("/kestrel.png");
    if (!QDir().mkpath(folder) || !kestrel::ProgramIconImage(size).save(name, "PNG")) {
      std::fprintf(stderr, "kestrel-icons: can't write %s\n", name.toLocal8Bit().constData());
      return 1;
    }
  }
  return 0;
}
