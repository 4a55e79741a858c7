#include "host/services.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "host/host_api.h"

namespace vd {

namespace {
ErrorBoxSink g_errorSink = nullptr;
double g_dpiScale = 1.0;
}  // namespace

void loadText(int id, vstring& out) {
  out.clear();
  std::vector<vchar> buffer(kLoadTextChars, 0);
  if (!hostCall<&HostApi::LoadStringDBW>(id, buffer.data(), kLoadTextChars)) return;
  buffer.back() = 0;  // a host that fills the whole buffer still gives a terminated text
  out.assign(buffer.data());
}

vstring loadText(int id) {
  vstring s;
  loadText(id, s);
  return s;
}

double drawingUnits() {
  const double u = hostCallOr<&HostApi::GetUnits>(kDefaultDrawingUnits);
  return std::isfinite(u) && u > 0 ? u : kDefaultDrawingUnits;
}

vstring currentLayerName() {
  vchar layer[kCurrentLayerChars + 1] = {};
  if (!hostCallOr<&HostApi::GetVarStrW>(0, u"CLAYER", layer, kCurrentLayerChars)) return vstring();
  layer[kCurrentLayerChars] = 0;  // a host that fills the whole buffer still gives a terminated name
  return vstring(layer);
}

namespace {
// The conversion letters of a format text in order, as vformat reads them;
// none when a directive takes a star width or ends the text.
std::optional<std::string> conversionsOf(vstring_view text) {
  std::string letters;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'%') continue;
    if (++i < text.size() && text[i] == u'%') continue;
    while (i < text.size() && vstring_view(u"-+ #0123456789.").find(text[i]) != vstring_view::npos) ++i;
    while (i < text.size() && vstring_view(u"lhIL6432zj").find(text[i]) != vstring_view::npos) ++i;
    if (i >= text.size() || text[i] == u'*' || text[i] > 0x7F) return std::nullopt;
    letters.push_back(static_cast<char>(text[i]));
  }
  return letters;
}
}  // namespace

vstring loadFormat(int id, std::string_view conversions) {
  vstring text = loadText(id);
  std::optional<std::string> found = conversionsOf(text);
  if (!found || *found != conversions) text.clear();
  return text;
}

void setErrorBoxSink(ErrorBoxSink sink) { g_errorSink = sink; }

void errorBox(const vstring& text) {
  if (g_errorSink) g_errorSink(text);
}

double dpiScale() { return g_dpiScale; }
void setDpiScale(double scale) { g_dpiScale = scale; }

}  // namespace vd
