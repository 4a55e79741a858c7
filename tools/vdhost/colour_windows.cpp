#include "tools/vdhost/colour_windows.h"

#include <cwchar>
#include <optional>
#include <string>

#include "colour/colour_value.h"
#include "colour/palette.h"
#include "hostsim/colour_requests.h"
#include "tools/vdhost/host_dialog_ids.h"
#include "ui/dialog.h"
#include "ui/module_state.h"
#include "ui/proc.h"

namespace vdhost {

namespace {

using ColorExtFn = int (*)(HWND, int, std::uint32_t*, std::uint32_t*, wchar_t*, int);

constexpr int kChannels[3] = {IDC_HOST_RED, IDC_HOST_GREEN, IDC_HOST_BLUE};

// A channel typed as a whole number 0..255, blanks around it allowed.
std::optional<unsigned> channel(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return std::nullopt;
  const size_t last = text.find_last_not_of(L" \t");
  unsigned value = 0;
  for (size_t i = first; i <= last; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(text[i] - L'0');
    if (value > 255) return std::nullopt;
  }
  return value;
}

class TrueColourDialog : public ui::Dialog {
 public:
  explicit TrueColourDialog(vd::HostTrueColourRecord& record) : ui::Dialog(IDD_HOST_TRUE_COLOUR), record_(record) {}

 protected:
  bool OnInitDialog() override {
    SetHostIcons();
    // A colour number shows the RGB the palette gives it on a white ground.
    const std::uint32_t rgb = vd::colour::value_rgb(record_.colour, vd::colour::kNone, vd::colour::kNone, 0x00FFFFFFu);
    for (int i = 0; i < 3; ++i) item(kChannels[i]).setText(std::to_wstring((rgb >> (8 * i)) & 0xFFu));
    return true;
  }

  void OnOK() override {
    std::uint32_t colour = vd::colour::kTrueColourTag;
    for (int i = 0; i < 3; ++i) {
      const std::optional<unsigned> v = channel(item(kChannels[i]).text());
      if (!v) {
        MessageBoxW(hwnd(), L"Zadejte celé číslo od 0 do 255.", L"Skutečná barva", MB_ICONWARNING | MB_OK);
        item(kChannels[i]).setFocus();
        return;
      }
      colour |= *v << (8 * i);
    }
    record_.colour = colour;
    EndDialog(IDOK);
  }

 private:
  vd::HostTrueColourRecord& record_;
};

}  // namespace

bool passColourExtTo(hostsim::Host& host, HMODULE module) {
  auto colourExt = ui::procAddress<ColorExtFn>(module, "ColorExtFunction");
  if (!colourExt) return false;
  host.windowOperations.colourExt = [colourExt](void* parent, int mode, std::uint32_t* colour, std::uint32_t* rgb,
                                                vd::vchar* text, int length) {
    return colourExt(static_cast<HWND>(parent), mode, colour, rgb, reinterpret_cast<wchar_t*>(text), length);
  };
  return true;
}

int showTrueColourDialog(hostsim::Host& host, vd::HostTrueColourRecord& record) {
  // The dialog comes from the program's resources, whichever module's state
  // its caller has current.
  ui::ModuleStateScope hostResources(nullptr);
  TrueColourDialog dialog(record);
  const INT_PTR result = dialog.DoModal(static_cast<HWND>(record.parent ? record.parent : host.mainWindow));
  if (result == ui::kDialogFailed) host.log("host: the true-colour dialog could not be shown");
  if (result != IDOK) return 0;
  hostsim::logTrueColour(host, record.colour);
  return 1;
}

}  // namespace vdhost
