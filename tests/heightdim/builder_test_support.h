// An in-process host as the builder's tests need it: the module's attribute
// prompts, layer keys 1 and 2 and the current layer.
#pragma once
#include <gtest/gtest.h>

#include <map>

#include "host/host_api.h"
#include "host/ucs.h"
#include "hostsim/host.h"
#include "res/string_ids.h"

namespace hnotetest {

inline bool attributePrompts(int id, vd::vstring& out) {
  switch (id) {
    case IDS_ATTR_HEIGHT: out = u"Výška"; return true;
    case IDS_ATTR_LABEL: out = u"Označení"; return true;
    case IDS_ATTR_ROUNDING: out = u"Zaokrouhlení"; return true;
    default: return false;
  }
}

// The module's texts the height-dimension commands ask the host for, with
// the attribute prompts.
inline bool commandTexts(int id, vd::vstring& out) {
  if (attributePrompts(id, out)) return true;
  static const std::map<int, const char16_t*> texts = {
      {IDS_PROMPT_HEIGHTDIM_POINT, u"Zadejte bod vložení výškové kóty nebo %s: "},
      {IDS_KWD_EXISTING, u"Existující"},
      {IDS_KWD_EXISTING_HELP, u"použij Existující základnu"},
      {IDS_KWD_NEW_BASE, u"Základnu"},
      {IDS_KWD_NEW_BASE_HELP, u"vytvoř novou Základnu"},
      {IDS_KWD_TWO_LEVELS, u"Dvě"},
      {IDS_KWD_TWO_LEVELS_HELP, u"vytvoř novou základnu pro Dvě výškové úrovně"},
      {IDS_PROMPT_BASE_POINT, u"Zadejte bod vložení základny: "},
      {IDS_PROMPT_BASE_LEVEL, u"Zadejte %súroveň vztažného bodu <%.2f>: "},
      {IDS_PROMPT_PICK_EXISTING_HEIGHTDIM, u"Vyber výškovou kótu vztaženou k existující základně:"},
      {IDS_PROMPT_LEADER_POINT, u"Zadejte bod odkazu:"},
      {IDS_PROMPT_BASE_POINT_KWD, u"Zadejte bod vložení základny nebo %s: "},
      {IDS_MSG_HEIGHTDIM_VALUE_RANGE, u"mimo rozsah ±%g m"},
      {IDS_MSG_HEIGHTDIMS_CHANGED, u"%d objektů bylo změněno.\n"},
      {IDS_PROMPT_SELECT_BASE, u"Vyberte základnu:"},
      {IDS_PROMPT_SELECT_NEW_BASE, u"Vyberte novou základnu:"},
      {IDS_PROMPT_SELECT_DIMS_TO_REBASE, u"Vyberte kóty:"},
      {IDS_MSG_NO_BASE_IN_DRAWING, u"Ve výkrese není vytvořena žádná kóta/základna"},
      {IDS_PROMPT_HEIGHTDIM_PLACE, u"Zadejte umístění výškové kóty: "},
      {IDS_PROMPT_LEADER_FIRST_POINT, u"První bod vynášecí čáry:"},
      {IDS_PROMPT_LEADER_SECOND_POINT, u"Druhý bod vynášecí čáry:"},
      {IDS_PROMPT_LEADER_PLACE, u"Umístění výškové kóty na vynášecí čáře:"},
      {IDS_PROMPT_SELECT_HEIGHTDIMS, u"Vyberte výškové kóty:"},
  };
  auto it = texts.find(id);
  if (it == texts.end()) return false;
  out = it->second;
  return true;
}

// Binds a fresh host for each test and drops it afterwards.
class BuilderHost : public testing::Test {
 protected:
  void SetUp() override {
    hostsim::Host& h = hostsim::Host::instance();
    h.reset();
    h.stringSource = &attributePrompts;
    h.layerKeys[1] = u"ZAOKR";
    h.layerKeys[2] = u"KOTY";
    hostsim::Variable clayer;
    clayer.kind = hostsim::Variable::Kind::String;
    clayer.text = u"AKTUALNI";
    h.setVariable(u"CLAYER", clayer);
    ASSERT_TRUE(vd::bindHost(nullptr, hostsim::resolveExport, nullptr));
    vd::resetUcsTransforms();
  }
  void TearDown() override {
    vd::unbindHost();
    hostsim::Host::instance().reset();
  }
  hostsim::Host& host() { return hostsim::Host::instance(); }
  hostsim::Drawing& drawing() { return host().drawing(); }
};

}  // namespace hnotetest
