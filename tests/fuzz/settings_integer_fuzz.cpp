// The integer text rule against an independent reference built on strtoll,
// and decimal texts of valid values read back as the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/settings_store.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool AllOf(const std::string& text, bool (*accept)(char)) {
  for (const char c : text) {
    if (!accept(c)) return false;
  }
  return true;
}

bool IsDecimal(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::string WithoutLeadingZeros(const std::string& digits) {
  const size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? std::string() : digits.substr(first);
}

bool Reference(const std::string& text, int32_t& value) {
  if (text.empty()) return false;
  std::string hex;
  bool isHex = true;
  if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') {
    hex = text.substr(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    hex = text.substr(2);
  } else {
    isHex = false;
  }
  if (isHex) {
    if (hex.empty() || !AllOf(hex, IsHex)) return false;
    const std::string significant = WithoutLeadingZeros(hex);
    if (significant.size() > 8) return false;
    const unsigned long long pattern =
        significant.empty() ? 0 : std::strtoull(significant.c_str(), nullptr, 16);
    value = static_cast<int32_t>(static_cast<uint32_t>(pattern));
    return true;
  }
  const bool signed_ = text[0] == '-' || text[0] == '+';
  const std::string digits = text.substr(signed_ ? 1 : 0);
  if (digits.empty() || !AllOf(digits, IsDecimal)) return false;
  const std::string significant = WithoutLeadingZeros(digits);
  if (significant.size() > 10) return false;
  long long number = significant.empty() ? 0 : std::strtoll(significant.c_str(), nullptr, 10);
  if (text[0] == '-') number = -number;
  if (number < INT32_MIN || number > INT32_MAX) return false;
  value = static_cast<int32_t>(number);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  int32_t expected = 0;
  int32_t got = 0;
  const bool valid = Reference(text, expected);
  Check(moxlyn::ParseSettingsInteger(text, got) == valid);
  if (valid) {
    Check(got == expected);
    int32_t again = 0;
    Check(moxlyn::ParseSettingsInteger(std::to_string(got), again) && again == got);
  }
  return 0;
}
