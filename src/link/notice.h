// The Notify reports of the link command, counted so that the command can
// tell its caller whether it ran without complaint.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

// Longest text a Notify box can carry.
constexpr std::size_t kNotifyTextLimit = 1023;

// Shows Notify(code, text) and counts it.
void ReportProblem(int code, const std::string& text);
int ProblemCount();
void ResetProblemCount();

// `head` followed by as many of `items` as fit into a Notify box; when some
// must be left out the text ends in " ..." instead. A long list of polygons
// thus never overflows the box (which would end the program).
std::string BoundedList(const std::string& head, const std::vector<std::string>& items);

}  // namespace kestrel
