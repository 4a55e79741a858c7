#include "heightdim/bases.h"

#include <charconv>
#include <cmath>
#include <string>
#include <unordered_set>

#include "heightdim/value_format.h"
#include "host/chain_codes.h"
#include "host/entity_walk.h"
#include "host/host_api.h"
#include "host/names.h"
#include "host/services.h"

namespace vd {

namespace {

constexpr int kEntryFormatCode = 91;
constexpr int kEntryShortCode = 71;
constexpr int kEntryRealCode = 41;
constexpr int kEntryIdCode = 301;
constexpr int kXrecordCloning = 280;
constexpr int kDictionaryKeyChars = 256;
// Rotations are compared with room for a round trip through a file.
constexpr double kRotationTolerance = 1e-9;

// The items of a base entry after its format item, in order.
constexpr int kBaseItemCodes[] = {kEntryShortCode, kEntryShortCode, gc::kPoint0,
                                  kEntryRealCode,  kEntryRealCode,  kEntryRealCode};

ChainBuilder& xrecordHead(ChainBuilder& b) {
  return b.text(gc::kType, names::kXrecord)
      .text(gc::kSubclass, names::kAcDbXrecord)
      .integer(kXrecordCloning, 1)
      .integer(kEntryFormatCode, kHNoteEntryFormat);
}

// The identifiers the marks of the drawing use, and how many entities the
// walk went through; nothing when the host made no selection.
struct UsedIds {
  std::unordered_set<vstring> ids;
  size_t entities = 0;
};
std::optional<UsedIds> usedIds() {
  UsedIds used;
  if (!walkHNoteMarks([&](HNoteNode& node) { used.ids.insert(hnoteBaseIdOf(node.ref)); }, &used.entities))
    return std::nullopt;
  return used;
}

class Dictionary {
 public:
  explicit Dictionary(bool create)
      : id_(hostCallOr<&HostApi::DictionaryOpenW>(intptr_t{0}, intptr_t{0}, kHNoteDictionary, create ? 1 : 0, 0)) {}
  ~Dictionary() {
    if (id_) hostCall<&HostApi::DictionaryClose>(id_, 0);
  }
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
  explicit operator bool() const { return id_ != 0; }
  intptr_t id() const { return id_; }
  // Writes the entry, or removes the key with a null chain.
  bool write(vstring_view key, const ValueNode* chain) {
    vstring k(key);
    return hostCallOr<&HostApi::DictionaryAddW>(0, id_, k.c_str(), const_cast<ValueNode*>(chain), 0) != 0;
  }

 private:
  intptr_t id_;
};

}  // namespace

double hnoteMarkValue(double level, HNotePoint basePoint, HNotePoint point, int type, double angle, double rotation,
                      double units) {
  int q = hnoteDirectionClass(type, angle, rotation);
  if (q == 0) return 0;
  double dx = point.x - basePoint.x;
  double dy = point.y - basePoint.y;
  double c = std::cos(-rotation), s = std::sin(-rotation);
  double along = dx * c - dy * s;
  double across = dx * s + dy * c;
  return (q == 2 ? level + across : level - along) / units;
}

double hnoteTextValue(vstring_view text, vstring_view separator) {
  std::string digits;
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'\u00B1')) {
    ++i;
  } else if (i < text.size() && text[i] == u'-') {
    digits.push_back('-');
    ++i;
  }
  bool point = false;
  while (i < text.size()) {
    if (text[i] >= u'0' && text[i] <= u'9') {
      digits.push_back(static_cast<char>(text[i]));
      ++i;
      continue;
    }
    size_t sepLength = 0;
    if (!separator.empty() && text.substr(i, separator.size()) == separator) {
      sepLength = separator.size();
    } else if (text[i] == u'.' || text[i] == u',') {
      sepLength = 1;
    }
    if (sepLength == 0 || point) break;
    point = true;
    digits.push_back('.');
    i += sepLength;
  }
  double value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || !std::isfinite(value)) return 0;
  // Shown without a separator ("+1500" for 1.500), the last three digits
  // are the decimals all the same.
  if (separator.empty() && !point) value /= std::pow(10.0, kHNoteDecimals);
  return value;
}

OwnedChain hnoteBaseEntry(const HNoteBase& base) {
  ChainBuilder b;
  xrecordHead(b)
      .integer(kEntryShortCode, base.type)
      .integer(kEntryShortCode, base.baseKind)
      .point(gc::kPoint0, base.point.x, base.point.y)
      .real(kEntryRealCode, base.angle)
      .real(kEntryRealCode, base.level1)
      .real(kEntryRealCode, base.level2);
  return b.build();
}

OwnedChain hnoteCurrentEntry(vstring_view id) {
  ChainBuilder b;
  xrecordHead(b).text(kEntryIdCode, id);
  return b.build();
}

std::optional<HNoteBase> readHNoteBaseEntry(ChainView entry, vstring_view key) {
  auto it = entry.begin();
  while (it != entry.end() && (*it).code() != kEntryFormatCode) ++it;
  if (it == entry.end()) return std::nullopt;
  const ValueNode* items[std::size(kBaseItemCodes)];
  for (size_t k = 0; k < std::size(kBaseItemCodes); ++k) {
    ++it;
    if (it == entry.end() || (*it).code() != kBaseItemCodes[k]) return std::nullopt;
    items[k] = (*it).node();
  }
  HNoteBase base;
  base.id = vstring(key);
  base.type = static_cast<int32_t>(*ChainItem(items[0]).integer());
  base.baseKind = static_cast<int32_t>(*ChainItem(items[1]).integer());
  ChainPoint p = *ChainItem(items[2]).point();
  base.point = {p.x, p.y};
  base.angle = *ChainItem(items[3]).real();
  base.level1 = *ChainItem(items[4]).real();
  base.level2 = *ChainItem(items[5]).real();
  return base;
}

bool readHNoteNode(ChainView v, HNoteNode& out) {
  out = HNoteNode{};
  if (!v.isType(names::kInsert) || !readHNoteRef(v, &out.ref, false)) return false;
  const ChainPoint at = v.point(gc::kPoint0).value_or(ChainPoint{});
  out.insertPoint = {at.x, at.y};
  out.angle = v.real(gc::kAngle0).value_or(0.0);
  out.handle = vstring(v.handle());
  if (const ValueNode* name = v.find(gc::kEntityName)) {
    out.entity[0] = name->v.name[0];
    out.entity[1] = name->v.name[1];
  }
  out.delim = hnoteStoredSeparator(v);
  return true;
}

void setHNoteNodeTexts(HNoteNode& node, vstring text1, vstring text2) {
  node.valueText = std::move(text1);
  node.valueText2 = std::move(text2);
  if (!node.delim) node.delim = hnoteShownSeparator(node.valueText);
}

bool walkHNoteMarks(const std::function<void(HNoteNode&)>& visit, size_t* entities) {
  if (hostCallOr<&HostApi::SSGetW>(0, kSelectToRefresh, static_cast<const vchar*>(nullptr),
                                   static_cast<ValueNode*>(nullptr), 0) != kRtNorm) {
    return false;
  }
  // A reference's attributes follow it in the walk, up to its SEQEND.
  HNoteNode open;
  bool isOpen = false;
  int attributes = 0;
  vstring texts[2];
  auto close = [&] {
    if (!isOpen) return;
    setHNoteNodeTexts(open, std::move(texts[0]), std::move(texts[1]));
    visit(open);
    isOpen = false;
  };
  // Two walks stopped short at the same place would agree on a drawing with
  // marks missing: a walk that stopped short is no walk.
  EntityWalk walk;
  while (ValueNode* n = walk.next()) {
    ChainView v(n);
    if (isOpen && v.isType(names::kAttrib)) {
      if (attributes < 2) texts[attributes] = vstring(v.text(gc::kText).value_or(vstring_view()));
      ++attributes;
      continue;
    }
    close();
    if (!readHNoteNode(v, open)) continue;
    isOpen = true;
    attributes = 0;
    texts[0].clear();
    texts[1].clear();
  }
  if (walk.stoppedShort()) return false;
  close();
  if (entities) *entities = walk.walked();
  return true;
}

void readHNoteLevels(HNoteNode& node, const HNoteDataSet& settings, double units) {
  const size_t type = static_cast<size_t>(node.ref.type);
  const vstring separator =
      node.delim ? *node.delim : (type < settings.records.size() ? settings.records[type].delim : vstring());
  node.level1 = hnoteTextValue(node.valueText, separator) * units;
  node.level2 = hnoteTextValue(node.valueText2, separator) * units;
}

HNoteBase hnoteBaseOf(const HNoteNode& node) {
  HNoteBase base;
  base.type = node.ref.type;
  base.baseKind = node.ref.baseKind;
  base.id = node.ref.id;
  base.level1 = node.level1;
  base.level2 = node.level2;
  base.point = node.insertPoint;
  base.angle = node.angle;
  return base;
}

void HNoteBases::clear() {
  bases_.clear();
  index_.clear();
  withoutEntry_.clear();
  currentId_.clear();
  whole_ = false;
  entriesMissed_ = false;
}

void HNoteBases::forgetMarks() {
  for (HNoteBase& b : bases_) b.dimensions.clear();
}

HNoteBase* HNoteBases::find(vstring_view id) {
  auto it = index_.find(vstring(id));
  return it == index_.end() ? nullptr : &bases_[it->second];
}

const HNoteBase* HNoteBases::find(vstring_view id) const {
  auto it = index_.find(vstring(id));
  return it == index_.end() ? nullptr : &bases_[it->second];
}

bool HNoteBases::hasEntry(vstring_view id) const { return find(id) && !withoutEntry_.count(vstring(id)); }

HNoteBase& HNoteBases::put(HNoteBase base) {
  if (HNoteBase* have = find(base.id)) {
    // A base stored again (new levels) keeps the marks found for it.
    if (base.dimensions.empty()) base.dimensions = std::move(have->dimensions);
    *have = std::move(base);
    return *have;
  }
  index_.emplace(base.id, bases_.size());
  bases_.push_back(std::move(base));
  return bases_.back();
}

bool HNoteBases::store(const HNoteBase& base) {
  if (base.id.empty()) return false;
  OwnedChain entry = hnoteBaseEntry(base);
  if (!entry) return false;
  {
    Dictionary dictionary(true);
    if (!dictionary || !dictionary.write(base.id, entry.get())) {
      whole_ = false;
      return false;
    }
  }
  put(base);
  withoutEntry_.erase(base.id);
  return true;
}

bool HNoteBases::setCurrent(vstring_view id) {
  if (!find(id)) return false;
  OwnedChain entry = hnoteCurrentEntry(id);
  if (!entry) return false;
  Dictionary dictionary(true);
  if (!dictionary || !dictionary.write(kHNoteCurrentKey, entry.get())) {
    whole_ = false;
    return false;
  }
  currentId_ = vstring(id);
  return true;
}

void HNoteBases::markUpToDate(HNoteNode& node, const HNoteBase& base, const HNoteDataSet& settings) const {
  const HNoteRef& ref = node.ref;
  // In the mark's own format: a mark written with another separator than
  // the settings' is no less up to date.
  const vstring& separator = node.delim ? *node.delim : settings.records[static_cast<size_t>(ref.type)].delim;
  double value =
      hnoteMarkValue(base.level1, base.point, node.insertPoint, ref.type, node.angle, ref.rotation, drawingUnits());
  vstring text = formatHNoteValue(value, ref.numAlign, ref.positivePlus != 0, ref.plusMinusZero != 0, separator).text;
  node.upToDate = std::fabs(ref.rotation - settings.ucsRotation) <= kRotationTolerance && text == node.valueText;
}

bool HNoteBases::load(const HNoteDataSet& settings, HNoteLoadReport* out) {
  HNoteLoadReport report;
  clear();
  {
    Dictionary dictionary(false);
    if (!dictionary) {
      if (out) *out = report;
      return true;  // no dictionary: no bases and no current base
    }
    report.dictionary = true;
    vchar key[kDictionaryKeyChars] = {};
    auto nextEntry = [&](bool first) {
      return hostCallOr<&HostApi::DictionaryNextW>(static_cast<ValueNode*>(nullptr), dictionary.id(), key,
                                                    first ? 1 : 0);
    };
    // Calls `visit` for each entry with its key; how many entries the walk handed out.
    auto walkEntries = [&](const std::function<void(ValueNode*, vstring_view)>& visit) {
      size_t entries = 0;
      for (bool first = true;; first = false) {
        ValueNode* e = nextEntry(first);
        if (!e) {
          // The host answers null past the last entry, and null again when
          // asked once more. An entry now means the null was a failure to
          // hand one out: the entries read go on from it, but one may have
          // been missed, and a base the list lacks would look absent to this
          // command's passes.
          e = nextEntry(first);
          if (!e) break;
          entriesMissed_ = true;
        }
        ++entries;
        visit(e, vstring_view(key));
      }
      return entries;
    };
    const size_t entries = walkEntries([&](ValueNode* e, vstring_view k) {
      if (k == kHNoteCurrentKey) {
        currentId_ = vstring(ChainView(e).text(kEntryIdCode).value_or(vstring_view()));
        return;
      }
      std::optional<HNoteBase> base = readHNoteBaseEntry(e, k);
      if (!base) {
        ++report.entriesSkipped;
        return;
      }
      put(std::move(*base));
    });
    // Two failures in a row look like the end as well: a second walk must
    // go as far (a dictionary holds an entry a base: far fewer than the
    // drawing has entities).
    if (!entriesMissed_ && walkEntries([](ValueNode*, vstring_view) {}) != entries) entriesMissed_ = true;
  }
  if (!currentId_.empty()) {
    std::unordered_set<vstring> used;
    const double units = drawingUnits();
    size_t entities = 0;
    // Dependants met before a base that only its own mark makes (no entry
    // yet): they join that base once the walk has made it.
    std::vector<HNoteNode> waiting;
    auto baseOf = [&](const HNoteNode& node) {
      HNoteBase* base = find(node.ref.baseId);
      return base ? base : find(node.ref.id);
    };
    auto attach = [&](HNoteNode& node, HNoteBase& base) {
      markUpToDate(node, base, settings);
      base.dimensions.push_back(std::move(node));
    };
    bool walked = walkHNoteMarks([&](HNoteNode& node) {
      if (!hnoteMarkTyped(node.ref)) return;
      readHNoteLevels(node, settings, units);
      used.insert(hnoteBaseIdOf(node.ref));
      HNoteBase* base = baseOf(node);
      if (!base) {
        // A dependant may meet its base later; one without any identifier
        // cannot be a base.
        if (!isHNoteOwnMark(node.ref)) {
          waiting.push_back(std::move(node));
          return;
        }
        HNoteBase made = hnoteBaseOf(node);
        // Kept in the list even when the host refuses the entry, so this load
        // still knows it. Not stored when the dictionary walk may have
        // missed entries: the missed one may be this base's, whose levels
        // the mark shows only rounded.
        if (!entriesMissed_ && store(made)) {
          ++report.basesFromMarks;
        } else {
          withoutEntry_.insert(made.id);
          put(made);
        }
        base = find(made.id);
      }
      attach(node, *base);
    }, &entities);
    // A mark whose base is still unknown belongs to none.
    for (HNoteNode& node : waiting)
      if (HNoteBase* base = baseOf(node)) attach(node, *base);
    // A walk cut short (the host failed to hand out an entity, which looks
    // like the end) misses marks: a base in use would look unused, and a mark
    // that is its own base and has no entry would get none. A walk asks once
    // more at its end, which shows one failure; two in a row still look like
    // the end, so a second walk through as many entities confirms the first.
    // Without it the list is not whole, nothing is purged, and the next load
    // reads the drawing again.
    // A current base the list lacks may be an entry the dictionary walk
    // missed: the next load reads it again too. Nor is anything purged
    // while a base made from its mark has no entry (the host refused it):
    // "Current" could move from a purged base to that one, and name a base
    // the dictionary does not hold.
    std::optional<UsedIds> again = walked ? usedIds() : std::nullopt;
    whole_ = !entriesMissed_ && again && again->entities == entities && withoutEntry_.empty() &&
             purge(used, again->ids, report) && current();
    if (out) *out = report;
    return walked;
  }
  if (out) *out = report;
  return true;
}

std::optional<std::vector<HNoteNode>> HNoteBases::walkMarksOf(const HNoteBase& base,
                                                             const HNoteDataSet& settings) const {
  std::vector<HNoteNode> marks;
  const double units = drawingUnits();
  size_t walked = 0, again = 0;
  const bool read = walkHNoteMarks(
      [&](HNoteNode& node) {
        if (!hnoteMarkTyped(node.ref) || hnoteBaseIdOf(node.ref) != base.id) return;
        readHNoteLevels(node, settings, units);
        markUpToDate(node, base, settings);
        marks.push_back(std::move(node));
      },
      &walked);
  // Two failures in a row look like the end: a second walk must go as far.
  if (!read || !walkHNoteMarks([](HNoteNode&) {}, &again) || again != walked) return std::nullopt;
  return marks;
}

bool HNoteBases::purge(const std::unordered_set<vstring>& used, const std::unordered_set<vstring>& usedAgain,
                       HNoteLoadReport& report) {
  std::vector<vstring> unused;
  for (const HNoteBase& b : bases_) {
    if (!used.count(b.id)) unused.push_back(b.id);
  }
  if (unused.empty()) return true;
  // Only what both walks find unused goes.
  const size_t firstWalk = unused.size();
  std::erase_if(unused, [&](const vstring& id) { return usedAgain.count(id) > 0; });
  // When the two walks disagree, the next load may find yet another drawing.
  bool settled = unused.size() == firstWalk;
  if (unused.empty()) return settled;
  std::unordered_set<vstring> removing(unused.begin(), unused.end());

  Dictionary dictionary(false);
  if (!dictionary) return false;
  // "Current" moves first, so that it never names an entry already removed.
  if (removing.count(currentId_)) {
    const HNoteBase* next = nullptr;
    for (const HNoteBase& b : bases_) {
      if (!removing.count(b.id)) {
        next = &b;
        break;
      }
    }
    OwnedChain entry;
    if (next) entry = hnoteCurrentEntry(next->id);
    if ((next && !entry) || !dictionary.write(kHNoteCurrentKey, entry.get())) {
      removing.erase(currentId_);  // the current base stays while "Current" names it
      settled = false;
    } else {
      currentId_ = next ? next->id : vstring();
      report.currentMoved = true;
    }
  }
  std::vector<HNoteBase> kept;
  kept.reserve(bases_.size());
  for (HNoteBase& b : bases_) {
    if (removing.count(b.id)) {
      if (dictionary.write(b.id, nullptr)) {
        ++report.purged;
        continue;
      }
      settled = false;
    }
    kept.push_back(std::move(b));
  }
  bases_ = std::move(kept);
  index_.clear();
  for (size_t i = 0; i < bases_.size(); ++i) index_.emplace(bases_[i].id, i);
  return settled;
}

}  // namespace vd
