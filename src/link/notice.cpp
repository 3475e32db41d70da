#include "link/notice.h"

#include "app/report.h"

namespace kestrel {

namespace {
int problems = 0;
}

void ReportProblem(int code, const std::string& text) {
  ++problems;
  Notify(code, "%s", text.c_str());
}

int ProblemCount() { return problems; }

void ResetProblemCount() { problems = 0; }

std::string BoundedList(const std::string& head, const std::vector<std::string>& items) {
  static const std::string kMore = " ...";
  std::string text = head;
  for (std::size_t n = 0; n < items.size(); ++n) {
    const bool last = n + 1 == items.size();
    const std::size_t room = kNotifyTextLimit - (last ? 0 : kMore.size());
    if (text.size() + items[n].size() > room) return text + kMore;
    text += items[n];
  }
  return text;
}

}  // namespace kestrel
