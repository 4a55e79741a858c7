// The headless CAD host: the state behind every host export, scripted input
// and the transcript of what the module asked and said.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/text.h"
#include "host/value_node.h"
#include "hostsim/dialog_lines.h"
#include "hostsim/drawing.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/fault_injection.h"
#include "hostsim/layers.h"
#include "hostsim/variable.h"

namespace hostsim {

// A text of a script as the module gets it. Scripts are UTF-8, and a
// surrogate's three-byte form stands for that code unit, so that a script
// can hand the module a lone surrogate.
inline vd::vstring scriptText(std::string_view utf8) { return vd::utf8ToUtf16(utf8, vd::Surrogates::Keep); }

using vd::vchar;
using vd::vstring;

// One answer to a request of the module, in the order the module asks.
struct Answer {
  // Pick, PickAt and Window answer a selection: entities by handle, the
  // entity nearest a point, or the entities inside a window. The kinds from
  // Dialog on are dialog lines (hostsim/dialog_lines.h), which the host
  // program plays against the dialogs and message boxes the module shows.
  enum class Kind {
    Point, Keyword, Real, Enter, Cancel, Pick, PickAt, Window, TrueColour,
    Dialog, Set, Choose, Check, Key, Click, DoubleClick, Wheel, Wait, Picture, Press, MessageBox
  };
  Kind kind = Kind::Cancel;
  double point[3] = {0, 0, 0};
  double corner[3] = {0, 0, 0};  // second corner of a window
  double real = 0;
  vstring text;  // keyword
  std::uint32_t colour = 0;  // true colour: 0x01BBGGRR
  std::vector<vstring> handles;  // picked handles
  DialogAction dialog;  // a dialog line's arguments
  int line = 0;  // script line, for messages
};
const char* answerKindName(Answer::Kind kind);
// True for the kinds of dialog lines.
bool isDialogLine(Answer::Kind kind);

class Host {
 public:
  static Host& instance();

  // Back to a fresh host: default settings, variables, no answers, empty transcript.
  void reset();

  // Settings a script or a test sets before the module runs.
  int product = 0;
  int cadType = 3;
  vstring userDataPath;
  void* mainWindow = nullptr;
  void* appIcon = nullptr;
  double units = 1000.0;
  double scale = 1.0;
  std::map<vstring, Variable> variables;  // names upper-case
  std::map<vstring, vstring> environment;
  std::map<int, vstring> layerKeys;
  std::vector<LayerKey> layerKeyNames;    // the keys of `layer` lines (hostsim/layers.h)
  std::vector<std::string> textStyles;    // 8-bit names (code page 1250)
  std::set<std::string> omittedExports;

  // Distance in drawing units within which a picked point finds an entity.
  double pickAperture = 1.0;
  // Whether each change of the drawing gets a transcript line ("journal
  // off": a scenario whose saved drawing a checker reads).
  bool journal = true;

  // The host's arc-dimensioning interaction while it is open (between
  // DimArcEntry and DimArcEntryExit): the handles of the temporaries it made
  // (hostsim/dim_entry.h).
  bool arcEntryOpen = false;
  std::vector<vstring> arcEntryTemporaries;

  // Host operations that show windows. The host program installs them
  // (reset() keeps them); without them the operation is not served.
  struct WindowOperations {
    // VdRcFillComboLayer: adds the drawing's layer names to a combo box.
    std::function<int(void* combo, int mode)> fillLayerCombo;
    // VdRcLayerDlg: the host's layer dialog.
    std::function<int(int mode, int flags, int options)> layerDialog;
    // ColorExtFunctionW: the loaded module's own ColorExtFunction, as a host
    // that loaded the module passes its colour requests on.
    std::function<int(void* parent, int mode, std::uint32_t* colour, std::uint32_t* rgb, vchar* text, int length)>
        colourExt;
    // SetColorDialogTrueColor: the host's true-colour dialog, answered by a
    // `dialog` block; 1 when accepted (the choice in the record).
    std::function<int(vd::HostTrueColourRecord& record)> trueColourDialog;
    // The script's `snapshot` lines: paints the drawing as the host's
    // picture (of the drawing's extents, or of `window`: x0, y0, x1, y1 in
    // drawing units) and writes it as PNG to `path`, or with `write` false
    // (a fault sweep's run) paints and encodes it only; false with a reason.
    std::function<bool(const std::string& path, const std::optional<std::array<double, 4>>& window, bool write,
                       std::string& error)>
        drawingPicture;
  };
  WindowOperations windowOperations;

  // The names GetTextStylesA answers, in code page 1250: the host's text
  // styles (STANDARD and those of `textstyle` lines), then the drawing's
  // STYLE records that are not among them.
  std::vector<std::string> textStyleNames() const;
  // The drawing's layers: "0", then its LAYER records in order.
  std::vector<vstring> layerNames() const;
  // Adds a LAYER record; false when the name is empty or a layer of that
  // name (ignoring case) exists.
  bool addLayer(const vstring& name);

  // The drawing; replaced as a whole when a file is loaded.
  Drawing& drawing() { return *drawing_; }
  const Drawing& drawing() const { return *drawing_; }
  void replaceDrawing(std::unique_ptr<Drawing> drawing);
  // Loads a DXF file as the drawing (and its header variables); on failure
  // the drawing stays as it was and the reason is returned.
  bool loadDrawing(const std::string& path, std::string& error);
  // The same with a file read already (dxf::readDxf): its drawing, header
  // variables and notes; false with the reader's reason when it has none.
  bool useDrawing(dxf::ReadResult read, std::string& error);
  // Writes the drawing as DXF; with writesFiles off it is serialised in
  // memory only (the same checks, the same failure for a drawing that
  // cannot be written) and nothing is written.
  bool saveDrawing(const std::string& path, std::string& error) const;

  // False while the fault sweep runs a script: its `save` lines and the
  // dialogs' `picture` lines make their file's content in memory and write
  // nothing, so that a sweep can run beside the tests that read those files.
  // reset() keeps it.
  bool writesFiles = true;
  // The folder a relative `load` path is read from; empty: the current one.
  // A scenario script names its drawings from the folder of the host
  // programs (build/PRESET/bin); a run elsewhere sets that folder here
  // (it need not exist: the path is taken lexically). reset() keeps it.
  std::string loadFolder;

  // Where the host finds the module's texts (the loaded module's string table).
  using StringSource = bool (*)(int id, vstring& out);
  StringSource stringSource = nullptr;
  // A text of the module's string table; false when there is none of that id.
  bool moduleText(int id, vstring& out) const { return stringSource && stringSource(id, out); }

  // Variables.
  void setVariable(const vstring& name, const Variable& value);
  const Variable* variable(const vstring& name) const;
  // A host-owned node with the variable in the requested result kind; null
  // when the variable does not exist or cannot be given in that kind.
  vd::ValueNode* variableNode(const vstring& name, int resultKind);

  // Scripted answers.
  void queueAnswer(const Answer& answer) { answers_.push_back(answer); }
  size_t pendingAnswers() const { return answers_.size(); }
  const Answer* peekAnswer() const { return answers_.empty() ? nullptr : &answers_.front(); }
  // Takes the next answer, once its taker has read it with peekAnswer.
  void popAnswer() {
    if (answers_.empty()) return;
    scriptLine = answers_.front().line;
    answers_.pop_front();
  }
  // The script line being carried out: each line's as it runs, then a
  // command's answers' as each is taken; errors that no answer caused name it.
  int scriptLine = 0;
  void clearAnswers() { answers_.clear(); }
  // Takes the next answer for a request; a request of another kind than the
  // next answer (Enter and cancel answer any request that allows them) or an
  // empty queue ends the run with an error, and every request after that is
  // cancelled. `allowed` lists the kinds the request accepts.
  std::optional<Answer> takeAnswer(const char* request, const vstring& prompt,
                                   std::initializer_list<Answer::Kind> allowed);
  // Answers a request the queue has no answer for, as the user would give it
  // (the command fuzzer plays the user so); none: the run ends with an error,
  // as with no source. reset() keeps it.
  using AnswerSource = std::function<std::optional<Answer>(const char* request, const vstring& prompt,
                                                           const std::vector<Answer::Kind>& allowed)>;
  AnswerSource answerSource;
  // The keywords a point-or-keyword request offers, global names, while it
  // waits for its answer (for an answer source).
  std::vector<vstring> offeredKeywords;

  // The transcript and the first error of the run.
  void log(const std::string& line);
  void log(const char* prefix, const vstring& text);
  // "HEAD ITEM" as a line, or ", ITEM" added to the last line when that is
  // "HEAD ..." with fewer than kItemsPerLine items: a command that writes a
  // mark of five entities logs one line, not five.
  void logItem(const std::string& head, const std::string& item);
  static constexpr int kItemsPerLine = 10;
  const std::vector<std::string>& transcript() const { return transcript_; }
  // The line with every identifier (a GUID text, 8-4-4-4-12 hexadecimal
  // digits) replaced by "<idN>", N counting the distinct identifiers of the
  // run from 1 in order of first appearance: new marks get new identifiers
  // on every run, and a transcript must repeat.
  std::string maskIdentifiers(const std::string& line);
  void fail(const std::string& message);
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

  // Every call of a host operation: counted, recorded, and failed where planned.
  HostCalls calls;
  // A call of the operation begins; true when it is to fail, with a
  // transcript line saying so. Every export begins with it.
  bool enterCall(vd::HostOp operation);

  // The user-coordinate system from UCSORG, UCSXDIR and UCSYDIR.
  void worldToUser(double p[3]) const;
  void userToWorld(double p[3]) const;

 private:
  Host();
  std::unique_ptr<Drawing> drawing_;
  std::deque<Answer> answers_;
  std::vector<std::string> transcript_;
  // Identifier texts seen in the transcript, numbered by first appearance.
  std::map<std::string, size_t> identifierNumbers_;
  std::string error_;
  std::map<std::pair<vstring, int>, std::unique_ptr<vd::ValueNode>> variableNodes_;
};

// Upper-case form of a variable or environment name.
vstring upperName(vd::vstring_view name);

// Looks an export of the host up by name, leaving out the omitted ones: the
// resolver the module's binding uses when it runs in the same program.
void* resolveExport(void* context, const char* name);

}  // namespace hostsim
