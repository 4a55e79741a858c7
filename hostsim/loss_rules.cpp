#include "hostsim/loss_rules.h"

#include <algorithm>
#include <map>

#include "host/names.h"

namespace hostsim {

namespace {

using vd::ChainItem;
using vd::ChainView;
using vd::vstring_view;

std::string utf8(vstring_view s) { return vd::utf16ToUtf8(s); }

std::string describe(const Entity& e) { return utf8(e.type()) + " " + utf8(e.handle); }

std::string describeCall(const HostCall& c) {
  std::string name = vd::hostOperationName(c.operation);
  return c.ordinal > 0 ? name + " (its " + ordinalText(c.ordinal) + " call)" : name;
}

bool is(const HostCall& c, vd::HostOp operation) { return c.operation == operation; }

// Every entity the drawing ever took, erased ones too, by handle.
std::map<vstring, const Entity*> entityIndex(const Drawing& d) {
  std::map<vstring, const Entity*> index;
  for (const auto& e : d.allEntities()) index[e->handle] = e.get();
  return index;
}

// --- An entity erased with nothing written in its place ----------------------

void erasedWithoutReplacement(const CommandRun& run, std::vector<std::string>& found) {
  std::set<vstring> added, erased;
  for (const JournalEntry& j : run.journal) {
    if (j.kind == JournalEntry::Kind::EntityAdded) added.insert(j.handle);
    if (j.kind == JournalEntry::Kind::EntityErased) erased.insert(j.handle);
  }
  // What a command wrote and erased again replaces nothing.
  bool wrote = std::any_of(added.begin(), added.end(), [&](const vstring& h) { return !erased.count(h); });
  if (wrote) return;
  std::map<vstring, const Entity*> index = entityIndex(*run.drawing);
  for (const JournalEntry& j : run.journal) {
    if (j.kind != JournalEntry::Kind::EntityErased || added.count(j.handle)) continue;
    auto it = index.find(j.handle);
    // Followers go with their INSERT or POLYLINE, which is reported; what
    // the host made to show the user is no data of the drawing.
    if (it != index.end() && (!it->second->owner.empty() || it->second->hostTemporary)) continue;
    found.push_back(utf8(j.name) + " " + utf8(j.handle) + " erased, but no flush of the command wrote what replaces it");
  }
}

// --- A batch committed after one of its writes failed --------------------------

bool isBatchWrite(const HostCall& c) {
  return is(c, vd::HostOp::Entmake_binW) || is(c, vd::HostOp::BlkmakeHead_binW) || is(c, vd::HostOp::BlkmakeEnt_binW) || is(c, vd::HostOp::BlkmakeEnd_binW);
}

void flushAfterFailedWrite(const CommandRun& run, std::vector<std::string>& found) {
  const HostCall* failedWrite = nullptr;
  for (const HostCall& c : run.calls) {
    bool failed = c.injected || c.refused;
    if (is(c, vd::HostOp::Header_bin)) {
      // A batch whose opening failed is no batch of this writer's: flushing
      // it would commit whatever an earlier one left.
      failedWrite = failed ? &c : nullptr;
    } else if (isBatchWrite(c) && failed && !failedWrite) {
      failedWrite = &c;
    } else if (is(c, vd::HostOp::Flush_bin) && !failed) {
      if (failedWrite)
        found.push_back("Flush_bin committed a batch after " + describeCall(*failedWrite) + " had failed");
      failedWrite = nullptr;
    }
  }
}

// --- A committed batch that is not whole -------------------------------------------

// Complex entities among `entities` that lack followers, and INSERTs of blocks
// without members. `pool` holds the followers (they name their entity as owner).
void checkEntities(const Drawing& d, const std::vector<const Entity*>& entities, const std::string& where,
                   std::vector<std::string>& found) {
  for (const Entity* e : entities) {
    // What the command took out of the drawing again (a mark taken back,
    // its block purged) is whole or not in it at all.
    if (!e->owner.empty() || e->erased) continue;
    ChainView v = e->view();
    if (isFollowerType(e->type())) {
      found.push_back(describe(*e) + where + " without the INSERT or POLYLINE it belongs to");
      continue;
    }
    if (v.isType(vd::names::kInsert)) {
      vstring_view name = v.text(vd::gc::kName).value_or(vstring_view());
      const Block* b = d.findBlock(name);
      if (!b) {
        found.push_back(describe(*e) + where + " of block " + utf8(name) + ", which the drawing lacks");
      } else if (b->entities.empty()) {
        found.push_back(describe(*e) + where + " of block " + utf8(name) + ", which has no members");
      }
    }
    if (!opensComplex(v)) continue;
    std::vector<const Entity*> followers;
    for (const Entity* f : entities) {
      if (f->owner == e->handle) followers.push_back(f);
    }
    bool ended = !followers.empty() && vd::equalsNoCaseAscii(followers.back()->type(), u"SEQEND");
    if (!ended) found.push_back(describe(*e) + where + " without its SEQEND");
    if (followers.size() < (ended ? 2u : 1u))
      found.push_back(describe(*e) + where + (v.isType(vd::names::kPolyline) ? " without vertices" : " without attributes"));
  }
}

void batchNotWhole(const CommandRun& run, std::vector<std::string>& found) {
  const Drawing& d = *run.drawing;
  std::map<vstring, const Entity*> index = entityIndex(d);
  size_t journalEnd = run.journalStart + run.journal.size();
  for (size_t i = 0; i < run.calls.size(); ++i) {
    const HostCall& c = run.calls[i];
    if (!is(c, vd::HostOp::Flush_bin) || c.injected || c.refused) continue;
    // What this flush committed: the journal up to the next call.
    size_t from = std::max(c.journalAt, run.journalStart);
    size_t to = i + 1 < run.calls.size() ? run.calls[i + 1].journalAt : journalEnd;
    std::vector<const Entity*> made;
    for (size_t k = from; k < to && k < journalEnd; ++k) {
      const JournalEntry& j = run.journal[k - run.journalStart];
      if (j.kind == JournalEntry::Kind::EntityAdded) {
        auto it = index.find(j.handle);
        if (it != index.end()) made.push_back(it->second);
      } else if (j.kind == JournalEntry::Kind::BlockDefined) {
        const Block* b = d.findBlock(j.name);
        if (!b) continue;
        if (b->entities.empty()) found.push_back("block " + utf8(j.name) + " defined without members");
        std::vector<const Entity*> members;
        for (const auto& m : b->entities) members.push_back(m.get());
        checkEntities(d, members, " in block " + utf8(j.name), found);
      }
    }
    checkEntities(d, made, "", found);
  }
}

// --- Height-dimension records that no longer agree -----------------------------------

void recordsDisagree(const CommandRun& run, std::vector<std::string>& found) {
  for (const std::string& p : heightDimRecordProblems(*run.drawing)) {
    if (!run.recordProblemsBefore.count(p)) found.push_back(p);
  }
}

constexpr const vd::vchar* kBaseDictionary = u"TR2D_HEIGHTDIM";
constexpr const vd::vchar* kMarkApplication = u"VDHEIGHTDIM";
constexpr const vd::vchar* kMarkIdentifierApplication = u"VD_ASSOCDESC1";
constexpr const vd::vchar* kCurrentKey = u"Current";

// A base entry: from its first 91, the items 71 type, 71 kind, 10 point,
// 41 angle, 41 and 41 levels, in this order.
bool isBaseEntry(ChainView chain) {
  static const int expected[] = {91, 71, 71, 10, 41, 41, 41};
  const vd::ValueNode* n = chain.find(91);
  for (int code : expected) {
    if (!n || n->code != code) return false;
    n = n->next;
  }
  return true;
}

// The text of the 1000 item that follows an application's name in extended
// data: a mark's base identifier (VDHEIGHTDIM; empty for a mark that is a
// base itself) or its own identifier (VD_ASSOCDESC1).
vstring firstText(ChainView extendedData) {
  auto it = extendedData.begin();
  if (it == extendedData.end() || ++it == extendedData.end()) return {};
  ChainItem item = *it;
  return item.code() == 1000 ? vstring(item.text().value_or(vstring_view())) : vstring();
}

}  // namespace

std::set<std::string> heightDimRecordProblems(const Drawing& d) {
  std::set<std::string> problems;
  std::set<vstring> bases, baseMarks, measuredFrom;
  std::optional<vstring> current;
  if (const NamedDictionary* dict = d.findDictionary(kBaseDictionary)) {
    for (const DictionaryEntry& e : dict->entries) {
      if (e.key == kCurrentKey) {
        current = vstring(e.chain.view().text(301).value_or(vstring_view()));
      } else if (isBaseEntry(e.chain.view())) {
        bases.insert(e.key);
      }
    }
  }
  for (const Entity* e : d.entities()) {
    ChainView xd = e->view().extendedData(kMarkApplication);
    if (xd.empty()) continue;
    vstring base = firstText(xd);
    if (base.empty()) {
      baseMarks.insert(firstText(e->view().extendedData(kMarkIdentifierApplication)));
    } else {
      measuredFrom.insert(std::move(base));
    }
  }
  // A base's own mark without an entry is stored again by the next load of
  // the bases (its levels read from its values); marks whose base has
  // neither an entry nor a mark have lost it.
  for (const vstring& base : measuredFrom) {
    if (!bases.count(base) && !baseMarks.count(base))
      problems.insert("marks measure from base " + utf8(base) + ", which has neither a base entry nor a mark");
  }
  if (current && current->empty()) problems.insert("\"Current\" names no base");
  if (current && !current->empty() && !bases.count(*current))
    problems.insert("\"Current\" names base " + utf8(*current) + ", which has no base entry");
  return problems;
}

const std::vector<LossRule>& lossRules() {
  static const std::vector<LossRule> rules = {
      {"erased-unreplaced",
       "an entity the command erased, while no flush of the command wrote anything in its place",
       &erasedWithoutReplacement},
      {"flush-after-failure",
       "a batch committed although the host refused or failed one of its writes (or its Header_bin)",
       &flushAfterFailedWrite},
      {"batch-not-whole",
       "a committed INSERT or POLYLINE without its attributes, vertices or SEQEND, an INSERT of a block that is "
       "missing or empty, a block defined without members",
       &batchNotWhole},
      {"records-disagree",
       "height-dimension records that agreed before the command and disagree after it: marks measuring "
       "from a base that has neither a base entry nor a mark, \"Current\" naming no base entry",
       &recordsDisagree},
  };
  return rules;
}

std::vector<Loss> judgeCommand(const CommandRun& run) {
  std::vector<Loss> losses;
  for (const LossRule& rule : lossRules()) {
    std::vector<std::string> found;
    rule.check(run, found);
    for (std::string& f : found) losses.push_back({rule.name, std::move(f)});
  }
  return losses;
}

}  // namespace hostsim
