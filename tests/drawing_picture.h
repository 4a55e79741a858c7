// A drawing as sorted lines of text, one per live entity, follower and block
// member, without the handles and owner links a rebuild gives anew: two
// drawings that show the same thing give the same lines.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "host/text.h"
#include "hostsim/drawing.h"

namespace vdtest {

inline std::string pictureNumber(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", std::abs(v) < 1e-9 ? 0.0 : v);
  return text;
}

// One entity as a line of text, without its handle and owner links.
// `values`: the value texts of the height marks' attributes and what moves
// with their length (the rounding mark) too; else they show as "*".
inline std::string chainPicture(vd::ChainView chain, bool values = true) {
  static const vd::vstring kRoundingTag = u"ZAOKROUHLENÍ";
  const bool rounding = chain.text(2).value_or(u"") == kRoundingTag;
  const bool textEntity = chain.isType(u"ATTRIB") || chain.isType(u"ATTDEF");
  std::string line;
  for (vd::ChainItem item : chain) {
    const int code = item.code();
    if (code == -1 || code == 5 || code == 330 || code == 340) continue;
    line += " " + std::to_string(code) + "=";
    if (!values && textEntity && (code == 1 || (rounding && (code == 10 || code == 11)))) {
      line += "*";
    } else if (auto t = item.text()) {
      line += vd::utf16ToUtf8(*t);
    } else if (auto r = item.real()) {
      line += pictureNumber(*r);
    } else if (auto i = item.integer()) {
      line += std::to_string(*i);
    } else if (auto p = item.point()) {
      line += pictureNumber(p->x) + "," + pictureNumber(p->y) + "," + pictureNumber(p->z);
    }
  }
  return line;
}

// The whole drawing, sorted; `values` as for chainPicture.
inline std::vector<std::string> drawingPicture(const hostsim::Drawing& drawing, bool values) {
  std::vector<std::string> out;
  auto text = [&](vd::ChainView chain, const std::string& where) { out.push_back(where + chainPicture(chain, values)); };
  for (const hostsim::Entity* e : drawing.entities()) {
    text(e->view(), "entity");
    for (const hostsim::Entity* f : drawing.followersOf(*e)) text(f->view(), "follower");
  }
  for (const auto& b : drawing.blocks()) {
    for (const auto& e : b->entities) text(e->view(), "in " + vd::utf16ToUtf8(b->name));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The lines of `after` that `before` lacks and those it lost, a few of each:
// empty when the two pictures agree.
inline std::string pictureChanges(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  std::vector<std::string> lost, gained;
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(lost));
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(gained));
  std::string out;
  for (size_t i = 0; i < lost.size() && i < 3; ++i) out += "\n  was: " + lost[i];
  for (size_t i = 0; i < gained.size() && i < 3; ++i) out += "\n  now: " + gained[i];
  return out;
}

}  // namespace vdtest
