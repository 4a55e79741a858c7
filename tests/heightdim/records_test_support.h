// Chains written out group by group, so that tests compare whole chains.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "host/chain.h"

namespace hnotetest {

// "code value" per node: texts as UTF-8, reals with 17 digits, points as x,y,z.
inline std::vector<std::string> groupsOf(vd::ChainView chain) {
  std::vector<std::string> out;
  for (vd::ChainItem item : chain) {
    std::string value;
    char buf[96];
    if (auto t = item.text()) value = vd::utf16ToUtf8(*t);
    if (auto r = item.real()) {
      std::snprintf(buf, sizeof buf, "%.17g", *r);
      value = buf;
    }
    if (auto i = item.integer()) value = std::to_string(*i);
    if (auto p = item.point()) {
      std::snprintf(buf, sizeof buf, "%.17g,%.17g,%.17g", p->x, p->y, p->z);
      value = buf;
    }
    out.push_back(std::to_string(item.code()) + (value.empty() ? "" : " " + value));
  }
  return out;
}

}  // namespace hnotetest
