#include "tests/heightdim/mark_drawing.h"

#include <algorithm>
#include <cstdio>

#include "heightdim/bases.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "tests/heightdim/records_test_support.h"

namespace hnotetest {

using namespace vd;

namespace {

HostApi& api() { return *hostApi(); }

// The three groups of a mark, written out code by code.
void addGroups(ChainBuilder& b, const Mark& m) {
  b.extendedData(u"VDHNOTEDATA").integer(1070, m.type);
  if (m.type <= 2) {
    b.real(1040, m.numAlign)
        .integer(1070, m.positivePlus)
        .integer(1070, m.plusMinusZero)
        .integer(1070, m.roundingMark)
        .real(1040, m.rotation);
  }
  b.extendedData(u"VD_ASSOCDESC1").text(1000, m.id);
  if (m.type <= 2) b.extendedData(u"VDHEIGHTDIM").text(1000, m.baseId).integer(1070, m.baseKind);
}

bool defineBlock(const Mark& m) {
  vstring name = u"VD2D_HEIGHTDIM_" + m.id;
  double x = 0, y = 0, z = 0;
  if (api().BlkmakeHead_binW(name.c_str(), 2, &x, &y, &z) != kRtNorm) return false;
  OwnedChain l = ChainBuilder().text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, 0, 2.5).build();
  OwnedChain d = ChainBuilder().text(0, u"ATTDEF").text(8, u"0").point(10, 1, 1).real(40, 2.5).text(1, m.text1)
                     .text(3, u"Výška").text(2, u"VÝŠKA").integer(70, 0).build();
  if (api().BlkmakeEnt_binW(l.get()) != kRtNorm || api().BlkmakeEnt_binW(d.get()) != kRtNorm) return false;
  return api().BlkmakeEnd_binW(name.c_str()) == kRtNorm;
}

bool writeReference(const Mark& m) {
  ChainBuilder ins;
  ins.text(0, u"INSERT").text(8, u"0").integer(66, 1).text(2, u"VD2D_HEIGHTDIM_" + m.id).point(10, m.x, m.y);
  ins.real(41, 1).real(42, 1).real(43, 1).real(50, m.angle);
  addGroups(ins, m);
  OwnedChain reference = ins.build();
  if (api().Entmake_binW(reference.get(), 0) != kRtNorm) return false;
  const vchar* tags[] = {u"VÝŠKA", u"OZNAČENÍ", u"ZAOKROUHLENÍ"};
  const vstring* values[] = {&m.text1, &m.text2, &m.text3};
  for (int i = 0; i < m.attributes && i < 3; ++i) {
    ChainBuilder a;
    a.text(0, u"ATTRIB").text(8, u"0").point(10, m.x + 1, m.y + 1).real(40, 2.5);
    a.text(1, values[i] ? *values[i] : vstring()).text(2, tags[i]).integer(70, i == 0 ? 0 : 8);
    addGroups(a, m);
    OwnedChain attribute = a.build();
    if (api().Entmake_binW(attribute.get(), 0) != kRtNorm) return false;
  }
  OwnedChain seqend = ChainBuilder().text(0, u"SEQEND").text(8, u"0").build();
  return api().Entmake_binW(seqend.get(), 0) == kRtNorm;
}

const hostsim::NamedDictionary* dictionary() {
  return hostsim::Host::instance().drawing().findDictionary(u"TR2D_HEIGHTDIM");
}

}  // namespace

bool writeMarks(const std::vector<Mark>& marks) {
  if (api().Header_bin() != kRtNorm) return false;
  for (const Mark& m : marks) {
    if (!defineBlock(m) || !writeReference(m)) return false;
  }
  return api().Flush_bin(1) == kRtNorm;
}

OwnedChain baseEntry(int type, int baseKind, double x, double y, double angle, double level1, double level2) {
  ChainBuilder b;
  b.text(0, u"XRECORD").text(100, u"AcDbXrecord").integer(280, 1).integer(91, 1);
  b.integer(71, type).integer(71, baseKind).point(10, x, y).real(41, angle).real(41, level1).real(41, level2);
  return b.build();
}

OwnedChain currentEntry(vstring_view id) {
  return ChainBuilder().text(0, u"XRECORD").text(100, u"AcDbXrecord").integer(280, 1).integer(91, 1).text(301, id).build();
}

bool writeBaseAndDependant(int type, double dy, const char16_t* text) {
  const Mark base{.type = type, .id = u"B", .text1 = u"±0.000"};
  const Mark dep{.type = type, .id = u"D", .baseId = u"B", .y = dy, .text1 = text};
  return writeMarks({base, dep}) && writeEntry(u"B", baseEntry(type, 0, 0, 0, 0, 0, 0)) &&
         writeEntry(vd::kHNoteCurrentKey, currentEntry(u"B"));
}

bool writeEntry(vstring_view key, const OwnedChain& chain) {
  intptr_t d = api().DictionaryOpenW(0, u"TR2D_HEIGHTDIM", 1, 0);
  if (!d) return false;
  vstring k(key);
  bool ok = api().DictionaryAddW(d, k.c_str(), chain.get(), 0) != 0;
  api().DictionaryClose(d, 0);
  return ok;
}

std::vector<std::string> entryGroups(vstring_view key) {
  const hostsim::NamedDictionary* d = dictionary();
  if (!d) return {};
  for (const hostsim::DictionaryEntry& e : d->entries) {
    if (e.key == key) return groupsOf(e.chain);
  }
  return {};
}

std::vector<std::string> entryKeys() {
  std::vector<std::string> keys;
  if (const hostsim::NamedDictionary* d = dictionary()) {
    for (const hostsim::DictionaryEntry& e : d->entries) keys.push_back(utf16ToUtf8(e.key));
  }
  return keys;
}

bool fillWithLines(size_t entities) {
  hostsim::Drawing& d = hostsim::Host::instance().drawing();
  d.beginBatch();
  for (size_t i = d.allEntities().size(); i < entities; ++i) {
    const double x = static_cast<double>(i % 1000), y = static_cast<double>(i / 1000);
    OwnedChain line = ChainBuilder().text(0, u"LINE").text(8, u"0").point(10, x, y).point(11, x + 5, y).build();
    if (!d.addEntity(line.get())) return false;
  }
  return d.flush();
}

std::string basesText(const HNoteBases& bases) {
  std::string s = "current " + utf16ToUtf8(bases.currentId()) + "\n";
  char line[400];
  std::vector<const HNoteBase*> sorted;
  for (const HNoteBase& b : bases.list()) sorted.push_back(&b);
  std::sort(sorted.begin(), sorted.end(), [](const HNoteBase* a, const HNoteBase* b) { return a->id < b->id; });
  for (const HNoteBase* p : sorted) {
    const HNoteBase& b = *p;
    std::snprintf(line, sizeof line, "%s type %d kind %d base '%s' levels %.17g %.17g at %.17g,%.17g angle %.17g\n",
                  utf16ToUtf8(b.id).c_str(), b.type, b.baseKind, utf16ToUtf8(b.baseId).c_str(), b.level1, b.level2,
                  b.point.x, b.point.y, b.angle);
    s += line;
  }
  return s;
}

}  // namespace hnotetest
