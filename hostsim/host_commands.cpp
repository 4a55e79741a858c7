#include "hostsim/host_commands.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "host/chain.h"
#include "hostsim/dim_entry.h"
#include "hostsim/host.h"
#include "hostsim/number_text.h"

namespace hostsim {
namespace {

using vd::vstring;
using vd::vstring_view;

std::vector<vstring_view> tokensOf(vstring_view text) {
  std::vector<vstring_view> out;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(u'\n', from);
    if (at == vstring_view::npos) {
      // Text after the last line feed was never entered: still a token when not empty.
      if (from < text.size()) out.push_back(text.substr(from));
      return out;
    }
    out.push_back(text.substr(from, at - from));
    from = at + 1;
  }
}

// A command name as typed: "_line", "LINE" and "_LINE" are the same command.
bool isCommand(vstring_view token, vstring_view name) {
  if (!token.empty() && token.front() == u'_') token.remove_prefix(1);
  return vd::equalsNoCaseAscii(token, name);
}

// "x,y,z" or "x,y" (z is 0).
std::optional<std::array<double, 3>> pointOf(vstring_view token) {
  const std::string text = vd::utf16ToUtf8(vstring(token));
  std::array<double, 3> p{0, 0, 0};
  size_t from = 0;
  int n = 0;
  for (; n < 3; ++n) {
    const size_t comma = text.find(',', from);
    std::optional<double> v = parseFiniteReal(std::string_view(text).substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    if (!v) return std::nullopt;
    p[n] = *v;
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  if (n < 1 || n > 2) return std::nullopt;
  return p;
}

// The objects of a selection up to the empty token that ends it: "_L", the
// last entity, once however often it is named. False at another token.
bool selectedObjects(Host& host, const std::vector<vstring_view>& tokens, size_t& i, std::vector<vstring>& chosen,
                     vstring_view& wrong) {
  for (; i < tokens.size() && !tokens[i].empty(); ++i) {
    if (!isCommand(tokens[i], u"L")) {
      wrong = tokens[i];
      return false;
    }
    const Entity* last = host.drawing().lastEntity();
    if (last && std::find(chosen.begin(), chosen.end(), last->handle) == chosen.end()) chosen.push_back(last->handle);
  }
  ++i;  // the empty token that ended it
  return true;
}

}  // namespace

vstring currentLayer(const Host& host) {
  const Variable* v = host.variable(u"CLAYER");
  return v && v->kind == Variable::Kind::String && !v->text.empty() ? v->text : vstring(u"0");
}

bool runCommandText(Host& host, vstring_view text) {
  const std::vector<vstring_view> tokens = tokensOf(text);
  size_t i = 0;
  auto notUnderstood = [&](vstring_view token, const char* why) {
    host.log(std::string("host: command not understood (") + why + "): \"" + vd::utf16ToUtf8(vstring(token)) + "\"");
    return false;
  };
  while (i < tokens.size()) {
    const vstring_view command = tokens[i++];
    if (command.empty()) continue;
    if (isCommand(command, u"LINE")) {
      std::optional<std::array<double, 3>> from;
      for (; i < tokens.size() && !tokens[i].empty(); ++i) {
        std::optional<std::array<double, 3>> to = pointOf(tokens[i]);
        if (!to) return notUnderstood(tokens[i], "LINE wants a point");
        if (from) {
          vd::ChainBuilder b;
          b.text(vd::gc::kType, u"LINE").text(vd::gc::kLayer, currentLayer(host));
          b.point(vd::gc::kPoint0, (*from)[0], (*from)[1], (*from)[2]).point(vd::gc::kPoint1, (*to)[0], (*to)[1], (*to)[2]);
          const Entity& e = host.drawing().makeHostEntity(b.build());
          host.log("host: LINE " + vd::utf16ToUtf8(e.handle) + " drawn from " + formatPoint(from->data()) + " to " +
                   formatPoint(to->data()));
        }
        from = to;
      }
      ++i;  // the empty token that ended it
      continue;
    }
    if (isCommand(command, u"ERASE")) {
      std::vector<vstring> chosen;
      vstring_view wrong;
      if (!selectedObjects(host, tokens, i, chosen, wrong)) return notUnderstood(wrong, "ERASE wants \"_L\"");
      if (chosen.empty()) {
        host.log("host: ERASE found nothing");
        continue;
      }
      std::vector<vstring> missing;
      host.drawing().erase(chosen, missing);
      std::string list;
      for (const vstring& h : chosen) list += " " + vd::utf16ToUtf8(h);
      host.log("host: ERASE" + list);
      continue;
    }
    if (isCommand(command, u"DIM1")) {
      // One dimensioning subcommand; the host knows UPDATE.
      if (i >= tokens.size() || !isCommand(tokens[i], u"UPDATE"))
        return notUnderstood(i < tokens.size() ? tokens[i] : vstring_view(), "DIM1 wants \"_UPDATE\"");
      ++i;
      std::vector<vstring> chosen;
      vstring_view wrong;
      if (!selectedObjects(host, tokens, i, chosen, wrong)) return notUnderstood(wrong, "UPDATE wants \"_L\"");
      if (chosen.empty()) host.log("host: UPDATE found nothing");
      for (const vstring& h : chosen) {
        std::string why;
        if (!applyCurrentDimStyle(host, h, why)) host.log("host: UPDATE: " + why);
      }
      continue;
    }
    if (isCommand(command, u"-PURGE")) {
      // "_-PURGE" "_B" NAME "_N": the unused block of that name, without asking.
      if (i + 2 >= tokens.size() || !isCommand(tokens[i], u"B") || !isCommand(tokens[i + 2], u"N"))
        return notUnderstood(i < tokens.size() ? tokens[i] : vstring_view(), "-PURGE wants \"_B\" NAME \"_N\"");
      const vstring_view name = tokens[i + 1];
      i += 3;
      if (host.drawing().purgeBlock(name)) {
        host.log("host: PURGE block " + vd::utf16ToUtf8(vstring(name)));
      } else {
        host.log("host: PURGE: " + host.drawing().lastError());
      }
      continue;
    }
    return notUnderstood(command, "unknown command");
  }
  return true;
}

}  // namespace hostsim
