#include "hostsim/colour_requests.h"

#include <cstdio>

namespace hostsim {

int passColourExt(Host& host, void* parent, int mode, std::uint32_t* colour, std::uint32_t* rgb, vchar* text,
                  int length) {
  const auto& pass = host.windowOperations.colourExt;
  if (!pass) {
    host.log("host: ColorExtFunctionW is not served");
    return 0;
  }
  return pass(parent, mode, colour, rgb, text, length);
}

int answerTrueColour(Host& host, void* record) {
  auto* r = static_cast<vd::HostTrueColourRecord*>(record);
  if (!r || r->size != static_cast<std::int32_t>(sizeof(vd::HostTrueColourRecord))) {
    host.log("host: SetColorDialogTrueColor refused: no 32-byte colour record");
    return 0;
  }
  const Answer* next = host.peekAnswer();
  if (next && next->kind == Answer::Kind::Dialog && host.windowOperations.trueColourDialog && !host.failed())
    return host.windowOperations.trueColourDialog(*r);
  std::optional<Answer> a = host.takeAnswer("a true colour", u"", {Answer::Kind::TrueColour});
  if (!a || a->kind != Answer::Kind::TrueColour) {
    host.log("host: true colour -> cancel");
    return 0;
  }
  r->colour = a->colour;
  logTrueColour(host, a->colour);
  return 1;
}

void logTrueColour(Host& host, std::uint32_t colour) {
  char line[64];
  std::snprintf(line, sizeof line, "host: true colour -> %u,%u,%u", colour & 0xFFu, (colour >> 8) & 0xFFu,
                (colour >> 16) & 0xFFu);
  host.log(line);
}

std::string quotedText(vd::vstring_view text) {
  std::string out = "\"";
  for (char c : vd::utf16ToUtf8(text, vd::Surrogates::Keep)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += hex;
        } else {
          out.push_back(c);
        }
    }
  }
  return out + "\"";
}

std::string colourExtLine(int result, std::uint32_t colour, std::uint32_t rgb, vd::vstring_view text) {
  char head[96];
  std::snprintf(head, sizeof head, "colorext -> %d colour=0x%08X rgb=", result, colour);
  std::string line = head;
  if (rgb == kRgbNotWritten) {
    line += "none";
  } else {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%06X", rgb);
    line += hex;
  }
  return line + " text=" + quotedText(text);
}

}  // namespace hostsim
