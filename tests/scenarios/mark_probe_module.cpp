// vdhost_mark_probe.dll: a module for the host program's own scenarios of a
// placed plan-view mark. It binds the host table as VdShared does and places
// a framed mark the way the plan-view command does: the mark written at the
// view centre and dragged into place (Jig), then, when asked, a leader from a
// picked point (GetPointW with the mark as the rubber band's base) to the
// frame's nearest corner, with the terminator block the host gives for a
// name (GetArrowHandleW), tied to the mark (LeaderAnno). Each command
// returns 1 when it did its work.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/chain.h"
#include "host/host_api.h"
#include "host/jig_record.h"

namespace {

using vd::ChainBuilder;
using vd::ChainPoint;
using vd::OwnedChain;

void* exportOf(void* hostModule, const char* name) {
  FARPROC p = GetProcAddress(static_cast<HMODULE>(hostModule), name);
  void* address;
  std::memcpy(&address, &p, sizeof address);
  return address;
}

vd::HostApi& host() { return *vd::hostApi(); }

constexpr double kHalfWidth = 7, kHalfHeight = 3;

vd::vstring text16(const char* s) {
  vd::vstring out;
  while (*s) out.push_back(static_cast<unsigned char>(*s++));
  return out;
}

// The entity the last flush made, as the host hands it out.
vd::ValueNode* lastMade() {
  if (host().SSGetW(4, nullptr, nullptr, 0) != vd::kRtNorm) return nullptr;
  return host().EntnextW(1, 0);
}

uint64_t handleNumber(vd::vstring_view handle) {
  return std::strtoull(vd::utf16ToUtf8(handle).c_str(), nullptr, 16);
}

bool dragFrom(const double base[3], vd::vstring_view handle) {
  vd::JigRecord r;
  std::memcpy(r.base, base, sizeof r.base);
  vd::copyToBuffer(handle, r.handle, vd::kHandleChars);
  return host().Jig(&r, 0) != 0;
}

}  // namespace

extern "C" {

__declspec(dllexport) int InitApp(HMODULE hostModule) {
  return vd::bindHost(hostModule, &exportOf, hostModule) ? 1 : 0;
}

// FramedMark VALUE TERMINATOR LEADER: a frame with the value, dragged from
// the view centre; with LEADER 1 a leader to it.
__declspec(dllexport) int Command_FramedMark(int argc, const char** argv) {
  if (argc < 3) return 0;
  vd::ValueNode* centreNode = host().GetVarW(u"VIEWCTR", vd::kRtPoint2d);
  if (!centreNode) return 0;
  const double centre[3] = {centreNode->v.point[0], centreNode->v.point[1], 0};

  // Every write must be taken, or nothing of the batch is flushed.
  double bx = 0, by = 0, bz = 0;
  if (host().Header_bin() != vd::kRtNorm ||
      host().BlkmakeHead_binW(u"PROBE_FRAME", 0, &bx, &by, &bz) != vd::kRtNorm)
    return 0;
  ChainBuilder frame;
  frame.text(0, u"LWPOLYLINE").text(8, u"0").integer(62, 0).integer(90, 4).integer(70, 1);
  frame.point(10, -kHalfWidth, -kHalfHeight).point(10, kHalfWidth, -kHalfHeight);
  frame.point(10, kHalfWidth, kHalfHeight).point(10, -kHalfWidth, kHalfHeight);
  OwnedChain f = frame.build();
  if (host().BlkmakeEnt_binW(f.get()) != vd::kRtNorm || host().BlkmakeEnd_binW(u"PROBE_FRAME") != vd::kRtNorm) return 0;
  ChainBuilder ins, att, end;
  ins.text(0, u"INSERT").text(8, u"0").integer(62, 5).integer(66, 1).text(2, u"PROBE_FRAME");
  ins.point(10, centre[0], centre[1]).extendedData(u"VD_ASSOCDESC1").text(1000, u"probe");
  att.text(0, u"ATTRIB").text(8, u"0").integer(62, 5).point(10, centre[0], centre[1]).real(40, 2.5);
  att.text(1, text16(argv[0])).text(2, u"VYSKA").integer(72, 1).point(11, centre[0], centre[1]).integer(74, 2);
  end.text(0, u"SEQEND");
  OwnedChain i = ins.build(), a = att.build(), e = end.build();
  for (const OwnedChain* c : {&i, &a, &e}) {
    if (host().Entmake_binW(c->get(), 0) != vd::kRtNorm) return 0;
  }
  if (host().Flush_bin(1) != vd::kRtNorm) return 0;
  if (!dragFrom(centre, u"")) return 0;
  if (std::atoi(argv[2]) == 0) return 1;

  // The leader from a picked point to the frame's nearest corner.
  vd::ValueNode* markNode = lastMade();
  if (!markNode) return 0;
  const vd::ChainView mark(markNode);
  const vd::vstring markHandle(mark.handle());
  const ChainPoint at = mark.point(10).value_or(ChainPoint{});
  const double rubberBase[3] = {at.x, at.y, 0};
  double picked[3] = {};
  if (host().GetPointW(rubberBase, u"Zadejte bod odkazu:", picked) != vd::kRtNorm) return 0;
  ChainPoint corner{};
  double best = -1;
  for (double sx : {-1.0, 1.0}) {
    for (double sy : {-1.0, 1.0}) {
      const ChainPoint c{at.x + sx * kHalfWidth, at.y + sy * kHalfHeight, 0};
      const double d = std::hypot(c.x - picked[0], c.y - picked[1]);
      if (best < 0 || d < best) {
        best = d;
        corner = c;
      }
    }
  }
  uint64_t arrow = 0;
  if (!host().GetArrowHandleW(text16(argv[1]).c_str(), &arrow)) return 0;
  char hex[32];
  std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(arrow));
  ChainBuilder leader;
  leader.text(0, u"LEADER").text(8, u"0").integer(62, 1).text(3, u"VELDRA").integer(71, 1).integer(76, 2);
  leader.point(10, picked[0], picked[1]).point(10, corner);
  leader.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 341).text(1005, text16(hex));
  leader.integer(1070, 41).real(1040, 2.0).text(1002, u"}");
  leader.extendedData(u"VD_ASSOCDESC1").text(1000, u"probe");
  OwnedChain l = leader.build();
  if (host().Header_bin() != vd::kRtNorm || host().Entmake_binW(l.get(), 0) != vd::kRtNorm ||
      host().Flush_bin(1) != vd::kRtNorm)
    return 0;
  vd::ValueNode* leaderNode = lastMade();
  if (!leaderNode || !vd::ChainView(leaderNode).isType(u"LEADER")) return 0;
  uint64_t markNumber = handleNumber(markHandle), leaderNumber = handleNumber(vd::ChainView(leaderNode).handle());
  return host().LeaderAnno(&markNumber, &leaderNumber, 0);
}

// Drag HANDLE: drags an entity of the drawing by its insertion point.
__declspec(dllexport) int Command_Drag(int argc, const char** argv) {
  if (argc < 1 || host().SSGetW(3, nullptr, nullptr, 0) != vd::kRtNorm) return 0;
  const vd::vstring wanted = text16(argv[0]);
  for (vd::ValueNode* n = host().EntnextW(1, 0); n; n = host().EntnextW(0, 0)) {
    const vd::ChainView v(n);
    if (!vd::equalsNoCaseAscii(v.handle(), wanted)) continue;
    const ChainPoint p = v.point(10).value_or(ChainPoint{});
    const double base[3] = {p.x, p.y, 0};
    return dragFrom(base, wanted) ? 1 : 0;
  }
  return 0;
}

}  // extern "C"
