#include "heightdim/settings_dialog.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "controls/mask_dialog.h"
#include "heightdim/builder_preview.h"
#include "heightdim/edit_dialogs.h"
#include "heightdim/place.h"
#include "host/host_api.h"
#include "host/services.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "store/host_path.h"
#include "store/prf_store.h"
#include "ui/wide_text.h"

namespace vd {

namespace {

constexpr const vchar* kSettingsHelpTopic =
    u"::/Obecne_funkce/Obecne_kreslici_a_editacni_funkce/Kótování/Výškové_kóty/"
    u"02020318Nastaveni_parametru_vyskovych_kot.htm";

constexpr int kPlanType = static_cast<int>(HNoteType::Plan);
constexpr int kSectionTypeCount = 3;
// The section types' names in "Typ kóty:", in type order.
constexpr std::array<int, kSectionTypeCount> kTypeNames = {IDS_HEIGHTDIM_TYPE_CSN, IDS_HEIGHTDIM_TYPE_DIN_OPEN,
                                                          IDS_HEIGHTDIM_TYPE_DIN_ROUGH};
// Size of one boundary-mark picture at the screen scale 1.0; the bitmap holds six side by side.
constexpr int kMarkPictureWidth = 45;
constexpr int kMarkPictureHeight = 32;
constexpr double kSampleFactor = 1.234;
constexpr int kLayerPrefixChars = 256;
constexpr const wchar_t* kDelimiters[] = {L".", L","};

// The controls only ČSN has; disabled for the DIN types. The labels of the
// two line lengths stay as they are: only the mark type's and the
// underline's labels go grey with their controls.
constexpr int kCsnOnly[] = {IDC_HDSET_VERT_LENGTH,     IDC_HDSET_HORZ_LENGTH,     IDC_HDSET_MARK_TYPE_LABEL,
                            IDC_HDSET_MARK_TYPE,       IDC_HDSET_UNDERLINE_LABEL, IDC_HDSET_UNDERLINE};

// The controls whose change rebuilds a preview at once, by the notification
// that reports the change.
constexpr int kSectionEditCombos[] = {IDC_HDSET_ROUNDING,   IDC_HDSET_VERT_LENGTH, IDC_HDSET_HORZ_LENGTH,
                                      IDC_HDSET_MARK_WIDTH, IDC_HDSET_MARK_HEIGHT, IDC_HDSET_TEXT_HEIGHT,
                                      IDC_HDSET_TEXT_WIDTH, IDC_HDSET_TEXT_OFFSET, IDC_HDSET_DELIMITER,
                                      IDC_HDSET_UNDERLINE_LENGTH};
constexpr int kSectionChecks[] = {IDC_HDSET_ROUNDING_MARK, IDC_HDSET_UNDERLINE, IDC_HDSET_PLUS_SIGN,
                                  IDC_HDSET_PLUS_MINUS_ZERO, IDC_HDSET_MASK};
constexpr int kPlanEditCombos[] = {IDC_HDSET_FRAME_WIDTH, IDC_HDSET_FRAME_HEIGHT, IDC_HDSET_PLAN_ARROW_SIZE,
                                   IDC_HDSET_PLAN_TEXT_HEIGHT, IDC_HDSET_PLAN_TEXT_WIDTH};

template <size_t N>
bool listed(const int (&ids)[N], int id) {
  return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

bool checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void setCheck(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

std::wstring wide(vstring_view text) { return ui::toWide(vstring(text)); }

// Selects the item of a drop-down list whose text is `text`, adding it first
// when the list lacks it. Style and layer names are one name whatever their
// case, so the list's own spelling is selected rather than a second item.
void selectOrAdd(VdComboBox& combo, const std::wstring& text) {
  int at = combo.findStringExact(text.c_str());
  if (at < 0) at = combo.addString(text.c_str());
  combo.setCurSel(at);
}

std::wstring selectedText(const VdComboBox& combo) {
  const int at = combo.curSel();
  return at >= 0 ? combo.itemText(at) : std::wstring();
}

}  // namespace

const vstring& localeDecimalSeparator() {
  static const vstring separator = [] {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) <= 1) return vstring(u",");
    return ui::fromWide(buffer);
  }();
  return separator;
}

double nextHNoteSample(double value, double units) {
  if (value > 0) return -value;
  if (value < 0) return 0;
  return units * kSampleFactor;
}

// --- The fields of the records and their controls -----------------------------

// A number of a record in a history combo, with the range the dialog accepts.
struct CHeightDimSettingsDlg::NumberField {
  int id;
  comboHistory CHeightDimSettingsDlg::*combo;
  double HNoteData::*field;
  double minimum;
  double maximum;
  bool csnOnly;
};

namespace {
using D = CHeightDimSettingsDlg;
constexpr double kLengthLimit = 1000;  // mm on paper
}  // namespace

auto CHeightDimSettingsDlg::numberFields(bool plan, size_t& count) -> const NumberField* {
  static const NumberField section[] = {
      {IDC_HDSET_ROUNDING, &D::rounding_, &HNoteData::numAlign, 0, 10, false},
      {IDC_HDSET_VERT_LENGTH, &D::vertLength_, &HNoteData::lvertLen, 0, kLengthLimit, true},
      {IDC_HDSET_HORZ_LENGTH, &D::horzLength_, &HNoteData::lhorzLen, -kLengthLimit, kLengthLimit, true},
      {IDC_HDSET_MARK_WIDTH, &D::markWidth_, &HNoteData::hxLen, 0, kLengthLimit, false},
      {IDC_HDSET_MARK_HEIGHT, &D::markHeight_, &HNoteData::hyLen, 0, kLengthLimit, false},
      // A length of 0 would read back as the default 5 next time.
      {IDC_HDSET_UNDERLINE_LENGTH, &D::underlineLength_, &HNoteData::underlineLength, 0.01, kLengthLimit, true},
      {IDC_HDSET_TEXT_HEIGHT, &D::textHeight_, &HNoteData::textHeight, 0.01, kLengthLimit, false},
      {IDC_HDSET_TEXT_WIDTH, &D::textWidth_, &HNoteData::textWidth, 0.01, 100, false},
      {IDC_HDSET_TEXT_OFFSET, &D::textOffset_, &HNoteData::textDistX, -kLengthLimit, kLengthLimit, false},
  };
  static const NumberField planView[] = {
      {IDC_HDSET_FRAME_WIDTH, &D::frameWidth_, &HNoteData::cxSize, 0, kLengthLimit, false},
      {IDC_HDSET_FRAME_HEIGHT, &D::frameHeight_, &HNoteData::cySize, 0, kLengthLimit, false},
      {IDC_HDSET_PLAN_ARROW_SIZE, &D::planArrowSize_, &HNoteData::hSize, 0, kLengthLimit, false},
      {IDC_HDSET_PLAN_TEXT_HEIGHT, &D::planTextHeight_, &HNoteData::textHeight, 0.01, kLengthLimit, false},
      {IDC_HDSET_PLAN_TEXT_WIDTH, &D::planTextWidth_, &HNoteData::textWidth, 0.01, 100, false},
  };
  count = plan ? std::size(planView) : std::size(section);
  return plan ? planView : section;
}

bool CHeightDimSettingsDlg::LayerKeyCombo::storedValue(std::wstring& stored) {
  const int index = curSel();
  if (index >= 0) return writeItem(entryText(index), entryUserData(index), false, stored);
  return writeItem(editText(), 0, false, stored);
}

// --- The dialog -----------------------------------------------------------------

CHeightDimSettingsDlg::CHeightDimSettingsDlg(HNoteDataSet* set, HWND parent)
    : ui::Dialog(IDD_HEIGHTDIM_SETTINGS), set_(set), parent_(parent) {
  int count = 0;
  char** names = hostCallOr<&HostApi::GetTextStylesA, char**>(nullptr, &count);
  for (int i = 0; names && i < count; ++i) {
    if (names[i]) textStyles_.push_back(cp1250ToUtf16(names[i]));
  }
  for (colorCombo* c : {&dimColour_, &textColour_, &frameColour_, &planTextColour_}) c->setOffers(true, true);

  Bind(IDC_HDSET_TYPE, typeCombo_);
  if (hostBinding().product == 2) {
    Bind(IDC_HDSET_LAYER_PLAIN, sectionLayerPlain_);
    Bind(IDC_HDSET_PLAN_LAYER_PLAIN, planLayerPlain_);
  } else {
    Bind(IDC_HDSET_LAYER, sectionLayer_);
    Bind(IDC_HDSET_PLAN_LAYER, planLayer_);
  }
  Bind(IDC_HDSET_COLOR, dimColour_);
  Bind(IDC_HDSET_MARK_TYPE, markType_);
  Bind(IDC_HDSET_TEXT_STYLE, textStyle_);
  Bind(IDC_HDSET_TEXT_COLOR, textColour_);
  Bind(IDC_HDSET_DELIMITER, delimiter_);
  Bind(IDC_HDSET_FRAME_COLOR, frameColour_);
  Bind(IDC_HDSET_PLAN_ARROW, planArrow_);
  Bind(IDC_HDSET_PLAN_TEXT_STYLE, planTextStyle_);
  Bind(IDC_HDSET_PLAN_TEXT_COLOR, planTextColour_);
  for (bool plan : {false, true}) {
    size_t n = 0;
    const NumberField* fields = numberFields(plan, n);
    for (size_t i = 0; i < n; ++i) Bind(fields[i].id, this->*fields[i].combo);
  }
  Bind(IDC_HDSET_SECTION_PREVIEW, sectionPreview_);
  Bind(IDC_HDSET_PLAN_PREVIEW, planPreview_);
}

bool CHeightDimSettingsDlg::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onCommand<IDC_HDSET_TYPE, CBN_SELCHANGE, &CHeightDimSettingsDlg::OnTypeChanged>,
      ui::onClicked<IDC_HDSET_MASK_SETTINGS, &CHeightDimSettingsDlg::OnSectionMask>,
      ui::onClicked<IDC_HDSET_PLAN_MASK_SETTINGS, &CHeightDimSettingsDlg::OnPlanMask>,
      ui::onClicked<IDC_HDSET_LAYER_BUTTON, &CHeightDimSettingsDlg::OnSectionLayers>,
      ui::onClicked<IDC_HDSET_PLAN_LAYER_BUTTON, &CHeightDimSettingsDlg::OnPlanLayers>,
      ui::onClicked<IDHELP, &CHeightDimSettingsDlg::OnHelp>,
      ui::onTimer<&CHeightDimSettingsDlg::OnTimer>,
  };
  if (m.message == WM_COMMAND) watchValueChange(LOWORD(m.wParam), HIWORD(m.wParam));
  return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
}

void CHeightDimSettingsDlg::watchValueChange(int id, int code) {
  switch (code) {
    case CBN_EDITCHANGE:
    case CBN_SELCHANGE:
    case CBN_KILLFOCUS:
      if (listed(kSectionEditCombos, id) || (id == IDC_HDSET_MARK_TYPE && code == CBN_SELCHANGE))
        OnSectionValueChanged(id);
      if (listed(kPlanEditCombos, id) || (id == IDC_HDSET_PLAN_ARROW && code != CBN_EDITCHANGE))
        OnPlanValueChanged(id);
      break;
    case BN_CLICKED:
      if (listed(kSectionChecks, id)) OnSectionValueChanged(id);
      if (id == IDC_HDSET_PLAN_MASK) OnPlanValueChanged(id);
      break;
    default: break;
  }
}

bool CHeightDimSettingsDlg::OnInitDialog() {
  ++busy_;
  hostCall<&HostApi::LocalizeDlg>(static_cast<HostWindow>(hwnd()), IDD_HEIGHTDIM_SETTINGS);
  SetHostIcons();
  fillTypeCombo();
  if (hostBinding().product == 2) showProductTwoLayers();
  fillBoundaryMarks();
  for (const wchar_t* d : kDelimiters) delimiter_.addString(d);
  fillTextStyles(textStyle_);
  fillTextStyles(planTextStyle_);

  dialogHistory(false);
  int shown = 0;
  for (int i = 0; i < typeCombo_.count(); ++i) {
    if (typeCombo_.itemData(i) == currentType_) shown = i;
  }
  typeCombo_.setCurSel(shown);
  currentType_ = static_cast<int>(typeCombo_.itemData(shown));
  if (set_) {
    transferRecord(currentType_, false, false);
    transferRecord(kPlanType, false, false);
    set_->records[kPlanType].valueText = kZeroHeightText;
    set_->records[0].valueText2 = loadText(IDS_HEIGHTDIM_SAMPLE_LABEL);
  }
  enableForType(currentType_);
  --busy_;

  animationStep();
  refreshPreview(kPlanType, true);
  refreshPreview(currentType_, true);
  window().setTimer(kAnimationTimer, kAnimationMilliseconds);
  return ui::Dialog::OnInitDialog();
}

void CHeightDimSettingsDlg::fillTypeCombo() {
  for (int type = 0; type < kSectionTypeCount; ++type) {
    const int at = typeCombo_.addString(wide(loadText(kTypeNames[static_cast<size_t>(type)])).c_str());
    if (at >= 0) typeCombo_.setItemData(at, type);
  }
  typeCombo_.setCurSel(0);
}

void CHeightDimSettingsDlg::showProductTwoLayers() {
  for (int id : {IDC_HDSET_LAYER_LABEL, IDC_HDSET_LAYER, IDC_HDSET_PLAN_LAYER_LABEL, IDC_HDSET_PLAN_LAYER})
    item(id).show(false);
  for (int id : {IDC_HDSET_LAYER_BUTTON, IDC_HDSET_LAYER_PLAIN, IDC_HDSET_PLAN_LAYER_BUTTON, IDC_HDSET_PLAN_LAYER_PLAIN})
    item(id).show(true);
}

void CHeightDimSettingsDlg::fillBoundaryMarks() {
  const double scale = dpiScale();
  const int width = static_cast<int>(std::lround(kMarkPictureWidth * scale));
  const int height = static_cast<int>(std::lround(kMarkPictureHeight * scale));
  if (markImages_.create(width, height, ILC_COLOR32 | ILC_MASK, kBoundaryMarkCount, 0)) {
    const ui::unique_hbitmap marks = ui::loadModuleBitmap(IDB_BOUNDARY_MARKS, width * kBoundaryMarkCount, height);
    if (marks) markImages_.addMasked(marks.get(), RGB(255, 255, 255));
    markType_.setImageList(markImages_.get());
  }
  for (int i = 0; i < kBoundaryMarkCount; ++i) markType_.insertItem(-1, L"", i, i);
  markType_.setItemHeight(-1, height);
  markType_.setItemHeight(0, height);
  markType_.setExtraWidth(width);
}

void CHeightDimSettingsDlg::fillTextStyles(VdComboBox& combo) {
  for (const vstring& name : textStyles_) combo.addString(wide(name).c_str());
}

void CHeightDimSettingsDlg::enableForType(int type) {
  const bool csn = type == static_cast<int>(HNoteType::Csn);
  for (int id : kCsnOnly) item(id).enable(csn);
  const bool length = csn && checked(hwnd(), IDC_HDSET_UNDERLINE);
  item(IDC_HDSET_UNDERLINE_LENGTH_LABEL).enable(length);
  item(IDC_HDSET_UNDERLINE_LENGTH).enable(length);
}

vstring CHeightDimSettingsDlg::layerPrefix() const {
  vchar buffer[kLayerPrefixChars + 1] = {};
  if (!hostCallOr<&HostApi::GetLayerKeyW>(0, 2, buffer, kLayerPrefixChars, 0)) return vstring();
  buffer[kLayerPrefixChars] = 0;
  return vstring(buffer);
}

bool CHeightDimSettingsDlg::transferLayer(HNoteData& r, bool plan, bool toRecord, bool validate) {
  // A combo left on what it showed for the record gives the record's name
  // back as it was, where reading the combo would not give that name.
  std::optional<std::wstring>& shown = plan ? shownPlanLayer_ : shownSectionLayer_;
  const auto leftAsShown = [&shown](const std::wstring& now) { return shown && now == *shown; };
  if (hostBinding().product == 2) {
    VdComboBox& combo = plan ? planLayerPlain_ : sectionLayerPlain_;
    const vstring prefix = layerPrefix();
    if (!toRecord) {
      selectOrAdd(combo, wide(r.layer.starts_with(prefix) ? r.layer.substr(prefix.size()) : r.layer));
      shown = selectedText(combo);
    } else if (combo.curSel() >= 0 && !leftAsShown(selectedText(combo))) {
      // Only another layer takes the prefix, so a name without it (the
      // current layer "*", "0") does not gain it.
      r.layer = prefix + ui::fromWide(selectedText(combo));
    }
    return true;
  }
  LayerKeyCombo& combo = plan ? planLayer_ : sectionLayer_;
  if (!toRecord) {
    shown.reset();
    // "*" is the current layer, whose entry the combo makes from that text.
    // A name the combo refuses as a key (a space or a dot in it, longer than
    // a key; "*" without PELTAR.CRX) stays in the edit field, nothing
    // selected, as the field holds it.
    if (!combo.addToHistory(wide(r.layer), true)) {
      combo.setCurSel(-1);
      combo.setEditText(wide(r.layer));
      shown = combo.editText();
    }
    return true;
  }
  // An empty field names no layer, and a refused name left as it was shown
  // is the record's own: the record keeps the layer it has. Another typed
  // name must be a key the combo takes.
  if (combo.curSel() < 0 && (combo.editText().empty() || leftAsShown(combo.editText()))) return true;
  if (validate && combo.curSel() < 0 && !combo.addToHistory(combo.editText(), true, true)) {
    combo.window().setFocus();
    return false;
  }
  std::wstring stored;
  if (combo.storedValue(stored)) r.layer = ui::fromWide(stored);
  return true;
}

void CHeightDimSettingsDlg::refuse(int id, double minimum, double maximum) {
  const vstring text = vformat(loadFormat(IDS_MSG_HEIGHTDIM_RANGE, "gg").c_str(), minimum, maximum);
  MessageBoxW(hwnd(), wide(text).c_str(), wide(kErrorBoxCaption).c_str(), MB_OK | MB_ICONHAND);
  item(id).setFocus();
}

bool CHeightDimSettingsDlg::transferRecord(int type, bool toRecord, bool validate) {
  if (!set_ || type < 0 || type > kPlanType || !hwnd()) return false;
  HNoteData& r = set_->records[static_cast<size_t>(type)];
  const bool plan = type == kPlanType;
  const bool csn = type == static_cast<int>(HNoteType::Csn);
  const vstring& separator = localeDecimalSeparator();
  const HWND dlg = hwnd();
  ++busy_;
  struct Busy {
    int& count;
    ~Busy() { --count; }
  } busy{busy_};

  if (!transferLayer(r, plan, toRecord, validate)) return false;
  colorCombo& colour = plan ? frameColour_ : dimColour_;
  colorCombo& text = plan ? planTextColour_ : textColour_;
  ShownColour& shownColour = plan ? shownFrame_ : shownDim_;
  ShownColour& shownText = plan ? shownPlanText_ : shownText_;
  if (toRecord) {
    r.colorDim = readColour(colour, shownColour);
    r.colorText = readColour(text, shownText);
  } else {
    showColour(colour, shownColour, r.colorDim);
    showColour(text, shownText, r.colorText);
  }

  size_t count = 0;
  const NumberField* fields = numberFields(plan, count);
  for (size_t i = 0; i < count; ++i) {
    const NumberField& f = fields[i];
    if (f.csnOnly && !csn) continue;
    comboHistory& combo = this->*f.combo;
    if (!toRecord) {
      combo.setCurSel(-1);
      combo.setEditText(wide(hnoteNumberText(r.*f.field, separator)));
      continue;
    }
    const std::optional<double> value = hnoteTypedNumber(ui::fromWide(combo.editText()), separator);
    if (validate) {
      // A text that begins with no number reads as 0, and is refused or
      // taken as 0 is.
      const double typed = value.value_or(0.0);
      if (!(typed >= f.minimum && typed <= f.maximum)) {
        // A greyed-out field (the underline's length while no underline is
        // drawn) is not the user's to correct now: it takes the bound
        // without a word.
        const bool enabled = IsWindowEnabled(combo.hwnd());
        if (enabled) refuse(f.id, f.minimum, f.maximum);
        // The bound nearer to what was typed goes into the field, and the
        // preview, which showed what was typed, draws the bound too.
        const double bound = typed < f.minimum ? f.minimum : f.maximum;
        combo.setCurSel(-1);
        combo.setEditText(wide(hnoteNumberText(bound, separator)));
        r.*f.field = bound;
        if (enabled) {
          refreshPreview(type, true);
          return false;
        }
        continue;
      }
      // An accepted value joins the history and shows as the dialog writes numbers.
      combo.addToHistory(wide(hnoteNumberText(typed, separator)), true);
      r.*f.field = typed;
    } else if (value && std::isfinite(*value)) {
      // While the user types, what reads as a number so far is previewed.
      r.*f.field = *value;
    }
  }

  VdComboBox& style = plan ? planTextStyle_ : textStyle_;
  if (toRecord) {
    if (style.curSel() >= 0) r.textStyle = ui::fromWide(selectedText(style));
  } else {
    selectOrAdd(style, wide(r.textStyle));
  }

  if (plan) {
    if (toRecord) {
      r.arrowName = ui::fromWide(planArrow_.selectedName());
    } else if (!planArrow_.selectByName(wide(r.arrowName).c_str())) {
      planArrow_.selectByName(L".");
    }
  } else {
    if (toRecord) {
      if (delimiter_.curSel() >= 0) r.delim = ui::fromWide(selectedText(delimiter_));
      r.roundingMark = checked(dlg, IDC_HDSET_ROUNDING_MARK) ? 1 : 0;
      r.positivePlus = checked(dlg, IDC_HDSET_PLUS_SIGN) ? 1 : 0;
      r.plusMinusZero = checked(dlg, IDC_HDSET_PLUS_MINUS_ZERO) ? 1 : 0;
    } else {
      selectOrAdd(delimiter_, wide(r.delim));
      setCheck(dlg, IDC_HDSET_ROUNDING_MARK, r.roundingMark != 0);
      setCheck(dlg, IDC_HDSET_PLUS_SIGN, r.positivePlus != 0);
      setCheck(dlg, IDC_HDSET_PLUS_MINUS_ZERO, r.plusMinusZero != 0);
    }
    if (csn) {
      if (toRecord) {
        r.underlineDraw = checked(dlg, IDC_HDSET_UNDERLINE);
        if (markType_.curSel() >= 0) r.arrowIndex = markType_.curSel();
      } else {
        setCheck(dlg, IDC_HDSET_UNDERLINE, r.underlineDraw);
        markType_.setCurSel(r.arrowIndex >= 0 && r.arrowIndex < kBoundaryMarkCount ? r.arrowIndex : 0);
      }
    }
  }

  const int mask = plan ? IDC_HDSET_PLAN_MASK : IDC_HDSET_MASK;
  if (toRecord) {
    r.backgroundMask = checked(dlg, mask);
  } else {
    setCheck(dlg, mask, r.backgroundMask);
  }
  return true;
}

void CHeightDimSettingsDlg::showColour(colorCombo& combo, ShownColour& memo, int32_t value) {
  memo.wanted = static_cast<uint32_t>(value);
  combo.selectColour(memo.wanted);
  memo.shown = combo.colour();
}

int32_t CHeightDimSettingsDlg::readColour(const colorCombo& combo, const ShownColour& memo) const {
  return static_cast<int32_t>(combo.colour() == memo.shown ? memo.wanted : combo.colour());
}

void CHeightDimSettingsDlg::OnTypeChanged() {
  if (busy_) return;
  const int selected = typeCombo_.curSel();
  const int type = selected >= 0 ? static_cast<int>(typeCombo_.itemData(selected)) : currentType_;
  if (type == currentType_) return;
  if (!transferRecord(currentType_, true, true)) {
    for (int i = 0; i < typeCombo_.count(); ++i) {
      if (typeCombo_.itemData(i) == currentType_) typeCombo_.setCurSel(i);
    }
    return;
  }
  currentType_ = type;
  transferRecord(type, false, false);
  enableForType(type);
  refreshPreview(type, true);
}

void CHeightDimSettingsDlg::OnSectionValueChanged(int id) {
  if (busy_ || !set_) return;
  if (id == IDC_HDSET_UNDERLINE) enableForType(currentType_);
  transferRecord(currentType_, true, false);
  formatShownSample();
  refreshPreview(currentType_, true);
}

void CHeightDimSettingsDlg::OnPlanValueChanged(int) {
  if (busy_ || !set_) return;
  transferRecord(kPlanType, true, false);
  refreshPreview(kPlanType, true);
}

void CHeightDimSettingsDlg::animationStep() {
  if (!set_) return;
  shownSample_ = sampleValue_;
  formatShownSample();
  for (HNoteData& r : set_->records) r.angle = animationAngle_;
  sampleValue_ = nextHNoteSample(sampleValue_, drawingUnits());
}

void CHeightDimSettingsDlg::formatShownSample() {
  if (!set_) return;
  const double units = drawingUnits();
  for (int type = 0; type < kSectionTypeCount; ++type) {
    // The sample value is the level of a point whose both coordinates are it,
    // measured from a base at the origin with the level 0, in the mark's own
    // plane: under a turned UCS the point would measure along another axis
    // (turned 45 degrees the samples read -1.745 and +1.745).
    HNoteData sample = set_->records[static_cast<size_t>(type)];
    sample.insertPoint = {shownSample_, shownSample_};
    sample.angle = animationAngle_;
    sample.rotation = 0;
    setHNoteValues(sample, HNoteBase{}, units);
    set_->records[static_cast<size_t>(type)].valueText = sample.valueText;
    set_->records[static_cast<size_t>(type)].rounded = sample.rounded;
  }
}

void CHeightDimSettingsDlg::refreshPreview(int type, bool fitToExtents) {
  if (!set_ || type < 0 || type > kPlanType || !hwnd()) return;
  previewBtn& pane = previewOf(type);
  GDI::view& view = pane.view();
  // The blocks go too: the next mark defines its block under the same key.
  view.clear(true);
  // The preview gets a copy: the builder gives the mark an identifier and
  // the underline ends, which the record keeps out of the settings. The
  // pane is the mark's own plane, so the UCS's turn stays out of it (the
  // underline would stand upright under a UCS turned a quarter).
  HNoteData record = set_->records[static_cast<size_t>(type)];
  record.rotation = 0;
  HNoteViewPreview preview(view);
  buildHNote(record, &preview, true, false, GcGePoint2d(0, 0));
  if (fitToExtents) {
    pane.zoomExtents();
    return;
  }
  if (type == kPlanType) {
    RedrawWindow(pane.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  } else if (pane.window().visible()) {
    pane.window().invalidate();
  }
}

void CHeightDimSettingsDlg::OnTimer(UINT_PTR id) {
  if (id != kAnimationTimer) return;
  animationStep();
  refreshPreview(kPlanType, false);
  refreshPreview(currentType_, false);
}

void CHeightDimSettingsDlg::runMask(int type) {
  if (!set_) return;
  HNoteData& r = set_->records[static_cast<size_t>(type)];
  CDlgMTextMask mask(r.backgroundMaskDwg, static_cast<uint32_t>(r.backgroundMaskColor), r.layerText, hwnd());
  if (mask.run() != IDOK) return;
  r.backgroundMaskDwg = mask.useDrawingBackground();
  r.backgroundMaskColor = static_cast<int32_t>(mask.colourIndex());
}

void CHeightDimSettingsDlg::OnSectionMask() { runMask(currentType_); }
void CHeightDimSettingsDlg::OnPlanMask() { runMask(kPlanType); }

void CHeightDimSettingsDlg::runLayerDialog(VdComboBox& combo) {
  const std::wstring chosen = combo.window().text();
  hostCall<&HostApi::VdRcLayerDlg>(2, 0, 1);
  combo.resetContent();
  hostCall<&HostApi::VdRcFillComboLayer>(static_cast<HostWindow>(combo.hwnd()), 2);
  // The same layer again, by its whole name: CB_SELECTSTRING would take the
  // first name that begins with it ("KOTY-STARE" listed before "KOTY").
  // A layer the list no longer holds leaves nothing selected.
  combo.setCurSel(chosen.empty() ? -1 : combo.findStringExact(chosen.c_str()));
}

void CHeightDimSettingsDlg::OnSectionLayers() { runLayerDialog(sectionLayerPlain_); }
void CHeightDimSettingsDlg::OnPlanLayers() { runLayerDialog(planLayerPlain_); }

void CHeightDimSettingsDlg::OnHelp() { hostCall<&HostApi::ShowHelpW>(kSettingsHelpTopic, 0, 0, 0); }

void CHeightDimSettingsDlg::OnOK() {
  if (!transferRecord(kPlanType, true, true) || !transferRecord(currentType_, true, true)) return;
  dialogHistory(true);
  EndDialog(IDOK);
}

void CHeightDimSettingsDlg::dialogHistory(bool save) {
  prf_store store;
  if (!set_ || !store.open(set_->path, kHNoteHistorySection)) return;
  const int product = hostBinding().product;
  if (save) {
    // A file that cannot be written keeps what it had; the settings are the
    // caller's. A profile without the file's folder yet gets it now, so that
    // the first OK keeps the history as every later one does.
    ensureParentFolder(set_->path);
    store.setInt(kLastTypeKey, currentType_);
    if (product == 1) {
      sectionLayer_.save(store, {}, false);
      planLayer_.save(store, {}, false);
    }
  } else {
    int32_t last = 0;
    if (store.getInt(kLastTypeKey, last) && last >= 0 && last < kSectionTypeCount) currentType_ = last;
    if (product == 1) {
      sectionLayer_.load(store, {}, false);
      planLayer_.load(store, {}, false);
    } else if (product == 2) {
      for (VdComboBox* combo : {&sectionLayerPlain_, &planLayerPlain_})
        hostCall<&HostApi::VdRcFillComboLayer>(static_cast<HostWindow>(combo->hwnd()), 2);
    }
  }
  for (bool plan : {false, true}) {
    size_t n = 0;
    const NumberField* fields = numberFields(plan, n);
    for (size_t i = 0; i < n; ++i) {
      comboHistory& combo = this->*fields[i].combo;
      if (save) {
        combo.save(store, {}, false);
      } else {
        combo.load(store, {}, false);
      }
    }
  }
}

}  // namespace vd
