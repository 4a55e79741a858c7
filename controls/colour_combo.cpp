#include "controls/colour_combo.h"

#include <cmath>
#include <vector>

#include "colour/colour_ext.h"
#include "colour/colour_value.h"
#include "colour/palette.h"
#include "host/host_api.h"
#include "host/services.h"
#include "string_ids.h"
#include "ui/gdi.h"
#include "ui/handles.h"
#include "ui/wide_text.h"

namespace vd {

namespace {

// Room for a colour's name, or the layer name passed along with by layer.
constexpr int kNameChars = 512;

// The text buffer passed to the host: the layer name, cut to fit.
std::vector<vchar> nameBuffer(vstring_view layer) {
  std::vector<vchar> buffer(kNameChars, 0);
  copyToBuffer(layer, buffer.data(), kNameChars);
  return buffer;
}

constexpr int kExtraDropWidth = 18;

}  // namespace

colorCombo::colorCombo() { setExtraWidth(kExtraDropWidth); }

void colorCombo::setOffers(bool byLayer, bool byBlock) noexcept {
  byLayer_ = byLayer;
  byBlock_ = byBlock;
}

void colorCombo::setLayerName(vstring_view layer) { layerName_ = vstring(layer); }

void* colorCombo::owner() const noexcept { return GetParent(hwnd()); }

bool colorCombo::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onReflected<CBN_SELCHANGE, &colorCombo::OnSelChange>,
  };
  return ui::dispatch(*this, map, m) || VdComboBoxEx::ProcessMessage(m);
}

void colorCombo::OnSubclassed() {
  scale_ = ui::screenScale(hwnd());
  swatchSize_ = std::max(1, static_cast<int>(std::lround(12 * scale_)));
  if (images_.create(swatchSize_, swatchSize_, ILC_COLOR32 | ILC_MASK, maxColours_, maxColours_))
    setImageList(images_.get());
  refill();
}

void colorCombo::refill() {
  resetContent();
  if (byLayer_) addColour(static_cast<std::uint32_t>(colour::kByLayer));
  if (byBlock_) addColour(static_cast<std::uint32_t>(colour::kByBlock));
  for (std::uint32_t c = 1; c <= 7; ++c) addColour(c);
  insertItem(-1, ui::toWide(loadText(IDS_COLOR_CHOOSE)).c_str(), I_IMAGENONE, kChooseItem);
  selectColour(colour_);
}

int colorCombo::findColour(std::uint32_t value) const {
  for (int i = 0, n = count(); i < n; ++i) {
    const LPARAM data = itemData(i);
    if (data != kChooseItem && static_cast<std::uint32_t>(data) == value) return i;
  }
  return -1;
}

int colorCombo::addColour(std::uint32_t value) {
  std::vector<vchar> name = nameBuffer(layerName_);
  std::uint32_t asked = value, rgb = 0;
  if (!hostCallOr<&HostApi::ColorExtFunctionW>(0, owner(), static_cast<int>(colour::kModeName), &asked, &rgb,
                                                name.data(), kNameChars))
    return -1;
  // By layer heads the list; every other colour goes after the items already
  // there, so a custom colour follows "Vybrat barvu...".
  const int at = value == static_cast<std::uint32_t>(colour::kByLayer) ? 0 : count();
  return insertItem(at, ui::toWide(vstring_view(name.data())).c_str(), swatchImage(rgb),
                    static_cast<LPARAM>(value));
}

int colorCombo::swatchImage(std::uint32_t rgb) {
  rgb &= 0x00FFFFFFu;
  if (auto it = swatches_.find(rgb); it != swatches_.end()) return it->second;
  if (!images_) return -1;
  const int side = swatchSize_;
  ui::window_dc screen(nullptr);
  ui::unique_hdc dc(screen ? CreateCompatibleDC(screen.get()) : nullptr);
  ui::unique_hbitmap picture(screen ? CreateCompatibleBitmap(screen.get(), side, side) : nullptr);
  if (!dc || !picture) return -1;
  {
    ui::select_result drawing(dc.get(), picture.get());
    const RECT all{0, 0, side, side};
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc.get(), static_cast<COLORREF>(rgb));
    FillRect(dc.get(), &all, brush);
    // A thin grey edge keeps white and light colours apart from the list's ground.
    SetDCBrushColor(dc.get(), RGB(0x80, 0x80, 0x80));
    FrameRect(dc.get(), &all, brush);
  }
  // The swatch covers its whole square: a mask of nothing but opaque pixels.
  std::vector<unsigned char> opaque(static_cast<size_t>((side + 15) / 16 * 2) * static_cast<size_t>(side), 0);
  ui::unique_hbitmap mask(CreateBitmap(side, side, 1, 1, opaque.data()));
  const int index = ImageList_Add(images_.get(), picture.get(), mask.get());
  if (index >= 0) swatches_[rgb] = index;
  return index;
}

bool colorCombo::selectColour(std::uint32_t value) {
  int at = -1;
  if (value != colour::kNoColourValue) {
    at = findColour(value);
    if (at < 0) at = addColour(value);
  }
  if (at < 0) {
    setCurSel(-1);
    return false;
  }
  setCurSel(at);
  colour_ = value;
  return true;
}

void colorCombo::OnSelChange() {
  const int at = curSel();
  if (at < 0) {
    selectColour(colour_);
    return;
  }
  const LPARAM data = itemData(at);
  if (data != kChooseItem) {
    colour_ = static_cast<std::uint32_t>(data);
    return;
  }
  const std::uint32_t previous = colour_;
  const std::optional<std::uint32_t> chosen = chooseColour();
  if (!chosen || !selectColour(*chosen)) selectColour(previous);
}

std::optional<std::uint32_t> colorCombo::chooseColour() {
  const std::uint32_t shown = colour_ == colour::kNoColourValue ? static_cast<std::uint32_t>(colour::kForeground) : colour_;
  if (trueColour_) {
    HostTrueColourRecord record{32, -1, owner(), shown, (byLayer_ ? kOfferByLayer : 0u) | (byBlock_ ? kOfferByBlock : 0u), 0};
    if (!hostCallOr<&HostApi::SetColorDialogTrueColor>(0, static_cast<void*>(&record))) return std::nullopt;
    return record.colour;
  }
  const int mode = (byLayer_ ? colour::kModeDialogByLayer : colour::kModeDialog) + (byBlock_ ? 2 : 0);
  std::vector<vchar> text = nameBuffer(layerName_);
  std::uint32_t chosen = shown, rgb = 0;
  if (!hostCallOr<&HostApi::ColorExtFunctionW>(0, owner(), mode, &chosen, &rgb, text.data(), kNameChars))
    return std::nullopt;
  return chosen;
}

}  // namespace vd
