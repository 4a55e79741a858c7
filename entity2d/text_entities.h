// The text kinds: single-line texts, attribute definitions, attributes (with
// an embedded multi-line text) and multi-line texts.
#pragma once
#include "entity2d/ent2d.h"

namespace vd {

// "TEXT", and the base of the attribute kinds.
class ltText2D : public ltEnt2D {
 public:
  ltText2D() = default;
  ltText2D(const ltText2D&) = default;

  const GcGePoint2d& insertion() const { return insertion_; }
  const GcGePoint2d& alignment() const { return alignment_; }
  double height() const { return height_; }
  const vstring& text() const { return text_; }
  double rotation() const { return rotation_; }
  double widthFactor() const { return widthFactor_; }
  double oblique() const { return oblique_; }
  const vstring& style() const { return style_; }
  int generationFlags() const { return generation_; }
  int horizontalJustification() const { return hJust_; }
  int verticalJustification() const { return vJust_; }
  void setText(vstring_view text) {
    text_ = vstring(text);
    markDirty();
  }

  int typeId() const override { return kEntText; }
  ltEnt2D* clone() const override { return new ltText2D(*this); }
  bool transformBy(const GcGeMatrix2d& m) override;
  bool extents(GcGeBoundBlock2d& box, bool extend) const override;
  bool sameAs(const ltEnt2D& other) const override;
  const vchar* typeName() const override;
  const vchar* subclassMarker() const override;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;
  // The codes after the text part: the second AcDbText marker with group 73
  // for a text, the attribute subclass for the attribute kinds.
  virtual void writeOwnPart(ChainBuilder& b, ChainView prev) const;
  // Group of the vertical justification: 73 for texts, 74 for attributes.
  virtual int verticalJustificationCode() const { return gc::kFlags3; }

 private:
  GcGePoint2d insertion_;
  GcGePoint2d alignment_;
  bool hasAlignment_ = false;
  double height_ = 0.0;
  vstring text_;
  double rotation_ = 0.0;
  double widthFactor_ = 1.0;
  double oblique_ = 0.0;
  vstring style_ = u"STANDARD";
  int generation_ = 0;
  int hJust_ = 0;
  int vJust_ = 0;
};

// "ATTDEF".
class ltAttDef2D final : public ltText2D {
 public:
  ltAttDef2D() = default;
  ltAttDef2D(const ltAttDef2D&) = default;
  int typeId() const override { return kEntAttDef; }
  ltEnt2D* clone() const override { return new ltAttDef2D(*this); }
  const vchar* typeName() const override;
  const vchar* subclassMarker() const override;

 protected:
  void writeOwnPart(ChainBuilder& b, ChainView prev) const override;
  int verticalJustificationCode() const override { return 74; }
};

// "ATTRIB", whose value may also come as an embedded multi-line text (the
// group 1 after group 101).
class ltAttrib2D final : public ltText2D {
 public:
  ltAttrib2D() = default;
  ltAttrib2D(const ltAttrib2D&) = default;
  const vstring& embeddedText() const { return embedded_; }
  bool hasEmbeddedText() const { return hasEmbedded_; }
  void setEmbeddedText(vstring_view text) {
    embedded_ = vstring(text);
    markDirty();
  }

  int typeId() const override { return kEntAttrib; }
  ltEnt2D* clone() const override { return new ltAttrib2D(*this); }
  const vchar* typeName() const override;
  const vchar* subclassMarker() const override;

 protected:
  bool parseGeometry(ChainView chain) override;
  void writeOwnPart(ChainBuilder& b, ChainView prev) const override;
  int verticalJustificationCode() const override { return 74; }

 private:
  vstring embedded_;
  bool hasEmbedded_ = false;
};

// "MTEXT".
class ltMText2D final : public ltEnt2D {
 public:
  ltMText2D() = default;
  ltMText2D(const ltMText2D&) = default;

  const GcGePoint2d& insertion() const { return insertion_; }
  const vstring& text() const { return text_; }
  const vstring& style() const { return style_; }
  double height() const { return height_; }
  double referenceWidth() const { return width_; }
  int attachment() const { return attachment_; }
  double rotation() const { return rotation_; }
  double lineSpacingFactor() const { return spacing_; }
  int lineSpacingStyle() const { return spacingStyle_; }
  int drawingDirection() const { return direction_; }
  void setText(vstring_view text) {
    text_ = vstring(text);
    markDirty();
  }

  int typeId() const override { return kEntMText; }
  ltEnt2D* clone() const override { return new ltMText2D(*this); }
  bool transformBy(const GcGeMatrix2d& m) override;
  // Measures the text through the host (formatting codes removed) around the
  // insertion point as the attachment point places it.
  bool extents(GcGeBoundBlock2d& box, bool extend) const override;
  bool sameAs(const ltEnt2D& other) const override;
  const vchar* typeName() const override;
  const vchar* subclassMarker() const override;

 protected:
  bool parseGeometry(ChainView chain) override;
  bool buildChain(ChainBuilder& b, ChainView prev) const override;

 private:
  GcGePoint2d insertion_;
  vstring text_;
  vstring style_ = u"STANDARD";
  double height_ = 0.0;
  double width_ = 0.0;
  int attachment_ = 1;
  int direction_ = 1;
  double rotation_ = 0.0;
  bool hasDirection_ = false;  // the chain gave the rotation as an x direction (11)
  double spacing_ = 1.0;
  int spacingStyle_ = 1;
};

// The visible text of a multi-line text value: formatting codes removed,
// paragraph breaks as line feeds.
vstring plainMText(vstring_view text);

}  // namespace vd
