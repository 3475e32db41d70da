#include "resources/keytable.h"

#include <array>

namespace kestrel {

namespace {

constexpr std::size_t kEntries = 136;

constexpr std::array<Accelerator, kEntries> BuildFastPush() {
  std::array<Accelerator, kEntries> table{};
  std::size_t n = 0;
  auto add = [&](int key, int modifiers, int id) { table[n++] = Accelerator{key, modifiers, id}; };

  for (int k = 0; k < 10; ++k) {
    add(kKeyF1 + k, 0, 3840 + k);
    add(kKeyF1 + k, kModAlt, 3904 + k);
    add(kKeyF1 + k, kModCtrl, 3968 + k);
  }
  for (int c = 0; c < 26; ++c) {
    add(kKeyA + c, kModAlt, 3872 + c);
    add(kKeyA + c, kModCtrl, 3936 + c);
  }

  add(kKeyDelete, 0, 3857);
  add(kKeyDown, 0, 3858);
  add(kKeyEnd, 0, 3859);
  add(kKeyEscape, 0, 3860);
  add(kKeyHome, 0, 3861);
  add(kKeyInsert, 0, 3862);
  add(kKeyLeft, 0, 3863);
  add(kKeyPageDown, 0, 3864);
  add(kKeyPageUp, 0, 3865);
  add(kKeyRight, 0, 3866);
  add(kKeyUp, 0, 3867);

  add(kKeyBackspace, kModAlt, 3920);
  add(kKeyDown, kModAlt, 3921);
  add(kKeyEnd, kModAlt, 3922);
  add(kKeyHome, kModAlt, 3923);
  add(kKeyLeft, kModAlt, 3924);
  add(kKeyPageDown, kModAlt, 3925);
  add(kKeyPageUp, kModAlt, 3926);
  add(kKeyRight, kModAlt, 3927);
  add(kKeySpace, kModAlt, 3928);
  add(kKeyUp, kModAlt, 3929);

  add(kKeyDown, kModCtrl, 3984);
  add(kKeyEnd, kModCtrl, 3985);
  add(kKeyHome, kModCtrl, 3986);
  add(kKeyLeft, kModCtrl, 3987);
  add(kKeyPageDown, kModCtrl, 3988);
  add(kKeyPageUp, kModCtrl, 3989);
  add(kKeyRight, kModCtrl, 3990);
  add(kKeySpace, kModCtrl, 3991);
  add(kKeyTab, kModCtrl, 3992);
  add(kKeyUp, kModCtrl, 3993);

  add(kKeyDown, kModShift, 4001);
  add(kKeyEnd, kModShift, 4002);
  add(kKeyEscape, kModShift, 4003);
  add(kKeyHome, kModShift, 4004);
  add(kKeyLeft, kModShift, 4005);
  add(kKeyPageDown, kModShift, 4006);
  add(kKeyPageUp, kModShift, 4007);
  add(kKeyRight, kModShift, 4008);
  add(kKeySpace, kModShift, 4009);
  add(kKeyUp, kModShift, 4010);

  const int ctrlAlt = kModCtrl | kModAlt;
  add(kKeySpace, ctrlAlt, 3994);
  add('A', ctrlAlt, 3995);
  add('E', ctrlAlt, 3996);
  add('I', ctrlAlt, 3997);
  add('F', ctrlAlt, 4016);
  add('L', ctrlAlt, 4017);
  add('N', ctrlAlt, 4018);
  add('P', ctrlAlt, 4019);

  for (int d = 0; d <= 4; ++d) add(kKey0 + d, kModCtrl, 4032 + d);

  // A miscounted table fails to compile here rather than leaving empty rows.
  if (n != kEntries) throw "keyboard table size";
  return table;
}

constexpr std::array<Accelerator, kEntries> kTable = BuildFastPush();

}  // namespace

const Accelerator* const kFastPush = kTable.data();
const std::size_t kFastPushCount = kTable.size();

int FindAccelerator(int key, int modifiers) {
  for (const Accelerator& a : kTable) {
    if (a.key == key && a.modifiers == modifiers) return a.id;
  }
  return 0;
}

}  // namespace kestrel
