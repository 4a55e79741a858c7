#include "host/services.h"

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

double drawingUnits() { return hostCallOr<&HostApi::GetUnits>(kDefaultDrawingUnits); }

void setErrorBoxSink(ErrorBoxSink sink) { g_errorSink = sink; }

void errorBox(const vstring& text) {
  if (g_errorSink) g_errorSink(text);
}

double dpiScale() { return g_dpiScale; }
void setDpiScale(double scale) { g_dpiScale = scale; }

}  // namespace vd
