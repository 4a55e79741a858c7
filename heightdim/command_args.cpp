#include "heightdim/command_args.h"

#include <climits>

namespace vd::heightdim {

int parseDecimal(const char* text) {
  if (!text) return 0;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  long long value = 0;
  while (*p >= '0' && *p <= '9') {
    value = value * 10 + (*p++ - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      value = static_cast<long long>(INT_MAX) + 1;
      break;
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  return static_cast<int>(value);
}

std::optional<PlaceArgs> parsePlaceArgs(int argc, const char* const* argv) {
  if (argc < 1 || !argv) return std::nullopt;
  PlaceArgs args;
  unsigned type = static_cast<unsigned>(parseDecimal(argv[0]));
  args.type = type > 3 ? 3 : type;
  if (argc > 1) args.direction = parseDecimal(argv[1]) * 3.141592653589793 / 180.0;
  if (argc > 2) args.options = parseDecimal(argv[2]);
  if (argc > 3) args.mirror = parseDecimal(argv[3]) != 0;
  return args;
}

}  // namespace vd::heightdim
