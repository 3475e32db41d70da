// A decimal-comma locale (German) for the tests that check that numbers are
// read and written the same way under every desktop locale.
//
// The build generates the locale into its own folder (KESTREL_TEST_LOCPATH),
// so no system locale needs to be installed; one the system has is used as
// it is.
#pragma once

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

namespace kestrel::testing {

inline constexpr const char* kDecimalCommaLocale = "de_DE.UTF-8";

// The folder to give as LOCPATH to a program that is to run under the
// locale; empty when the system has the locale itself.
inline std::string DecimalCommaLocalePath() {
  const char* before = std::setlocale(LC_ALL, nullptr);
  const std::string saved = before ? before : "C";
  const bool system = std::setlocale(LC_ALL, kDecimalCommaLocale) != nullptr;
  std::setlocale(LC_ALL, saved.c_str());
  return system ? std::string() : std::string(KESTREL_TEST_LOCPATH);
}

// Switches the whole process to the decimal-comma locale, as the window
// toolkit does at start-up on a German desktop, and back to "C" at the end.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    if (const char* old = std::getenv("LOCPATH")) oldPath_ = old;
    const std::string path = DecimalCommaLocalePath();
    if (!path.empty()) setenv("LOCPATH", path.c_str(), 1);
    active_ =
        std::setlocale(LC_ALL, kDecimalCommaLocale) != nullptr && std::string(std::localeconv()->decimal_point) == ",";
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_ALL, "C");
    if (oldPath_) {
      setenv("LOCPATH", oldPath_->c_str(), 1);
    } else {
      unsetenv("LOCPATH");
    }
  }
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

  // Whether the process now writes 1,5 for 1.5.
  bool active() const { return active_; }

 private:
  std::optional<std::string> oldPath_;
  bool active_ = false;
};

}  // namespace kestrel::testing
