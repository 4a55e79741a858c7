#include "entity2d/text_entities.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "entity2d/chain_write.h"
#include "host/host_api.h"
#include "host/names.h"

namespace vd {

using ent::ChainCursor;
using ent::point2;
using ent::point3;

namespace {

constexpr int kEmbeddedObject = 101;
// DXF carries long texts in pieces: 3 groups of this many characters, then the rest in 1.
constexpr size_t kTextChunk = 250;

bool endsTextPart(const ChainCursor& c) { return c.atEnd() || c.code() == kEmbeddedObject; }

// Copies the nodes from `from` up to the extended data, giving the first node
// with `code` the value `replacement` (appended at the end when there is none
// and `appendWhenMissing`).
void copyReplacing(ChainBuilder& b, const ValueNode* from, int code, const std::function<void()>& replacement,
                   bool appendWhenMissing, int stopCode = -9999) {
  bool replaced = false;
  for (ChainCursor c(from); !c.atEnd() && c.code() != stopCode; c.next()) {
    if (!replaced && c.code() == code) {
      replacement();
      replaced = true;
      continue;
    }
    ent::copyItem(b, c.item());
  }
  if (!replaced && appendWhenMissing) replacement();
}

const ValueNode* findMarker(ChainView chain, const vchar* marker) {
  for (ChainCursor c(chain.head()); !c.atEnd(); c.next()) {
    if (c.code() == gc::kSubclass && c.item().text() == vstring_view(marker)) return c.node();
  }
  return nullptr;
}

// Size of one line through the host's text measuring; false without a host answer.
bool measure(vstring_view line, const vstring& style, double height, double widthFactor, double& w, double& h) {
  vstring text(line);
  w = h = 0.0;
  int ok = hostCallOr<&HostApi::GetTextExtentsW>(0, text.c_str(), style.c_str(), height, widthFactor, &w, &h);
  return ok != 0;
}

void boxOfCorners(GcGeBoundBlock2d& box, bool extend, const GcGePoint2d& corner, const GcGeVector2d& w,
                  const GcGeVector2d& h) {
  bool started = extend;
  for (const GcGePoint2d& p : {corner, corner + w, corner + h, corner + w + h}) extendBox(box, started, p);
}

}  // namespace

// --- TEXT --------------------------------------------------------------------

const vchar* ltText2D::typeName() const { return names::kText; }
const vchar* ltText2D::subclassMarker() const { return names::kAcDbText; }
const vchar* ltAttDef2D::typeName() const { return names::kAttDef; }
const vchar* ltAttDef2D::subclassMarker() const { return names::kAcDbAttributeDefinition; }
const vchar* ltAttrib2D::typeName() const { return names::kAttrib; }
const vchar* ltAttrib2D::subclassMarker() const { return names::kAcDbAttribute; }

bool ltText2D::parseGeometry(ChainView chain) {
  if (!chain.isType(typeName())) return false;
  const int vCode = verticalJustificationCode();
  insertion_ = GcGePoint2d();
  alignment_ = GcGePoint2d();
  hasAlignment_ = false;
  height_ = 0.0;
  text_.clear();
  rotation_ = 0.0;
  widthFactor_ = 1.0;
  oblique_ = 0.0;
  style_ = names::kStandard;
  generation_ = hJust_ = vJust_ = 0;
  // The attribute kinds reuse some codes in their own subclass (71, 72, 11 of
  // a multi-line attribute): from their marker on only the justification counts.
  bool ownPart = false;
  for (ChainCursor c(chain.head()); !endsTextPart(c); c.next()) {
    ChainItem item = c.item();
    const int code = item.code();
    if (code == gc::kSubclass && typeId() != kEntText && item.text() == vstring_view(subclassMarker())) ownPart = true;
    if (ownPart) {
      if (code == vCode) vJust_ = static_cast<int>(item.integer().value_or(0));
      continue;
    }
    if (code == gc::kPoint0) {
      if (auto p = item.point()) insertion_ = point2(*p);
    } else if (code == gc::kPoint1) {
      if (auto p = item.point()) {
        alignment_ = point2(*p);
        hasAlignment_ = true;
      }
    } else if (code == gc::kReal0) {
      height_ = item.real().value_or(height_);
    } else if (code == gc::kText) {
      text_ = vstring(item.text().value_or(vstring_view()));
    } else if (code == gc::kAngle0) {
      rotation_ = item.real().value_or(0.0);
    } else if (code == gc::kReal1) {
      widthFactor_ = item.real().value_or(1.0);
    } else if (code == gc::kAngle1) {
      oblique_ = item.real().value_or(0.0);
    } else if (code == gc::kTextStyle) {
      style_ = vstring(item.text().value_or(names::kStandard));
    } else if (code == gc::kFlags1) {
      generation_ = static_cast<int>(item.integer().value_or(0));
    } else if (code == gc::kFlags2) {
      hJust_ = static_cast<int>(item.integer().value_or(0));
    } else if (code == vCode) {
      vJust_ = static_cast<int>(item.integer().value_or(0));
    }
  }
  return true;
}

bool ltText2D::buildChain(ChainBuilder& b, ChainView prev) const {
  ent::writeHeader(b, typeName(), props());
  b.text(gc::kSubclass, names::kAcDbText);
  ent::copyCode(b, prev, gc::kThickness);
  b.point(gc::kPoint0, point3(insertion_));
  b.real(gc::kReal0, height_);
  b.text(gc::kText, text_);
  b.real(gc::kAngle0, rotation_);
  b.real(gc::kReal1, widthFactor_);
  b.real(gc::kAngle1, oblique_);
  b.text(gc::kTextStyle, style_);
  b.integer(gc::kFlags1, generation_);
  b.integer(gc::kFlags2, hJust_);
  if (hasAlignment_ || hJust_ != 0 || vJust_ != 0) b.point(gc::kPoint1, point3(alignment_));
  ent::copyCode(b, prev, gc::kExtrusion);
  writeOwnPart(b, prev);
  return true;
}

void ltText2D::writeOwnPart(ChainBuilder& b, ChainView) const {
  b.text(gc::kSubclass, names::kAcDbText);
  b.integer(gc::kFlags3, vJust_);
}

bool ltText2D::transformBy(const GcGeMatrix2d& m) {
  const GcGeVector2d d = m.apply(GcGeVector2d(std::cos(rotation_), std::sin(rotation_)));
  const double k = d.length();
  if (k <= 0.0) return false;
  insertion_ = m.apply(insertion_);
  alignment_ = m.apply(alignment_);
  rotation_ = d.angle();
  height_ *= k;
  markDirty();
  return true;
}

bool ltText2D::extents(GcGeBoundBlock2d& box, bool extend) const {
  double w = 0, h = 0;
  if (!measure(text_, style_, height_, widthFactor_, w, h)) return false;
  const GcGeVector2d x(std::cos(rotation_), std::sin(rotation_));
  boxOfCorners(box, extend, insertion_, x * w, x.perpVector() * h);
  return true;
}

bool ltText2D::sameAs(const ltEnt2D& other) const {
  if (other.typeId() != typeId()) return false;
  const auto& o = static_cast<const ltText2D&>(other);
  return o.insertion_.isEqualTo(insertion_) && o.text_ == text_ &&
         std::abs(o.height_ - height_) <= GcGeContext::gTol.equalPoint();
}

// --- ATTDEF, ATTRIB ----------------------------------------------------------

void ltAttDef2D::writeOwnPart(ChainBuilder& b, ChainView prev) const {
  const int vJust = verticalJustification();
  auto writeVJust = [&] { b.integer(74, vJust); };
  const ValueNode* marker = prev.isType(typeName()) ? findMarker(prev, subclassMarker()) : nullptr;
  if (!marker) {
    b.text(gc::kSubclass, subclassMarker()).text(gc::kText2, u"").text(gc::kName, u"").integer(gc::kFlags, 0);
    writeVJust();
    return;
  }
  copyReplacing(b, marker, 74, writeVJust, true);
}

bool ltAttrib2D::parseGeometry(ChainView chain) {
  if (!ltText2D::parseGeometry(chain)) return false;
  embedded_.clear();
  hasEmbedded_ = false;
  ChainCursor c(chain.head());
  if (c.seek(kEmbeddedObject) && c.seek(gc::kText)) {
    embedded_ = vstring(c.item().text().value_or(vstring_view()));
    hasEmbedded_ = true;
  }
  return true;
}

void ltAttrib2D::writeOwnPart(ChainBuilder& b, ChainView prev) const {
  const int vJust = verticalJustification();
  auto writeVJust = [&] { b.integer(74, vJust); };
  const bool same = prev.isType(typeName());
  const ValueNode* marker = same ? findMarker(prev, subclassMarker()) : nullptr;
  if (!marker) {
    b.text(gc::kSubclass, subclassMarker()).text(gc::kName, u"").integer(gc::kFlags, 0);
    writeVJust();
    return;
  }
  copyReplacing(b, marker, 74, writeVJust, true, kEmbeddedObject);
  ChainCursor embedded(prev.head());
  if (!hasEmbedded_ || !embedded.seek(kEmbeddedObject)) return;
  copyReplacing(b, embedded.node(), gc::kText, [&] { b.text(gc::kText, embedded_); }, false);
}

// --- MTEXT -------------------------------------------------------------------

const vchar* ltMText2D::typeName() const { return names::kMText; }
const vchar* ltMText2D::subclassMarker() const { return names::kAcDbMText; }

bool ltMText2D::parseGeometry(ChainView chain) {
  if (!chain.isType(names::kMText) || !chain.has(gc::kPoint0)) return false;
  insertion_ = point2(chain.point(gc::kPoint0).value_or(ChainPoint{}));
  vstring chunks, last;
  for (ChainCursor c(chain.head()); !c.atEnd(); c.next()) {
    if (c.code() == gc::kText2) chunks += c.item().text().value_or(vstring_view());
    if (c.code() == gc::kText) last = vstring(c.item().text().value_or(vstring_view()));
  }
  text_ = chunks + last;
  style_ = vstring(chain.text(gc::kTextStyle).value_or(names::kStandard));
  height_ = chain.real(gc::kReal0).value_or(0.0);
  width_ = chain.real(gc::kReal1).value_or(0.0);
  attachment_ = static_cast<int>(chain.integer(gc::kFlags1).value_or(1));
  direction_ = static_cast<int>(chain.integer(gc::kFlags2).value_or(1));
  spacingStyle_ = static_cast<int>(chain.integer(gc::kFlags3).value_or(1));
  spacing_ = chain.real(44).value_or(1.0);
  hasDirection_ = false;
  rotation_ = chain.real(gc::kAngle0).value_or(0.0);
  if (auto dir = chain.point(gc::kPoint1)) {
    const GcGeVector2d d(dir->x, dir->y);
    if (!d.isZeroLength()) {
      rotation_ = d.angle();
      hasDirection_ = true;
    }
  }
  return true;
}

bool ltMText2D::buildChain(ChainBuilder& b, ChainView prev) const {
  ent::writeHeader(b, names::kMText, props());
  b.text(gc::kSubclass, names::kAcDbMText);
  b.point(gc::kPoint0, point3(insertion_));
  b.real(gc::kReal0, height_);
  b.real(gc::kReal1, width_);
  ent::copyCode(b, prev, 46);
  b.integer(gc::kFlags1, attachment_);
  b.integer(gc::kFlags2, direction_);
  vstring_view rest = text_;
  while (rest.size() > kTextChunk) {
    size_t cut = kTextChunk;
    // A surrogate pair stays in one piece.
    if (rest[cut - 1] >= 0xD800 && rest[cut - 1] <= 0xDBFF) --cut;
    b.text(gc::kText2, rest.substr(0, cut));
    rest.remove_prefix(cut);
  }
  b.text(gc::kText, rest);
  b.text(gc::kTextStyle, style_);
  ent::copyCode(b, prev, gc::kExtrusion);
  if (hasDirection_) {
    b.point(gc::kPoint1, std::cos(rotation_), std::sin(rotation_), 0.0);
  } else {
    b.real(gc::kAngle0, rotation_);
  }
  b.integer(gc::kFlags3, spacingStyle_);
  b.real(44, spacing_);
  for (int code : {90, 63, 421, 431, 45, 441}) ent::copyCode(b, prev, code);
  return true;
}

bool ltMText2D::transformBy(const GcGeMatrix2d& m) {
  const GcGeVector2d d = m.apply(GcGeVector2d(std::cos(rotation_), std::sin(rotation_)));
  const double k = d.length();
  if (k <= 0.0) return false;
  insertion_ = m.apply(insertion_);
  rotation_ = d.angle();
  height_ *= k;
  width_ *= k;
  markDirty();
  return true;
}

bool ltMText2D::extents(GcGeBoundBlock2d& box, bool extend) const {
  const vstring plain = plainMText(text_);
  double width = 0.0, height = 0.0;
  int lines = 0;
  size_t from = 0;
  while (from <= plain.size()) {
    size_t to = plain.find(u'\n', from);
    if (to == vstring::npos) to = plain.size();
    double w = 0, h = 0;
    if (!measure(vstring_view(plain).substr(from, to - from), style_, height_, 1.0, w, h)) return false;
    width = std::max(width, w);
    // Lines after the first advance by the line pitch: 5/3 of the height times the factor.
    height += lines == 0 ? h : height_ * 5.0 / 3.0 * spacing_;
    ++lines;
    from = to + 1;
  }
  const int a = (attachment_ >= 1 && attachment_ <= 9) ? attachment_ : 1;
  const int row = (a - 1) / 3, col = (a - 1) % 3;  // rows top, middle, bottom; columns left, centre, right
  const GcGeVector2d x(std::cos(rotation_), std::sin(rotation_));
  const GcGeVector2d w = x * width, h = x.perpVector() * height;
  const GcGePoint2d corner = insertion_ - w * (col * 0.5) - h * ((2 - row) * 0.5);
  boxOfCorners(box, extend, corner, w, h);
  return true;
}

bool ltMText2D::sameAs(const ltEnt2D& other) const {
  if (other.typeId() != kEntMText) return false;
  const auto& o = static_cast<const ltMText2D&>(other);
  return o.insertion_.isEqualTo(insertion_) && o.text_ == text_ &&
         std::abs(o.height_ - height_) <= GcGeContext::gTol.equalPoint();
}

vstring plainMText(vstring_view t) {
  vstring out;
  for (size_t i = 0; i < t.size(); ++i) {
    const vchar ch = t[i];
    if (ch == u'{' || ch == u'}') continue;
    if (ch != u'\\' || i + 1 >= t.size()) {
      out += ch;
      continue;
    }
    const vchar code = t[++i];
    switch (code) {
      case u'P':
      case u'X':
        out += u'\n';
        break;
      case u'~':
        out += u' ';
        break;
      case u'\\':
      case u'{':
      case u'}':
        out += code;
        break;
      case u'L': case u'l': case u'O': case u'o': case u'K': case u'k':
        break;
      case u'S': {
        // Stacked text "a^b;" or "a#b;" or "a/b;" reads as a/b.
        for (++i; i < t.size() && t[i] != u';'; ++i) out += (t[i] == u'^' || t[i] == u'#') ? u'/' : t[i];
        break;
      }
      case u'A': case u'C': case u'c': case u'F': case u'f': case u'H': case u'h':
      case u'Q': case u'q': case u'T': case u't': case u'W': case u'w': case u'p':
        while (i < t.size() && t[i] != u';') ++i;
        break;
      default:
        out += code;
        break;
    }
  }
  return out;
}

}  // namespace vd
