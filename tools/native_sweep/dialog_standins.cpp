#include "tools/native_sweep/dialog_standins.h"

#include <optional>
#include <string>

#include "dimtools/commands.h"
#include "heightdim/commands.h"
#include "heightdim/value_format.h"
#include "host/services.h"
#include "hostsim/host.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"

namespace nsweep {

namespace {

using hostsim::Answer;
using hostsim::Host;
using vd::vstring;

// Button ids of every dialog: OK and Cancel.
constexpr int kOk = 1;
constexpr int kCancel = 2;

// The dialog a stand-in plays: the script's lines that answer it, taken in
// order until a button closes it. Every error fails the run with the script
// line, as a dialog the host cannot drive does.
class DialogLines {
 public:
  // Takes the `dialog ID` line the script must have next; false (the run
  // failed) when it has another.
  explicit DialogLines(int templateId) : id_(templateId) {
    std::optional<Answer> a = host().takeAnswer("a dialog", u"", {Answer::Kind::Dialog});
    if (!a) return;
    if (a->kind != Answer::Kind::Dialog) return;  // a cancel line: the dialog is cancelled
    if (a->dialog.id != id_) {
      fail(*a, "the module shows dialog " + std::to_string(id_) + " but the script answers dialog " +
                   std::to_string(a->dialog.id));
      return;
    }
    host().log("dialog " + std::to_string(id_) + " (stand-in)");
    open_ = true;
  }

  // The next line acting on the dialog; none when the run failed or the
  // dialog never opened.
  std::optional<Answer> next() {
    if (!open_ || host().failed()) return std::nullopt;
    const Answer* a = host().peekAnswer();
    if (!a) {
      host().fail("dialog " + std::to_string(id_) + " waits for a line but the script has none left");
      return std::nullopt;
    }
    Answer line = *a;
    if (!hostsim::isDialogLine(line.kind) || line.kind == Answer::Kind::Dialog ||
        line.kind == Answer::Kind::MessageBox) {
      fail(line, std::string("dialog ") + std::to_string(id_) + " is open but the script answers " +
                     hostsim::answerKindName(line.kind));
      return std::nullopt;
    }
    host().popAnswer();
    host().log("dialog " + std::to_string(id_) + ": " + line.dialog.source);
    return line;
  }

  // Ends the run: the line names what the stand-in does not model.
  void unknown(const Answer& line) {
    fail(line, "the native stand-in of dialog " + std::to_string(id_) + " has no control " +
                   std::to_string(line.dialog.id) + " for \"" + line.dialog.source + "\"");
  }
  void fail(const Answer& line, const std::string& why) {
    host().fail("script line " + std::to_string(line.line) + ": " + why);
    open_ = false;
  }
  // A line that changes nothing the command gets (a pause, a picture of the window).
  static bool passive(const Answer& line) {
    return line.kind == Answer::Kind::Wait || line.kind == Answer::Kind::Picture;
  }
  void closed(int button) { host().log("dialog " + std::to_string(id_) + " closed by " + std::to_string(button)); }

 private:
  static Host& host() { return Host::instance(); }
  int id_;
  bool open_ = false;
};

// A check box line's state as a flag; the third state is none of these boxes'.
bool checkState(DialogLines& d, const Answer& line, bool& flag) {
  if (line.dialog.value > 1) {
    d.fail(line, "check box " + std::to_string(line.dialog.id) + " has no third state");
    return false;
  }
  flag = line.dialog.value == 1;
  return true;
}

// "Půdorysná výšková kóta": the value (typed, or an item of its history
// chosen; Enter in it leaves the dialog open), the text position when one
// is offered, and "Opakování funkce". The value starts as the dialog shows
// it with no history, the box cleared.
std::optional<vd::PlanViewChoice> planViewStandIn(const vstring&, int32_t insertPoint) {
  DialogLines d(IDD_HEIGHTDIM_PLAN);
  // The text position offered shows as chosen; one outside the list as the first.
  const bool offered = insertPoint != -1;
  vd::PlanViewChoice choice{u"±0.000", offered && (insertPoint < 0 || insertPoint > 6) ? 0 : insertPoint, false};
  while (std::optional<Answer> line = d.next()) {
    if (DialogLines::passive(*line)) continue;
    const int id = line->dialog.id;
    if ((line->kind == Answer::Kind::Set || line->kind == Answer::Kind::Choose) && id == IDC_HDPLAN_VALUE) {
      choice.heightText = line->dialog.text;
    } else if (line->kind == Answer::Kind::Key && id == IDC_HDPLAN_VALUE) {
      continue;
    } else if (line->kind == Answer::Kind::Choose && id == IDC_HDPLAN_INSPT && offered) {
      int found = -1;
      for (int i = 0; i < IDS_INSPT_BOTTOM_RIGHT - IDS_INSPT_CENTER + 1; ++i) {
        vstring text;
        if (Host::instance().moduleText(IDS_INSPT_CENTER + i, text) &&
            text == line->dialog.text)
          found = i;
      }
      if (found < 0) {
        d.fail(*line, "the text position combo has no item \"" + vd::utf16ToUtf8(line->dialog.text) + "\"");
        return std::nullopt;
      }
      choice.insertPoint = found;
    } else if (line->kind == Answer::Kind::Check && id == IDC_HDPLAN_REPEAT) {
      if (!checkState(d, *line, choice.repeat)) return std::nullopt;
    } else if (line->kind == Answer::Kind::Press && (id == kOk || id == kCancel)) {
      d.closed(id);
      if (id == kCancel) return std::nullopt;
      return choice;
    } else {
      d.unknown(*line);
    }
  }
  return std::nullopt;
}

// "Editace výškových kót": four check boxes; OK, Cancel or "Nastavení...".
// After a Cancel the command gets the boxes as the dialog opened.
int editStandIn(const vstring&, vd::HNoteEditChoice& choice) {
  struct Box {
    int id;
    bool vd::HNoteEditChoice::*flag;
  };
  static constexpr Box kBoxes[] = {
      {IDC_HDEDIT_DRAW_LEADER, &vd::HNoteEditChoice::drawLeader},
      {IDC_HDEDIT_MOVE_TO_LEADER, &vd::HNoteEditChoice::moveToLeader},
      {IDC_HDEDIT_MIRROR, &vd::HNoteEditChoice::mirrorMarks},
      {IDC_HDEDIT_APPLY_SETTINGS, &vd::HNoteEditChoice::applySettings},
  };
  const vd::HNoteEditChoice opened;
  choice = opened;
  DialogLines d(IDD_HEIGHTDIM_EDIT);
  while (std::optional<Answer> line = d.next()) {
    if (DialogLines::passive(*line)) continue;
    const int id = line->dialog.id;
    const Box* box = nullptr;
    for (const Box& b : kBoxes) box = b.id == id ? &b : box;
    if (line->kind == Answer::Kind::Check && box) {
      if (!checkState(d, *line, choice.*box->flag)) return 0;
    } else if (line->kind == Answer::Kind::Press && (id == kOk || id == kCancel || id == IDC_HDEDIT_SETTINGS)) {
      d.closed(id);
      if (id == kCancel) choice = opened;
      return id == kOk ? vd::kEditDialogOk : id == kCancel ? vd::kEditDialogCancel : vd::kEditDialogSettings;
    } else {
      d.unknown(*line);
    }
  }
  // The dialog could not be shown (or the script broke off): the command ends.
  return 0;
}

// "Nastavení parametrů výškových kót": the section type shown, a few numbers
// and check boxes of it and of the plan view, OK and Cancel. The type shown
// starts as ČSN; OK gives the set every change, Cancel none.
bool settingsStandIn(vd::HNoteDataSet& set) {
  struct NumberField {
    int id;
    bool plan;  // the plan-view record's; else the record of the type shown
    double vd::HNoteData::*field;
    double minimum, maximum;
  };
  static constexpr NumberField kNumbers[] = {
      {IDC_HDSET_ROUNDING, false, &vd::HNoteData::numAlign, 0, 10},
      {IDC_HDSET_TEXT_HEIGHT, false, &vd::HNoteData::textHeight, 0.01, 1000},
      {IDC_HDSET_UNDERLINE_LENGTH, false, &vd::HNoteData::underlineLength, 0, 1000},
      {IDC_HDSET_PLAN_TEXT_HEIGHT, true, &vd::HNoteData::textHeight, 0.01, 1000},
      {IDC_HDSET_FRAME_WIDTH, true, &vd::HNoteData::cxSize, 0, 1000},
  };
  struct CheckField {
    int id;
    bool isFlag;  // a bool field; else an int32 0/1
    bool vd::HNoteData::*flag;
    int32_t vd::HNoteData::*number;
  };
  static constexpr CheckField kChecks[] = {
      {IDC_HDSET_UNDERLINE, true, &vd::HNoteData::underlineDraw, nullptr},
      {IDC_HDSET_PLUS_SIGN, false, nullptr, &vd::HNoteData::positivePlus},
      {IDC_HDSET_PLUS_MINUS_ZERO, false, nullptr, &vd::HNoteData::plusMinusZero},
  };
  static constexpr int kTypeTexts[] = {IDS_HEIGHTDIM_TYPE_CSN, IDS_HEIGHTDIM_TYPE_DIN_OPEN,
                                       IDS_HEIGHTDIM_TYPE_DIN_ROUGH};

  vd::HNoteDataSet edited = set;
  int shown = 0;
  DialogLines d(IDD_HEIGHTDIM_SETTINGS);
  while (std::optional<Answer> line = d.next()) {
    if (DialogLines::passive(*line)) continue;
    const int id = line->dialog.id;
    const NumberField* number = nullptr;
    for (const NumberField& f : kNumbers) number = f.id == id ? &f : number;
    const CheckField* check = nullptr;
    for (const CheckField& f : kChecks) check = f.id == id ? &f : check;
    vd::HNoteData& section = edited.records[static_cast<size_t>(shown)];
    if (line->kind == Answer::Kind::Choose && id == IDC_HDSET_TYPE) {
      int found = -1;
      for (int i = 0; i < 3; ++i) {
        vstring text;
        if (Host::instance().moduleText(kTypeTexts[i], text) && text == line->dialog.text) found = i;
      }
      if (found < 0) {
        d.fail(*line, "the section type combo has no item \"" + vd::utf16ToUtf8(line->dialog.text) + "\"");
        return false;
      }
      shown = found;
    } else if (line->kind == Answer::Kind::Set && number) {
      // Read as the dialog reads a typed text: its leading number, 0 for none.
      const double v = vd::hnoteTypedNumber(line->dialog.text, u".").value_or(0.0);
      if (!(v >= number->minimum && v <= number->maximum)) {
        d.fail(*line, "the settings dialog would refuse \"" + line->dialog.source + "\"");
        return false;
      }
      (number->plan ? edited[vd::HNoteType::Plan] : section).*number->field = v;
    } else if (line->kind == Answer::Kind::Check && check) {
      bool on = false;
      if (!checkState(d, *line, on)) return false;
      if (check->isFlag) {
        section.*check->flag = on;
      } else {
        section.*check->number = on ? 1 : 0;
      }
    } else if (line->kind == Answer::Kind::Press && (id == kOk || id == kCancel)) {
      d.closed(id);
      if (id == kCancel) return false;
      set = edited;
      return true;
    } else {
      d.unknown(*line);
    }
  }
  return false;
}

// "Délka části oblouku": shows the length; OK closes it.
void arcLengthStandIn(const vstring& lengthText) {
  DialogLines d(IDD_ARC_PART_LENGTH);
  Host::instance().log("dialog " + std::to_string(IDD_ARC_PART_LENGTH) + " shows: " + vd::utf16ToUtf8(lengthText));
  while (std::optional<Answer> line = d.next()) {
    if (DialogLines::passive(*line)) continue;
    if (line->kind == Answer::Kind::Press && (line->dialog.id == kOk || line->dialog.id == kCancel)) {
      d.closed(line->dialog.id);
      return;
    }
    d.unknown(*line);
  }
}

// The module's error box (text and OK): a `msgbox 1` line.
void errorBoxStandIn(const vstring& text) {
  Host& host = Host::instance();
  std::optional<Answer> a = host.takeAnswer("a message box", text, {Answer::Kind::MessageBox});
  if (!a || a->kind != Answer::Kind::MessageBox) return;
  if (a->dialog.id != kOk) {
    host.fail("script line " + std::to_string(a->line) + ": the error box has only OK (1), not " +
              std::to_string(a->dialog.id));
    return;
  }
  host.log("message box (stand-in), pressed OK: " + vd::utf16ToUtf8(text));
}

}  // namespace

void installDialogStandIns() {
  vd::heightdim::HeightDimDialogs& dialogs = vd::heightdim::heightDimDialogs();
  dialogs.planView = &planViewStandIn;
  dialogs.edit.edit = &editStandIn;
  dialogs.edit.settings = &settingsStandIn;
  vd::dimtools::arcLengthDialog() = &arcLengthStandIn;
  vd::setErrorBoxSink(&errorBoxStandIn);
}

}  // namespace nsweep
