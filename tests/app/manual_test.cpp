// The user manual that F1 shows (docs/manual.md) keeps up with the program:
// every key that runs a command and every tool button is described in it.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "app/dispatch.h"
#include "app/window.h"
#include "fixture.h"
#include "resources/keytable.h"

namespace kestrel::testing {
namespace {

std::string Manual() { return TempDir::Read(std::string(KESTREL_EXAMPLES_DIR) + "/../docs/manual.md"); }

// The text of the section that starts with the heading `heading`, up to the
// next heading of the same level.
std::string Section(const std::string& manual, const std::string& heading) {
  const size_t start = manual.find("\n" + heading + "\n");
  if (start == std::string::npos) return "";
  const size_t end = manual.find("\n## ", start + 1);
  return manual.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// How the manual writes a key: "Ctrl+F1", "Alt+Backspace", "PgDn".
std::string KeyName(const Accelerator& a) {
  std::string name;
  if (a.modifiers & kModCtrl) name += "Ctrl+";
  if (a.modifiers & kModAlt) name += "Alt+";
  if (a.modifiers & kModShift) name += "Shift+";
  if ((a.key >= kKeyA && a.key <= kKeyZ) || (a.key >= kKey0 && a.key <= kKey9)) return name + static_cast<char>(a.key);
  if (a.key >= kKeyF1 && a.key <= kKeyF10) return name + "F" + std::to_string(a.key - kKeyF1 + 1);
  switch (a.key) {
    case kKeyBackspace:
      return name + "Backspace";
    case kKeyDelete:
      return name + "Delete";
    case kKeyInsert:
      return name + "Insert";
    case kKeyPageUp:
      return name + "PgUp";
    case kKeyPageDown:
      return name + "PgDn";
    default:
      return name + "key " + std::to_string(a.key);
  }
}

bool IsNamePart(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+'; }

// Whether `text` holds `key` as a whole: "Alt+F" is not found in "Alt+F4",
// nor "F1" in "Ctrl+F1".
bool MentionsKey(const std::string& text, const std::string& key) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    const bool before = at > 0 && IsNamePart(text[at - 1]);
    const bool after = at + key.size() < text.size() && std::isalnum(static_cast<unsigned char>(text[at + key.size()]));
    if (!before && !after) return true;
  }
  return false;
}

TEST(Manual, ItsKeyTableNamesEveryKeyThatRunsACommand) {
  const std::string keys = Section(Manual(), "## Keys");
  ASSERT_FALSE(keys.empty()) << "the manual has a section \"## Keys\"";
  int commands = 0;
  for (size_t k = 0; k < kFastPushCount; ++k) {
    const Accelerator& a = kFastPush[k];
    if (!AcceleratorCommand(a.id)) continue;
    ++commands;
    EXPECT_TRUE(MentionsKey(keys, KeyName(a))) << KeyName(a) << " (accelerator " << a.id << ")";
  }
  EXPECT_GE(commands, 45) << "the keys of our own are in the table";
  EXPECT_FALSE(MentionsKey(keys, "Alt+H")) << "the test tells keys apart";
}

TEST(Manual, DescribesEveryToolButton) {
  const std::string window = Section(Manual(), "## The window");
  ASSERT_FALSE(window.empty());
  for (const ButtonInfo& button : kButtons) {
    const std::string name = button.bitmap;
    // The help button shows a question mark.
    EXPECT_TRUE(window.find("| " + (name == "HELP" ? std::string("?") : name) + " ") != std::string::npos) << name;
  }
}

}  // namespace
}  // namespace kestrel::testing
