#include "hostsim/host.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "host/chain.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_writer.h"
#include "hostsim/number_text.h"

namespace hostsim {

const char* answerKindName(Answer::Kind kind) {
  switch (kind) {
    case Answer::Kind::Point: return "point";
    case Answer::Kind::Keyword: return "keyword";
    case Answer::Kind::Real: return "real";
    case Answer::Kind::Enter: return "enter";
    case Answer::Kind::Cancel: return "cancel";
    case Answer::Kind::Pick: return "pick";
    case Answer::Kind::PickAt: return "pickat";
    case Answer::Kind::Window: return "window";
    case Answer::Kind::TrueColour: return "truecolour";
    case Answer::Kind::Dialog: return "dialog";
    case Answer::Kind::Set: return "set";
    case Answer::Kind::Choose: return "choose";
    case Answer::Kind::Check: return "check";
    case Answer::Kind::Key: return "key";
    case Answer::Kind::Click: return "click";
    case Answer::Kind::DoubleClick: return "dblclick";
    case Answer::Kind::Wheel: return "wheel";
    case Answer::Kind::Wait: return "wait";
    case Answer::Kind::Picture: return "picture";
    case Answer::Kind::Press: return "press";
    case Answer::Kind::MessageBox: return "msgbox";
  }
  return "?";
}

bool isDialogLine(Answer::Kind kind) { return kind >= Answer::Kind::Dialog; }

vstring upperName(vd::vstring_view name) {
  vstring out(name);
  for (vchar& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<vchar>(c - 32);
  }
  return out;
}

Host& Host::instance() {
  static Host host;
  return host;
}

Host::Host() { reset(); }

namespace {
// Every change of the drawing shows in the transcript as it happens.
void journalToTranscript(const JournalEntry& j) {
  if (!Host::instance().journal) return;
  std::string item = vd::utf16ToUtf8(j.name);
  if (!j.key.empty()) item += "[" + vd::utf16ToUtf8(j.key) + "]";
  if (!j.handle.empty()) item += " " + vd::utf16ToUtf8(j.handle);
  const std::string head = std::string("drawing: ") + journalKindName(j.kind);
  // Entities added, erased or changed one after another share a line.
  const bool entity = j.kind == JournalEntry::Kind::EntityAdded || j.kind == JournalEntry::Kind::EntityErased ||
                      j.kind == JournalEntry::Kind::EntityChanged;
  if (entity) {
    Host::instance().logItem(head, item);
  } else {
    Host::instance().log(head + " " + item);
  }
}
}  // namespace

void Host::replaceDrawing(std::unique_ptr<Drawing> drawing) {
  drawing_ = std::move(drawing);
  drawing_->onJournal = &journalToTranscript;
}

bool Host::loadDrawing(const std::string& path, std::string& error) {
  std::filesystem::path file(path);
  if (!loadFolder.empty() && file.is_relative()) file = (std::filesystem::path(loadFolder) / file).lexically_normal();
  return useDrawing(dxf::loadDxf(file.string()), error);
}

bool Host::useDrawing(dxf::ReadResult r, std::string& error) {
  if (!r.drawing) {
    error = r.error;
    return false;
  }
  for (auto& [name, value] : r.variables) setVariable(name, value);
  for (auto& [name, value] : r.environment) environment[upperName(name)] = value;
  for (const std::string& note : r.notes) log("host: " + note);
  replaceDrawing(std::move(r.drawing));
  return true;
}

bool Host::saveDrawing(const std::string& path, std::string& error) const {
  if (writesFiles) return dxf::saveDxf(*drawing_, variables, environment, path, error);
  dxf::writeDxf(*drawing_, variables, environment, &error);
  if (!error.empty()) error = "cannot save " + path + ": " + error;
  return error.empty();
}

namespace {
Variable pointVar(double x, double y, double z) {
  Variable v;
  v.kind = Variable::Kind::Point;
  v.value[0] = x;
  v.value[1] = y;
  v.value[2] = z;
  return v;
}
Variable realVar(double x) {
  Variable v;
  v.kind = Variable::Kind::Real;
  v.value[0] = x;
  return v;
}
Variable shortVar(int16_t x) {
  Variable v;
  v.kind = Variable::Kind::Short;
  v.shortValue = x;
  return v;
}
Variable stringVar(const vstring& s) {
  Variable v;
  v.kind = Variable::Kind::String;
  v.text = s;
  return v;
}
}  // namespace

void Host::reset() {
  product = 0;
  cadType = 3;
  userDataPath.clear();
  mainWindow = nullptr;
  appIcon = nullptr;
  units = 1000.0;
  scale = 1.0;
  variables.clear();
  environment.clear();
  layerKeys.clear();
  layerKeyNames.clear();
  textStyles = {"STANDARD"};
  omittedExports.clear();
  calls.reset();
  answers_.clear();
  scriptLine = 0;
  transcript_.clear();
  identifierNumbers_.clear();
  error_.clear();
  variableNodes_.clear();
  pickAperture = 1.0;
  journal = true;
  arcEntryOpen = false;
  arcEntryTemporaries.clear();
  replaceDrawing(std::make_unique<Drawing>());
  // A drawing as a new one starts: world coordinates, layer 0, standard styles.
  setVariable(u"UCSORG", pointVar(0, 0, 0));
  setVariable(u"UCSXDIR", pointVar(1, 0, 0));
  setVariable(u"UCSYDIR", pointVar(0, 1, 0));
  setVariable(u"VIEWCTR", pointVar(0, 0, 0));
  setVariable(u"VIEWTWIST", realVar(0));
  setVariable(u"VIEWSIZE", realVar(297));
  // The dimension settings of a new metric drawing; a loaded file sets them
  // from its header and its current dimension style.
  setVariable(u"DIMSCALE", realVar(1));
  setVariable(u"DIMEXO", realVar(0.625));
  setVariable(u"LUPREC", shortVar(4));
  environment[u"DIMDEC"] = u"2";
  environment[u"DIMRND"] = u"0";
  environment[u"DIMZIN"] = u"8";
  environment[u"DIMDSEP"] = u",";
  setVariable(u"CLAYER", stringVar(u"0"));
  setVariable(u"TEXTSTYLE", stringVar(u"STANDARD"));
  setVariable(u"DIMSTYLE", stringVar(u"STANDARD"));
}

void Host::setVariable(const vstring& name, const Variable& value) {
  vstring key = upperName(name);
  variables[key] = value;
  // Nodes handed out before stay valid but a new query builds a new one.
  for (auto it = variableNodes_.begin(); it != variableNodes_.end();) {
    it = (it->first.first == key) ? variableNodes_.erase(it) : std::next(it);
  }
}

const Variable* Host::variable(const vstring& name) const {
  auto it = variables.find(upperName(name));
  return it == variables.end() ? nullptr : &it->second;
}

vd::ValueNode* Host::variableNode(const vstring& name, int resultKind) {
  const Variable* var = variable(name);
  if (!var) return nullptr;
  auto node = std::make_unique<vd::ValueNode>();
  std::memset(static_cast<void*>(node.get()), 0, sizeof(vd::ValueNode));
  node->code = static_cast<int16_t>(resultKind);
  bool scalar = var->kind == Variable::Kind::Real || var->kind == Variable::Kind::Short;
  double scalarValue = var->kind == Variable::Kind::Short ? var->shortValue : var->value[0];
  switch (resultKind) {
    case vd::kRtReal:
      if (!scalar) return nullptr;
      node->v.real = scalarValue;
      break;
    case vd::kRtShort:
      if (!scalar) return nullptr;
      // A real converts when its integer part fits 16 bits; anything else
      // (out of range, not finite) is refused as a value of another kind.
      if (!(scalarValue > -32769.0 && scalarValue < 32768.0)) {
        log("host: GetVarW " + vd::utf16ToUtf8(upperName(name)) + " as a 16-bit integer refused: " +
            formatNumber(scalarValue) + " does not fit");
        return nullptr;
      }
      node->v.i16 = static_cast<int16_t>(std::trunc(scalarValue));
      break;
    case vd::kRtPoint2d:
    case vd::kRtPoint3d:
      if (var->kind != Variable::Kind::Point) return nullptr;
      node->v.point[0] = var->value[0];
      node->v.point[1] = var->value[1];
      // A 2D point is laid out as a 3D one; the host fills all three
      // coordinates and a caller that wants two reads two.
      node->v.point[2] = var->value[2];
      break;
    default:
      // Text variables are read with GetVarStrW; GetVarW gives numbers and points only.
      log("host: GetVarW " + vd::utf16ToUtf8(upperName(name)) + " as kind " + std::to_string(resultKind) +
          " refused: not a number or point kind");
      return nullptr;
  }
  vd::ValueNode* raw = node.get();
  // Host-owned: it lives until the variable changes or the host is reset.
  variableNodes_[{upperName(name), resultKind}] = std::move(node);
  return raw;
}

std::optional<Answer> Host::takeAnswer(const char* request, const vstring& prompt,
                                       std::initializer_list<Answer::Kind> allowed) {
  if (failed()) return std::nullopt;
  if (answers_.empty() && answerSource) {
    if (std::optional<Answer> a = answerSource(request, prompt, std::vector<Answer::Kind>(allowed)))
      answers_.push_back(std::move(*a));
  }
  if (answers_.empty()) {
    fail(std::string("the module asks for ") + request + " (\"" + vd::utf16ToUtf8(prompt) +
         "\") but the script has no answer left");
    return std::nullopt;
  }
  Answer a = answers_.front();
  bool ok = a.kind == Answer::Kind::Cancel;
  for (Answer::Kind k : allowed) ok = ok || k == a.kind;
  if (!ok) {
    fail("script line " + std::to_string(a.line) + ": the module asks for " + request + " (\"" +
         vd::utf16ToUtf8(prompt) + "\") but the script answers " + answerKindName(a.kind));
    return std::nullopt;
  }
  popAnswer();
  return a;
}

bool Host::enterCall(vd::HostOp operation) {
  if (!calls.enter(operation, drawing_->journal().size())) return false;
  // Numbered as the fault sweep and --fail count: from the module's start on.
  const HostCall& c = calls.log().back();
  std::string when = c.position > 0 ? "call " + std::to_string(c.position) + " after init, its " +
                                          ordinalText(c.ordinal) + " call"
                                    : "before init";
  log(std::string("fault: ") + vd::hostOperationName(operation) + " fails (" + when + ")");
  return true;
}

namespace {
// The names of a symbol table's records in the drawing, in order.
std::vector<vstring> recordNames(const Drawing& d, vd::vstring_view table) {
  std::vector<vstring> names;
  for (const TableRecord& r : d.tableRecords()) {
    if (!vd::equalsNoCaseAscii(r.table, table)) continue;
    if (std::optional<vd::vstring_view> name = r.chain.view().text(2)) names.emplace_back(*name);
  }
  return names;
}

bool listed(const std::vector<vstring>& names, vd::vstring_view name) {
  for (const vstring& n : names) {
    if (vd::equalsNoCaseAscii(n, name)) return true;
  }
  return false;
}
}  // namespace

std::vector<std::string> Host::textStyleNames() const {
  std::vector<vstring> wide;
  for (const std::string& s : textStyles) wide.push_back(vd::cp1250ToUtf16(s));
  for (const vstring& s : recordNames(*drawing_, u"STYLE")) {
    if (!listed(wide, s)) wide.push_back(s);
  }
  std::vector<std::string> names;
  for (const vstring& s : wide) names.push_back(vd::utf16ToCp1250(s));
  return names;
}

std::vector<vstring> Host::layerNames() const {
  std::vector<vstring> names = {u"0"};
  for (const vstring& s : recordNames(*drawing_, u"LAYER")) {
    if (!listed(names, s)) names.push_back(s);
  }
  return names;
}

bool Host::addLayer(const vstring& name) {
  if (name.empty() || listed(layerNames(), name)) return false;
  vd::ChainBuilder b;
  b.text(vd::gc::kType, u"LAYER").text(2, name).integer(70, 0);
  drawing_->tableRecords().push_back({u"LAYER", b.build()});
  return true;
}

namespace {
bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Length of an identifier text (8-4-4-4-12 hexadecimal digits) at `at`; 0 when there is none.
size_t identifierAt(const std::string& s, size_t at) {
  static constexpr size_t kGroups[] = {8, 4, 4, 4, 12};
  size_t i = at;
  for (size_t g = 0; g < 5; ++g) {
    if (g > 0) {
      if (i >= s.size() || s[i] != '-') return 0;
      ++i;
    }
    for (size_t k = 0; k < kGroups[g]; ++k, ++i) {
      if (i >= s.size() || !isHexDigit(s[i])) return 0;
    }
  }
  // A longer run of digits is something else.
  if (i < s.size() && (isHexDigit(s[i]) || s[i] == '-')) return 0;
  return i - at;
}
}  // namespace

std::string Host::maskIdentifiers(const std::string& line) {
  std::string out;
  out.reserve(line.size());
  for (size_t i = 0; i < line.size();) {
    const bool boundary = i == 0 || !(isHexDigit(line[i - 1]) || line[i - 1] == '-');
    const size_t n = boundary ? identifierAt(line, i) : 0;
    if (n == 0) {
      out.push_back(line[i++]);
      continue;
    }
    std::string id = line.substr(i, n);
    for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto [it, added] = identifierNumbers_.emplace(id, identifierNumbers_.size() + 1);
    out += "<id" + std::to_string(it->second) + ">";
    i += n;
  }
  return out;
}

void Host::log(const std::string& line) { transcript_.push_back(maskIdentifiers(line)); }

void Host::logItem(const std::string& head, const std::string& item) {
  const std::string masked = maskIdentifiers(item);
  if (!transcript_.empty()) {
    std::string& last = transcript_.back();
    if (last.size() > head.size() && last.compare(0, head.size(), head) == 0 && last[head.size()] == ' ' &&
        std::count(last.begin(), last.end(), ',') + 1 < kItemsPerLine) {
      last += ", " + masked;
      return;
    }
  }
  transcript_.push_back(head + " " + masked);
}

void Host::log(const char* prefix, const vstring& text) {
  // Line feeds inside a text are shown as \n so that one host line stays one transcript line.
  std::string s = vd::utf16ToUtf8(text);
  std::string escaped;
  for (char c : s) {
    if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped.push_back(c);
    }
  }
  transcript_.push_back(maskIdentifiers(std::string(prefix) + escaped));
}

void Host::fail(const std::string& message) {
  if (error_.empty()) error_ = message;
  transcript_.push_back("error: " + message);
}

namespace {
struct Axes {
  double o[3], x[3], y[3], z[3];
};
void normalize(double v[3]) {
  double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (len > 0) {
    for (int i = 0; i < 3; ++i) v[i] /= len;
  }
}
Axes ucsAxes(const Host& h) {
  Axes a{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  auto read = [&](const char16_t* name, double out[3]) {
    const Variable* v = h.variable(name);
    if (v && v->kind == Variable::Kind::Point) std::memcpy(out, v->value, sizeof v->value);
  };
  read(u"UCSORG", a.o);
  read(u"UCSXDIR", a.x);
  read(u"UCSYDIR", a.y);
  normalize(a.x);
  normalize(a.y);
  a.z[0] = a.x[1] * a.y[2] - a.x[2] * a.y[1];
  a.z[1] = a.x[2] * a.y[0] - a.x[0] * a.y[2];
  a.z[2] = a.x[0] * a.y[1] - a.x[1] * a.y[0];
  return a;
}
}  // namespace

void Host::worldToUser(double p[3]) const {
  Axes a = ucsAxes(*this);
  double d[3] = {p[0] - a.o[0], p[1] - a.o[1], p[2] - a.o[2]};
  p[0] = d[0] * a.x[0] + d[1] * a.x[1] + d[2] * a.x[2];
  p[1] = d[0] * a.y[0] + d[1] * a.y[1] + d[2] * a.y[2];
  p[2] = d[0] * a.z[0] + d[1] * a.z[1] + d[2] * a.z[2];
}

void Host::userToWorld(double p[3]) const {
  Axes a = ucsAxes(*this);
  double u[3] = {p[0], p[1], p[2]};
  for (int i = 0; i < 3; ++i) p[i] = a.o[i] + u[0] * a.x[i] + u[1] * a.y[i] + u[2] * a.z[i];
}

}  // namespace hostsim
