// The host's exports. docs/hostsim.md says what each one does.
#include "hostsim/exports.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <type_traits>

#include "host/jig_record.h"
#include "hostsim/colour_requests.h"
#include "hostsim/dim_entry.h"
#include "hostsim/host.h"
#include "hostsim/host_commands.h"
#include "hostsim/layers.h"
#include "hostsim/leaders.h"
#include "hostsim/number_text.h"
#include "hostsim/pick.h"
#include "hostsim/terminators.h"
#include "hostsim/text_metrics.h"

using hostsim::Answer;
using hostsim::formatNumber;
using hostsim::formatPoint;
using hostsim::Host;
using vd::HostOp;
using vd::vchar;
using vd::vstring;

namespace {

Host& host() { return Host::instance(); }
hostsim::Drawing& drawing() { return Host::instance().drawing(); }

// Logs why the drawing refused a write and passes its answer on.
int answered(const char* name, int result) {
  if (result == vd::kRtNorm) return result;
  host().calls.refusedLast();
  host().log(std::string("host: ") + name + " refused: " + drawing().lastError());
  return result;
}

// Every export begins here: the call is counted, and true means it is to
// fail as planned (docs/host-scripts.md, "Faults"). The export then answers
// the way the operation reports failure and does nothing else.
bool failing(HostOp op) { return host().enterCall(op); }

// The failure of an operation that fills a text buffer: the buffer empty, 0.
int noText(vchar* buffer, int capacity) {
  vd::copyToBuffer(u"", buffer, capacity);
  return 0;
}

vstring textOf(const vchar* s) { return s ? vstring(s) : vstring(); }

int copyNarrow(const std::string& text, char* buffer, int capacity) {
  if (!buffer || capacity <= 0) return 0;
  size_t n = text.size() < static_cast<size_t>(capacity - 1) ? text.size() : static_cast<size_t>(capacity - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

int noText(char* buffer, int capacity) {
  copyNarrow("", buffer, capacity);
  return 0;
}

// The text of a string variable; nothing when it is missing or of another kind.
std::optional<vstring> variableText(const vchar* name) {
  const hostsim::Variable* v = name ? host().variable(name) : nullptr;
  if (!v || v->kind != hostsim::Variable::Kind::String) return std::nullopt;
  return v->text;
}

std::optional<vstring> environmentText(const vchar* name) {
  auto it = name ? host().environment.find(hostsim::upperName(name)) : host().environment.end();
  if (it == host().environment.end()) return std::nullopt;
  return it->second;
}

std::optional<vstring> layerKeyText(int key) {
  auto it = host().layerKeys.find(key);
  if (it == host().layerKeys.end()) return std::nullopt;
  return it->second;
}

// A found text into a wide buffer: 1; nothing found: the buffer empty, 0.
int wideAnswer(const std::optional<vstring>& text, vchar* buffer, int capacity) {
  if (!text) return noText(buffer, capacity);
  vd::copyToBuffer(*text, buffer, capacity);
  return 1;
}

// The same into an 8-bit buffer (code page 1250).
int narrowAnswer(const std::optional<vstring>& text, char* buffer, int capacity) {
  if (!text) return noText(buffer, capacity);
  copyNarrow(vd::utf16ToCp1250(*text), buffer, capacity);
  return 1;
}

// Logs an operation that the headless host does not serve yet and fails it.
int notServed(const char* name) {
  host().log(std::string("host: ") + name + " is not served");
  return 0;
}

}  // namespace

// A definition whose type differs from the list's is a second C function of
// the same name, which the compiler refuses; these say so where it matters.
#define VD_CHECK_EXPORT(slot, name, signature, need)                  \
  static_assert(std::is_same_v<decltype(::name), vd::hostsig::name>, \
                #name " has the type the module binds it with");
VD_HOST_OPERATIONS(VD_CHECK_EXPORT)
#undef VD_CHECK_EXPORT

extern "C" {

int GetExternProduct() {
  if (failing(HostOp::GetExternProduct)) return 0;
  return host().product;
}

int GetAcadType() {
  if (failing(HostOp::GetAcadType)) return 0;
  return host().cadType;
}

const vchar* GetUserDatPath() {
  if (failing(HostOp::GetUserDatPath)) return nullptr;
  return host().userDataPath.c_str();
}

vd::HostWindow GetCadHWND() {
  if (failing(HostOp::GetCadHWND)) return nullptr;
  return host().mainWindow;
}

int ShowHelpW(const vchar* topic, int, int, int) {
  if (failing(HostOp::ShowHelpW)) return 0;
  host().log("help: ", textOf(topic));
  return 1;
}

vd::HostIcon GetAppIcon() {
  if (failing(HostOp::GetAppIcon)) return nullptr;
  return host().appIcon;
}

double GetScale() {
  if (failing(HostOp::GetScale)) return 0.0;
  return host().scale;
}

double GetUnits() {
  if (failing(HostOp::GetUnits)) return 0.0;
  return host().units;
}

vd::ValueNode* GetVarW(const vchar* name, int resultKind) {
  if (failing(HostOp::GetVarW) || !name) return nullptr;
  return host().variableNode(name, resultKind);
}

int GetVarStrW(const vchar* name, vchar* buffer, int capacity) {
  if (failing(HostOp::GetVarStrW)) return noText(buffer, capacity);
  return wideAnswer(variableText(name), buffer, capacity);
}

int GetVarStrA(const char* name, char* buffer, int capacity) {
  if (failing(HostOp::GetVarStrA)) return noText(buffer, capacity);
  return narrowAnswer(variableText(name ? vd::cp1250ToUtf16(name).c_str() : nullptr), buffer, capacity);
}

int GetEnvStrW(const vchar* name, vchar* buffer, int capacity) {
  if (failing(HostOp::GetEnvStrW)) return noText(buffer, capacity);
  return wideAnswer(environmentText(name), buffer, capacity);
}

int GetEnvStrA(const char* name, char* buffer, int capacity) {
  if (failing(HostOp::GetEnvStrA)) return noText(buffer, capacity);
  return narrowAnswer(environmentText(name ? vd::cp1250ToUtf16(name).c_str() : nullptr), buffer, capacity);
}

int LoadStringDBW(int id, vchar* buffer, int capacity) {
  vstring text;
  if (failing(HostOp::LoadStringDBW) || !host().moduleText(id, text)) return noText(buffer, capacity);
  return vd::copyToBuffer(text, buffer, capacity);
}

int LoadStringDBA(int id, char* buffer, int capacity) {
  vstring text;
  if (failing(HostOp::LoadStringDBA) || !host().moduleText(id, text)) return noText(buffer, capacity);
  return copyNarrow(vd::utf16ToCp1250(text), buffer, capacity);
}

int LocalizeDlg(vd::HostWindow, int templateId) {
  if (failing(HostOp::LocalizeDlg)) return 0;
  host().log("host: dialog " + std::to_string(templateId) + " localized");
  return 1;
}

int GetLayerKeyW(int key, vchar* buffer, int capacity, int) {
  if (failing(HostOp::GetLayerKeyW)) return noText(buffer, capacity);
  return wideAnswer(layerKeyText(key), buffer, capacity);
}

int GetLayerKeyFromName(const vchar* layerName) {
  if (failing(HostOp::GetLayerKeyFromName) || !layerName) return -1;
  for (const auto& [key, name] : host().layerKeys) {
    if (vd::equalsNoCaseAscii(name, vd::vstring_view(layerName))) return key;
  }
  return -1;
}

int Wcs2Ucs(double* point, int toWorld, int) {
  if (failing(HostOp::Wcs2Ucs) || !point) return 0;
  if (toWorld) {
    host().userToWorld(point);
  } else {
    host().worldToUser(point);
  }
  return 1;
}

int ColorExtFunctionW(vd::HostWindow parent, int mode, uint32_t* colour, uint32_t* rgb, vchar* text, int length) {
  if (failing(HostOp::ColorExtFunctionW)) return 0;
  return hostsim::passColourExt(host(), parent, mode, colour, rgb, text, length);
}
int ColorExtFunctionA(vd::HostWindow, int, uint32_t*, uint32_t*, char*, int) {
  if (failing(HostOp::ColorExtFunctionA)) return 0;
  return notServed("ColorExtFunctionA");
}
int CreateLayerW(const vchar* layerName, int) {
  if (failing(HostOp::CreateLayerW)) return 0;
  host().log("host: layer created: ", textOf(layerName));
  return 1;
}
int GetLayerKeyInfoW(int key, vchar* buffer, int capacity) {
  if (failing(HostOp::GetLayerKeyInfoW)) return noText(buffer, capacity);
  return wideAnswer(layerKeyText(key), buffer, capacity);
}
int FindLayerInfoA(const char* layerName, void* record) {
  if (failing(HostOp::FindLayerInfoA) || !layerName || !record) return 0;
  auto* r = static_cast<vd::HostLayerRecord*>(record);
  std::optional<int> colour = hostsim::layerColour(host(), vd::cp1250ToUtf16(layerName));
  if (!colour || r->size < static_cast<int32_t>(sizeof(vd::HostLayerRecord))) return 0;
  r->colour = *colour;
  return 1;
}

char** GetTextStylesA(int* count) {
  if (failing(HostOp::GetTextStylesA)) {
    if (count) *count = 0;
    return nullptr;
  }
  // Host-owned: the array and its texts live until the next call.
  static std::vector<std::string> styles;
  static std::vector<char*> names;
  styles = host().textStyleNames();
  names.clear();
  for (std::string& s : styles) names.push_back(s.data());
  if (count) *count = static_cast<int>(names.size());
  return names.empty() ? nullptr : names.data();
}

int GetTextExtentsW(const vchar* text, const vchar* style, double height, double widthFactor, double* width,
                    double* heightOut) {
  if (failing(HostOp::GetTextExtentsW)) return 0;
  double w = 0, h = 0;
  if (!hostsim::measureText(textOf(text), hostsim::textStyleFace(drawing(), textOf(style)), height, widthFactor, w, h))
    return 0;
  if (width) *width = w;
  if (heightOut) *heightOut = h;
  return 1;
}

int GetArrowHandleW(const vchar* blockName, uint64_t* handle) {
  if (handle) *handle = 0;
  if (failing(HostOp::GetArrowHandleW)) return 0;
  const vstring name = textOf(blockName);
  // A standard terminator's block is made the first time a drawing needs it,
  // as a CAD host does; "." is the closed filled arrow.
  const std::optional<vstring> standard = hostsim::terminatorBlockName(name);
  const hostsim::Block* b = drawing().findBlock(standard ? vd::vstring_view(*standard) : vd::vstring_view(name));
  if (!b && standard) {
    b = &drawing().defineHostBlock(*standard, std::move(*hostsim::terminatorShape(*standard)));
    host().log("host: terminator block " + vd::utf16ToUtf8(*standard) + " made for \"" + vd::utf16ToUtf8(name) + "\"");
  }
  if (handle && b) *handle = hostsim::handleValue(b->handle).value_or(0);
  return b ? 1 : 0;
}

int CommandW(const vchar* script) {
  if (failing(HostOp::CommandW)) return 0;
  host().log("host command: ", textOf(script));
  return hostsim::runCommandText(host(), textOf(script)) ? 1 : 0;
}

int GetPointW(const double* base, const vchar* prompt, double* point) {
  if (failing(HostOp::GetPointW)) return hostsim::kRtError;
  // With a base point the host draws a rubber band from it; the transcript says where from.
  vstring shown = textOf(prompt);
  if (base) shown += vd::utf8ToUtf16(" (rubber band from " + formatPoint(base) + ")");
  std::optional<Answer> a = host().takeAnswer("a point", textOf(prompt), {Answer::Kind::Point, Answer::Kind::Enter});
  if (!a || a->kind == Answer::Kind::Cancel) {
    host().log("point? ", shown + u" -> cancel");
    return vd::kRtCancel;
  }
  // Enter gives no point, as a host answers a point prompt left empty.
  if (a->kind == Answer::Kind::Enter) {
    host().log("point? ", shown + u" -> enter");
    return vd::kRtNone;
  }
  if (point) std::memcpy(point, a->point, sizeof a->point);
  host().log("point? ", shown + vd::utf8ToUtf16(" -> " + formatPoint(a->point)));
  return vd::kRtNorm;
}

namespace {
// The prompt as the host shows it: the offered keywords, "[A/B]", in place of
// its "%s" (a prompt without one gets nothing added).
vstring promptWithKeywords(const vchar* prompt, const vd::HostKeywordSet* keywords) {
  vstring shown = textOf(prompt);
  const size_t at = shown.find(u"%s");
  if (at == vstring::npos) return shown;
  vstring list = u"[";
  for (int i = 0; keywords && i < keywords->count; ++i) {
    const vd::HostKeyword& k = keywords->items[i];
    if (i > 0) list += u"/";
    list += textOf(k.local ? k.local : k.global);
  }
  list += u"]";
  return shown.replace(at, 2, list);
}
}  // namespace

int GetPointKwdW(const double*, const vchar* prompt, double* point, const vd::HostKeywordSet* keywords,
                 vchar* keyword, int, int) {
  if (failing(HostOp::GetPointKwdW)) return hostsim::kRtError;
  host().offeredKeywords.clear();
  for (int i = 0; keywords && i < keywords->count; ++i) {
    const vd::HostKeyword& k = keywords->items[i];
    if (k.global || k.local) host().offeredKeywords.push_back(textOf(k.global ? k.global : k.local));
  }
  std::optional<Answer> a =
      host().takeAnswer("a point or keyword", textOf(prompt), {Answer::Kind::Point, Answer::Kind::Keyword});
  host().offeredKeywords.clear();
  vstring shown = promptWithKeywords(prompt, keywords);
  if (!a || a->kind == Answer::Kind::Cancel) {
    host().log("point/keyword? ", shown + u" -> cancel");
    return vd::kRtCancel;
  }
  if (a->kind == Answer::Kind::Point) {
    if (point) std::memcpy(point, a->point, sizeof a->point);
    host().log("point/keyword? ", shown + vd::utf8ToUtf16(" -> " + formatPoint(a->point)));
    return vd::kRtNorm;
  }
  // A keyword is matched case-insensitively against the local and global names offered.
  for (int i = 0; keywords && i < keywords->count; ++i) {
    const vd::HostKeyword& k = keywords->items[i];
    for (const vchar* name : {k.local, k.global}) {
      if (name && vd::utf16ToUtf8(hostsim::upperName(name)) == vd::utf16ToUtf8(hostsim::upperName(a->text))) {
        vd::copyToBuffer(k.global ? k.global : name, keyword, vd::kKeywordBufferChars);
        host().log("point/keyword? ", shown + u" -> " + vstring(k.global ? k.global : name));
        return vd::kRtKeyword;
      }
    }
  }
  host().fail("script line " + std::to_string(a->line) + ": keyword \"" + vd::utf16ToUtf8(a->text) +
              "\" is not offered at \"" + vd::utf16ToUtf8(shown) + "\"");
  return vd::kRtCancel;
}

int GetRealW(const vchar* prompt, double* value) {
  if (failing(HostOp::GetRealW)) return hostsim::kRtError;
  std::optional<Answer> a = host().takeAnswer("a real", textOf(prompt), {Answer::Kind::Real, Answer::Kind::Enter});
  if (!a || a->kind == Answer::Kind::Cancel) {
    host().log("real? ", textOf(prompt) + u" -> cancel");
    return vd::kRtCancel;
  }
  if (a->kind == Answer::Kind::Enter) {
    host().log("real? ", textOf(prompt) + u" -> enter");
    return vd::kRtNone;
  }
  if (value) *value = a->real;
  host().log("real? ", textOf(prompt) + vd::utf8ToUtf16(" -> " + formatNumber(a->real)));
  return vd::kRtNorm;
}

intptr_t DictionaryOpenW(intptr_t, const vchar* name, int create, int) {
  if (failing(HostOp::DictionaryOpenW) || !name) return 0;
  return drawing().openDictionary(name, create != 0);
}

vd::ValueNode* DictionaryNextW(intptr_t dictionary, vchar* key, int first) {
  if (failing(HostOp::DictionaryNextW)) {
    noText(key, hostsim::kDictionaryKeyChars);
    return nullptr;
  }
  vstring k;
  const vd::ValueNode* entry = drawing().nextDictionaryEntry(dictionary, k, first != 0);
  if (key) vd::copyToBuffer(entry ? k : vstring(), key, hostsim::kDictionaryKeyChars);
  // Host-owned: the module reads or copies it and never frees it.
  return const_cast<vd::ValueNode*>(entry);
}

int DictionaryAddW(intptr_t dictionary, const vchar* key, vd::ValueNode* chain, int) {
  if (failing(HostOp::DictionaryAddW)) return 0;
  if (drawing().writeDictionaryEntry(dictionary, key ? vd::vstring_view(key) : vd::vstring_view(), chain)) return 1;
  host().calls.refusedLast();
  host().log("host: DictionaryAddW refused: " + drawing().lastError());
  return 0;
}

int DictionaryClose(intptr_t dictionary, int) {
  if (failing(HostOp::DictionaryClose)) return 0;
  return drawing().closeDictionary(dictionary) ? 1 : 0;
}

int NextBindHandle(vchar* handle) {
  if (handle) handle[0] = 0;
  if (failing(HostOp::NextBindHandle)) return 0;
  return notServed("NextBindHandle");
}

int Header_bin() {
  if (failing(HostOp::Header_bin)) return hostsim::kRtError;
  return answered("Header_bin", drawing().beginBatch());
}

int BlkmakeHead_binW(const vchar* name, int flags, double* x, double* y, double* z) {
  if (failing(HostOp::BlkmakeHead_binW)) return hostsim::kRtError;
  const double base[3] = {x ? *x : 0.0, y ? *y : 0.0, z ? *z : 0.0};
  return answered("BlkmakeHead_binW", drawing().beginBlock(name ? vd::vstring_view(name) : vd::vstring_view(), flags, base));
}

int BlkmakeEnt_binW(vd::ValueNode* chain) {
  if (failing(HostOp::BlkmakeEnt_binW)) return hostsim::kRtError;
  return answered("BlkmakeEnt_binW", drawing().addBlockEntity(chain));
}

int BlkmakeEnd_binW(const vchar* name) {
  if (failing(HostOp::BlkmakeEnd_binW)) return hostsim::kRtError;
  return answered("BlkmakeEnd_binW", drawing().endBlock(name ? vd::vstring_view(name) : vd::vstring_view()));
}

// Inside a block definition the entity belongs to the block, as with BlkmakeEnt_binW.
int Entmake_binW(vd::ValueNode* chain, int) {
  if (failing(HostOp::Entmake_binW)) return hostsim::kRtError;
  return answered("Entmake_binW", drawing().addEntity(chain));
}

int Flush_bin(int) {
  if (failing(HostOp::Flush_bin)) return hostsim::kRtError;
  int r = answered("Flush_bin", drawing().flush());
  if (r == vd::kRtNorm && !drawing().lastError().empty()) host().log("host: Flush_bin: " + drawing().lastError());
  return r;
}

int EraseHandles(const vchar* const* handles, int count, int) {
  if (failing(HostOp::EraseHandles)) return hostsim::kRtError;
  std::vector<vstring> list;
  for (int i = 0; handles && i < count; ++i) {
    if (handles[i]) list.emplace_back(handles[i]);
  }
  std::vector<vstring> missing;
  drawing().erase(list, missing);
  for (const vstring& m : missing) host().log("host: EraseHandles: no entity ", m);
  return missing.empty() ? vd::kRtNorm : hostsim::kRtError;
}

namespace {

std::string listHandles(const std::vector<vstring>& handles) {
  std::string s;
  for (const vstring& h : handles) s += (s.empty() ? "" : " ") + vd::utf16ToUtf8(h);
  return s;
}

}  // namespace

int SSGetW(int mode, const vchar* prompt, vd::ValueNode* filter, int) {
  if (failing(HostOp::SSGetW)) return hostsim::kRtError;
  hostsim::Drawing& d = drawing();
  std::vector<vstring> chosen;
  std::string how;
  switch (mode) {
    case 1:
    case 2: {
      std::optional<Answer> a = host().takeAnswer("a selection", textOf(prompt),
                                                  {Answer::Kind::Pick, Answer::Kind::PickAt, Answer::Kind::Window,
                                                   Answer::Kind::Enter});
      if (!a || a->kind == Answer::Kind::Cancel) {
        host().log("select? ", textOf(prompt) + u" -> cancel");
        d.setSelection({});
        return vd::kRtCancel;
      }
      // Enter selects nothing, as a host answers an empty selection.
      if (a->kind == Answer::Kind::Enter) {
        host().log("select? ", textOf(prompt) + u" -> enter");
        d.setSelection({});
        return hostsim::kRtError;
      }
      std::optional<std::vector<vstring>> picked = hostsim::pickedEntities(host(), *a);
      if (!picked) return vd::kRtCancel;
      // A selection set holds each entity once, however often it was picked.
      std::vector<const hostsim::Entity*> from;
      for (const vstring& h : *picked) {
        const hostsim::Entity* e = d.findEntity(h);
        if (std::find(from.begin(), from.end(), e) == from.end()) from.push_back(e);
      }
      chosen = d.filter(from, filter);
      // Where one object is wanted the first one picked is it.
      if (mode == 1 && chosen.size() > 1) chosen.resize(1);
      how = std::string("select? ") + vd::utf16ToUtf8(textOf(prompt)) + " -> ";
      break;
    }
    case 3:
    case 15:
      // 15 is the walk of a command that refreshes marks: every entity, also
      // those without extended data (older height marks carry none).
      chosen = d.filter(d.entities(), filter);
      how = "host: all entities -> ";
      break;
    case 4: {
      std::vector<const hostsim::Entity*> from;
      for (const vstring& h : d.lastMade()) {
        if (const hostsim::Entity* e = d.findEntity(h)) from.push_back(e);
      }
      chosen = d.filter(from, filter);
      how = "host: last made -> ";
      break;
    }
    default:
      host().log("host: SSGetW mode " + std::to_string(mode) + " is not served");
      d.setSelection({});
      return hostsim::kRtError;
  }
  host().log(how + (chosen.empty() ? std::string("nothing") : listHandles(chosen)));
  d.setSelection(chosen);
  return chosen.empty() ? hostsim::kRtError : vd::kRtNorm;
}

vd::ValueNode* EntnextW(int first, int) {
  if (failing(HostOp::EntnextW)) return nullptr;
  return const_cast<vd::ValueNode*>(drawing().nextSelected(first != 0));
}

vd::ValueNode* BlknextW(int first) {
  if (failing(HostOp::BlknextW)) return nullptr;
  return const_cast<vd::ValueNode*>(drawing().nextInBlockWalk(first != 0));
}

int PromptW(const vchar* text) {
  if (failing(HostOp::PromptW)) return hostsim::kRtError;
  host().log("prompt: ", textOf(text));
  return vd::kRtNorm;
}

int Jig(void* dragRecord, int) {
  if (failing(HostOp::Jig)) return 0;
  auto* r = static_cast<vd::JigRecord*>(dragRecord);
  if (!r || r->size != static_cast<int32_t>(sizeof(vd::JigRecord))) {
    host().log("host: Jig refused: no drag record of " + std::to_string(sizeof(vd::JigRecord)) + " bytes");
    return 0;
  }
  r->handle[vd::kHandleChars - 1] = 0;
  vstring handle = r->handle;
  if (handle.empty() && !drawing().lastMade().empty()) handle = drawing().lastMade().front();
  const hostsim::Entity* e = handle.empty() ? nullptr : drawing().findEntity(handle);
  const std::string what = e ? vd::utf16ToUtf8(e->type()) + " " + vd::utf16ToUtf8(e->handle) : "nothing";
  const std::string from = " from " + formatPoint(r->base);
  std::optional<Answer> a = host().takeAnswer("a drop point", u"drag " + vd::utf8ToUtf16(what), {Answer::Kind::Point});
  if (!a || a->kind == Answer::Kind::Cancel) {
    host().log("drag " + what + from + " -> cancel");
    return 0;
  }
  host().log("drag " + what + from + " -> " + formatPoint(a->point));
  std::string why;
  if (!e || !std::isfinite(r->base[0]) || !std::isfinite(r->base[1]) ||
      !hostsim::moveEntity(drawing(), e->handle, a->point[0] - r->base[0], a->point[1] - r->base[1], why)) {
    host().calls.refusedLast();
    host().log("host: Jig refused: " + (why.empty() ? std::string(e ? "the base point is not finite" : "nothing to drag") : why));
    return 0;
  }
  std::memcpy(r->dropped, a->point, sizeof r->dropped);
  return 1;
}
int HighlightGlyph(void*) {
  if (failing(HostOp::HighlightGlyph)) return 0;
  return notServed("HighlightGlyph");
}
int UpdateTransient(void*) {
  failing(HostOp::UpdateTransient);
  return 0;
}
int SetColorDialogTrueColor(void* record) {
  if (failing(HostOp::SetColorDialogTrueColor)) return 0;
  return hostsim::answerTrueColour(host(), record);
}
int LeaderAnno(uint64_t* annotation, uint64_t* leader, int) {
  if (failing(HostOp::LeaderAnno)) return 0;
  std::string why = "no handles";
  const vstring a = annotation ? hostsim::handleText(*annotation) : vstring();
  const vstring l = leader ? hostsim::handleText(*leader) : vstring();
  if (!annotation || !leader || !hostsim::tieLeader(drawing(), l, a, why)) {
    host().calls.refusedLast();
    host().log("host: LeaderAnno refused: " + why);
    return 0;
  }
  host().log("host: LEADER " + vd::utf16ToUtf8(l) + " tied to " +
             vd::utf16ToUtf8(drawing().findEntity(a)->type()) + " " + vd::utf16ToUtf8(a));
  return 1;
}
int DimArcEntry(int mode, int withLimitPoints) {
  if (failing(HostOp::DimArcEntry)) return -1;
  return hostsim::beginArcDimensionEntry(host(), mode, withLimitPoints != 0);
}
int DimArcEntryExit() {
  if (failing(HostOp::DimArcEntryExit)) return 0;
  return hostsim::endArcDimensionEntry(host());
}
int Vd2dLayerDev2LangW(vchar* layerName, int capacity, int toDevice) {
  if (failing(HostOp::Vd2dLayerDev2LangW) || !layerName || capacity <= 0 || (toDevice != 0 && toDevice != 1)) return 0;
  std::optional<vstring> converted = hostsim::convertLayerKey(host(), textOf(layerName), toDevice == 0);
  if (!converted) return 0;
  vd::copyToBuffer(*converted, layerName, capacity);
  return 1;
}
int Vd2dKeyLayerMappedA(const char* key, char* buffer, int capacity, int) {
  if (failing(HostOp::Vd2dKeyLayerMappedA) || !key) return noText(buffer, capacity);
  const hostsim::LayerKey* found = hostsim::findLayerKey(host(), vd::cp1250ToUtf16(key));
  return narrowAnswer(found ? std::optional<vstring>(found->layer) : std::nullopt, buffer, capacity);
}
int Vd2dGetStoredData(void*) {
  if (failing(HostOp::Vd2dGetStoredData)) return 0;
  return notServed("Vd2dGetStoredData");
}
int VdRcFillComboLayer(vd::HostWindow combo, int mode) {
  if (failing(HostOp::VdRcFillComboLayer)) return 0;
  const auto& fill = host().windowOperations.fillLayerCombo;
  return fill ? fill(combo, mode) : notServed("VdRcFillComboLayer");
}
int VdRcLayerDlg(int mode, int flags, int options) {
  if (failing(HostOp::VdRcLayerDlg)) return 0;
  const auto& show = host().windowOperations.layerDialog;
  return show ? show(mode, flags, options) : notServed("VdRcLayerDlg");
}

}  // extern "C"
