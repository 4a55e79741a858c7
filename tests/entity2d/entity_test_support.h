// Shared by the entity model tests: a comparison that tells which values of
// one chain another lost.
#pragma once
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "host/chain.h"
#include "host/names.h"
#include "tests/chain/chain_test_support.h"

namespace enttest {

using vd::ChainBuilder;
using vd::ChainItem;
using vd::ChainView;
using vd::OwnedChain;
using chaintest::chainOf;
using chaintest::codesOf;

inline bool sameValue(ChainItem a, ChainItem b) {
  if (a.code() != b.code() || a.kind() != b.kind()) return false;
  auto close = [](double x, double y) { return std::abs(x - y) <= 1e-9 * (1.0 + std::abs(x)); };
  if (auto x = a.real()) {
    const double y = *b.real();
    if (a.code() >= 50 && a.code() <= 58) {
      // Angles are equal modulo a full turn, in radians or in degrees.
      const double r = std::remainder(*x - y, 2 * std::numbers::pi), d = std::remainder(*x - y, 360.0);
      return std::abs(r) <= 1e-9 || std::abs(d) <= 1e-9;
    }
    return close(*x, y);
  }
  if (auto p = a.point()) {
    auto q = b.point();
    return q && close(p->x, q->x) && close(p->y, q->y) && close(p->z, q->z);
  }
  if (auto s = a.text()) return b.text() == s;
  if (auto n = a.integer()) return b.integer() == n;
  return true;
}

inline std::string describe(ChainItem item) {
  std::ostringstream os;
  os << item.code() << " ";
  if (auto r = item.real()) os << *r;
  else if (auto p = item.point()) os << "(" << p->x << ", " << p->y << ", " << p->z << ")";
  else if (auto s = item.text()) os << '"' << vd::utf16ToUtf8(*s) << '"';
  else if (auto n = item.integer()) os << *n;
  return os.str();
}

// Values of `source` that `made` lacks, each node matched at most once, in
// the order of the source; codes listed in `ignore` are not looked for.
inline std::vector<std::string> lostValues(ChainView source, ChainView made, const std::vector<int>& ignore = {}) {
  std::vector<const vd::ValueNode*> pool;
  for (ChainItem item : made) pool.push_back(item.node());
  std::vector<std::string> lost;
  for (ChainItem item : source) {
    if (item.code() == -1) continue;
    bool skip = false;
    for (int c : ignore) skip = skip || c == item.code();
    if (skip) continue;
    bool found = false;
    for (auto& n : pool) {
      if (n && sameValue(item, ChainItem(n))) {
        n = nullptr;
        found = true;
        break;
      }
    }
    if (!found) lost.push_back(describe(item));
  }
  return lost;
}

}  // namespace enttest
