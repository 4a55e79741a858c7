#include "heightdim/records.h"

#include <cmath>
#include <cstdio>
#include <span>
#include <type_traits>
#include <variant>

#include "heightdim/value_format.h"
#include "host/chain_codes.h"

#ifdef _WIN32
#include <objbase.h>
#else
#include <mutex>
#include <random>
#endif

namespace vd {

namespace {

bool validType(int32_t type) { return type >= 0 && type <= 3; }
// Types 0-2 measure from a base and carry their number options.
bool hasBase(int32_t type) { return type >= 0 && type <= 2; }
int flag01(int32_t value) { return value ? 1 : 0; }
constexpr int kXdWorldPosition = 1011;  // a point of extended data that moves with the entity

}  // namespace

bool newGuid(HNoteGuid& out) {
#ifdef _WIN32
  GUID g;
  if (FAILED(CoCreateGuid(&g))) return false;
  out.data1 = g.Data1;
  out.data2 = g.Data2;
  out.data3 = g.Data3;
  for (int i = 0; i < 8; ++i) out.data4[i] = g.Data4[i];
  return true;
#else
  // A random (version 4) GUID: the generator is seeded once from the system's
  // entropy, since reading it for every identifier would cost a system call.
  static std::mutex lock;
  static std::mt19937_64 engine = [] {
    std::random_device entropy;
    std::seed_seq seed{entropy(), entropy(), entropy(), entropy(), entropy(), entropy(), entropy(), entropy()};
    return std::mt19937_64(seed);
  }();
  uint64_t hi, lo;
  {
    std::lock_guard<std::mutex> guard(lock);
    hi = engine();
    lo = engine();
  }
  out.data1 = static_cast<uint32_t>(hi >> 32);
  out.data2 = static_cast<uint16_t>(hi >> 16);
  out.data3 = static_cast<uint16_t>((hi & 0x0FFF) | 0x4000);
  lo = (lo & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;
  for (int i = 0; i < 8; ++i) out.data4[i] = static_cast<uint8_t>(lo >> (56 - 8 * i));
  return true;
#endif
}

vstring guidText(const HNoteGuid& g) {
  char text[kHNoteIdChars + 1];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(g.data1),
                static_cast<unsigned>(g.data2), static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2],
                g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return vstring(text, text + kHNoteIdChars);
}

vstring newHNoteId() {
  HNoteGuid g;
  if (!newGuid(g)) return {};
  return guidText(g);
}

vstring hnoteBlockName(vstring_view id) {
  vstring name(kHNoteBlockPrefix);
  name += id;
  return name;
}

bool isHNoteBlockName(vstring_view name) { return name.substr(0, kHNoteBlockPrefix.size()) == kHNoteBlockPrefix; }

bool assignHNoteId(HNoteData& record) {
  if (record.id.empty()) {
    vstring id = newHNoteId();
    if (id.empty()) return false;
    record.id = std::move(id);
  }
  record.blockName = hnoteBlockName(record.id);
  return true;
}

namespace {
// The fields a descriptor and a record share, under the same names.
template <typename From, typename To>
void copyStoredFields(const From& from, To& to) {
  to.type = from.type;
  to.baseKind = from.baseKind;
  to.numAlign = from.numAlign;
  to.positivePlus = from.positivePlus;
  to.plusMinusZero = from.plusMinusZero;
  to.roundingMark = from.roundingMark;
  to.rotation = from.rotation;
  to.id = from.id;
  to.baseId = from.baseId;
}
}  // namespace

const vstring& hnoteBaseIdOf(const HNoteRef& ref) { return ref.baseId.empty() ? ref.id : ref.baseId; }

HNoteRef hnoteRefOf(const HNoteData& r) {
  HNoteRef ref;
  copyStoredFields(r, ref);
  return ref;
}

bool addHNoteRef(ChainBuilder& chain, const HNoteRef& ref) {
  if (!validType(ref.type)) return false;
  chain.extendedData(kAppHNoteData).integer(gc::kXdShort, ref.type);
  if (hasBase(ref.type)) {
    chain.real(gc::kXdReal, ref.numAlign)
        .integer(gc::kXdShort, flag01(ref.positivePlus))
        .integer(gc::kXdShort, flag01(ref.plusMinusZero))
        .integer(gc::kXdShort, flag01(ref.roundingMark))
        .real(gc::kXdReal, ref.rotation);
  }
  chain.extendedData(kAppAssocDesc).text(gc::kXdString, ref.id);
  if (hasBase(ref.type)) {
    chain.extendedData(kAppHeightDim).text(gc::kXdString, ref.baseId).integer(gc::kXdShort, ref.baseKind);
  }
  return chain.ok();
}

OwnedChain hnoteRefChain(const HNoteRef& ref) {
  ChainBuilder b;
  if (!addHNoteRef(b, ref)) return {};
  return b.build();
}

namespace {

// Walks the items of one extended-data group, after its 1001 node.
class GroupReader {
 public:
  explicit GroupReader(ChainView group) : at_(group.empty() ? nullptr : group.head()->next) {}
  // The next item when it carries the code (and is not the next group); the
  // walk moves on only then.
  const ValueNode* take(int code) {
    if (!at_ || at_->code != code) return nullptr;
    const ValueNode* n = at_;
    at_ = at_->next;
    return n;
  }
  bool takeReal(int code, double& out) {
    const ValueNode* n = take(code);
    if (!n) return false;
    out = *ChainItem(n).real();
    return true;
  }
  bool takeInt(int code, int32_t& out) {
    const ValueNode* n = take(code);
    if (!n) return false;
    out = static_cast<int32_t>(*ChainItem(n).integer());
    return true;
  }
  bool takeText(int code, vstring& out) {
    const ValueNode* n = take(code);
    if (!n) return false;
    out = vstring(*ChainItem(n).text());
    return true;
  }

 private:
  const ValueNode* at_;
};

}  // namespace

bool readHNoteRef(ChainView chain, HNoteRef* out, bool probe) {
  ChainView data = chain.extendedData(kAppHNoteData);
  if (data.empty()) return false;
  if (probe && !out) return true;
  HNoteRef ref;
  GroupReader options(data);
  options.takeInt(gc::kXdShort, ref.type);
  if (hasBase(ref.type)) {
    options.takeReal(gc::kXdReal, ref.numAlign);
    options.takeInt(gc::kXdShort, ref.positivePlus);
    options.takeInt(gc::kXdShort, ref.plusMinusZero);
    options.takeInt(gc::kXdShort, ref.roundingMark);
    options.takeReal(gc::kXdReal, ref.rotation);
  }
  ChainView assoc = chain.extendedData(kAppAssocDesc);
  if (!assoc.empty()) GroupReader(assoc).takeText(gc::kXdString, ref.id);
  ChainView base = chain.extendedData(kAppHeightDim);
  if (!base.empty()) {
    GroupReader items(base);
    if (items.takeText(gc::kXdString, ref.baseId)) items.takeInt(gc::kXdShort, ref.baseKind);
  }
  if (out) *out = std::move(ref);
  return !base.empty() || (probe && !assoc.empty());
}

bool replaceHNoteRef(OwnedChain& entity, const HNoteRef& ref) {
  OwnedChain groups = hnoteRefChain(ref);
  if (!groups) return false;
  if (entity.view().has(gc::kExtendedData)) {
    // The entity's own marker stays in front of what it keeps; the groups follow without theirs.
    ValueNode* marker = groups.release();
    groups.reset(marker->next);
    marker->next = nullptr;
    releaseValueChain(marker, false);
  }
  for (const vchar* app : {kAppHNoteData, kAppAssocDesc, kAppHeightDim}) entity.removeExtendedData(app);
  entity.append(std::move(groups));
  return true;
}

bool reassociateHNote(OwnedChain& entity, vstring_view id) {
  ChainBuilder b;
  b.text(gc::kXdApp, kAppAssocDesc).text(gc::kXdString, id);
  OwnedChain group = b.build();
  if (!group) return false;
  return entity.replaceExtendedData(kAppAssocDesc, std::move(group));
}

bool applyHNoteRef(HNoteData& record, const HNoteRef& ref, std::optional<HNoteScale> scale) {
  if (!validType(ref.type)) return false;
  hnoteDefaults(record, ref.type, scale);
  copyStoredFields(ref, record);
  return true;
}

namespace {

// One field of a group: the item's code and the record's field.
struct StyleField {
  int code;
  std::variant<double HNoteData::*, int32_t HNoteData::*, bool HNoteData::*, vstring HNoteData::*> field;
  bool magnitude = false;  // a real written without its sign
};

// The fields of "VDHNOTESTYLE" in the order the group holds them. Integers
// go as 32-bit items (1071), so that no value a settings file may hold is
// cut short; flags as 16-bit ones (1070).
constexpr StyleField kStyleFields[] = {
    {gc::kXdString, &HNoteData::delim},
    {gc::kXdReal, &HNoteData::lvertLen},
    {gc::kXdReal, &HNoteData::lhorzLen},  // its sign: mirrored
    {gc::kXdLong, &HNoteData::arrowIndex},
    {gc::kXdReal, &HNoteData::hxLen},
    {gc::kXdReal, &HNoteData::hyLen},
    {gc::kXdReal, &HNoteData::textDistX},
    {gc::kXdReal, &HNoteData::textDistY},
    {gc::kXdShort, &HNoteData::underlineDraw},
    {gc::kXdReal, &HNoteData::underlineLength},
    {gc::kXdReal, &HNoteData::cxSize},  // the least frame size, not the one used
    {gc::kXdReal, &HNoteData::cySize},
    {gc::kXdReal, &HNoteData::hSize},
    {gc::kXdString, &HNoteData::arrowName},
    {gc::kXdLong, &HNoteData::insPt},
    {gc::kXdLong, &HNoteData::hnoteOptions},
    {gc::kXdShort, &HNoteData::flipped},
};
static_assert(std::size(kStyleFields) == kHNoteStyleFields, "the header counts the fields");

// The look the element-tagged variant keeps in its long "VDHNOTEDATA"
// group, after the type, the step and the three flags. The horizontal length
// goes without its sign.
constexpr StyleField kElementFields[] = {
    {gc::kXdReal, &HNoteData::lvertLen},
    {gc::kXdReal, &HNoteData::lhorzLen, true},
    {gc::kXdShort, &HNoteData::arrowIndex},
    {gc::kXdReal, &HNoteData::hxLen},
    {gc::kXdReal, &HNoteData::hyLen},
    {gc::kXdString, &HNoteData::delim},
    {gc::kXdReal, &HNoteData::textDistX},
};

void writeFields(ChainBuilder& chain, std::span<const StyleField> fields, const HNoteData& r) {
  for (const StyleField& f : fields) {
    std::visit(
        [&](auto member) {
          const auto& value = r.*member;
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, double>) {
            chain.real(f.code, f.magnitude ? std::abs(value) : value);
          } else if constexpr (std::is_same_v<T, vstring>) {
            chain.text(f.code, value);
          } else {
            chain.integer(f.code, static_cast<int64_t>(value));
          }
        },
        f.field);
  }
}

// Reads the fields from the items that follow `before`, while each carries
// its field's code; the count read.
int readFields(const ValueNode* before, std::span<const StyleField> fields, HNoteData& r) {
  int read = 0;
  const ValueNode* at = before;
  for (const StyleField& f : fields) {
    at = at ? at->next : nullptr;
    if (!at || at->code != f.code) break;
    const ChainItem item(at);
    std::visit(
        [&](auto member) {
          auto& field = r.*member;
          using T = std::decay_t<decltype(field)>;
          if constexpr (std::is_same_v<T, double>) {
            field = item.real().value_or(field);
          } else if constexpr (std::is_same_v<T, vstring>) {
            field = vstring(item.text().value_or(vstring_view()));
          } else if constexpr (std::is_same_v<T, bool>) {
            field = item.integer().value_or(0) != 0;
          } else {
            field = static_cast<int32_t>(item.integer().value_or(field));
          }
        },
        f.field);
    ++read;
  }
  return read;
}

}  // namespace

ChainBuilder& addHNoteStyle(ChainBuilder& chain, const HNoteData& r) {
  chain.extendedData(kAppHNoteStyle).integer(gc::kXdShort, kHNoteStyleFormat);
  writeFields(chain, kStyleFields, r);
  return chain;
}

int readHNoteStyle(ChainView entity, HNoteData& r) {
  const ChainView group = entity.extendedData(kAppHNoteStyle);
  if (group.empty()) return 0;
  const ValueNode* format = group.head()->next;
  if (!format || format->code != gc::kXdShort || ChainItem(format).integer() != kHNoteStyleFormat) return 0;
  return readFields(format, kStyleFields, r);
}

ChainBuilder& addHNoteElementData(ChainBuilder& chain, const HNoteData& r) {
  chain.extendedData(kAppHNoteData)
      .integer(gc::kXdShort, r.type)
      .real(gc::kXdReal, r.numAlign)
      .integer(gc::kXdShort, flag01(r.positivePlus))
      .integer(gc::kXdShort, flag01(r.plusMinusZero))
      .integer(gc::kXdShort, flag01(r.roundingMark));
  writeFields(chain, kElementFields, r);
  return chain;
}

int readHNoteElementLook(ChainView entity, HNoteData& r) {
  const ChainView group = entity.extendedData(kAppHNoteData);
  // The type, the step and the three flags come first.
  constexpr int kHead[] = {gc::kXdShort, gc::kXdReal, gc::kXdShort, gc::kXdShort, gc::kXdShort};
  const ValueNode* at = group.head();
  for (int code : kHead) {
    at = at ? at->next : nullptr;
    if (!at || at->code != code) return 0;
  }
  return readFields(at, kElementFields, r);
}

std::optional<vstring> hnoteShownSeparator(vstring_view text) {
  auto digit = [](vchar c) { return c >= u'0' && c <= u'9'; };
  size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'\u00B1')) ++i;
  if (i < text.size() && text[i] == u'-') ++i;
  const size_t whole = i;
  while (i < text.size() && digit(text[i])) ++i;
  // At least one digit before the separator and three after it.
  constexpr size_t kDecimals = kHNoteDecimals;
  if (i == whole || text.size() < whole + 1 + kDecimals) return std::nullopt;
  const size_t decimals = text.size() - kDecimals;
  for (size_t k = decimals; k < text.size(); ++k) {
    if (!digit(text[k])) return std::nullopt;
  }
  // Digits read into the decimals belong to them: an empty separator.
  if (i > decimals) return vstring();
  return vstring(text.substr(i, decimals - i));
}

std::optional<vstring> hnoteStoredSeparator(ChainView reference) {
  HNoteData stored;
  if (readHNoteStyle(reference, stored) < 1) return std::nullopt;
  return std::move(stored.delim);
}

ChainBuilder& addMemberTag(ChainBuilder& chain, ChainPoint position) {
  return chain.extendedData(kAppElement).text(gc::kXdString, kMemberTagText).point(kXdWorldPosition, position);
}

ChainBuilder& addLeaderTag(ChainBuilder& chain, vstring_view ownerId) {
  if (ownerId.empty()) return chain.extendedData(kAppLeaderFree).text(gc::kXdString, kLeaderFreeText);
  return chain.extendedData(kAppAssocDesc).text(gc::kXdString, ownerId);
}

}  // namespace vd
