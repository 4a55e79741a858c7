// The fault sweep against the headless host in the same process: small
// writers bound to the host table as the module binds it, one correct and
// some broken, and the loss rules on hand-built drawings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "host_fixture.h"
#include "hostsim/fault_sweep.h"

using namespace vd;
using chaintest::chainOf;
using hosttest::HostTest;

namespace {

constexpr const vchar* kBases = u"TR2D_HEIGHTDIM";

OwnedChain baseEntry() {
  return chainOf([](ChainBuilder& b) {
    b.text(0, u"XRECORD").text(100, u"AcDbXrecord").integer(280, 1).integer(91, 1).integer(71, 0).integer(71, 0);
    b.point(10, 0, 0).real(41, 0).real(41, 0).real(41, 0);
  });
}

OwnedChain currentEntry(const vchar* base) {
  return chainOf([&](ChainBuilder& b) {
    b.text(0, u"XRECORD").text(100, u"AcDbXrecord").integer(280, 1).integer(91, 1).text(301, base);
  });
}

// Writers as the module writes, through the host table it binds. Each
// command returns 1 when it did its work and 0 when it gave up.
class WriterModule : public hosttest::ScriptModule {
 public:
  bool initApp(int& result) override {
    result = bindHost(nullptr, &hostsim::resolveExport, nullptr) ? 1 : 0;
    return true;
  }
  bool runCommand(const std::string& name, const std::vector<std::string>&, int& result) override {
    const std::map<std::string, std::function<bool()>> commands = {
        // Correct: the originals go only once their copies are in the drawing.
        {"Relayer", [this] { return read() && write(true) && erase(); }},
        // Broken: flushes the batch whatever the host said to its entities.
        {"RelayerIgnoringRefusals", [this] { return read() && write(false) && erase(); }},
    };
    auto it = commands.find(name);
    if (it == commands.end()) return false;
    result = it->second() ? 1 : 0;
    return true;
  }

 private:
  static HostApi& h() { return *hostApi(); }

  // Every entity of the drawing, copied onto layer NEW, and the handles of the originals.
  bool read() {
    copies.clear();
    handles.clear();
    if (h().SSGetW(3, nullptr, nullptr, 0) != kRtNorm) return false;
    for (ValueNode* n = h().EntnextW(1, 0); n; n = h().EntnextW(0, 0)) {
      copies.push_back(OwnedChain::copyOf(n));
      copies.back().setText(gc::kLayer, u"NEW");
      copies.back().remove(gc::kHandle);  // the copy is a new entity
      handles.emplace_back(ChainView(n).handle());
    }
    return true;
  }
  // One batch with every copy; gives up at the first write the host refuses
  // when `heedRefusals`.
  bool write(bool heedRefusals) {
    if (h().Header_bin() != kRtNorm) return false;
    for (const OwnedChain& c : copies)
      if (h().Entmake_binW(c.get(), 0) != kRtNorm && heedRefusals) return false;
    return h().Flush_bin(1) == kRtNorm;
  }
  bool erase() {
    std::vector<const vchar*> texts;
    for (const vstring& s : handles) texts.push_back(s.c_str());
    return h().EraseHandles(texts.data(), static_cast<int>(texts.size()), 1) == kRtNorm;
  }

  std::vector<OwnedChain> copies;
  std::vector<vstring> handles;
};

class FaultSweepTest : public HostTest {
 protected:
  // A drawing of three entities on layer 0, and a height-dimension mark of
  // base B1 with its base entry and "Current" naming it.
  void buildDrawing() {
    make(line(0, 0, 10, 0));
    make(circle(5, 5, 2));
    make(line(0, 10, 10, 10));
    intptr_t dict = drawing().openDictionary(kBases, true);
    OwnedChain base = baseEntry(), current = currentEntry(u"B1");
    ASSERT_TRUE(drawing().writeDictionaryEntry(dict, u"B1", base.get()));
    ASSERT_TRUE(drawing().writeDictionaryEntry(dict, u"Current", current.get()));
    drawing().closeDictionary(dict);
  }
  // A sweep of the script, each run on that drawing as `more` changes it.
  hostsim::FaultSweep sweep(const std::string& script, std::function<void()> more = [] {}) {
    return hostsim::FaultSweep(host(), module, script, [this, more](std::string&) {
      host().reset();
      buildDrawing();
      more();
      return true;
    });
  }
  WriterModule module;
};

TEST_F(FaultSweepTest, ScriptThatFailsOrLosesWithoutFaultsIsNoSweep) {
  hostsim::FaultSweep none = sweep("init\ncommand NoSuchCommand\n");
  EXPECT_EQ(hostsim::sweepAll(none, [](const hostsim::SweepPosition&) {}).error,
            "the script fails without any fault: script line 2: the module has no command NoSuchCommand");
  // Every run meets a refusal the writer does not cause.
  auto refused = [this](const std::string& command) {
    return sweep("init\ncommand " + command + "\n", [] { host().calls.failAfterStart(HostOp::Entmake_binW, 1); });
  };
  std::string error;
  EXPECT_TRUE(refused("Relayer").countPositions(error)) << "a writer that gives up loses nothing: " << error;
  EXPECT_FALSE(refused("RelayerIgnoringRefusals").countPositions(error));
  EXPECT_EQ(error.substr(0, 68), "the script loses data without any fault: [flush-after-failure] comma");
}

// A sweep's runs write no files, so that it may run beside the scenario that
// saves the same drawing: `save` makes the file's content in memory, and a
// drawing that cannot be written fails the save there as it would on disk.
TEST_F(FaultSweepTest, SweepRunsSaveNothing) {
  const std::string file = "fault_sweep_saved.dxf";
  std::filesystem::remove(file);
  bool poisoned = false;
  hostsim::FaultSweep s = sweep("init\ncommand Relayer\nsave " + file + "\n", [&] {
    if (poisoned)
      drawing().importEntity(ChainBuilder().text(0, u"CIRCLE").text(5, u"77").text(8, u"0")
                                 .point(10, 1, std::nan(""), 0).real(40, 2).build(),
                             u"77", {});
  });
  hostsim::SweepOutcome out = hostsim::sweepAll(s, [](const hostsim::SweepPosition&) {});
  ASSERT_EQ(out.error, "");
  // SSGetW, EntnextW for three entities and the null after them, Header_bin,
  // three Entmake_binW, Flush_bin, EraseHandles.
  EXPECT_EQ(out.positions, 11);
  EXPECT_FALSE(std::filesystem::exists(file)) << "a run of the sweep wrote the drawing";
  EXPECT_TRUE(host().writesFiles) << "the host writes files again after the sweep";
  EXPECT_TRUE(transcriptHas("host: drawing saved to " + file + " (in memory only)", true));

  poisoned = true;
  std::string error;
  EXPECT_FALSE(s.countPositions(error));
  EXPECT_NE(error.find("cannot save " + file + ": entity 77 (CIRCLE): group 10 is not a finite point"),
            std::string::npos)
      << error;
  EXPECT_FALSE(std::filesystem::exists(file));
}

// --- fail in scripts ---------------------------------------------------------

TEST_F(FaultSweepTest, BadFailLinesNameTheirLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"fail NoSuchOperation 1", "script line 1: the host has no operation NoSuchOperation"},
      {"fail Entmake_binW 0", "script line 1: fail wants an operation (or *) and a count from 1"},
      {"fail Entmake_binW", "script line 1: fail wants an operation (or *) and a count from 1"},
      {"fail * 1 2", "script line 1: fail wants an operation (or *) and a count from 1"},
  };
  for (const auto& [line, error] : cases) {
    host().reset();
    hostsim::ScriptRunner runner(host(), module);
    EXPECT_FALSE(runner.runText(line));
    EXPECT_EQ(host().error(), error);
  }
}

// A sweep leaves out the marked parts of a script, and a line it keeps keeps
// its number; the parts marked for Wine only under Wine.
TEST(FaultSweepPart, SkippedLinesLeaveTheirPlace) {
  const struct {
    const char* script;
    bool underWine;
    const char* swept;
  } cases[] = {
      {"init\ncommand A\n", false, "init\ncommand A\n"},
      {"init\n# sweep: skip\npoint 1,1\n# sweep: resume\ncancel\n", false, "init\n#\n#\n#\ncancel\n"},
      {"a\r\n# sweep: skip\r\nb\r\n", false, "a\r\n#\n#\n"},
      {"a\n# sweep: skip\nb\n# sweep: resume\nc\n# sweep: skip\nd", false, "a\n#\n#\n#\nc\n#\n#\n"},
      {"#  sweep: skip\nb", false, "#  sweep: skip\nb"},
      {"a\n# sweep under Wine: skip\nb\n# sweep under Wine: resume\nc\n", false, "a\n#\nb\n#\nc\n"},
      {"a\n# sweep under Wine: skip\nb\n# sweep under Wine: resume\nc\n", true, "a\n#\n#\n#\nc\n"},
      // The two kinds of part are independent: a part of one may end inside the other.
      {"# sweep under Wine: skip\na\n# sweep: skip\nb\n# sweep under Wine: resume\nc\n# sweep: resume\nd\n", true,
       "#\n#\n#\n#\n#\n#\n#\nd\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(hostsim::FaultSweep::sweptPart(c.script, c.underWine), c.swept) << c.script << " under Wine " << c.underWine;
}

// A failed call answers as the operation reports failure and does nothing:
// text buffers are emptied, results are the failure values.
TEST_F(FaultSweepTest, FailedCallsAnswerAsTheirOperationFails) {
  buildDrawing();
  host().setVariable(u"CLAYER", {hostsim::Variable::Kind::String, {}, 0, u"Zdi"});
  host().layerKeys[3] = u"Okna";
  host().environment[u"ACAD"] = u"C:\\Podpora";
  struct Case {
    HostOp operation;
    std::function<long long()> call;
    long long failed;
  };
  vchar text[64];
  auto stale = [&] {
    text[0] = u'x';
    text[1] = 0;
  };
  int count = -1;
  OwnedChain l = line(0, 0, 1, 1);
  const Case cases[] = {
      {HostOp::GetVarW, [&] { return api().GetVarW(u"VIEWTWIST", kRtReal) != nullptr; }, 0},
      {HostOp::GetVarStrW, [&] { stale(); return api().GetVarStrW(u"CLAYER", text, 64) * 10 + vlength(text); }, 0},
      {HostOp::GetEnvStrW, [&] { stale(); return api().GetEnvStrW(u"ACAD", text, 64) * 10 + vlength(text); }, 0},
      {HostOp::GetLayerKeyW, [&] { stale(); return api().GetLayerKeyW(3, text, 64, 0) * 10 + vlength(text); }, 0},
      {HostOp::GetLayerKeyFromName, [&] { return api().GetLayerKeyFromName(u"Okna"); }, -1},
      {HostOp::GetTextStylesA, [&] { return (api().GetTextStylesA(&count) != nullptr) * 10 + count; }, 0},
      {HostOp::SSGetW, [&] { return api().SSGetW(3, nullptr, nullptr, 0); }, hostsim::kRtError},
      {HostOp::EntnextW, [&] { return api().EntnextW(1, 0) != nullptr; }, 0},
      {HostOp::DictionaryOpenW, [&] { return api().DictionaryOpenW(0, kBases, 0, 0); }, 0},
      {HostOp::Header_bin, [&] { return api().Header_bin(); }, hostsim::kRtError},
      {HostOp::Entmake_binW, [&] { return api().Entmake_binW(l.get(), 0); }, hostsim::kRtError},
      {HostOp::GetRealW, [&] { double v = 1; return api().GetRealW(u"Hodnota:", &v); }, hostsim::kRtError},
      {HostOp::DimArcEntry, [&] { return api().DimArcEntry(0, 0); }, -1},
  };
  api().SSGetW(3, nullptr, nullptr, 0);
  api().Header_bin();
  for (const Case& c : cases) {
    SCOPED_TRACE(hostOperationName(c.operation));
    size_t journal = drawing().journal().size();
    host().calls.failFromNow(c.operation, 1);
    EXPECT_EQ(c.call(), c.failed);
    EXPECT_EQ(drawing().journal().size(), journal);
    EXPECT_EQ(host().transcript().back().rfind(std::string("fault: ") + hostOperationName(c.operation) + " fails", 0), 0u);
    EXPECT_TRUE(host().calls.log().back().injected);
  }
  // Without a planned failure they answer again.
  EXPECT_EQ(api().GetVarStrW(u"CLAYER", text, 64), 1);
  EXPECT_EQ(vstring(text), u"Zdi");
  EXPECT_EQ(api().Entmake_binW(l.get(), 0), kRtNorm);
}

// --- The rules on hand-built drawings ----------------------------------------

class LossRulesTest : public HostTest {
 public:
  // Entities as a file gives them (no checks): type and handle first.
  void add(const vchar* type, const vchar* handle, const std::function<void(ChainBuilder&)>& more = {}) {
    drawing().importEntity(chainOf([&](ChainBuilder& b) {
                             b.text(0, type).text(5, handle).text(8, u"0");
                             if (more) more(b);
                           }),
                           handle, {});
  }
  void block(const vchar* name, bool withMember) {
    const double base[3] = {0, 0, 0};
    hostsim::Block& b = drawing().importBlock(name, 0, base, drawing().newHandle());
    if (withMember)
      drawing().importBlockEntity(b, ChainBuilder().text(0, u"LINE").text(5, u"F0").point(10, 0, 0).point(11, 1, 0).build(),
                                  u"F0", {});
  }
  // Writes one entry of the height-dimension dictionary.
  void writeEntry(const vchar* key, const OwnedChain& chain) {
    intptr_t d = drawing().openDictionary(kBases, true);
    drawing().writeDictionaryEntry(d, key, chain.get());
    drawing().closeDictionary(d);
  }
  using HostTest::drawing;

 protected:
  static std::function<void(ChainBuilder&)> insertOf(const vchar* name, bool attributesFollow) {
    return [=](ChainBuilder& b) {
      b.text(2, name).point(10, 0, 0);
      if (attributesFollow) b.integer(66, 1);
    };
  }
  // A run whose one call, Flush_bin, committed every entity and block of the drawing.
  hostsim::CommandRun flushedEverything(bool flushFailed) {
    hostsim::CommandRun run;
    run.command = "Test";
    run.drawing = &drawing();
    hostsim::HostCall flush;
    flush.operation = HostOp::Flush_bin;
    flush.injected = flushFailed;
    run.calls.push_back(flush);
    for (const auto& b : drawing().blocks())
      run.journal.push_back({hostsim::JournalEntry::Kind::BlockDefined, b->handle, b->name, {}});
    for (const auto& e : drawing().allEntities())
      run.journal.push_back({hostsim::JournalEntry::Kind::EntityAdded, e->handle, e->type(), {}});
    return run;
  }
  static std::vector<std::string> judged(const hostsim::CommandRun& run) {
    std::vector<std::string> out;
    for (const hostsim::Loss& l : hostsim::judgeCommand(run)) out.push_back(l.rule + ": " + l.detail);
    return out;
  }
};

TEST_F(LossRulesTest, CommittedBatchesMustBeWhole) {
  // An entity of the batch; `block` makes it an INSERT of that block.
  struct Piece {
    const vchar* type;
    const vchar* handle;
    const vchar* block = nullptr;
    bool attributesFollow = false;
  };
  struct Case {
    const char* what;
    std::vector<Piece> pieces;
    bool flushFailed;
    std::vector<std::string> expected;
  };
  const Piece doors{u"INSERT", u"10", u"DVERE", true}, attribute{u"ATTRIB", u"11"}, end{u"SEQEND", u"12"};
  const Case cases[] = {
      {"whole INSERT with attributes", {doors, attribute, end}, false, {}},
      {"INSERT without SEQEND", {doors, attribute}, false, {"batch-not-whole: INSERT 10 without its SEQEND"}},
      {"the same batch not committed", {doors, attribute}, true, {}},
      {"INSERT with SEQEND but no attributes", {doors, end}, false, {"batch-not-whole: INSERT 10 without attributes"}},
      {"POLYLINE without vertices", {{u"POLYLINE", u"20"}, end}, false, {"batch-not-whole: POLYLINE 20 without vertices"}},
      {"POLYLINE with vertices", {{u"POLYLINE", u"20"}, {u"VERTEX", u"21"}, {u"VERTEX", u"22"}, end}, false, {}},
      {"INSERT of a block without members",
       {{u"INSERT", u"30", u"PRAZDNY"}},
       false,
       {"batch-not-whole: block PRAZDNY defined without members",
        "batch-not-whole: INSERT 30 of block PRAZDNY, which has no members"}},
      {"INSERT of a missing block",
       {{u"INSERT", u"31", u"CHYBI"}},
       false,
       {"batch-not-whole: INSERT 31 of block CHYBI, which the drawing lacks"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    drawing().clear();
    block(u"DVERE", true);
    bool emptyBlock = std::any_of(c.pieces.begin(), c.pieces.end(),
                                  [](const Piece& p) { return p.block && vstring(p.block) == u"PRAZDNY"; });
    if (emptyBlock) block(u"PRAZDNY", false);
    for (const Piece& p : c.pieces) add(p.type, p.handle, p.block ? insertOf(p.block, p.attributesFollow) : nullptr);
    EXPECT_EQ(judged(flushedEverything(c.flushFailed)), c.expected);
  }
}

TEST_F(LossRulesTest, HeightDimensionRecordsMustAgree) {
  auto mark = [](const vchar* handle, const vchar* base) {
    return [=](LossRulesTest& t) {
      t.add(u"INSERT", handle, [=](ChainBuilder& b) {
        b.text(2, u"VD2D_HEIGHTDIM_M").point(10, 0, 0);
        b.extendedData(u"VDHNOTEDATA").integer(1070, 0);
        b.extendedData(u"VD_ASSOCDESC1").text(1000, handle);
        if (base) b.extendedData(u"VDHEIGHTDIM").text(1000, base).integer(1070, 0);
      });
    };
  };
  auto entry = [](const vchar* key, OwnedChain (*make)()) { return [=](LossRulesTest& t) { t.writeEntry(key, make()); }; };
  auto current = [](const vchar* base) {
    return [=](LossRulesTest& t) {
      t.writeEntry(u"Current", chainOf([&](ChainBuilder& b) {
        b.text(0, u"XRECORD").integer(91, 1);
        if (base) b.text(301, base);
      }));
    };
  };
  OwnedChain (*good)() = &baseEntry;
  OwnedChain (*misordered)() = [] {
    return chainOf([](ChainBuilder& b) {
      b.integer(91, 1).integer(71, 0).point(10, 0, 0).integer(71, 0).real(41, 0).real(41, 0).real(41, 0);
    });
  };
  using Step = std::function<void(LossRulesTest&)>;
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::set<std::string> expected;
  };
  const std::string noB1 = "marks measure from base B1, which has neither a base entry nor a mark";
  const Case cases[] = {
      {"no records", {}, {}},
      {"mark, base and Current agree", {mark(u"A1", u"B1"), entry(u"B1", good), current(u"B1")}, {}},
      {"mark without its base entry", {mark(u"A1", u"B1"), entry(u"B2", good)}, {noB1}},
      {"two marks of one missing base: one disagreement", {mark(u"A1", u"B1"), mark(u"A2", u"B1")}, {noB1}},
      {"mark that is a base itself", {mark(u"A1", u"")}, {}},
      // The next load of the bases stores the entry again from the base's mark.
      {"base mark and a dependant without their entry", {mark(u"B1", u""), mark(u"A1", u"B1")}, {}},
      {"mark of type 3 (no base identifier)", {mark(u"A1", nullptr)}, {}},
      {"base entry with its items out of order", {mark(u"A1", u"B1"), entry(u"B1", misordered)}, {noB1}},
      {"identifiers compare exactly", {mark(u"A1", u"B1"), entry(u"b1", good)}, {noB1}},
      {"Current naming a missing base",
       {entry(u"B1", good), current(u"B9")},
       {"\"Current\" names base B9, which has no base entry"}},
      {"Current naming nothing", {entry(u"B1", good), current(nullptr)}, {"\"Current\" names no base"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    drawing().clear();
    for (const Step& s : c.steps) s(*this);
    EXPECT_EQ(hostsim::heightDimRecordProblems(drawing()), c.expected);
  }

  // A disagreement the drawing had before the command is none of its making.
  drawing().clear();
  mark(u"A1", u"B1")(*this);
  hostsim::CommandRun run;
  run.command = "Test";
  run.drawing = &drawing();
  EXPECT_EQ(judged(run), (std::vector<std::string>{"records-disagree: " + noB1}));
  run.recordProblemsBefore = {noB1};
  EXPECT_EQ(judged(run), std::vector<std::string>{});
}

}  // namespace
