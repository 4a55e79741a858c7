// The dimension terminator combo: the host's standard terminator blocks
// (arrowheads, ticks, dots) listed by their Czech names with a small picture
// each; it keeps the name of the chosen one, the block name the host makes
// the terminator from.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "controls/vd_combo.h"
#include "ui/image_list.h"

namespace vd {

// One terminator of the list: the host's block name and the id its text
// (string table) and picture (icon resource) share.
struct ArrowTerminator {
  const wchar_t* name;
  int id;
};

// The terminators in list order. "." is the default closed filled arrowhead.
constexpr int kArrowTerminatorCount = 18;
extern const ArrowTerminator kArrowTerminators[kArrowTerminatorCount];

// The entry meaning "as in the dimension style": the empty name, its own
// text and the picture of "no terminator".
constexpr const wchar_t* kArrowByStyleName = L"";

// Size in pixels of the pictures at the screen scale 1.0, and the room they
// take beside the texts of the dropped-down list.
constexpr int kArrowPictureSize = 11;
constexpr int kArrowPictureWidth = 18;

// Whether two terminator names are the same block name (ignoring case, as the
// host's block names compare).
bool sameArrowName(std::wstring_view a, std::wstring_view b) noexcept;

class arrowCombo : public VdComboBoxEx {
 public:
  // `selectedName` is shown when the list is filled; null keeps ".".
  explicit arrowCombo(const wchar_t* selectedName = L".", bool offerByStyle = false);
  ~arrowCombo() override;

  bool ProcessMessage(ui::Message& m) override;

  // The stored name: the chosen terminator's block name ("" for the
  // dimension style's own).
  const std::wstring& selectedName() const noexcept { return selectedName_; }
  // Offers the "as in the dimension style" entry; set before the window is
  // attached, since the list is filled then.
  bool offerByStyle() const noexcept { return offerByStyle_ != 0; }
  void setOfferByStyle(bool offer) noexcept { offerByStyle_ = offer ? 1 : 0; }

  // Selects the first item whose name equals `name` ignoring case and stores
  // that item's name; false when none does (nothing changes). Without a
  // window the name is only stored (true). A null name is refused.
  bool selectByName(const wchar_t* name);

  // The name of item `index`; empty when there is no such item.
  std::wstring itemName(int index) const;
  // The pictures of the items (empty until the list is filled).
  const ui::ImageList& images() const noexcept { return images_; }
  // Screen pixels per inch / 96.
  double screenScale() const noexcept { return screenScale_; }

 protected:
  void OnSubclassed() override;

 private:
  void OnSelectionChange();
  void OnDestroy();
  // Adds the item `name` with text `textId` and the picture of icon `iconId`.
  void addItem(const wchar_t* name, int textId, int iconId);
  // The index of icon `iconId` in the image list (made on first use), -1
  // when it cannot be loaded.
  int addPicture(int iconId);
  int findName(std::wstring_view name) const;
  // Frees the name copies the items hold and clears their data.
  void freeNames() noexcept;

  std::wstring selectedName_;
  ui::ImageList images_;
  int offerByStyle_ = 0;
  double screenScale_ = 1.0;
};

}  // namespace vd
