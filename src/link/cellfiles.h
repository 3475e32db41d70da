// The two pictures of the owner map that the link command writes, and the
// command that shows the text one (step 3).
#pragma once

#include <cstdint>

namespace kestrel {

// The character that stands for polygon k in the cell maps (80 symbols,
// repeating from polygon 80 on).
char CellSymbol(int32_t k);

// cell.txt: one character per position, the highest J on the first map line.
// Returns false when the file could not be created or written (reported).
bool WriteCellText();

// cell.html: the same characters in their polygons' colours on a black page,
// the lowest J first. Returns false when the file could not be written.
bool WriteCellHtml();

// Step 3: shows cell.txt and returns when the user has closed it.
void ViewCellMap();

}  // namespace kestrel
