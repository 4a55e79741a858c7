// The module's commands on drawings and answers nobody wrote down: the input
// chooses a drawing (one of the scenario drawings, or an empty one), the
// user's settings, what is added to the drawing or damaged in it, then a
// sequence of commands, each with the host calls that fail in it; every
// answer a command asks for (points, picks, windows, keywords, reals, Enter,
// Esc, the dialogs) is read from the input as the command asks. The commands
// run in this process, on the headless host, as the native sweep runs them.
//
// After every command the loss rules of the fault sweep must find nothing,
// and (docs/fuzzing.md, "commands"):
// - a height mark that showed what its base gives still shows it, a mark a
//   command places or rebuilds shows it, and after HeightDimUpdate every
//   mark its base reaches shows it;
// - HeightDimUpdate run again changes nothing, nor any record of the bases;
// - every mark keeps its look (step and signs, layers, colours, text style
//   and size, the look it keeps for its rebuilds) unless the command was
//   asked to change it, and a mark HeightDim places (or HeightDimEdit
//   rebuilds with the settings) has the look the user's settings give its
//   type;
// - DimDivide and DimConnect write again every dimension they do not split
//   or join; DimDivide keeps the total length of what it splits, DimConnect
//   makes a dimension that holds each one it took, and of dimensions that
//   follow each other one of their total length;
// - the drawing saved as DXF reads back, no entity lies on a layer without
//   a name, every block a reference or a dimension names exists, every
//   handle it names is held by one of its records (unless it was missing
//   before the commands too), and written again it is the same text (at
//   the end, and after every command of one input in four);
// - the bases HeightDim keeps from one pass to the next are what a fresh
//   read of the drawing gives.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>


#include "commands/commands.h"
#include "dimtools/commands.h"
#include "entity2d/entity_props.h"
#include "heightdim/bases.h"
#include "heightdim/commands.h"
#include "heightdim/edit.h"
#include "heightdim/place.h"
#include "heightdim/records.h"
#include "heightdim/settings.h"
#include "heightdim/value_format.h"
#include "host/services.h"
#include "host/text.h"
#include "hostsim/dimension_graphics.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_schema.h"
#include "hostsim/dxf_writer.h"
#include "hostsim/fault_sweep.h"
#include "hostsim/host.h"
#include "hostsim/script.h"
#include "store/ini_file.h"
#include "tests/fuzz/memory_profile.h"
#include "tests/drawing_picture.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/heightdim/mark_drawing.h"
#include "tests/heightdim/random_style.h"
#include "tools/native_sweep/module_strings.h"
#include "tools/native_sweep/native_sweep.h"

namespace {

using hostsim::Answer;
using hostsim::Host;
using vd::ChainPoint;
using vd::ChainView;
using vd::vstring;

// The input, read from the front; an input used up reads as zeros, and a
// command whose answers have run out is answered with Esc.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  int byte() { return empty() ? 0 : data_[at_++]; }
  // 0 .. n-1.
  int pick(int n) { return n <= 1 ? 0 : (n <= 256 ? byte() % n : (byte() << 8 | byte()) % n); }
  bool coin() { return pick(2) == 1; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};
Input* g_in = nullptr;
int pick(int n) { return g_in->pick(n); }

// --- What the process keeps between inputs -----------------------------------


// The drawings an input starts from: the scenario drawings, as text.
std::vector<std::string> g_drawings;

// FUZZ_COMMANDS_TRACE: what an input decodes to, on stderr, for replaying a finding.
bool g_trace = false;

void trace(const std::string& what) {
  if (g_trace) std::fprintf(stderr, "trace: %s\n", what.c_str());
}
const char* const kDrawingFiles[] = {
    "tests/scenarios/heightdim/set_base.dxf",   "tests/scenarios/heightdim/copied_base.dxf",
    "tests/scenarios/heightdim/kacenad2.dxf",   "tests/scenarios/dimjoin/connect.dxf",
    "tests/scenarios/dimjoin/divide.dxf",       "tests/scenarios/dimalign/row.dxf",
    "tests/scenarios/dimalign/ucs.dxf",         "tests/scenarios/dimarc/arcs.dxf",
    "tests/scenarios/dimensions/dimensions.dxf", "tests/scenarios/sweep/two_lines.dxf",
    // Marks as older programs and other drawings leave them.
    "tests/scenarios/heightdim/older_blocks.dxf", "tests/scenarios/heightdim/unlisted_base.dxf",
    "tests/scenarios/heightdim/late_base.dxf",  "tests/scenarios/heightdim/pasted_mark.dxf",
};

// The user's data folder, made at start-up and emptied for every input.
std::unique_ptr<nsweep::ScratchUserData> g_userData;

// The profile files of an execution, in memory. The commands read their
// settings a key at a time, and the file backend opens, reads and closes the
// whole file for every key: a quarter of an execution went to the file system.
// This target defines the platform's backend itself (below), so the static
// settings library's own definition is not linked in, and every profile read
// and write of the module lands here.
fuzztest::MemoryFiles g_profiles;

// --- The user's answers --------------------------------------------------------

constexpr int kAnswersBeforeEsc = 40;     // then every request is answered with Esc
constexpr int kRequestsAfterEsc = 400;    // a command still asking then never ends

int g_requests = 0;

double coordinate() {
  static const double kSteps[] = {0, 50, 125, 250, 500, 1000, 1500, 2500, 4000, 0.5};
  const double v = kSteps[pick(10)] * (pick(2) ? -1 : 1);
  return v + (pick(8) == 0 ? pick(100) * 0.01 : 0);
}

// A point of a live entity (its first point group), or none in an empty drawing.
std::optional<ChainPoint> entityPoint() {
  std::vector<const hostsim::Entity*> all = Host::instance().drawing().entities();
  if (all.empty()) return std::nullopt;
  ChainView v = all[static_cast<size_t>(pick(static_cast<int>(all.size())))]->view();
  static const int kCodes[] = {10, 11, 13, 14};
  return v.point(kCodes[pick(4)]).value_or(v.point(10).value_or(ChainPoint{0, 0, 0}));
}

ChainPoint somePoint() {
  if (pick(3) != 0) {
    if (std::optional<ChainPoint> p = entityPoint()) {
      if (pick(3) == 0) {
        p->x += coordinate() / 100;
        p->y += coordinate() / 100;
      }
      return *p;
    }
  }
  return ChainPoint{coordinate(), coordinate(), 0};
}

void setPoint(double (&out)[3], ChainPoint p) {
  out[0] = p.x;
  out[1] = p.y;
  out[2] = 0;
}

std::optional<Answer> answerRequest(const char*, const vstring&, const std::vector<Answer::Kind>& allowed) {
  Host& host = Host::instance();
  Answer a;
  a.kind = Answer::Kind::Cancel;
  ++g_requests;
  FUZZ_CHECK(g_requests < kAnswersBeforeEsc + kRequestsAfterEsc);
  if (g_requests > kAnswersBeforeEsc || g_in->empty()) return a;
  // Esc now and then; else one of the kinds asked for.
  if (pick(16) == 0 || allowed.empty()) return a;
  a.kind = allowed[static_cast<size_t>(pick(static_cast<int>(allowed.size())))];
  switch (a.kind) {
    case Answer::Kind::Point:
      setPoint(a.point, somePoint());
      break;
    case Answer::Kind::Keyword:
      if (host.offeredKeywords.empty()) {
        a.kind = Answer::Kind::Cancel;
      } else {
        a.text = host.offeredKeywords[static_cast<size_t>(pick(static_cast<int>(host.offeredKeywords.size())))];
      }
      break;
    case Answer::Kind::Real: {
      static const double kReals[] = {0, 500, 1000, -250, 2500, 1e-7, -1e9, 3.14159, 1e12, 0.125};
      a.real = kReals[pick(10)];
      break;
    }
    case Answer::Kind::Pick: {
      std::vector<const hostsim::Entity*> all = host.drawing().entities();
      for (int i = 0, n = 1 + pick(3); i < n && !all.empty(); ++i)
        a.handles.push_back(all[static_cast<size_t>(pick(static_cast<int>(all.size())))]->handle);
      if (a.handles.empty()) a.kind = Answer::Kind::Cancel;
      break;
    }
    case Answer::Kind::PickAt:
      setPoint(a.point, somePoint());
      break;
    case Answer::Kind::Window:
      if (pick(2) == 0) {
        setPoint(a.point, ChainPoint{-1e6, -1e6, 0});
        setPoint(a.corner, ChainPoint{1e6, 1e6, 0});
      } else {
        setPoint(a.point, somePoint());
        setPoint(a.corner, somePoint());
      }
      break;
    case Answer::Kind::TrueColour:
      a.colour = 0x01000000u | static_cast<uint32_t>(pick(256) << 16 | pick(256) << 8 | pick(256));
      break;
    default:
      break;
  }
  return a;
}

// --- The dialogs, answered from the input -------------------------------------

vdtest::StyleDice g_dice{[](int n) { return pick(n); }};
bool g_lookAsked = false;       // the command was asked to take the current settings
bool g_underlineAsked = false;  // ... or to draw new underlines along a leader line
bool g_lookTaken = false;       // the edit dialog's last answer took the current settings

std::optional<vd::PlanViewChoice> planViewDialog(const vstring&, int32_t insertPoint) {
  if (pick(6) == 0) return std::nullopt;
  static const char16_t* const kTexts[] = {u"±0.000", u"+1,250", u"-0.5", u"abc", u"", u"+12345678901234567890"};
  return vd::PlanViewChoice{kTexts[pick(6)], insertPoint == -1 ? -1 : pick(8) - 1, pick(4) == 0};
}

int editDialog(const vstring&, vd::HNoteEditChoice& choice) {
  // As the dialog: after a Cancel the command gets the boxes as they opened.
  const vd::HNoteEditChoice opened = choice;
  choice.drawLeader = g_dice.coin();
  choice.moveToLeader = g_dice.coin();
  choice.mirrorMarks = g_dice.coin();
  choice.applySettings = g_dice.coin();
  const int button = pick(5);
  Host::instance().log("edit dialog: leader " + std::to_string(choice.drawLeader) + ", move " +
                       std::to_string(choice.moveToLeader) + ", mirror " + std::to_string(choice.mirrorMarks) +
                       ", settings " + std::to_string(choice.applySettings) + ", button " + std::to_string(button));
  switch (button) {
    case 0:
      // The command goes on with the choice last saved ("Nastavení..." saves it too).
      choice = opened;
      g_lookAsked = g_lookAsked || choice.applySettings;
      g_underlineAsked = g_underlineAsked || choice.drawLeader;
      g_lookTaken = choice.applySettings;
      return vd::kEditDialogCancel;
    case 1: return vd::kEditDialogSettings;
    default:
      g_lookAsked = g_lookAsked || choice.applySettings;
      g_underlineAsked = g_underlineAsked || choice.drawLeader;
      g_lookTaken = choice.applySettings;
      return vd::kEditDialogOk;
  }
}

bool settingsDialog(vd::HNoteDataSet& set) {
  if (pick(3) == 0) return false;
  const int type = pick(vd::kHNoteTypeCount);
  g_dice.fill(set.records[static_cast<size_t>(type)]);
  return true;
}

void arcLengthDialog(const vstring&) {}
void errorBox(const vstring& text) { Host::instance().log("message box: " + vd::utf16ToUtf8(text)); }

// --- What the invariants read -------------------------------------------------

double g_units = 1000;
double g_ucsRotation = 0;
vstring g_settingsPath;  // the user's hnoteData.ini

struct Mark {
  vstring handle, id, baseId;
  bool right = false;       // shows what its base gives
  bool reached = false;     // its base has an entry
  std::string look;         // what the user sees of it but its place, value and side
  std::string kept;         // the look it keeps for its rebuilds; empty: none (a mark of an older build)
  std::string keptButUnderline;  // ... but whether it draws an underline
  bool current = false;     // placed in the UCS now current: only such a mark counts as up to date
  bool beyondRange = false; // its base gives a value no mark shows (beyond ±kHNoteMaxValue m)
  std::string underline;    // the direction of a LINE tagged with its identifier through its point; empty: none
  std::string shown;        // its value text, what its base gives it and its rotation, for a report
  bool element = false;     // tagged as another program's element: rebuilt without new values
};

// A value text as a number, and how many decimals it shows; none when it is no number.
std::optional<std::pair<double, int>> shownNumber(const vstring& text) {
  size_t i = 0;
  double sign = 1;
  while (i < text.size() && text[i] == u' ') ++i;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'\u00B1')) {
    ++i;
  } else if (i < text.size() && text[i] == u'-') {
    sign = -1;
    ++i;
  }
  double value = 0, scale = 0;
  int decimals = 0, digits = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= u'0' && c <= u'9') {
      ++digits;
      if (scale == 0) {
        value = value * 10 + (c - u'0');
      } else {
        value += (c - u'0') * scale;
        scale /= 10;
        ++decimals;
      }
    } else if ((c == u'.' || c == u',') && scale == 0) {
      scale = 0.1;
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  return std::make_pair(sign * value, decimals);
}

// A mark's value text (its first ATTRIB) and how it is written: the text
// style, the height on paper (over the reference's scale: a mark rebuilt at
// another drawing scale keeps its size on paper) and the width factor, with
// the defaults an absent group stands for.
struct ValueTextLook {
  ChainView text;
  std::string style;
  double height = 0;
  double width = 1;
};
std::optional<ValueTextLook> valueTextLook(const hostsim::Drawing& d, const hostsim::Entity& e) {
  for (const hostsim::Entity* f : d.followersOf(e)) {
    const ChainView v = f->view();
    if (!v.isType(u"ATTRIB")) continue;
    return ValueTextLook{v, vd::utf16ToUtf8(v.text(7).value_or(u"STANDARD")),
                         v.real(40).value_or(0) / std::abs(e.view().real(41).value_or(1)), v.real(41).value_or(1)};
  }
  return std::nullopt;
}

// The look a mark keeps for its rebuilds (its "VDHNOTESTYLE" group) as
// text, but for its side, which a mirror changes: the sign of the
// horizontal length (the third field) and the flipped flag (the last);
// without `underline`, also but for whether it draws an underline (the
// ninth), which a new leader line turns on.
std::string keptLookOf(ChainView v, bool underline = true) {
  std::string out;
  int index = -1;  // the group's name, its format, then the fields
  for (vd::ChainItem item : v.extendedData(vd::kAppHNoteStyle)) {
    if (item.code() == 1001 && index >= 0) break;
    ++index;
    if (index == 0 || index == 1 + vd::kHNoteStyleFields || (index == 10 && !underline)) continue;
    out += " " + std::to_string(item.code()) + "=";
    if (auto t = item.text()) out += vd::utf16ToUtf8(*t);
    else if (auto r = item.real()) out += vdtest::pictureNumber(index == 4 ? std::fabs(*r) : *r);
    else if (auto i = item.integer()) out += std::to_string(*i);
  }
  return out;
}

// What the user sees of a mark but its place, value and side: how its
// values are written (step, signs), the reference's and the value text's
// layer and colour, and the text's look.
std::string lookOf(const hostsim::Drawing& d, const hostsim::Entity& e, const vd::HNoteRef& ref) {
  std::string out;
  if (ref.type < 3)
    out += "step " + vdtest::pictureNumber(ref.numAlign) + " plus " + std::to_string(ref.positivePlus) + " ±0 " +
           std::to_string(ref.plusMinusZero) + "; ";
  auto add = [&](ChainView v) {
    out += "layer " + vd::utf16ToUtf8(v.text(8).value_or(u"0"));
    out += " colour " + std::to_string(v.integer(62).value_or(256));
    if (auto rgb = v.integer(420)) out += " rgb " + std::to_string(*rgb);
    out += "; ";
  };
  add(e.view());
  if (const std::optional<ValueTextLook> t = valueTextLook(d, e)) {
    add(t->text);
    out += "style " + t->style;
    out += " height " + vdtest::pictureNumber(std::round(t->height * 1e6) / 1e6);
    out += " width " + vdtest::pictureNumber(std::abs(t->width));
  }
  return out;
}

// The LINEs tagged with a mark's identifier (its underlines), by identifier.
using Underlines = std::map<vstring, std::vector<std::pair<ChainPoint, ChainPoint>>>;
Underlines underlinesOf(const hostsim::Drawing& d) {
  Underlines out;
  for (const hostsim::Entity* e : d.entities()) {
    const ChainView v = e->view();
    if (!v.isType(u"LINE")) continue;
    const ChainView tag = v.extendedData(u"VD_ASSOCDESC1");
    const std::optional<ChainPoint> a = v.point(10), b = v.point(11);
    if (tag && a && b) out[vstring(tag.text(1000).value_or(u""))].emplace_back(*a, *b);
  }
  return out;
}

// The direction (degrees, 0 to 180) of the first of `lines` that lies on a
// line through `p`; empty when none does. An underline runs through its
// mark's point; a copy of the mark elsewhere has one of its own.
std::string underlineThrough(const std::vector<std::pair<ChainPoint, ChainPoint>>& lines, ChainPoint p) {
  for (const auto& [a, b] : lines) {
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    if (!(length > 0)) continue;
    const double off = std::fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
    if (off > 1e-6 * std::max({1.0, std::fabs(p.x), std::fabs(p.y), length})) continue;
    double degrees = std::round(std::atan2(dy, dx) * 180 / M_PI * 1e4) / 1e4;
    degrees = std::fmod(degrees + 360, 180);
    return "along " + vdtest::pictureNumber(degrees == 180 ? 0 : degrees);
  }
  return "";
}

// One text of each of an identifier's marks, sorted; without `empty`,
// those of the marks where it is empty left out.
template <class Field>
std::vector<std::string> sortedOf(const std::vector<Mark>& marks, Field field, bool empty) {
  std::vector<std::string> out;
  for (const Mark& m : marks)
    if (std::string text = field(m); empty || !text.empty()) out.push_back(std::move(text));
  std::sort(out.begin(), out.end());
  return out;
}

// A height mark's descriptor. A section-view mark (types 0 to 2) has a
// base; a plan-view mark (type 3) has none and is found only by a probe.
bool markRef(const hostsim::Entity& e, vd::HNoteRef& ref) {
  const ChainView v = e.view();
  if (!v.isType(u"INSERT")) return false;
  if (vd::readHNoteRef(v, &ref, false)) return ref.type >= 0 && ref.type < 3;
  return vd::readHNoteRef(v, &ref, true) && ref.type == 3;
}

// The marks of the drawing by identifier (a plan-view mark's look and
// underline are checked, no value): several for a base
// copied with its identifier.
using Marks = std::map<vstring, std::vector<Mark>>;
Marks marksOf(const hostsim::Drawing& d) {
  const Underlines underlines = underlinesOf(d);
  std::map<vstring, vd::HNoteBase> bases;
  if (const hostsim::NamedDictionary* dict = d.findDictionary(vd::kHNoteDictionary)) {
    for (const hostsim::DictionaryEntry& entry : dict->entries)
      if (std::optional<vd::HNoteBase> b = vd::readHNoteBaseEntry(entry.chain.view(), entry.key)) bases[entry.key] = *b;
  }
  Marks out;
  for (const hostsim::Entity* e : d.entities()) {
    vd::HNoteRef ref;
    if (!markRef(*e, ref) || ref.id.empty()) continue;
    Mark m{e->handle, ref.id, ref.baseId, false, false, lookOf(d, *e, ref), keptLookOf(e->view()),
           keptLookOf(e->view(), false)};
    m.element = static_cast<bool>(e->view().extendedData(vd::kAppElement));
    auto base = ref.type < 3 ? bases.find(vd::hnoteBaseIdOf(ref)) : bases.end();
    m.reached = base != bases.end();
    std::vector<vstring> shown;  // the value texts: a base of two levels gives two
    for (const hostsim::Entity* f : d.followersOf(*e))
      if (f->view().isType(u"ATTRIB") && shown.size() < 2) shown.emplace_back(f->view().text(1).value_or(u""));
    if (m.reached) {
      const ChainPoint at = e->view().point(10).value_or(ChainPoint{0, 0, 0});
      const bool twoLevels = (base->second.baseKind & 1) != 0;
      m.right = true;
      for (size_t i = 0; i < (twoLevels ? 2u : 1u); ++i) {
        const double level = i == 0 ? base->second.level1 : base->second.level2;
        const double expected = vd::hnoteMarkValue(level, base->second.point, {at.x, at.y}, ref.type,
                                                   e->view().real(50).value_or(0), ref.rotation, g_units);
        m.beyondRange = m.beyondRange || !(std::fabs(expected) <= vd::kHNoteMaxValue);
        const vstring text = i < shown.size() ? shown[i] : vstring();
        const std::optional<std::pair<double, int>> number = shownNumber(text);
        bool right = false;
        if (number) {
          const double tolerance =
              std::max(ref.numAlign / 2, 0.5 * std::pow(10.0, -number->second)) * (1 + 1e-9) + 1e-9;
          // In the mark's own rotation: a rebuild keeps the UCS the mark was placed in.
          // A value that rounds to 0.001 or less either way shows as zero.
          right = std::fabs(number->first - expected) <= tolerance ||
                  (number->first == 0 && std::fabs(expected) <= vd::kHNoteZeroLimit + tolerance);
        }
        m.right = m.right && right;
        m.shown += std::string(i ? "; " : "") + "\"" + vd::utf16ToUtf8(text) + "\" where its base gives " +
                   vdtest::pictureNumber(expected);
      }
      m.shown += ", rotation " + vdtest::pictureNumber(ref.rotation) + " in a UCS of " + vdtest::pictureNumber(g_ucsRotation);
    }
    m.current = std::fabs(ref.rotation - g_ucsRotation) <= 1e-9;
    if (auto lines = underlines.find(ref.id); lines != underlines.end())
      m.underline = underlineThrough(lines->second, e->view().point(10).value_or(ChainPoint{0, 0, 0}));
    out[ref.id].push_back(m);
  }
  return out;
}

// A linear dimension: its extension-line origins and the direction it
// measures in, along its rotation (rotated) or between its points (aligned);
// none for other kinds.
struct Span {
  ChainPoint a, b;
  double angle;
  bool aligned;     // measures from a to b (else along `angle`, a rotated dimension)
  ChainPoint line;  // a point of its dimension line (group 10)
  // Its two ends on an axis in the direction `axis`, the lower first. Spans
  // compared for meeting end to end are put on one axis: an aligned
  // dimension measured from right to left would on its own axis lie
  // mirrored against a rotated one at 0 over the same segment.
  std::pair<double, double> on(double axis) const {
    const double c = std::cos(axis), s = std::sin(axis);
    return std::minmax(a.x * c + a.y * s, b.x * c + b.y * s);
  }
  double length() const {
    const auto [from, to] = on(angle);
    return to - from;
  }
  // Where its dimension line lies across the direction `axis`.
  double across(double axis) const { return line.y * std::cos(axis) - line.x * std::sin(axis); }
};
std::optional<Span> linearSpan(ChainView v) {
  if (!v.isType(u"DIMENSION")) return std::nullopt;
  const int kind = static_cast<int>(v.integer(70).value_or(0)) & 7;
  const std::optional<ChainPoint> a = v.point(13), b = v.point(14);
  if (!a || !b || kind > 1) return std::nullopt;
  return Span{*a, *b, kind == 0 ? v.real(50).value_or(0) : std::atan2(b->y - a->y, b->x - a->x), kind == 1,
              v.point(10).value_or(*b)};
}

// A dimension as text, without its block (a dimension written again gets a
// block of a new name).
std::string dimensionPicture(ChainView v) {
  std::string out = vdtest::chainPicture(v);
  if (const size_t at = out.find(" 2="); at != std::string::npos) out.erase(at, out.find(' ', at + 1) - at);
  return out;
}

bool commandIs(const std::string& line, const char* name) {
  return line == name || line.rfind(std::string(name) + " ", 0) == 0;
}

// The saved drawing is checked at the end of every input, and after each
// command of one input in four (those whose length is a multiple of four,
// which takes no byte from the input): a save after every command would
// cost some three quarters more time an execution, and what a command
// breaks in the file a later one rarely mends.
bool g_saveAfterEachCommand = false;
void savedDrawingReadsBack();

class Checker : public hostsim::RunObserver {
 public:
  explicit Checker(Host& host) : host_(host), judge_(host) {}

  void commandStarting(const std::string& command, int line) override {
    judge_.commandStarting(command, line);
    command_ = command;
    g_requests = 0;
    g_lookAsked = false;
    g_underlineAsked = false;
    g_lookTaken = false;
    callsAt_ = host_.calls.log().size();
    journalAt_ = host_.drawing().journal().size();
    transcriptAt_ = host_.transcript().size();
    before_ = marksOf(host_.drawing());
  }

  void commandEnded() override {
    judge_.commandEnded();
    if (!judge_.losses().empty()) printCommandTranscript();
    for (const hostsim::CommandLoss& loss : judge_.losses())
      std::fprintf(stderr, "loss in %s: %s: %s\n", loss.command.c_str(), loss.loss.rule.c_str(), loss.loss.detail.c_str());
    FUZZ_CHECK(judge_.losses().empty());
    if (g_saveAfterEachCommand) savedDrawingReadsBack();
    bool faulted = false;
    for (size_t i = callsAt_; i < host_.calls.log().size(); ++i) faulted = faulted || host_.calls.log()[i].injected;
    lastFaulted_ = faulted;
    if (faulted) return;
    const hostsim::Drawing& d = host_.drawing();
    const Marks after = marksOf(d);
    bool update = commandIs(command_, "HeightDimUpdate");
    // A mark whose base gives a value beyond the range refuses the whole
    // rebuild with a message: then nothing may have changed.
    bool refused = false;
    for (const auto& [id, marks] : after)
      for (const Mark& m : marks) refused = refused || (m.reached && m.beyondRange);
    if (update && refused) {
      if (d.journal().size() != journalAt_) fail("HeightDimUpdate met a value beyond the range and still changed the drawing");
      update = false;
    }
    // The marks this command erased (and rebuilt, or not): only those may
    // take the settings' look when it was asked for. Every mark a command
    // places or rebuilds takes its values from its base.
    const std::set<vstring> erased = journalHandles(hostsim::JournalEntry::Kind::EntityErased),
                            added = journalHandles(hostsim::JournalEntry::Kind::EntityAdded);
    const bool setBase = commandIs(command_, "HeightDimSetBase");
    for (const auto& [id, marks] : after) {
      for (const Mark& m : marks) {
        if (update && m.reached && !m.right)
          fail("HeightDimUpdate left the mark " + vd::utf16ToUtf8(m.handle) + " stale: " + m.shown);
        if (!refused && added.count(m.handle) && m.reached && !m.right && !m.element)
          fail(command_ + " made the mark " + vd::utf16ToUtf8(m.handle) + " with a value its base does not give: " +
               m.shown);
      }
      auto was = before_.find(id);
      if (was == before_.end()) continue;
      // The marks of an identifier that were right stay right; a mark placed
      // in another UCS is not up to date, and HeightDimSetBase leaves it.
      size_t mayBeWrong = 0;
      bool rebuilt = false;
      for (const Mark& m : was->second) {
        mayBeWrong += !(m.right && (m.current || !setBase));
        rebuilt = rebuilt || erased.count(m.handle);
      }
      std::vector<const Mark*> wrong;
      for (const Mark& m : marks)
        if (m.reached && !m.right) wrong.push_back(&m);
      if (wrong.size() > mayBeWrong)
        fail("the mark " + vd::utf16ToUtf8(wrong.front()->handle) + " showed its base's value and no longer does: " +
             wrong.front()->shown);
      // Each keeps its look: the looks of the identifier's marks, as many as before.
      const auto look = [](const Mark& m) { return m.look; };
      const std::vector<std::string> looksBefore = sortedOf(was->second, look, true),
                                     looksAfter = sortedOf(marks, look, true);
      if (!(g_lookAsked && rebuilt) && looksBefore.size() == looksAfter.size() && looksBefore != looksAfter)
        fail("a mark " + vd::utf16ToUtf8(id) + " changed its look:\n  was " + looksBefore.front() + "\n  now " +
             looksAfter.front());
      // The look a mark keeps for its rebuilds stays; a mark of an older
      // build, which has none, takes one up when rebuilt.
      const auto kept = [](const Mark& m) { return g_underlineAsked ? m.keptButUnderline : m.kept; };
      const std::vector<std::string> keptBefore = sortedOf(was->second, kept, false),
                                     keptAfter = sortedOf(marks, kept, true);
      if (!(g_lookAsked && rebuilt) && was->second.size() == marks.size() &&
          !std::includes(keptAfter.begin(), keptAfter.end(), keptBefore.begin(), keptBefore.end())) {
        std::string why = "a mark " + vd::utf16ToUtf8(id) + " lost the look it keeps for its rebuilds:";
        for (const std::string& k : keptBefore) why += "\n  was" + k;
        for (const std::string& k : keptAfter) why += "\n  now" + k;
        fail(why);
      }
      // No command takes a mark's underline away or turns it, but for a new
      // leader line (the edit dialog's "Kreslit vynášecí čáru"), which
      // replaces it, by nothing where it stands square to the UCS X axis. A
      // mark may take up an underline that names it from elsewhere.
      const auto underline = [](const Mark& m) { return m.underline; };
      const std::vector<std::string> underlinesBefore = sortedOf(was->second, underline, false),
                                     underlinesAfter = sortedOf(marks, underline, false);
      if (was->second.size() == marks.size() && !g_underlineAsked &&
          !std::includes(underlinesAfter.begin(), underlinesAfter.end(), underlinesBefore.begin(), underlinesBefore.end()))
        fail("a mark " + vd::utf16ToUtf8(id) + (underlinesAfter.size() < underlinesBefore.size() ? " lost" : " turned") +
             " its underline");
    }
    if (commandIs(command_, "DimDivide") || commandIs(command_, "DimConnect")) lengthsKept();
    if (commandIs(command_, "HeightDim") || (commandIs(command_, "HeightDimEdit") && g_lookTaken))
      marksMadeTakeTheSettings();
  }

  bool lastFaulted() const { return lastFaulted_; }

 private:
  // What the command did, as a transcript shows it, for the one who replays the finding.
  void printCommandTranscript() const {
    for (size_t i = transcriptAt_; i < host_.transcript().size(); ++i)
      std::fprintf(stderr, "| %s\n", host_.transcript()[i].c_str());
  }

  // The entities this command added, or erased.
  std::set<vstring> journalHandles(hostsim::JournalEntry::Kind kind) const {
    std::set<vstring> out;
    const std::vector<hostsim::JournalEntry>& journal = host_.drawing().journal();
    for (size_t i = journalAt_; i < journal.size(); ++i)
      if (journal[i].kind == kind) out.insert(journal[i].handle);
    return out;
  }

  [[noreturn]] void fail(const std::string& why) {
    printCommandTranscript();
    // The marks before and after, by identifier.
    auto list = [](const char* when, const Marks& marks) {
      for (const auto& [id, all] : marks)
        for (const Mark& m : all)
          std::fprintf(stderr, "%s: %s %s base %s: %s\n  %s%s\n", when, vd::utf16ToUtf8(m.handle).c_str(),
                       vd::utf16ToUtf8(id).c_str(), vd::utf16ToUtf8(m.baseId).c_str(), m.shown.c_str(),
                       m.look.c_str(), m.underline.empty() ? "" : (", underline " + m.underline).c_str());
    };
    list("before", before_);
    list("after", marksOf(host_.drawing()));
    std::fprintf(stderr, "after %s: %s\n", command_.c_str(), why.c_str());
    FUZZ_CHECK(false);
    __builtin_trap();
  }

  // A mark HeightDim places, or HeightDimEdit rebuilds with the current
  // settings, looks as the settings of its type say: the colour of the
  // reference (its own for "DleBlok", 0) and of the texts (by block for
  // "DleBlok"), their layers where not "*" (the current layer), the texts'
  // style, height on paper and width factor. A mark of another program's
  // element (extended data "VD_LT_ELEM6") keeps its own look.
  void marksMadeTakeTheSettings() {
    vd::HNoteDataSet settings;
    FUZZ_CHECK(settings.load(g_settingsPath, g_profiles));
    const hostsim::Drawing& d = host_.drawing();
    const std::set<vstring> made = journalHandles(hostsim::JournalEntry::Kind::EntityAdded);
    for (const hostsim::Entity* e : d.entities()) {
      vd::HNoteRef ref;
      if (!made.count(e->handle) || !markRef(*e, ref) || e->view().extendedData(vd::kAppElement)) continue;
      const vd::HNoteData& r = settings.records[static_cast<size_t>(ref.type)];
      std::string why;
      auto differs = [&why](const std::string& what, const std::string& is, const std::string& want) {
        if (is != want) why += "; " + what + " " + is + ", wanted " + want;
      };
      if (ref.type < 3) {
        const vd::HNoteRef want = vd::hnoteRefOf(r);
        differs("step", vdtest::pictureNumber(ref.numAlign), vdtest::pictureNumber(want.numAlign));
        differs("plus sign", std::to_string(ref.positivePlus), std::to_string(want.positivePlus));
        differs("± at zero", std::to_string(ref.plusMinusZero), std::to_string(want.plusMinusZero));
      }
      auto layerOf = [](const vd::EntityProps& p) { return vd::utf16ToUtf8(p.layer ? p.layer : u""); };
      // As an entity holds the colour: true-colour black has no group 420
      // (a true colour of 0 is not written) and is index 7.
      auto held = [](int32_t colour) {
        vd::EntityProps p;
        p.setColourValue(static_cast<uint32_t>(colour));
        return std::to_string(p.colourValue());
      };
      vd::EntityProps graphics;
      graphics.parse(e->view());
      differs("colour", std::to_string(graphics.colourValue()), held(r.colorDim != 0 ? r.colorDim : 256));
      if (r.layer != u"*") differs("layer", layerOf(graphics), vd::utf16ToUtf8(r.layer));
      const std::optional<ValueTextLook> text = valueTextLook(d, *e);
      if (!text) {
        why += "; no value text";
      } else {
        vd::EntityProps texts;
        texts.parse(text->text);
        differs("text colour", std::to_string(texts.colourValue()), held(r.colorText));
        if (r.layerText != u"*") differs("text layer", layerOf(texts), vd::utf16ToUtf8(r.layerText));
        differs("text style", text->style, vd::utf16ToUtf8(r.textStyle));
        auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)); };
        if (!near(text->height, r.textHeight))
          differs("text height", vdtest::pictureNumber(text->height), vdtest::pictureNumber(r.textHeight));
        if (!near(text->width, r.textWidth))
          differs("width factor", vdtest::pictureNumber(text->width), vdtest::pictureNumber(r.textWidth));
      }
      if (!why.empty())
        fail(command_ + " made the mark " + vd::utf16ToUtf8(e->handle) + " of type " + std::to_string(ref.type) +
             " without the look its settings give" + why);
    }
  }

  // The dimensions the command erased and those it added, compared. Both
  // commands erase every dimension selected and write again those they do
  // not join or split: such a pair, the same but for its handle and block,
  // cancels. What is left are linear dimensions only, DimDivide keeps their
  // total length, and each dimension DimConnect took lies inside one it made.
  void lengthsKept() {
    const hostsim::Drawing& d = host_.drawing();
    std::map<vstring, const hostsim::Entity*> byHandle;
    for (const auto& e : d.allEntities()) byHandle[e->handle] = e.get();
    std::multimap<std::string, const hostsim::Entity*> erased, added;
    for (size_t i = journalAt_; i < d.journal().size(); ++i) {
      const hostsim::JournalEntry& j = d.journal()[i];
      if (j.name != u"DIMENSION") continue;
      auto e = byHandle.find(j.handle);
      if (e == byHandle.end()) continue;
      const std::string seen = dimensionPicture(e->second->view());
      if (j.kind == hostsim::JournalEntry::Kind::EntityErased) erased.emplace(seen, e->second);
      if (j.kind == hostsim::JournalEntry::Kind::EntityAdded && !e->second->erased) added.emplace(seen, e->second);
    }
    for (auto a = added.begin(); a != added.end();) {
      auto e = erased.find(a->first);
      if (e == erased.end()) {
        ++a;
        continue;
      }
      erased.erase(e);
      a = added.erase(a);
    }
    auto spans = [this](const std::multimap<std::string, const hostsim::Entity*>& dims, const char* what) {
      std::vector<Span> out;
      for (const auto& [seen, e] : dims) {
        if (g_trace) std::fprintf(stderr, "trace: %s%s\n", what, seen.c_str());
        std::optional<Span> s = linearSpan(e->view());
        if (!s)
          fail(command_ + " did not write again as it was a dimension it cannot " +
               (commandIs(command_, "DimDivide") ? "split" : "join") + " (" + what + "):" + seen);
        out.push_back(*s);
      }
      return out;
    };
    const std::vector<Span> gone = spans(erased, "erased"), made = spans(added, "added");
    if (gone.empty() && made.empty()) return;
    double before = 0, after = 0;
    for (const Span& s : gone) before += s.length();
    for (const Span& s : made) after += s.length();
    const double tolerance = 1e-6 * std::max(1.0, before);
    if (commandIs(command_, "DimDivide")) {
      if (std::fabs(before - after) > tolerance)
        fail("DimDivide made " + vdtest::pictureNumber(after) + " of " + vdtest::pictureNumber(before));
      return;
    }
    // DimConnect: each dimension it took lies inside one it made on its
    // dimension line (a join is of dimensions whose lines meet end to end).
    // The joined dimension is of its base's kind: a rotated one keeps the
    // row's direction, but an aligned base in a row whose outer points do
    // not lie on one line square to the extension lines measures the
    // slanted distance between them, as it must: then the points of each
    // dimension it took lie between its own, along it. Nor does a dimension of no
    // length, or one that overlaps another it took on its line: the join of
    // two over one segment ends where both ends meet (it measures 0), and
    // one of no length joins at either end.
    const auto sameDirection = [](double a, double b) { return std::fabs(std::remainder(a - b, M_PI)) <= 1e-9; };
    for (const Span& s : gone) {
      const auto [from, to] = s.on(s.angle);
      const double line = s.across(s.angle);
      const auto onItsLine = [&](const Span& o) {
        return sameDirection(o.angle, s.angle) &&
               std::fabs(o.across(s.angle) - line) <= 1e-6 * std::max(1.0, std::fabs(line));
      };
      bool inside = to - from <= tolerance;
      for (const Span& other : gone) {
        if (&other == &s || !onItsLine(other)) continue;
        const auto [oFrom, oTo] = other.on(s.angle);
        inside = inside || std::min(to, oTo) - std::max(from, oFrom) > tolerance;
      }
      for (const Span& m : made) {
        if (!sameDirection(m.angle, s.angle)) {
          if (!m.aligned) continue;
          const auto [sFrom, sTo] = s.on(m.angle);
          const auto [mFrom, mTo] = m.on(m.angle);
          inside = inside || (sFrom >= mFrom - tolerance && sTo <= mTo + tolerance);
          continue;
        }
        if (!onItsLine(m)) continue;
        const auto [mFrom, mTo] = m.on(s.angle);
        inside = inside || (from >= mFrom - tolerance && to <= mTo + tolerance);
      }
      if (!inside)
        fail("DimConnect took a dimension from " + vdtest::pictureNumber(from) + " to " + vdtest::pictureNumber(to) +
             " and made none that holds it");
    }
    // Dimensions in one direction that follow each other give one of their total length.
    if (made.size() != 1 || gone.empty()) return;
    if (made[0].aligned && !sameDirection(made[0].angle, gone[0].angle)) return;
    std::vector<std::pair<double, double>> row;
    for (const Span& s : gone) {
      if (!sameDirection(s.angle, gone[0].angle)) return;
      row.push_back(s.on(gone[0].angle));
    }
    std::sort(row.begin(), row.end());
    for (size_t i = 1; i < row.size(); ++i)
      if (std::fabs(row[i].first - row[i - 1].second) > tolerance) return;
    if (std::fabs(before - after) > tolerance)
      fail("DimConnect made " + vdtest::pictureNumber(after) + " of dimensions " + vdtest::pictureNumber(before) + " long");
  }

  Host& host_;
  hostsim::LossJudge judge_;
  std::string command_;
  size_t callsAt_ = 0, journalAt_ = 0, transcriptAt_ = 0;
  Marks before_;
  bool lastFaulted_ = false;
};

// --- The bases kept between passes ---------------------------------------------

// Not while a host call is planned to fail: the fresh read would count
// among the calls and could take the fault itself.
void checkKeptBases(const vd::HNoteBases& kept) {
  if (Host::instance().calls.failurePlanned()) return;
  vd::HNoteBases fresh;
  fresh.load(vd::HNoteDataSet());
  const std::string want = hnotetest::basesText(fresh), have = hnotetest::basesText(kept);
  if (want != have) std::fprintf(stderr, "the bases kept for the next pass:\n%sa fresh read:\n%s", have.c_str(), want.c_str());
  FUZZ_CHECK(want == have);
}

// --- Faults put in on purpose --------------------------------------------------

// FUZZ_COMMANDS_INJECT makes the module wrong in one way, to show that an
// invariant finds it (docs/fuzzing.md, "commands"):
//   stale       HeightDimSetBase leaves one rebuilt mark showing its old value
//   second-run  a HeightDimUpdate right after another changes an entity's colour
//   lost        a command whose host call failed erases a mark and writes nothing
//   look        HeightDim writes the first by-block value text it placed by layer
enum class Injected { None, Stale, SecondRun, Lost, Look };
Injected g_injected = Injected::None;

// The value text of each mark, by identifier.
std::map<vstring, std::pair<vstring, vstring>> valueTexts(const hostsim::Drawing& d) {
  std::map<vstring, std::pair<vstring, vstring>> out;  // id -> (ATTRIB handle, text)
  for (const hostsim::Entity* e : d.entities()) {
    vd::HNoteRef ref;
    if (!e->view().isType(u"INSERT") || !vd::readHNoteRef(e->view(), &ref, false)) continue;
    for (const hostsim::Entity* f : d.followersOf(*e)) {
      if (!f->view().isType(u"ATTRIB")) continue;
      out[ref.id] = {f->handle, vstring(f->view().text(1).value_or(u""))};
      break;
    }
  }
  return out;
}

class InjectingModule : public hostsim::ModuleFace {
 public:
  explicit InjectingModule(hostsim::ModuleFace& inner) : inner_(inner) {}
  bool initApp(int& result) override { return inner_.initApp(result); }
  bool omitExport(const std::string& name, std::string& error) override { return inner_.omitExport(name, error); }
  bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) override {
    hostsim::Drawing& d = Host::instance().drawing();
    const auto before = valueTexts(d);
    const size_t calls = Host::instance().calls.log().size(), journal = d.journal().size();
    const bool again = name == "HeightDimUpdate" && last_ == "HeightDimUpdate";
    last_ = name;
    if (!inner_.runCommand(name, args, result)) return false;
    if (g_injected == Injected::Stale && name == "HeightDimSetBase") {
      for (const auto& [id, now] : valueTexts(d)) {
        auto was = before.find(id);
        if (was == before.end() || was->second.second == now.second) continue;
        vd::OwnedChain chain = vd::OwnedChain::copyOf(d.findEntity(now.first)->view());
        chain.setText(1, was->second.second);
        d.changeEntity(now.first, std::move(chain), d.findEntity(now.first)->flatPoints);
        break;
      }
    }
    if (g_injected == Injected::SecondRun && again && !d.entities().empty()) {
      const hostsim::Entity& e = *d.entities().front();
      vd::OwnedChain chain = vd::OwnedChain::copyOf(e.view());
      chain.setInteger(62, 3);
      d.changeEntity(e.handle, std::move(chain), e.flatPoints);
    }
    // The fault a text colour of "DleBlok" written by layer once was.
    if (g_injected == Injected::Look && name == "HeightDim") {
      for (size_t i = journal; i < d.journal().size(); ++i) {
        const hostsim::JournalEntry& j = d.journal()[i];
        const hostsim::Entity* e = d.findEntity(j.handle);
        if (j.kind != hostsim::JournalEntry::Kind::EntityAdded || !e || !e->view().isType(u"ATTRIB") ||
            e->view().integer(62).value_or(256) != 0)
          continue;
        vd::OwnedChain chain = vd::OwnedChain::copyOf(e->view());
        chain.setInteger(62, 256);
        d.changeEntity(e->handle, std::move(chain), e->flatPoints);
        break;
      }
    }
    if (g_injected == Injected::Lost) {
      bool faulted = false, wrote = false;
      for (size_t i = calls; i < Host::instance().calls.log().size(); ++i)
        faulted = faulted || Host::instance().calls.log()[i].injected;
      for (size_t i = journal; i < d.journal().size(); ++i)
        wrote = wrote || d.journal()[i].kind == hostsim::JournalEntry::Kind::EntityAdded;
      if (faulted && !wrote && !before.empty()) {
        for (const hostsim::Entity* e : d.entities()) {
          if (!e->view().isType(u"INSERT")) continue;
          std::vector<vstring> missing;
          d.erase({e->handle}, missing);
          break;
        }
      }
    }
    return true;
  }

 private:
  hostsim::ModuleFace& inner_;
  std::string last_;
};

// --- The drawing --------------------------------------------------------------

void addEntities(std::vector<vd::OwnedChain> chains) {
  hostsim::Drawing& d = Host::instance().drawing();
  d.beginBatch();
  for (const vd::OwnedChain& c : chains) d.addEntity(c.get());
  d.flush();
}

vd::OwnedChain entityToAdd() {
  vd::ChainBuilder b;
  const ChainPoint a{coordinate(), coordinate(), 0}, c{coordinate(), coordinate(), 0};
  switch (pick(7)) {
    case 0:
      b.text(0, u"LINE").text(8, u"0").point(10, a).point(11, c);
      break;
    case 1:
      b.text(0, u"ARC").text(8, u"0").point(10, a).real(40, 1 + std::fabs(coordinate())).real(50, pick(360)).real(51, pick(360));
      break;
    case 2:
      b.text(0, u"CIRCLE").text(8, u"0").point(10, a).real(40, 1 + std::fabs(coordinate()));
      break;
    case 3: {
      const int n = 2 + pick(3);
      b.text(0, u"LWPOLYLINE").text(8, u"0").integer(90, n).integer(70, pick(2));
      for (int i = 0; i < n; ++i) {
        b.point(10, coordinate(), coordinate());
        if (pick(2)) b.real(42, (pick(9) - 4) * 0.25);
      }
      break;
    }
    case 6: {
      // Angular: two lines from a vertex.
      const ChainPoint v{coordinate(), coordinate(), 0};
      b.text(0, u"DIMENSION").text(8, u"0").text(2, u"*D1").point(10, c).point(11, c).integer(70, 34).text(3, u"STANDARD");
      b.point(13, v.x + 100, v.y).point(14, v.x, v.y).point(15, v.x, v.y).point(16, v.x + 70, v.y + 70);
      break;
    }
    default: {
      // A row of linear dimensions is made by several of these on one line.
      const bool rotated = pick(4) != 0;
      const double y = pick(2) ? 0 : coordinate();
      b.text(0, u"DIMENSION").text(8, u"0").text(2, u"*D1").point(10, c.x, y + 500).point(11, c.x, y + 500);
      b.integer(70, rotated ? 32 : 33).text(3, u"STANDARD");
      b.point(13, a.x, y).point(14, c.x, pick(4) ? y : c.y);
      if (rotated) b.real(50, pick(4) == 0 ? M_PI / 2 : 0);
      if (pick(4) == 0)
        b.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40).real(1040, 50).text(1002, u"}");
      break;
    }
  }
  vd::OwnedChain chain = b.build();
  // Point 10 where a file read gives it: a dimension made here and one read
  // from the saved drawing are then the same.
  hostsim::placeDefinitionPoint(chain);
  return chain;
}

// Damage as other programs and older versions leave it.
void damage() {
  hostsim::Drawing& d = Host::instance().drawing();
  std::vector<const hostsim::Entity*> all = d.entities();
  switch (pick(4)) {
    case 0: {  // an entity erased
      if (all.empty()) return;
      std::vector<vstring> missing;
      const vstring& handle = all[static_cast<size_t>(pick(static_cast<int>(all.size())))]->handle;
      trace("damage: entity " + vd::utf16ToUtf8(handle) + " erased");
      d.erase({handle}, missing);
      break;
    }
    case 1:    // a base entry removed or cut short
    case 2: {
      intptr_t id = d.openDictionary(vd::kHNoteDictionary, false);
      if (!id) return;
      vstring key;
      std::vector<vstring> keys;
      for (const vd::ValueNode* e = d.nextDictionaryEntry(id, key, true); e; e = d.nextDictionaryEntry(id, key, false))
        keys.push_back(key);
      if (!keys.empty()) {
        const vstring& k = keys[static_cast<size_t>(pick(static_cast<int>(keys.size())))];
        vd::ChainBuilder b;
        b.integer(91, 1).integer(71, pick(5) - 1);
        vd::OwnedChain shortEntry = b.build();
        const bool removed = pick(2);
        trace("damage: entry " + vd::utf16ToUtf8(k) + (removed ? " removed" : " cut short"));
        d.writeDictionaryEntry(id, k, removed ? nullptr : shortEntry.get());
      }
      d.closeDictionary(id);
      break;
    }
    default: {  // a mark's base identifier changed to one no base has
      for (const hostsim::Entity* e : all) {
        vd::HNoteRef ref;
        if (!e->view().isType(u"INSERT") || !vd::readHNoteRef(e->view(), &ref, false) || pick(2)) continue;
        vd::OwnedChain chain = vd::OwnedChain::copyOf(e->view());
        ref.baseId = u"00000000-0000-4000-8000-00000000DEAD";
        trace("damage: mark " + vd::utf16ToUtf8(e->handle) + " measures from a base no one has");
        if (vd::replaceHNoteRef(chain, ref))
          d.changeEntity(e->handle, std::move(chain), e->flatPoints);
        break;
      }
      break;
    }
  }
  d.clearJournal();
}

// --- The run ------------------------------------------------------------------

std::string number(double v) { return vdtest::pictureNumber(v); }

// The handles that a saved drawing's references name (owners, pointers,
// dictionary entries, the handles of extended data) and that no record of
// it holds (group 5, or 105 of a dimension style), upper case.
std::set<std::string> danglingHandles(const std::string& dxf) {
  std::set<std::string> held, named;
  size_t at = 0;
  auto line = [&](std::string_view& out) {
    if (at >= dxf.size()) return false;
    size_t end = dxf.find('\n', at);
    if (end == std::string::npos) end = dxf.size();
    out = std::string_view(dxf).substr(at, end - at);
    at = end + 1;
    while (!out.empty() && (out.back() == '\r' || out.back() == ' ')) out.remove_suffix(1);
    while (!out.empty() && out.front() == ' ') out.remove_prefix(1);
    return true;
  };
  std::string_view code, value, variable;
  while (line(code) && line(value)) {
    const int c = std::atoi(std::string(code).c_str());
    if (c == 9) variable = value;
    // $HANDSEED's 5 is the next handle to give, which nothing holds yet.
    const bool holds = (c == 5 && variable != "$HANDSEED") || c == 105, names = hostsim::dxf::isHandleReference(c);
    if (c == 0) variable = {};
    if (!holds && !names) continue;
    std::string handle(value);
    for (char& ch : handle) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (holds) held.insert(handle);
    else if (handle != "0" && !handle.empty()) named.insert(handle);
  }
  std::set<std::string> dangling;
  std::set_difference(named.begin(), named.end(), held.begin(), held.end(), std::inserter(dangling, dangling.end()));
  return dangling;
}

// The handles the drawing named without holding them before the commands:
// what a damage or an added entity may leave, and no command may add.
std::set<std::string> g_danglingBefore;

void noteDanglingHandles() {
  Host& host = Host::instance();
  std::string error;
  g_danglingBefore = danglingHandles(hostsim::dxf::writeDxf(host.drawing(), host.variables, host.environment, &error));
}

// The saved drawing reads back whole: no entity lies on a layer without a
// name, every block a reference or a dimension names exists, every handle
// it names is held (but for those missing before the commands), and it
// writes again as the same text.
void savedDrawingReadsBack() {
  Host& host = Host::instance();
  std::string error;
  const std::string written = hostsim::dxf::writeDxf(host.drawing(), host.variables, host.environment, &error);
  // A number that is not finite: the drawing cannot be saved. Nothing the
  // input puts in the drawing holds one, so a command wrote it.
  if (written.empty()) std::fprintf(stderr, "the drawing cannot be saved: %s\n", error.c_str());
  FUZZ_CHECK(!written.empty());
  // FUZZ_COMMANDS_DUMP names a folder for the texts of a failed check.
  const char* dump = std::getenv("FUZZ_COMMANDS_DUMP");
  auto save = [dump](const char* name, const std::string& text) {
    std::FILE* f = dump ? std::fopen((std::filesystem::path(dump) / name).c_str(), "wb") : nullptr;
    if (f) std::fwrite(text.data(), 1, text.size(), f), std::fclose(f);
  };
  auto check = [&](bool holds) {
    if (!holds) save("saved.dxf", written);
    FUZZ_CHECK(holds);
  };
  hostsim::dxf::ReadResult back = hostsim::dxf::readDxf(written);
  if (!back.drawing) std::fprintf(stderr, "the saved drawing does not read: %s\n", back.error.c_str());
  check(back.drawing != nullptr);
  const size_t entities = back.drawing->entities().size();
  if (entities != host.drawing().entities().size())
    std::fprintf(stderr, "the saved drawing reads back with %zu entities of %zu\n", entities, host.drawing().entities().size());
  check(entities == host.drawing().entities().size());
  for (const hostsim::Entity* e : back.drawing->entities()) {
    const std::string what = vd::utf16ToUtf8(e->type()) + " " + vd::utf16ToUtf8(e->handle);
    // No group 8 is layer 0; an empty one is no layer.
    const bool layered = !e->view().text(8).value_or(u"0").empty();
    if (!layered) std::fprintf(stderr, "%s lies on a layer without a name\n", what.c_str());
    check(layered);
    if (!e->view().isType(u"INSERT") && !e->view().isType(u"DIMENSION")) continue;
    const bool exists = back.drawing->findBlock(e->view().text(2).value_or(u"")) != nullptr;
    if (!exists) std::fprintf(stderr, "%s names a block the drawing lacks\n", what.c_str());
    check(exists);
  }
  for (const std::string& handle : danglingHandles(written)) {
    if (g_danglingBefore.count(handle)) continue;
    std::fprintf(stderr, "the saved drawing names the handle %s, which none of its records holds\n", handle.c_str());
    check(false);
  }
  const std::string again = hostsim::dxf::writeDxf(*back.drawing, back.variables, back.environment, &error);
  if (again != written) save("again.dxf", again);
  check(again == written);
}

const char* const kHeightDimArgs[] = {"0", "1", "2", "3", "0 90", "2 180", "3 0 1", "3 90 4", "1 30 0 1", "0 0 0 1"};

}  // namespace

namespace vd {
ProfileBackend& defaultProfileBackend() { return g_profiles; }
}  // namespace vd

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string error;
  if (!nsweep::loadModuleStrings(VD_SOURCE_DIR "/res/string_ids.h", VD_SOURCE_DIR "/res/strings.rc", error)) {
    std::fprintf(stderr, "fuzz_commands: %s\n", error.c_str());
    std::abort();
  }
  vd::setHNoteKeptBasesCheck(checkKeptBases);
  for (const char* file : kDrawingFiles) {
    std::string text;
    if (!hostsim::readTextFile(std::string(VD_SOURCE_DIR) + "/" + file, text)) {
      std::fprintf(stderr, "fuzz_commands: cannot read %s\n", file);
      std::abort();
    }
    g_drawings.push_back(std::move(text));
  }
  g_userData = std::make_unique<nsweep::ScratchUserData>("fuzz-commands-");
  if (g_userData->path().empty()) {
    std::fprintf(stderr, "fuzz_commands: cannot make a user data folder\n");
    std::abort();
  }
  vd::heightdim::HeightDimDialogs& dialogs = vd::heightdim::heightDimDialogs();
  dialogs.planView = &planViewDialog;
  dialogs.edit.edit = &editDialog;
  dialogs.edit.settings = &settingsDialog;
  vd::dimtools::arcLengthDialog() = &arcLengthDialog;
  vd::setErrorBoxSink(&errorBox);
  g_trace = std::getenv("FUZZ_COMMANDS_TRACE") != nullptr;
  if (const char* inject = std::getenv("FUZZ_COMMANDS_INJECT")) {
    const std::string what = inject;
    g_injected = what == "stale" ? Injected::Stale
                 : what == "second-run" ? Injected::SecondRun
                 : what == "lost" ? Injected::Lost
                 : what == "look" ? Injected::Look
                 : Injected::None;
    if (g_injected == Injected::None && !what.empty()) {
      std::fprintf(stderr, "fuzz_commands: FUZZ_COMMANDS_INJECT is stale, second-run, lost or look, not %s\n", inject);
      std::abort();
    }
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  g_in = &in;
  g_saveAfterEachCommand = size % 4 == 0;
  Host& host = Host::instance();
  vd::unbindHost();
  host.reset();
  host.writesFiles = false;
  host.stringSource = &nsweep::moduleString;
  host.answerSource = &answerRequest;
  std::string error;
  FUZZ_CHECK(g_userData->empty(error));
  std::error_code ec;
  std::filesystem::create_directories(g_userData->path() / "Dat", ec);
  host.userDataPath = vd::utf8ToUtf16(g_userData->path().string());

  // The drawing.
  const int drawing = pick(static_cast<int>(g_drawings.size()) + 1);
  trace(drawing > 0 ? std::string("drawing ") + kDrawingFiles[drawing - 1] : "an empty drawing");
  if (drawing > 0) {
    FUZZ_CHECK(host.useDrawing(hostsim::dxf::readDxf(g_drawings[static_cast<size_t>(drawing - 1)]), error));
  }
  static const double kUnits[] = {1000, 1, 100};
  static const double kScales[] = {1, 50, 100, 0.5};
  g_units = kUnits[pick(3)];
  std::string setup = "units " + number(g_units) + "\nscale " + number(kScales[pick(4)]) + "\nlayerkey 2 KOTY\n";
  static const double kUcs[] = {0, M_PI / 2, M_PI / 6, -M_PI / 4};
  const double ucs = kUcs[pick(4)];
  g_ucsRotation = ucs;
  setup += "var UCSXDIR point " + number(std::cos(ucs)) + "," + number(std::sin(ucs)) + ",0\n";
  setup += "var UCSYDIR point " + number(-std::sin(ucs)) + "," + number(std::cos(ucs)) + ",0\n";
  if (pick(4) == 0) setup += "var UCSORG point 100,200,0\n";
  // The user's settings: some types their own.
  g_profiles.clear();
  vd::HNoteDataSet settings;
  settings.path = vd::utf8ToUtf16((g_userData->path() / "Dat" / "hnoteData.ini").string());
  g_settingsPath = settings.path;
  for (int t = 0; t < vd::kHNoteTypeCount; ++t)
    if (in.coin()) g_dice.fill(settings.records[static_cast<size_t>(t)]);
  FUZZ_CHECK(settings.save(g_profiles));

  for (int i = 0, n = pick(8); i < n; ++i) {
    if (pick(4) == 0) {
      damage();
    } else {
      std::vector<vd::OwnedChain> chains;
      for (int k = 0, m = 1 + pick(3); k < m; ++k) chains.push_back(entityToAdd());
      trace(std::to_string(chains.size()) + " entities added");
      addEntities(std::move(chains));
    }
  }
  host.drawing().clearJournal();
  noteDanglingHandles();

  Checker checker(host);
  nsweep::CommandTableModule commands;
  InjectingModule module(commands);
  hostsim::ScriptRunner runner(host, module, &checker);
  trace("setup: " + setup + "init");
  if (!runner.runText(setup + "init\n")) {
    std::fprintf(stderr, "setup: %s\n", host.error().c_str());
    FUZZ_CHECK(false);
  }
  for (int step = 0; step < 8 && !in.empty(); ++step) {
    const vd::CommandInfo& command = vd::kCommands[pick(vd::kCommandCount)];
    std::string line = std::string("command ") + command.name;
    if (commandIs(command.name, "HeightDim")) line += std::string(" ") + kHeightDimArgs[pick(10)];
    std::string script = line + "\n";
    if (pick(6) == 0) script = "fail * " + std::to_string(1 + pick(60)) + "\n" + script;
    trace(script.substr(0, script.size() - 1));
    const bool ok = runner.runText(script);
    if (!ok) {
      std::fprintf(stderr, "%s: %s\n", line.c_str(), host.error().c_str());
      FUZZ_CHECK(false);
    }
    // A second HeightDimUpdate right after one changes nothing in the
    // drawing, nor any record of its bases. It may add records: the first
    // makes the marks of older blocks, each a base that only its mark
    // records, and the second's load gives them their entries.
    if (commandIs(command.name, "HeightDimUpdate") && !checker.lastFaulted()) {
      const auto entries = [&host] {
        std::vector<std::string> out;
        if (const hostsim::NamedDictionary* dict = host.drawing().findDictionary(vd::kHNoteDictionary))
          for (const hostsim::DictionaryEntry& entry : dict->entries)
            out.push_back("entry " + vd::utf16ToUtf8(entry.key) + vdtest::chainPicture(entry.chain.view()));
        std::sort(out.begin(), out.end());
        return out;
      };
      const std::vector<std::string> once = vdtest::drawingPicture(host.drawing(), true), entriesOnce = entries();
      const size_t transcriptAt = host.transcript().size();
      FUZZ_CHECK(runner.runText("command HeightDimUpdate\n"));
      std::string changed = vdtest::pictureChanges(once, vdtest::drawingPicture(host.drawing(), true));
      const std::vector<std::string> entriesAgain = entries();
      if (!std::includes(entriesAgain.begin(), entriesAgain.end(), entriesOnce.begin(), entriesOnce.end()))
        changed += vdtest::pictureChanges(entriesOnce, entriesAgain);
      if (!changed.empty()) {
        for (size_t i = transcriptAt; i < host.transcript().size(); ++i)
          std::fprintf(stderr, "| %s\n", host.transcript()[i].c_str());
        std::fprintf(stderr, "HeightDimUpdate again changed:%s\n", changed.c_str());
      }
      FUZZ_CHECK(changed.empty());
    }
  }
  savedDrawingReadsBack();

  vd::unbindHost();
  host.answerSource = nullptr;
  host.reset();
  g_in = nullptr;
  return 0;
}
