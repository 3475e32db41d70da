// The program's icon: a curved grid between two banks, drawn at any size. The
// window shows it, and the desktop's icon files are rendered from it.
#pragma once

#include <QIcon>
#include <QImage>

namespace kestrel {

// The sizes of the desktop's icon theme that the program's icon comes in.
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The icon, `size` pixels square.
QImage ProgramIconImage(int size);

// The icon in every size of kIconSizes.
QIcon ProgramIcon();

}  // namespace kestrel
