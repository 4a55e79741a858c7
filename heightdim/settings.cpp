#include "heightdim/settings.h"

#include <cmath>
#include <span>
#include <type_traits>
#include <variant>

#include "host/host_api.h"
#include "store/host_path.h"
#include "store/prf_store.h"

namespace vd {

namespace {

constexpr const vchar* kSections[kHNoteTypeCount] = {u"HNOTE_CSN", u"HNOTE_DIN_1", u"HNOTE_DIN_2",
                                                     u"HNOTE_GP"};
constexpr int kLayerKeyMarks = 2;       // layer key of the marks' graphics
constexpr int kLayerNameChars = 256;
constexpr double kUnderlineFallback = 5.0;

// How a key is read and written. Numbers that are present but do not parse
// read as 0; a missing key always keeps the field as it was.
enum class Kind {
  Int,
  OptionalInt,   // not written while -1
  Flag,          // an integer, non-zero = on; written 0 or 1
  StrictFlag,    // a flag that changes only when the value parses
  Real,
  PositiveReal,  // 0 or less reads as kUnderlineFallback
  Name,          // a string; an empty value keeps the field
  Text,          // a string; an empty value is taken
};

using Field = std::variant<int32_t HNoteData::*, double HNoteData::*, bool HNoteData::*,
                           vstring HNoteData::*>;

struct KeyRule {
  const vchar* key;
  Kind kind;
  Field field;
};

// Read and written in this order, after TYPE.
const KeyRule kCommonKeys[] = {
    {u"LAYER", Kind::Name, &HNoteData::layer},
    {u"LAYERTXT", Kind::Name, &HNoteData::layerText},
    {u"TEXTSTYLE", Kind::Name, &HNoteData::textStyle},
    {u"COLORTEXT", Kind::Int, &HNoteData::colorText},
    {u"COLORDIM", Kind::Int, &HNoteData::colorDim},
    {u"TEXTHEIGHT", Kind::Real, &HNoteData::textHeight},
    {u"TEXTWIDTH", Kind::Real, &HNoteData::textWidth},
    {u"BACKGROUND_MASK", Kind::Flag, &HNoteData::backgroundMask},
    {u"BACKGROUND_MASK_DWG", Kind::Flag, &HNoteData::backgroundMaskDwg},
    {u"BACKGROUND_MASK_COLOR", Kind::Int, &HNoteData::backgroundMaskColor},
};

const KeyRule kCsnKeys[] = {
    {u"DELIM", Kind::Text, &HNoteData::delim},
    {u"NUM_ALIGN", Kind::Real, &HNoteData::numAlign},
    {u"POSITIVE_PLUS", Kind::Int, &HNoteData::positivePlus},
    {u"PLUS_MINUS_ZERO", Kind::Int, &HNoteData::plusMinusZero},
    {u"LHORZLEN", Kind::Real, &HNoteData::lhorzLen},
    {u"LVERTLEN", Kind::Real, &HNoteData::lvertLen},
    {u"ARROWNAME", Kind::Int, &HNoteData::arrowIndex},
    {u"HXLEN", Kind::Real, &HNoteData::hxLen},
    {u"HYLEN", Kind::Real, &HNoteData::hyLen},
    {u"TEXTDISTX", Kind::Real, &HNoteData::textDistX},
    {u"TEXTDISTY", Kind::Real, &HNoteData::textDistY},
    {u"ROUNDING_MARK", Kind::Int, &HNoteData::roundingMark},
    {u"UNDERLINE_DRAW", Kind::StrictFlag, &HNoteData::underlineDraw},
    {u"UNDERLINE_LENGTH", Kind::PositiveReal, &HNoteData::underlineLength},
};

const KeyRule kDinKeys[] = {
    {u"DELIM", Kind::Text, &HNoteData::delim},
    {u"NUM_ALIGN", Kind::Real, &HNoteData::numAlign},
    {u"POSITIVE_PLUS", Kind::Int, &HNoteData::positivePlus},
    {u"PLUS_MINUS_ZERO", Kind::Int, &HNoteData::plusMinusZero},
    {u"TEXTDISTX", Kind::Real, &HNoteData::textDistX},
    {u"TEXTDISTY", Kind::Real, &HNoteData::textDistY},
    {u"HXLEN", Kind::Real, &HNoteData::hxLen},
    {u"HYLEN", Kind::Real, &HNoteData::hyLen},
    {u"ROUNDING_MARK", Kind::Int, &HNoteData::roundingMark},
};

const KeyRule kPlanKeys[] = {
    {u"CXSIZE", Kind::Real, &HNoteData::cxSize},
    {u"CYSIZE", Kind::Real, &HNoteData::cySize},
    {u"HSIZE", Kind::Real, &HNoteData::hSize},
    {u"ARROWNAME", Kind::Text, &HNoteData::arrowName},
    {u"INSPT", Kind::OptionalInt, &HNoteData::insPt},
};

std::span<const KeyRule> typeKeys(int type) {
  switch (type) {
    case 0:
      return kCsnKeys;
    case 1:
    case 2:
      return kDinKeys;
    case 3:
      return kPlanKeys;
    default:
      return {};
  }
}

// A number key: the parsed value; 0 when present but not a number; none when
// missing. Presence is asked first so that a missing key costs one read.
template <typename T>
std::optional<T> readNumber(ini_store& store, vstring_view key) {
  vstring text;
  if (!store.getString(key, text)) return std::nullopt;
  T value{};
  bool parsed;
  if constexpr (std::is_same_v<T, double>) {
    parsed = store.getDouble(key, value);
  } else {
    parsed = store.getInt(key, value);
  }
  return parsed ? value : T{};
}

void readKey(ini_store& store, const KeyRule& rule, HNoteData& record) {
  switch (rule.kind) {
    case Kind::Int:
    case Kind::OptionalInt:
      if (auto v = readNumber<int32_t>(store, rule.key)) record.*std::get<int32_t HNoteData::*>(rule.field) = *v;
      return;
    case Kind::Flag:
      if (auto v = readNumber<int32_t>(store, rule.key)) record.*std::get<bool HNoteData::*>(rule.field) = *v != 0;
      return;
    case Kind::StrictFlag: {
      int32_t v = 0;
      if (store.getInt(rule.key, v)) record.*std::get<bool HNoteData::*>(rule.field) = v != 0;
      return;
    }
    case Kind::Real:
    case Kind::PositiveReal:
      if (auto v = readNumber<double>(store, rule.key)) {
        double value = *v;
        if (rule.kind == Kind::PositiveReal && value <= 0) value = kUnderlineFallback;
        record.*std::get<double HNoteData::*>(rule.field) = value;
      }
      return;
    case Kind::Name:
    case Kind::Text: {
      vstring text;
      if (!store.getString(rule.key, text)) return;
      if (rule.kind == Kind::Name && text.empty()) return;
      record.*std::get<vstring HNoteData::*>(rule.field) = std::move(text);
      return;
    }
  }
}

bool writeKey(ini_store& store, const KeyRule& rule, const HNoteData& record) {
  switch (rule.kind) {
    case Kind::Int:
      return store.setInt(rule.key, record.*std::get<int32_t HNoteData::*>(rule.field));
    case Kind::OptionalInt: {
      int32_t v = record.*std::get<int32_t HNoteData::*>(rule.field);
      return v == -1 || store.setInt(rule.key, v);
    }
    case Kind::Flag:
    case Kind::StrictFlag:
      return store.setInt(rule.key, record.*std::get<bool HNoteData::*>(rule.field) ? 1 : 0);
    case Kind::Real:
    case Kind::PositiveReal:
      return store.setDouble(rule.key, record.*std::get<double HNoteData::*>(rule.field));
    case Kind::Name:
    case Kind::Text:
      return store.setString(rule.key, record.*std::get<vstring HNoteData::*>(rule.field));
  }
  return false;
}

void readRecord(ini_store& store, HNoteData& record) {
  if (auto type = readNumber<int32_t>(store, u"TYPE")) {
    // The file's type wins over the section's; out of range is clamped, never refused.
    int clamped = *type < 0 ? 0 : (*type > 3 ? 3 : *type);
    hnoteDefaults(record, clamped);
  }
  for (const KeyRule& rule : kCommonKeys) readKey(store, rule, record);
  for (const KeyRule& rule : typeKeys(record.type)) readKey(store, rule, record);
}

bool writeRecord(ini_store& store, const HNoteData& record) {
  bool ok = store.setInt(u"TYPE", record.type);
  for (const KeyRule& rule : kCommonKeys) ok = writeKey(store, rule, record) && ok;
  for (const KeyRule& rule : typeKeys(record.type)) ok = writeKey(store, rule, record) && ok;
  return ok;
}

vstring hostLayerName(int key) {
  vchar buffer[kLayerNameChars] = {};
  hostCallOr<&HostApi::GetLayerKeyW>(0, key, buffer, kLayerNameChars, 0);
  buffer[kLayerNameChars - 1] = 0;
  return vstring(buffer);
}

}  // namespace

const vchar* hnoteSection(int type) {
  return type >= 0 && type < kHNoteTypeCount ? kSections[type] : nullptr;
}

double currentUcsRotation() {
  // The host turns points only, so the direction is the difference of two
  // turned points: that keeps the UCS origin out of it.
  double origin[3] = {0, 0, 0};
  double unitX[3] = {1, 0, 0};
  if (!hostCallOr<&HostApi::Wcs2Ucs>(0, origin, 0, 1) || !hostCallOr<&HostApi::Wcs2Ucs>(0, unitX, 0, 1)) {
    return 0;
  }
  double dx = unitX[0] - origin[0];
  double dy = unitX[1] - origin[1];
  if (!std::isfinite(dx) || !std::isfinite(dy) || (dx == 0 && dy == 0)) return 0;
  return -std::atan2(dy, dx);
}

vstring hnoteDataPath() { return hostBinding().userDataPath + u"\\Dat\\hnoteData.ini"; }

bool hnoteDefaults(HNoteData& r, int type, std::optional<HNoteScale> scale) {
  const double sx = scale ? scale->sx : 1.0;
  const double sy = scale ? scale->sy : 1.0;

  // Instance fields.
  r.insertPoint = {};
  r.direction = {};
  r.angle = 0;
  r.flipped = false;
  r.valueText.clear();
  r.valueText2.clear();
  r.props = HNoteProps{};
  r.blockName.clear();
  r.id.clear();
  r.baseId.clear();
  r.baseKind = 0;
  r.rotation = currentUcsRotation();
  r.hnoteOptions = 0;
  r.leaderStart = {};
  r.leaderEnd = {};
  r.underlineAsGiven = false;
  r.rounded = false;

  // Style fields with one default for every type.
  r.layer = hostLayerName(kLayerKeyMarks);
  r.layerText = r.layer;
  r.textStyle = u"STANDARD";
  r.colorText = 0;
  r.colorDim = 0;
  r.textHeight = 2.5;
  r.textWidth = 0.8;
  r.backgroundMask = true;
  r.backgroundMaskDwg = true;
  r.backgroundMaskColor = 1;
  r.delim = u".";
  r.numAlign = 0.001;
  r.positivePlus = 1;
  r.plusMinusZero = 1;
  r.roundingMark = 0;
  r.arrowIndex = 0;
  r.underlineLength = 5.0;
  if (type < 0 || type >= kHNoteTypeCount) return false;

  const bool csn = type == 0;
  const bool section = type <= 2;
  const bool plan = type == 3;
  r.type = type;
  r.lvertLen = csn ? 7.5 * sy : 0;
  r.lhorzLen = csn ? 11.725 * sx : 0;
  r.hxLen = section ? 3.55 * sx : 0;
  r.hyLen = section ? 1.781 * sy : 0;
  r.textDistX = csn ? 1.25 * sx : 0;
  r.textDistY = csn ? 0.836 * sy : (section ? 1.05 * sx : 0);
  r.underlineDraw = csn;
  r.cxSize = plan ? 14.225 * sx : 0;
  r.cySize = plan ? 6.25 * sy : 0;
  r.hSize = plan ? 0.25 : 0;
  r.arrowName = plan ? u"_DOT" : u"";
  r.insPt = plan ? 0 : -1;
  return true;
}

HNoteDataSet::HNoteDataSet() {
  for (int i = 0; i < kHNoteTypeCount; ++i) {
    hnoteDefaults(records[i], i);
    present[i] = true;
  }
  ucsRotation = currentUcsRotation();
}

bool HNoteDataSet::load(vstring_view file, ProfileBackend& backend) {
  if (file.empty() || file.size() >= kMaxPathChars) return false;
  path = vstring(file);
  prf_store store(backend);
  for (int i = 0; i < kHNoteTypeCount; ++i) {
    if (!store.open(path, kSections[i])) return false;
    readRecord(store, records[i]);
    present[i] = true;
  }
  return true;
}

bool HNoteDataSet::save(ProfileBackend& backend) const {
  if (path.empty() || !ensureParentFolder(path)) return false;
  prf_store store(backend);
  bool ok = true;
  for (int i = 0; i < kHNoteTypeCount; ++i) {
    if (!present[i]) continue;
    if (!store.open(path, kSections[i])) return false;
    ok = writeRecord(store, records[i]) && ok;
  }
  return ok;
}

}  // namespace vd
