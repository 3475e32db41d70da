#include "resources/bitmaps.h"

#include <cstring>

#include "app/report.h"

namespace kestrel {

namespace {

// Picture characters and the colour-table index each stands for; the table
// is the standard sixteen-colour palette.
constexpr char kLegend[17] = "#RGonpt.grlybmcw";

constexpr uint8_t kPalette[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

using Art = const char* const[kButtonBitmapSize];

constexpr bool ArtIsValid(Art& art, const char* allowed) {
  for (int y = 0; y < kButtonBitmapSize; ++y) {
    int x = 0;
    for (; art[y][x]; ++x) {
      bool known = false;
      for (const char* c = allowed; *c; ++c) known = known || *c == art[y][x];
      if (!known) return false;
    }
    if (x != kButtonBitmapSize) return false;
  }
  return true;
}

// Legend: # black, R maroon, G green, o olive, n navy, p purple, t teal,
// . silver (the face), g grey, r red, l lime, y yellow, b blue, m magenta,
// c aqua, w white.

constexpr Art kOpen = {
    "................", "................", ".####...........", "#oooo#..........",
    "#ooooo#######...", "#oooooooooooo#..", "#ooo###########.", "#oo#yyyyyyyyyyy#",
    "#oo#yyyyyyyyyy#.", "#o#yyyyyyyyyy#..", "#o#yyyyyyyyy#...", "##yyyyyyyyyy#...",
    "#############...", "................", "................", "................",
};

constexpr Art kSave = {
    "................", ".##############.", ".#n#wwwwwwww#n#.", ".#n#wwwwwwww#n#.",
    ".#n#wwwwwwww#n#.", ".#n#wwwwwwww#n#.", ".#n##########n#.", ".#nnnnnnnnnnnn#.",
    ".#nnn######nnn#.", ".#nnn#..##.#nn#.", ".#nnn#..##.#nn#.", ".#nnn#..##.#nn#.",
    ".##############.", "................", "................", "................",
};

constexpr Art kUndo = {
    "................", "................", "................", "....n...........",
    "...nn...........", "..nnnnnnnnn.....", ".nnnnnnnnnnnn...", "..nnnnnnnnnnnn..",
    "...nn......nnn..", "....n.......nnn.", "............nnn.", "............nnn.",
    "...........nnn..", ".........nnnn...", "................", "................",
};

// Two arrows pointing apart over a line broken in two.
constexpr Art kSplit = {
    "................", "................", "...#........#...", "..##........##..",
    ".#####....#####.", ".#####....#####.", "..##........##..", "...#........#...",
    "................", "................", "#rrrrr#..#bbbbb#", "#rrrrr#..#bbbbb#",
    "................", "................", "................", "................",
};

// Two arrows pointing together over one joined line.
constexpr Art kJoin = {
    "................", "................", "..#..........#..", "..##........##..",
    "#####......#####", "#####......#####", "..##........##..", "..#..........#..",
    "................", "................", "#rrrrrrrbbbbbbb#", "#rrrrrrrbbbbbbb#",
    "................", "................", "................", "................",
};

// A smooth wave through its points.
constexpr Art kSmooth = {
    "................", "................", "................", "................",
    "...b#b..........", "..b...b.........", ".b.....b........", "#.......#.......",
    ".........b.....b", "..........b...b.", "...........b#b..", "................",
    "................", "................", "................", "................",
};

// Evenly spaced points with the spacing marked below.
constexpr Art kSpace = {
    "................", "................", "................", "................",
    "................", "................", ".##..##..##..##.", ".##bb##bb##bb##.",
    "................", "................", "..#..#..........", ".######.........",
    "..#..#..........", "................", "................", "................",
};

// A number in a box: select a polygon by its number.
constexpr Art kFive = {
    "................", ".##############.", ".#wwwwwwwwwwww#.", ".#wwnnnnnnnnww#.",
    ".#wwnnwwwwwwww#.", ".#wwnnwwwwwwww#.", ".#wwnnnnnnnwww#.", ".#wwwwwwwwnnww#.",
    ".#wwwwwwwwnnww#.", ".#wwwwwwwwnnww#.", ".#wwnnnnnnnwww#.", ".#wwwwwwwwwwww#.",
    ".##############.", "................", "................", "................",
};

// Step 1: a grid.
constexpr Art kGrid = {
    ".#..............", "##..............", ".#..............", ".#..............",
    "###.bbbbbbbbbb..", "....b..b..b..b..", "....b..b..b..b..", "....bbbbbbbbbb..",
    "....b..b..b..b..", "....b..b..b..b..", "....bbbbbbbbbb..", "....b..b..b..b..",
    "....b..b..b..b..", "....bbbbbbbbbb..", "................", "................",
};

// Step 2: two grids sharing an edge.
constexpr Art kLink = {
    "##..............", "..#.............", ".#..............", "#...............",
    "###.............", "................", "...bbbbbb#rrrrrr", "...b..b..#..r..r",
    "...b..b..#..r..r", "...bbbbbb#rrrrrr", "...b..b..#..r..r", "...b..b..#..r..r",
    "...bbbbbb#rrrrrr", "................", "................", "................",
};

// Step 3: the cell map, a page of coloured characters.
constexpr Art kCell = {
    "##..............", "..#.##########..", ".#..#wwwwwwww#..", "..#.#wrrwbbww#..",
    "##..#wwwwwwww#..", "....#wrrrbbbw#..", "....#wwwwwwww#..", "....#wrrrbbbw#..",
    "....#wwwwwwww#..", "....#wlllbbbw#..", "....#wwwwwwww#..", "....#wllllbbw#..",
    "....#wwwwwwww#..", "....##########..", "................", "................",
};

// Step 4: the model's input files.
constexpr Art kFile = {
    "#.#.............", "#.#.............", "###..#######....", "..#..#wwwww##...",
    "..#..#wwwww#w#..", ".....#wwwww####.", ".....#wwwwwwww#.", ".....#wnnnnnnw#.",
    ".....#wwwwwwww#.", ".....#wnnnnnnw#.", ".....#wwwwwwww#.", ".....#wnnnnnww#.",
    ".....#wwwwwwww#.", ".....##########.", "................", "................",
};

constexpr Art kZoomOut = {
    "................", "...#####........", "..#ccccc#.......", ".#ccccccc#......",
    ".#ccccccc#......", ".#c#####c#......", ".#ccccccc#......", ".#ccccccc#......",
    "..#ccccc#.......", "...#####.##.....", "..........###...", "...........###..",
    "............###.", ".............##.", "................", "................",
};

constexpr Art kZoomIn = {
    "................", "...#####........", "..#ccccc#.......", ".#ccc#ccc#......",
    ".#ccc#ccc#......", ".#c#####c#......", ".#ccc#ccc#......", ".#ccc#ccc#......",
    "..#ccccc#.......", "...#####.##.....", "..........###...", "...........###..",
    "............###.", ".............##.", "................", "................",
};

// Every polygon fitted into the view.
constexpr Art kZoomAll = {
    "................", ".####......####.", ".#............#.", ".#............#.",
    "................", "...mmmmmlllll...", "...m...ml...l...", "...m...ml...l...",
    "...m...ml...l...", "...m...ml...l...", "...mmmmmlllll...", "................",
    ".#............#.", ".#............#.", ".####......####.", "................",
};

constexpr Art kHelp = {
    "................", ".....nnnnnn.....", "....nn....nn....", "....nn....nn....",
    "..........nn....", ".........nn.....", "........nn......", ".......nn.......",
    ".......nn.......", ".......nn.......", "................", ".......nn.......",
    ".......nn.......", "................", "................", "................",
};

struct NamedArt {
  const char* name;
  Art& art;
};

constexpr NamedArt kArts[] = {
    {"OPEN", kOpen},    {"SAVE", kSave},   {"UNDO", kUndo},    {"SPLT", kSplit}, {"JOIN", kJoin}, {"SMTH", kSmooth},
    {"SPAC", kSpace},   {"FIVE", kFive},   {"GRID", kGrid},    {"LINK", kLink},  {"CELL", kCell}, {"FILE", kFile},
    {"ZOUT", kZoomOut}, {"ZOOM", kZoomIn}, {"ZALL", kZoomAll}, {"HELP", kHelp},
};
constexpr int kArtCount = sizeof kArts / sizeof kArts[0];

constexpr bool AllArtIsValid() {
  for (const NamedArt& a : kArts) {
    if (!ArtIsValid(a.art, kLegend)) return false;
  }
  return true;
}
static_assert(AllArtIsValid(), "every button picture is 16 x 16 in the legend's characters");

constexpr int kHeaderBytes = 40;
constexpr int kTableBytes = 16 * 4;
constexpr int kRowBytes = kButtonBitmapSize / 2;
constexpr int kDibBytes = kHeaderBytes + kTableBytes + kRowBytes * kButtonBitmapSize;

void Put32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
}

int LegendIndex(char c) {
  const char* at = std::strchr(kLegend, c);
  return at ? static_cast<int>(at - kLegend) : 7;
}

void BuildDib(Art& art, uint8_t* dib) {
  std::memset(dib, 0, kDibBytes);
  Put32(dib, kHeaderBytes);
  Put32(dib + 4, kButtonBitmapSize);
  Put32(dib + 8, kButtonBitmapSize);  // positive: bottom row first
  dib[12] = 1;                        // planes
  dib[14] = 4;                        // bits per pixel
  Put32(dib + 32, 16);                // colours used
  for (int k = 0; k < 16; ++k) {
    uint8_t* entry = dib + kHeaderBytes + 4 * k;
    entry[0] = kPalette[k][2];
    entry[1] = kPalette[k][1];
    entry[2] = kPalette[k][0];
  }
  uint8_t* bits = dib + kHeaderBytes + kTableBytes;
  for (int y = 0; y < kButtonBitmapSize; ++y) {
    uint8_t* row = bits + (kButtonBitmapSize - 1 - y) * kRowBytes;
    for (int x = 0; x < kButtonBitmapSize; x += 2) {
      row[x / 2] = static_cast<uint8_t>(LegendIndex(art[y][x]) << 4 | LegendIndex(art[y][x + 1]));
    }
  }
}

constexpr const char* kArrowRows[16] = {
    "#...............", "##..............", "#w#.............", "#ww#............",
    "#www#...........", "#wwww#..........", "#wwwww#.........", "#wwwwww#........",
    "#wwwwwww#.......", "#wwwww#####.....", "#ww#ww#.........", "#w#.#ww#........",
    "##..#ww#........", "#....#ww#.......", ".....#ww#.......", "......##........",
};

constexpr const char* kCrossRows[16] = {
    "......w#w.......", "......w#w.......", "......w#w.......", "......w#w.......",
    "......w#w.......", "......w#w.......", "wwwwww...wwwwwww", "######.#.#######",
    "wwwwww...wwwwwww", "......w#w.......", "......w#w.......", "......w#w.......",
    "......w#w.......", "......w#w.......", "......w#w.......", "......w#w.......",
};

static_assert(ArtIsValid(kArrowRows, "#w.") && ArtIsValid(kCrossRows, "#w."), "cursors are 16 x 16");

constexpr CursorArt kCursors[] = {
    {"ARR0W", kArrowRows, 0, 0},
    {"CR0SS", kCrossRows, 7, 7},
};

}  // namespace

const uint8_t* LoadBitmapResource(const char* name) {
  static uint8_t dibs[kArtCount][kDibBytes];
  static bool built = false;
  if (!built) {
    for (int k = 0; k < kArtCount; ++k) BuildDib(kArts[k].art, dibs[k]);
    built = true;
  }
  for (int k = 0; k < kArtCount; ++k) {
    if (std::strcmp(kArts[k].name, name) == 0) return dibs[k];
  }
  Abort(8828, "can't find resource %s\nWin Err Code %i", name, 0);
}

const CursorArt* FindCursorArt(const char* name) {
  for (const CursorArt& c : kCursors) {
    if (std::strcmp(c.name, name) == 0) return &c;
  }
  return nullptr;
}

}  // namespace kestrel
