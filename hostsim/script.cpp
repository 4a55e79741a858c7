#include "hostsim/script.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <fstream>
#include <sstream>

#include "host/services.h"
#include "hostsim/colour_requests.h"
#include "hostsim/number_text.h"

namespace hostsim {

bool splitWords(const std::string& line, std::vector<std::string>& words) {
  words.clear();
  std::string cur;
  bool quoted = false, have = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      have = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
      if (have) words.push_back(cur);
      cur.clear();
      have = false;
    } else {
      cur.push_back(c);
      have = true;
    }
  }
  if (have) words.push_back(cur);
  return !quoted;
}

namespace {

bool parseReal(const std::string& text, double& out) {
  std::optional<double> v = parseFiniteReal(text);
  if (v) out = *v;
  return v.has_value();
}

// `what` followed by the word that was not what it wants, when there is one.
std::string wants(const std::string& what, const std::vector<std::string>& words, size_t at) {
  if (at >= words.size()) return what;
  return what + ", not \"" + words[at] + "\"";
}

bool parseInt(const std::string& text, int& out) {
  std::optional<int> v = parseInteger(text);
  if (v) out = *v;
  return v.has_value();
}

// A line whose first word begins with # is a comment.
bool isComment(const std::string& line) {
  size_t first = line.find_first_not_of(" \t\r");
  return first != std::string::npos && line[first] == '#';
}

bool isAnswerVerb(const std::string& w) {
  return w == "point" || w == "keyword" || w == "real" || w == "enter" || w == "cancel" || w == "pick" ||
         w == "pickat" || w == "window" || w == "truecolour" || isDialogVerb(w);
}

// Why an answer was left when its command ended.
std::string unusedBecause(const Answer& a) {
  switch (a.kind) {
    case Answer::Kind::Dialog:
      return "the module shows no dialog where the script expects dialog " + std::to_string(a.dialog.id) +
             " (the command ended)";
    case Answer::Kind::MessageBox:
      return "the module shows no message box where the script answers one (the command ended)";
    default:
      if (isDialogLine(a.kind)) return "no dialog is open for \"" + a.dialog.source + "\" (the command ended)";
      return std::string("the command ended before it asked for this ") + answerKindName(a.kind);
  }
}

// A colour value: decimal (0 to 4294967295) or 0x and one to eight hexadecimal digits.
std::optional<std::uint32_t> parseColourValue(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return std::nullopt;
  unsigned long long value = 0;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
  }
  if (value > 0xFFFFFFFFull) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

// "R,G,B" of three whole numbers 0 to 255.
std::optional<std::uint32_t> parseTrueColour(const std::string& text) {
  std::uint32_t colour = 0x01000000u;
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t comma = text.find(',', start);
    if ((i < 2) != (comma != std::string::npos)) return std::nullopt;
    std::optional<int> v = parseInteger(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!v || *v < 0 || *v > 255) return std::nullopt;
    colour |= static_cast<std::uint32_t>(*v) << (8 * i);
    start = comma + 1;
  }
  return colour;
}

std::string rest(const std::vector<std::string>& words, size_t from) {
  std::string s;
  for (size_t i = from; i < words.size(); ++i) {
    if (i > from) s += ' ';
    s += words[i];
  }
  return s;
}

}  // namespace

bool parsePoint(const std::string& text, double out[3]) {
  out[0] = out[1] = out[2] = 0;
  int n = 0;
  for (size_t start = 0;; ++n) {
    size_t comma = text.find(',', start);
    if (n == 3 || !parseReal(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), out[n]))
      return false;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return n == 1 || n == 2;
}

bool ScriptRunner::parseAnswer(const std::vector<std::string>& w, int line, Answer& a, std::string& error) const {
  a = Answer{};
  a.line = line;
  const std::string& verb = w[0];
  if (verb == "point") {
    a.kind = Answer::Kind::Point;
    if (w.size() != 2 || !parsePoint(w[1], a.point)) error = wants("point wants x,y or x,y,z", w, 1);
  } else if (verb == "keyword") {
    a.kind = Answer::Kind::Keyword;
    if (w.size() < 2) error = "keyword wants a word";
    a.text = scriptText(rest(w, 1));
  } else if (verb == "real") {
    a.kind = Answer::Kind::Real;
    if (w.size() != 2 || !parseReal(w[1], a.real)) error = wants("real wants a number", w, 1);
  } else if (verb == "enter" || verb == "cancel") {
    a.kind = verb == "enter" ? Answer::Kind::Enter : Answer::Kind::Cancel;
    if (w.size() != 1) error = verb + " takes no argument, not \"" + rest(w, 1) + "\"";
  } else if (verb == "pick") {
    a.kind = Answer::Kind::Pick;
    if (w.size() < 2) error = "pick wants one or more handles";
    for (size_t i = 1; i < w.size(); ++i) {
      vd::vstring h = normalHandle(scriptText(w[i]));
      if (h.empty()) {
        error = "\"" + w[i] + "\" is not a handle";
        break;
      }
      a.handles.push_back(h);
    }
  } else if (verb == "pickat") {
    a.kind = Answer::Kind::PickAt;
    if (w.size() != 2 || !parsePoint(w[1], a.point)) error = wants("pickat wants x,y", w, 1);
  } else if (verb == "window") {
    a.kind = Answer::Kind::Window;
    if (w.size() != 3) {
      error = "window wants two corners x1,y1 x2,y2";
    } else if (!parsePoint(w[1], a.point) || !parsePoint(w[2], a.corner)) {
      error = wants("window wants two corners x1,y1 x2,y2", w, parsePoint(w[1], a.point) ? 2 : 1);
    }
  } else if (verb == "truecolour") {
    a.kind = Answer::Kind::TrueColour;
    std::optional<std::uint32_t> colour = w.size() == 2 ? parseTrueColour(w[1]) : std::nullopt;
    if (!colour) error = wants("truecolour wants R,G,B, three numbers from 0 to 255", w, 1);
    a.colour = colour.value_or(0);
  } else if (isDialogVerb(verb)) {
    parseDialogLine(w, a, error);
  } else {
    error = "unknown answer " + verb;
  }
  return error.empty();
}

bool readTextFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::stringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return true;
}

CommandArguments::CommandArguments(const std::vector<std::string>& utf8) {
  for (const std::string& a : utf8) texts_.push_back(vd::utf16ToCp1250(scriptText(a)));
  for (const std::string& a : texts_) argv_.push_back(a.c_str());
  argv_.push_back(nullptr);
}

bool ScriptRunner::runFile(const std::string& path) {
  std::string text;
  if (!readTextFile(path, text)) {
    host_.fail("cannot read script " + path);
    return false;
  }
  return runText(text);
}

bool ScriptRunner::runText(const std::string& text) {
  lines_.clear();
  std::stringstream ss(text);
  std::string line;
  while (std::getline(ss, line)) lines_.push_back(line);
  // A UTF-8 byte order mark in front of the first line is not part of it.
  if (!lines_.empty() && lines_[0].rfind("\xEF\xBB\xBF", 0) == 0) lines_[0].erase(0, 3);
  std::vector<std::string> words;
  for (next_ = 0; next_ < lines_.size();) {
    int lineNo = static_cast<int>(next_) + 1;
    if (!wordsOf(next_++, words)) return false;
    if (words.empty()) continue;
    host_.scriptLine = lineNo;
    if (!runLine(words, lineNo)) return false;
  }
  return !host_.failed();
}

bool ScriptRunner::wordsOf(size_t index, std::vector<std::string>& words) {
  words.clear();
  const std::string& line = lines_[index];
  if (isComment(line)) return true;
  if (splitWords(line, words)) return true;
  host_.fail("script line " + std::to_string(index + 1) + ": a quote is not closed");
  return false;
}

bool ScriptRunner::runLine(const std::vector<std::string>& w, int line) {
  const std::string& verb = w[0];
  auto bad = [&](const std::string& why) {
    host_.fail("script line " + std::to_string(line) + ": " + why);
    return false;
  };
  auto wantArgs = [&](size_t n) { return w.size() == n + 1; };
  int iv = 0;
  double dv = 0;

  if (isAnswerVerb(verb)) return bad("an answer must follow a command line");
  if (verb == "product") {
    if (!wantArgs(1) || !parseInt(w[1], iv)) return bad("product wants a number");
    host_.product = iv;
  } else if (verb == "cadtype") {
    if (!wantArgs(1) || !parseInt(w[1], iv)) return bad("cadtype wants a number");
    host_.cadType = iv;
  } else if (verb == "units") {
    if (!wantArgs(1) || !parseReal(w[1], dv)) return bad(wants("units wants a number", w, 1));
    host_.units = dv;
  } else if (verb == "scale") {
    if (!wantArgs(1) || !parseReal(w[1], dv)) return bad(wants("scale wants a number", w, 1));
    host_.scale = dv;
  } else if (verb == "userdata") {
    if (!wantArgs(1)) return bad("userdata wants a folder");
    host_.userDataPath = scriptText(w[1]);
  } else if (verb == "var") {
    if (w.size() < 4) return bad("var wants a name, a kind (real, short, point, string) and a value");
    Variable v;
    const std::string& kind = w[2];
    if (kind == "real") {
      v.kind = Variable::Kind::Real;
      if (!wantArgs(3) || !parseReal(w[3], v.value[0])) return bad(wants("var real wants a number", w, 3));
    } else if (kind == "short") {
      v.kind = Variable::Kind::Short;
      if (!wantArgs(3) || !parseInt(w[3], iv) || iv < -32768 || iv > 32767) return bad("var short wants a 16-bit number");
      v.shortValue = static_cast<int16_t>(iv);
    } else if (kind == "point") {
      v.kind = Variable::Kind::Point;
      if (!wantArgs(3) || !parsePoint(w[3], v.value)) return bad(wants("var point wants x,y or x,y,z", w, 3));
    } else if (kind == "string") {
      v.kind = Variable::Kind::String;
      v.text = scriptText(rest(w, 3));
    } else {
      return bad("unknown variable kind " + kind);
    }
    host_.setVariable(scriptText(w[1]), v);
  } else if (verb == "env") {
    if (w.size() < 2) return bad("env wants a name and a text");
    host_.environment[upperName(scriptText(w[1]))] = scriptText(rest(w, 2));
  } else if (verb == "layerkey") {
    if (w.size() < 3 || !parseInt(w[1], iv)) return bad("layerkey wants a number and a layer name");
    host_.layerKeys[iv] = scriptText(rest(w, 2));
  } else if (verb == "layer") {
    if (w.size() < 3 || w.size() > 4 || !parseInt(w[2], iv)) return bad("layer wants a name, a colour and maybe a key");
    const std::string error =
        hostsim::defineLayer(host_, scriptText(w[1]), iv, w.size() == 4 ? scriptText(w[3]) : vstring());
    if (!error.empty()) return bad(error);
  } else if (verb == "textstyle") {
    if (!wantArgs(1)) return bad("textstyle wants a name");
    host_.textStyles.push_back(vd::utf16ToCp1250(scriptText(w[1])));
  } else if (verb == "omit") {
    if (!wantArgs(1)) return bad("omit wants an export name");
    if (initialized_) return bad("omit must come before init");
    std::string error;
    if (!module_.omitExport(w[1], error)) return bad(error);
    host_.omittedExports.insert(w[1]);
    host_.log("host: export " + w[1] + " left out");
  } else if (verb == "init") {
    if (!wantArgs(0)) return bad("init takes no argument");
    int r = 0;
    if (!module_.initApp(r)) return bad("the module has no InitApp");
    initialized_ = true;
    host_.log("InitApp -> " + std::to_string(r));
    host_.calls.moduleStarted();
  } else if (verb == "text") {
    if (!wantArgs(1) || !parseInt(w[1], iv)) return bad("text wants a string id");
    // The host reads its own string table: no call of the module's host operations.
    vd::vstring text;
    if (!host_.moduleText(iv, text)) text.clear();
    host_.log(("text " + std::to_string(iv) + ": ").c_str(), text.substr(0, vd::kLoadTextChars - 1));
  } else if (verb == "fail") {
    if (!wantArgs(2) || !parseInt(w[2], iv) || iv < 1) return bad("fail wants an operation (or *) and a count from 1");
    OperationFilter filter;
    if (!operationFilter(w[1], filter)) return bad("the host has no operation " + w[1]);
    host_.calls.failFromNow(filter, iv);
  } else if (verb == "journal") {
    if (!wantArgs(1) || (w[1] != "on" && w[1] != "off")) return bad("journal wants on or off");
    host_.journal = w[1] == "on";
  } else if (verb == "aperture") {
    if (!wantArgs(1) || !parseReal(w[1], dv) || dv < 0) return bad(wants("aperture wants a distance", w, 1));
    host_.pickAperture = dv;
  } else if (verb == "load") {
    if (!wantArgs(1)) return bad("load wants a DXF file");
    std::string error;
    if (!host_.loadDrawing(w[1], error)) return bad(error);
    host_.log("host: drawing loaded from " + w[1] + " (" + std::to_string(host_.drawing().entities().size()) +
              " entities, " + std::to_string(host_.drawing().blocks().size()) + " blocks)");
  } else if (verb == "save") {
    if (!wantArgs(1)) return bad("save wants a DXF file");
    std::string error;
    if (!host_.saveDrawing(w[1], error)) return bad(error);
    host_.log("host: drawing saved to " + w[1] + (host_.writesFiles ? "" : " (in memory only)"));
  } else if (verb == "snapshot") {
    // "snapshot FILE.png" or "snapshot FILE.png x0,y0 x1,y1": the drawing's
    // extents, or that window of it.
    std::optional<std::array<double, 4>> window;
    double a[3] = {0, 0, 0}, b[3] = {0, 0, 0};
    if (w.size() == 4 && parsePoint(w[2], a) && parsePoint(w[3], b) && a[0] != b[0] && a[1] != b[1]) {
      window = std::array<double, 4>{std::min(a[0], b[0]), std::min(a[1], b[1]), std::max(a[0], b[0]),
                                     std::max(a[1], b[1])};
    } else if (!wantArgs(1)) {
      return bad("snapshot wants a PNG file, and a window of two corners x,y that differ in both");
    }
    if (!host_.windowOperations.drawingPicture) return bad("this host paints no pictures of the drawing");
    std::string error;
    if (!host_.windowOperations.drawingPicture(w[1], window, host_.writesFiles, error)) return bad(error);
    host_.log("host: picture saved to " + w[1] + (host_.writesFiles ? "" : " (in memory only)"));
  } else if (verb == "new") {
    if (!wantArgs(0)) return bad("new takes no argument");
    host_.replaceDrawing(std::make_unique<Drawing>());
  } else if (verb == "echo") {
    host_.log("# " + rest(w, 1));
  } else if (verb == "command") {
    if (w.size() < 2) return bad("command wants a command name");
    // The answers for this command are the answer lines that follow it.
    if (!queueAnswerLines()) return false;
    std::vector<std::string> args(w.begin() + 2, w.end());
    host_.log("> command " + rest(w, 1));
    int result = 0;
    if (observer_) observer_->commandStarting(rest(w, 1), line);
    bool ran = module_.runCommand(w[1], args, result);
    if (observer_) observer_->commandEnded();
    if (!ran) return bad("the module has no command " + w[1]);
    host_.log("command " + w[1] + " -> " + std::to_string(result));
    if (!noAnswerLeft()) return false;
  } else if (verb == "colorext") {
    return runColourExt(w, line);
  } else {
    return bad("unknown instruction " + verb);
  }
  return true;
}

bool ScriptRunner::queueAnswerLines() {
  host_.clearAnswers();
  std::vector<std::string> aw;
  while (next_ < lines_.size()) {
    if (!wordsOf(next_, aw)) return false;
    if (aw.empty() && isComment(lines_[next_])) {
      ++next_;
      continue;
    }
    if (aw.empty() || !isAnswerVerb(aw[0])) break;
    Answer a;
    std::string error;
    int answerLine = static_cast<int>(next_) + 1;
    ++next_;
    if (!parseAnswer(aw, answerLine, a, error)) {
      host_.fail("script line " + std::to_string(answerLine) + ": " + error);
      return false;
    }
    host_.queueAnswer(a);
  }
  return true;
}

bool ScriptRunner::noAnswerLeft() {
  if (host_.failed()) return false;
  if (const Answer* left = host_.peekAnswer()) {
    host_.fail("script line " + std::to_string(left->line) + ": " + unusedBecause(*left));
    return false;
  }
  return true;
}

bool ScriptRunner::runColourExt(const std::vector<std::string>& w, int line) {
  auto bad = [&](const std::string& why) {
    host_.fail("script line " + std::to_string(line) + ": " + why);
    return false;
  };
  std::optional<int> mode = w.size() >= 3 && w.size() <= 4 ? parseInteger(w[1]) : std::nullopt;
  std::optional<std::uint32_t> colour = mode ? parseColourValue(w[2]) : std::nullopt;
  if (!colour) return bad("colorext wants a mode, a colour (decimal or 0x hexadecimal) and, when it has one, a text");
  vstring text = w.size() == 4 ? scriptText(w[3]) : vstring();
  // Room for the text and for any name the module writes back.
  const int capacity = static_cast<int>(std::max<size_t>(kColourExtChars, text.size() + 1));
  // Dialogs the module shows are answered by the lines that follow.
  if (!queueAnswerLines()) return false;
  char shown[64];
  std::snprintf(shown, sizeof shown, "> colorext %d 0x%08X", *mode, *colour);
  host_.log(shown);
  std::uint32_t value = *colour, rgb = kRgbNotWritten;
  int result = 0;
  if (observer_) observer_->commandStarting(rest(w, 0), line);
  const bool ran = module_.colourExt(*mode, value, rgb, text, capacity, result);
  if (observer_) observer_->commandEnded();
  if (!ran) return bad("the module has no ColorExtFunction");
  host_.log(colourExtLine(result, value, rgb, text));
  return noAnswerLeft();
}

}  // namespace hostsim
