// A LineList's lines as strings, and strings as a LineList: the tests build
// and compare their expectations as vectors.
#pragma once

#include <string>
#include <vector>

#include "core/line_list.h"

namespace moxlyn::testing {

inline std::vector<std::string> Strings(const LineList& lines) {
  return {lines.begin(), lines.end()};
}

inline LineList ListOf(const std::vector<std::string>& strings) {
  LineList lines;
  for (const auto& text : strings) lines.push_back(text);
  return lines;
}

}  // namespace moxlyn::testing
