// Shared by the entity model tests: chains as a CAD program hands them out,
// read from a DXF file, and a comparison that tells which values of one
// chain another lost.
#pragma once
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "geom/point2d.h"
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

inline std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n"), b = s.find_last_not_of(" \t\r\n");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

struct Tag {
  int code;
  std::string value;
};

// The entities of a DXF file's ENTITIES section as entity chains: points
// gathered from their x, y and z groups, angles in radians as the host gives
// them (boundary and pattern angles of a hatch stay in degrees, as DXF keeps
// them), extended data behind -3, the owner and extension dictionary groups
// left out as the host leaves them out. Reactor groups stay.
inline std::vector<OwnedChain> readDxfEntities(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  std::vector<OwnedChain> out;
  if (!in) {
    error = "cannot open " + path;
    return out;
  }
  std::vector<Tag> tags;
  std::string code, value;
  while (std::getline(in, code) && std::getline(in, value)) tags.push_back({std::stoi(trim(code)), value});
  size_t i = 0;
  while (i < tags.size() && !(tags[i].code == 2 && trim(tags[i].value) == "ENTITIES")) ++i;
  ++i;
  while (i < tags.size() && !(tags[i].code == 0 && trim(tags[i].value) == "ENDSEC")) {
    const std::string type = trim(tags[i].value);
    const bool hatch = type == "HATCH";
    ChainBuilder b;
    b.text(0, vd::utf8ToUtf16(type));
    ++i;
    bool sawSubclass = false, inXdata = false, skipping = false;
    while (i < tags.size() && tags[i].code != 0) {
      const Tag& t = tags[i];
      const int c = t.code;
      const std::string v = trim(t.value);
      if (c == 102 && !inXdata) {
        if (v == "{ACAD_XDICTIONARY") skipping = true;
        if (skipping) {
          if (v == "}") skipping = false;
          ++i;
          continue;
        }
      }
      if (skipping || (c == 330 && !sawSubclass && !inXdata)) {
        ++i;
        continue;
      }
      if (c == 100) sawSubclass = true;
      if (c == 1001 && !inXdata) {
        inXdata = true;
        b.marker(-3);
      }
      const vd::ValueKind kind = vd::kindOf(vd::groupCodeKind(c));
      if (kind == vd::kKindPoint) {
        double p[3] = {std::stod(v), 0.0, 0.0};
        size_t k = i + 1;
        if (k < tags.size() && tags[k].code == c + 10) p[1] = std::stod(trim(tags[k++].value));
        if (k < tags.size() && tags[k].code == c + 20) p[2] = std::stod(trim(tags[k++].value));
        b.point(c, p[0], p[1], p[2]);
        i = k;
        continue;
      }
      if (kind == vd::kKindReal) {
        double r = std::stod(v);
        if (c >= 50 && c <= 58 && !hatch) r = r * std::numbers::pi / 180.0;
        b.real(c, r);
      } else if (kind == vd::kKindString) {
        b.text(c, vd::utf8ToUtf16(t.value.substr(0, t.value.find_last_not_of("\r\n") + 1)));
      } else if (kind == vd::kKindBinary) {
        std::vector<unsigned char> bytes;
        for (size_t k = 0; k + 1 < v.size(); k += 2) bytes.push_back(static_cast<unsigned char>(std::stoi(v.substr(k, 2), nullptr, 16)));
        b.chunk(c, bytes.data(), static_cast<int16_t>(bytes.size()));
      } else {
        b.integer(c, std::stoll(v));
      }
      ++i;
    }
    OwnedChain chain = b.build();
    if (!chain) {
      error = "entity " + type + ": " + b.error();
      return {};
    }
    // Attribute follower lists end at SEQEND, which is no entity of its own here.
    if (type != "SEQEND") out.push_back(std::move(chain));
  }
  return out;
}

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

// An LWPOLYLINE chain as written: its flags (70) and count (90), -1 when
// absent, and each vertex (10) with the bulge (42) after it, 0 when none is.
struct WrittenPolyline {
  int flags = -1, count = -1;
  std::vector<GcGePoint2d> points;
  std::vector<double> bulges;
};
inline WrittenPolyline writtenPolyline(ChainView chain) {
  WrittenPolyline w;
  for (ChainItem item : chain) {
    if (item.code() == 70) w.flags = static_cast<int>(*item.integer());
    if (item.code() == 90) w.count = static_cast<int>(*item.integer());
    if (item.code() == 10) {
      w.points.push_back({item.point()->x, item.point()->y});
      w.bulges.push_back(0.0);
    }
    if (item.code() == 42 && !w.bulges.empty()) w.bulges.back() = *item.real();
  }
  return w;
}

}  // namespace enttest
