#include "hostsim/dialog_lines.h"

#include <optional>

#include "hostsim/host.h"
#include "hostsim/number_text.h"

namespace hostsim {

namespace {

struct KeyName {
  const char* name;
  DialogKey key;
};
constexpr KeyName kKeys[] = {
    {"Enter", DialogKey::Enter}, {"Delete", DialogKey::Delete}, {"Tab", DialogKey::Tab}, {"Escape", DialogKey::Escape},
    {"Down", DialogKey::Down},   {"Up", DialogKey::Up},         {"F4", DialogKey::F4},
};

struct Verb {
  const char* word;
  Answer::Kind kind;
  const char* usage;  // what the line wants, for its error
};
constexpr Verb kVerbs[] = {
    {"dialog", Answer::Kind::Dialog, "dialog wants a template id"},
    {"set", Answer::Kind::Set, "set wants a control id and a text"},
    {"choose", Answer::Kind::Choose, "choose wants a control id and an item's text"},
    {"check", Answer::Kind::Check, "check wants a control id and a state 0, 1 or 2"},
    {"key", Answer::Kind::Key, "key wants a control id and a key (Enter, Delete, Tab, Escape, Down, Up, F4)"},
    {"click", Answer::Kind::Click, "click wants a control id and a client pixel x,y"},
    {"dblclick", Answer::Kind::DoubleClick, "dblclick wants a control id and a client pixel x,y"},
    {"wheel", Answer::Kind::Wheel, "wheel wants a control id, a client pixel x,y and a delta"},
    {"wait", Answer::Kind::Wait, "wait wants milliseconds from 0 to 600000"},
    {"picture", Answer::Kind::Picture, "picture wants a file"},
    {"press", Answer::Kind::Press, "press wants a button id"},
    {"msgbox", Answer::Kind::MessageBox, "msgbox wants a button id"},
};

const Verb* verbOf(const std::string& word) {
  for (const Verb& v : kVerbs) {
    if (word == v.word) return &v;
  }
  return nullptr;
}

// Window ids are 16 bits; 0 names nothing.
std::optional<int> windowId(const std::string& text) {
  std::optional<int> v = parseInteger(text);
  if (!v || *v < 1 || *v > 0xFFFF) return std::nullopt;
  return v;
}

// "x,y" of two whole numbers, neither negative.
bool parsePixel(const std::string& text, int& x, int& y) {
  size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  std::optional<int> a = parseInteger(text.substr(0, comma));
  std::optional<int> b = parseInteger(text.substr(comma + 1));
  if (!a || !b || *a < 0 || *b < 0) return false;
  x = *a;
  y = *b;
  return true;
}

std::optional<DialogKey> keyNamed(const std::string& name) {
  for (const KeyName& k : kKeys) {
    if (vd::equalsNoCaseAscii(scriptText(name), scriptText(k.name))) return k.key;
  }
  return std::nullopt;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

const char* dialogKeyName(DialogKey key) {
  for (const KeyName& k : kKeys) {
    if (k.key == key) return k.name;
  }
  return "?";
}

bool isDialogVerb(const std::string& word) { return verbOf(word) != nullptr; }

bool parseDialogLine(const std::vector<std::string>& w, Answer& out, std::string& error) {
  const Verb* verb = w.empty() ? nullptr : verbOf(w[0]);
  if (!verb) {
    error = "not a dialog line";
    return false;
  }
  out.kind = verb->kind;
  DialogAction& a = out.dialog;
  a = DialogAction{};
  auto fail = [&] {
    error = verb->usage;
    return false;
  };
  // The arguments each verb takes after the id, when it takes an id.
  size_t wanted = 0;
  switch (verb->kind) {
    case Answer::Kind::Set:
    case Answer::Kind::Choose:
    case Answer::Kind::Check:
    case Answer::Kind::Key:
    case Answer::Kind::Click:
    case Answer::Kind::DoubleClick: wanted = 2; break;
    case Answer::Kind::Wheel: wanted = 3; break;
    default: wanted = 1; break;
  }
  if (w.size() != wanted + 1) return fail();

  std::optional<int> id;
  if (verb->kind != Answer::Kind::Wait && verb->kind != Answer::Kind::Picture) {
    id = windowId(w[1]);
    if (!id) return fail();
    a.id = *id;
    a.source = w[0] + " " + std::to_string(a.id);
  }
  switch (verb->kind) {
    case Answer::Kind::Set:
    case Answer::Kind::Choose:
      a.text = scriptText(w[2]);
      a.source += " " + quoted(w[2]);
      break;
    case Answer::Kind::Check: {
      std::optional<int> state = parseInteger(w[2]);
      if (!state || *state < 0 || *state > 2) return fail();
      a.value = *state;
      a.source += " " + std::to_string(*state);
      break;
    }
    case Answer::Kind::Key: {
      std::optional<DialogKey> key = keyNamed(w[2]);
      if (!key) return fail();
      a.value = static_cast<int>(*key);
      a.source += std::string(" ") + dialogKeyName(*key);
      break;
    }
    case Answer::Kind::Click:
    case Answer::Kind::DoubleClick:
    case Answer::Kind::Wheel: {
      if (!parsePixel(w[2], a.x, a.y)) return fail();
      a.source += " " + std::to_string(a.x) + "," + std::to_string(a.y);
      if (verb->kind != Answer::Kind::Wheel) break;
      std::optional<int> delta = parseInteger(w[3]);
      if (!delta || *delta == 0 || *delta < -32768 || *delta > 32767) return fail();
      a.value = *delta;
      a.source += " " + std::to_string(*delta);
      break;
    }
    case Answer::Kind::Wait: {
      std::optional<int> ms = parseInteger(w[1]);
      if (!ms || *ms < 0 || *ms > kLongestDialogWait) return fail();
      a.value = *ms;
      a.source = "wait " + std::to_string(*ms);
      break;
    }
    case Answer::Kind::Picture:
      if (w[1].empty()) return fail();
      a.text = scriptText(w[1]);
      a.source = "picture " + (w[1].find(' ') == std::string::npos ? w[1] : quoted(w[1]));
      break;
    default:  // dialog, press, msgbox: the id alone
      break;
  }
  return true;
}

}  // namespace hostsim
