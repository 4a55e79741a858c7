#include "hostsim/text_metrics.h"

namespace hostsim {

vd::vstring textStyleFace(const Drawing& drawing, vd::vstring_view style) {
  for (const TableRecord& record : drawing.tableRecords()) {
    if (!vd::equalsNoCaseAscii(record.table, u"STYLE")) continue;
    vd::ChainView chain = record.chain.view();
    if (!vd::equalsNoCaseLatin(chain.text(2).value_or(vd::vstring_view()), style)) continue;
    vd::vstring_view file = chain.text(3).value_or(vd::vstring_view());
    const size_t slash = file.find_last_of(u"\\/");
    if (slash != vd::vstring_view::npos) file.remove_prefix(slash + 1);
    const size_t dot = file.find_last_of(u'.');
    if (dot == vd::vstring_view::npos || dot == 0) break;
    if (!vd::equalsNoCaseAscii(file.substr(dot), u".ttf") && !vd::equalsNoCaseAscii(file.substr(dot), u".otf")) break;
    return vd::vstring(file.substr(0, dot));
  }
  return kDefaultTextFace;
}

}  // namespace hostsim
