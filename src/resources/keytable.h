// The keyboard table FAST_PUSH: every key combination that reaches the
// program, each turned into an accelerator id (3840..4019, and 4032..4036
// for Ctrl with the digits 0 to 4). The dispatcher
// maps some of those ids to commands; the rest end in a beep.
#pragma once

#include <cstddef>

namespace kestrel {

// Keys, independent of any toolkit. Letters use their upper-case character.
enum Key : int {
  kKeyNone = 0,
  kKey0 = '0',  // the digits, on the top row or the number pad
  kKey9 = '9',
  kKeyA = 'A',
  kKeyZ = 'Z',
  kKeyF1 = 0x100,  // F1..F10 follow in order
  kKeyF10 = kKeyF1 + 9,
  kKeyBackspace = 0x120,
  kKeyTab,
  kKeySpace,
  kKeyEscape,
  kKeyDelete,
  kKeyInsert,
  kKeyHome,
  kKeyEnd,
  kKeyPageUp,
  kKeyPageDown,
  kKeyLeft,
  kKeyRight,
  kKeyUp,
  kKeyDown,
};

// Modifier bits; a table entry matches only the exact combination.
enum KeyModifier : int { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

struct Accelerator {
  int key;
  int modifiers;
  int id;
};

extern const Accelerator* const kFastPush;
extern const std::size_t kFastPushCount;

// The accelerator id of a key with exactly these modifiers, or 0 when the
// table has no entry for it (the key then does nothing at all).
int FindAccelerator(int key, int modifiers);

}  // namespace kestrel
