#include "dimtools/kota.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "host/host_api.h"
#include "host/services.h"
#include "store/value_text.h"

namespace vd::dim {

namespace {

// Capacity of the buffer a dimension setting is read into.
constexpr int kSettingChars = 260;

vstring setting(const vchar* name) {
  vchar buffer[kSettingChars] = {};
  if (!hostCall<&HostApi::GetEnvStrW>(name, buffer, kSettingChars)) return {};
  buffer[kSettingChars - 1] = 0;
  return buffer;
}

// The number a setting starts with, as the C library reads it: leading
// blanks, a sign and digits; 0 when there is none.
int settingInt(const vchar* name) {
  const long value = std::strtol(utf16ToUtf8(setting(name)).c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}
// Its decimal point is '.' whatever locale the host gave the C library it
// shares with the module, where strtod would stop at the point of "0.25".
double settingReal(const vchar* name) { return storetext::leadingDouble(setting(name)).value_or(0.0); }

int32_t clampDecimals(int32_t decimals) { return std::clamp<int32_t>(decimals, 0, kMaxDimDecimals); }

}  // namespace

CKota::CKota() : metricUnits(hostCallOr<&HostApi::GetUnits>(0.0) == 1.0) {}

int readDimStyle(CKota& kota) {
  kota.decimals = clampDecimals(settingInt(u"DIMDEC"));
  kota.roundOff = settingReal(u"DIMRND");
  kota.zeroSuppress = settingInt(u"DIMZIN");
  kota.lengthFactor = kota.metricUnits ? 1000.0 : 1.0;
  vchar separator[kSettingChars] = {};
  hostCall<&HostApi::GetEnvStrW>(u"DIMDSEP", separator, kSettingChars);
  // An empty setting would cut the text at the decimal point: keep the point.
  kota.decimalSeparator = separator[0] ? separator[0] : u'.';
  return 0;
}

double roundNearest(double x) {
  double down = std::floor(x);
  double up = std::ceil(x);
  return (up - x < x - down) ? up : down;
}

vstring formatDimValue(const CKota& kota, double value) {
  double v = kota.lengthFactor != 0.0 ? value * kota.lengthFactor : value;
  if (kota.roundOff != 0.0) v = roundNearest(v / kota.roundOff) * kota.roundOff;
  vstring text = vformat(u"%.*f", clampDecimals(kota.decimals), v);
  size_t point = text.find(u'.');
  if ((kota.zeroSuppress & kSuppressTrailing) && point != vstring::npos) {
    size_t end = text.find_last_not_of(u'0');
    if (end != vstring::npos && end >= point) text.erase(end + 1);
    if (text.back() == u'.') text.pop_back();
  }
  if (kota.zeroSuppress & kSuppressLeading) {
    size_t stop = text.find(u'.');
    if (stop == vstring::npos) stop = text.size();
    size_t zeros = 0;
    while (zeros < stop && text[zeros] == u'0') ++zeros;
    text.erase(0, zeros);
    if (text.empty()) text.assign(1, u'0');
  }
  // A style never read has no separator: the point stays.
  if (kota.decimalSeparator != 0 && kota.decimalSeparator != u'.') {
    size_t p = text.find(u'.');
    if (p != vstring::npos) text[p] = kota.decimalSeparator;
  }
  return text;
}

}  // namespace vd::dim
