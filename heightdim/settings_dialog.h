// "Nastavení parametrů výškových kót" (template 1000): the styles of the
// three section-view types (one at a time, chosen in "Typ kóty:") and of the
// plan-view type, edited in place in a settings set, with a live preview of
// each. The dialog keeps its own history (the last type and the combo
// histories) in section HNOTE_HISTORY of the set's file; saving the set is
// the caller's job.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controls/arrow_combo.h"
#include "controls/colour_combo.h"
#include "controls/combo_history.h"
#include "controls/combo_layer_keys.h"
#include "controls/preview_button.h"
#include "controls/vd_combo.h"
#include "heightdim/edit_dialogs.h"
#include "heightdim/settings.h"
#include "heightdim/value_format.h"
#include "host/text.h"
#include "ui/dialog.h"
#include "ui/image_list.h"

namespace vd {

// Section of the dialog's own history and its key of the last section type.
inline constexpr const vchar* kHNoteHistorySection = u"HNOTE_HISTORY";
inline constexpr const vchar* kLastTypeKey = u"LAST_TYPE";

// The user locale's decimal separator, read once; "," when it cannot be read.
const vstring& localeDecimalSeparator();

// The sample value after `value` in the previews' animation: zero becomes
// `units` x 1.234, a positive value its negative, a negative one zero.
double nextHNoteSample(double value, double units);

class CHeightDimSettingsDlg : public ui::Dialog {
 public:
  // The history combos as the plan-view dialog has its value combo.
  static constexpr int kHistoryCount = CHeightDimGpDlg::kHistoryCount;
  static constexpr uint32_t kHistoryStyle = CHeightDimGpDlg::kHistoryStyle;
  static constexpr int kLayerHistoryCount = 50;
  static constexpr uint32_t kLayerKeyOptions = 99;
  static constexpr UINT_PTR kAnimationTimer = 1000;
  static constexpr UINT kAnimationMilliseconds = 2000;
  static constexpr int kBoundaryMarkCount = 6;

  // `set` is not owned and must outlive the dialog; its records are changed
  // in place. The dialog is owned by `parent` (the host's main window when null).
  CHeightDimSettingsDlg(HNoteDataSet* set, HWND parent);

  // IDOK when the user confirmed and both shown records were taken over.
  INT_PTR DoModal() noexcept { return ui::Dialog::DoModal(parent_); }

  bool ProcessMessage(ui::Message& m) override;

  // Moves the values of record `type` between the set and the controls (the
  // section controls for 0..2, the plan controls for 3). Back to the record
  // with `validate`, the first control whose value is refused gets the focus
  // and nothing after it is read; false then.
  bool transferRecord(int type, bool toRecord, bool validate);
  // Builds the mark of record `type` into its preview, zoomed to its extents with `fit`.
  void refreshPreview(int type, bool fitToExtents);
  // Loads or saves the history in section HNOTE_HISTORY.
  void dialogHistory(bool save);
  // One step of the animation: the sample value's texts into records 0..2,
  // the animation angle into all four, then the next sample value.
  void animationStep();
  // The texts of the sample shown now into records 0..2, formatted as the
  // records now say: a changed separator, sign or rounding shows at once.
  void formatShownSample();

  int currentType() const noexcept { return currentType_; }
  previewBtn& sectionPreview() noexcept { return sectionPreview_; }
  previewBtn& planPreview() noexcept { return planPreview_; }

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  // The layer-key combo with access to the key an entry stores.
  class LayerKeyCombo : public comboLayerKeys {
   public:
    using comboLayerKeys::comboLayerKeys;
    // The stored form of the selected entry, else of the edit text ("*" for
    // the current layer); false when neither can be stored.
    bool storedValue(std::wstring& stored);
  };
  // The numbers of the section records (in tab order) or of the plan record.
  struct NumberField;
  static const NumberField* numberFields(bool plan, size_t& count);

  void OnTypeChanged();
  void OnSectionValueChanged(int id);
  void OnPlanValueChanged(int id);
  void OnSectionMask();
  void OnPlanMask();
  void OnSectionLayers();
  void OnPlanLayers();
  void OnHelp();
  void OnTimer(UINT_PTR id);
  // Watches the notifications that report a changed value; takes none of them.
  void watchValueChange(int id, int code);

  void fillTypeCombo();
  void fillBoundaryMarks();
  void fillTextStyles(VdComboBox& combo);
  void showProductTwoLayers();
  // Enables what only ČSN has, and the underline length while its box is checked.
  void enableForType(int type);
  void runMask(int type);
  void runLayerDialog(VdComboBox& combo);
  bool transferLayer(HNoteData& record, bool plan, bool toRecord, bool validate);
  // The layer prefix of key 2 that product 2 keeps in front of layer names.
  vstring layerPrefix() const;
  // A value refused: the range message, and the focus on `id`.
  void refuse(int id, double minimum, double maximum);
  // A colour as the dialog showed it: the record's value and what the combo
  // took of it. A combo that cannot show a value (the host names no such
  // colour) gives the record's value back unless the user chose another.
  struct ShownColour {
    uint32_t wanted = 0;
    uint32_t shown = 0;
  };
  void showColour(colorCombo& combo, ShownColour& memo, int32_t value);
  int32_t readColour(const colorCombo& combo, const ShownColour& memo) const;
  previewBtn& previewOf(int type) noexcept { return type == 3 ? planPreview_ : sectionPreview_; }

  HNoteDataSet* set_;
  std::vector<vstring> textStyles_;
  int currentType_ = 0;
  double animationAngle_ = 0;
  double sampleValue_ = 0;  // the next sample
  double shownSample_ = 0;  // the sample whose texts the records hold
  int busy_ = 0;  // controls being filled: their notifications are not value changes

  VdComboBox typeCombo_;
  LayerKeyCombo sectionLayer_{kLayerHistoryCount, kHistoryStyle, kLayerKeyOptions};
  LayerKeyCombo planLayer_{kLayerHistoryCount, kHistoryStyle, kLayerKeyOptions};
  VdComboBox sectionLayerPlain_, planLayerPlain_;
  colorCombo dimColour_, textColour_, frameColour_, planTextColour_;
  comboHistory rounding_{kHistoryCount, kHistoryStyle};
  comboHistory vertLength_{kHistoryCount, kHistoryStyle};
  comboHistory horzLength_{kHistoryCount, kHistoryStyle};
  VdComboBoxEx markType_;
  comboHistory markWidth_{kHistoryCount, kHistoryStyle};
  comboHistory markHeight_{kHistoryCount, kHistoryStyle};
  VdComboBox textStyle_;
  comboHistory textHeight_{kHistoryCount, kHistoryStyle};
  comboHistory textWidth_{kHistoryCount, kHistoryStyle};
  comboHistory textOffset_{kHistoryCount, kHistoryStyle};
  VdComboBox delimiter_;
  comboHistory underlineLength_{kHistoryCount, kHistoryStyle};
  comboHistory frameWidth_{kHistoryCount, kHistoryStyle};
  comboHistory frameHeight_{kHistoryCount, kHistoryStyle};
  arrowCombo planArrow_;
  comboHistory planArrowSize_{kHistoryCount, kHistoryStyle};
  VdComboBox planTextStyle_;
  comboHistory planTextHeight_{kHistoryCount, kHistoryStyle};
  comboHistory planTextWidth_{kHistoryCount, kHistoryStyle};
  previewBtn planPreview_;
  previewBtn sectionPreview_;
  ShownColour shownDim_, shownText_, shownFrame_, shownPlanText_;
  // What each layer combo showed for its record where reading it back would
  // not give the record's name as it is: the plain combo's item (product 2,
  // the prefix taken off), or a name the layer-key combo refuses as a key,
  // left in its edit field. None while the layer-key combo shows the record
  // as an entry it reads back.
  std::optional<std::wstring> shownSectionLayer_, shownPlanLayer_;
  ui::ImageList markImages_;
  HWND parent_;
};

}  // namespace vd
