// What the host does on its own for a placed mark: the terminator blocks it
// makes by name, the drag that moves an entity where the user drops it, the
// tie between a leader and its annotation, and how a leader is drawn. (The
// rubber band's base in the transcript is pinned by the placed_marks and
// heightdim scenarios.)
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/jig_record.h"
#include "host_fixture.h"
#include "hostsim/dxf_writer.h"
#include "hostsim/leaders.h"
#include "hostsim/terminators.h"

using namespace vd;
using hostsim::Answer;
using hosttest::HostTest;

namespace {

class LeaderTest : public HostTest {
 protected:
  // A framed mark as the plan-view command writes it: a block, a reference
  // with one attribute and its end marker, all in one batch.
  vstring makeMark(double x, double y) {
    double bx = 0, by = 0, bz = 0;
    OwnedChain edge = line(-7, -3, 7, -3);
    OwnedChain made[] = {
        ChainBuilder().text(0, u"INSERT").integer(66, 1).text(2, u"FRAME").point(10, x, y).build(),
        ChainBuilder().text(0, u"ATTRIB").point(10, x - 2, y).real(40, 2.5).text(1, u"+1.250").text(2, u"VÝŠKA")
            .integer(72, 1).point(11, x, y).build(),
        ChainBuilder().text(0, u"SEQEND").build()};
    api().Header_bin();
    api().BlkmakeHead_binW(u"FRAME", 0, &bx, &by, &bz);
    api().BlkmakeEnt_binW(edge.get());
    api().BlkmakeEnd_binW(u"FRAME");
    for (const OwnedChain& c : made) api().Entmake_binW(c.get(), 0);
    EXPECT_EQ(api().Flush_bin(1), kRtNorm);
    return drawing().lastMade().front();
  }
  // A leader from `tip` to `end`, its arrowhead overridden by a block handle
  // written as the module writes it (lower-case hexadecimal) when given.
  vstring makeLeader(ChainPoint tip, ChainPoint end, const vstring& arrowHandle = {}, double size = 2.5) {
    ChainBuilder b;
    b.text(0, u"LEADER").text(8, u"KOTY").integer(62, 3).text(3, u"VELDRA").point(10, tip).point(10, end);
    b.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{");
    vstring lower = arrowHandle;
    for (vchar& c : lower) c = (c >= u'A' && c <= u'F') ? static_cast<vchar>(c - u'A' + u'a') : c;
    if (!arrowHandle.empty()) b.integer(1070, 341).text(1005, lower);
    b.integer(1070, 41).real(1040, size).text(1002, u"}").extendedData(u"VD_ASSOCDESC1").text(1000, u"MARK-ID");
    EXPECT_EQ(make(b.build()), kRtNorm) << drawing().lastError();
    return lastHandle();
  }
  // The handle the host gives for an arrowhead's name, as the drawing writes
  // handles; empty for none.
  vstring arrowHandle(const vchar* name, int* result = nullptr) {
    uint64_t handle = ~uint64_t{0};
    const int r = api().GetArrowHandleW(name, &handle);
    if (result) *result = r;
    return handle == 0 ? vstring() : hostsim::handleText(handle);
  }
  ChainPoint pointOf(const vstring& handle, int code, int index = 0) {
    int seen = 0;
    for (ChainItem item : drawing().findEntity(handle)->view())
      if (item.code() == code && seen++ == index) return *item.point();
    ADD_FAILURE() << "no group " << code << " #" << index;
    return {};
  }
  static uint64_t value(const vstring& handle) { return *hostsim::handleValue(handle); }
};

TEST_F(LeaderTest, EveryStandardTerminatorGetsItsBlockOnce) {
  const struct {
    const vchar* asked;
    const vchar* block;
    std::vector<vstring> members;  // types, in order
  } rows[] = {
      {u".", u"_CLOSEDFILLED", {u"SOLID"}},
      {u"_closed", u"_CLOSED", {u"LWPOLYLINE", u"LINE"}},
      {u"_NONE", u"_NONE", {}},
      {u"_DOT", u"_DOT", {u"LWPOLYLINE", u"LINE"}},
      {u"_CLOSEDBLANK", u"_CLOSEDBLANK", {u"LWPOLYLINE"}},
      {u"_OBLIQUE", u"_OBLIQUE", {u"LINE"}},
      {u"_ArchTick", u"_ARCHTICK", {u"LWPOLYLINE"}},
      {u"_OPEN", u"_OPEN", {u"LWPOLYLINE", u"LINE"}},
      {u"_ORIGIN", u"_ORIGIN", {u"CIRCLE", u"LINE"}},
      {u"_OPEN90", u"_OPEN90", {u"LWPOLYLINE", u"LINE"}},
      {u"_OPEN30", u"_Open30", {u"LWPOLYLINE", u"LINE"}},
      {u"_DotBlank", u"_DotBlank", {u"CIRCLE", u"LINE"}},
      {u"_DotSmall", u"_DotSmall", {u"LWPOLYLINE"}},
      {u"_BOXFILLED", u"_BOXFILLED", {u"SOLID", u"LINE"}},
      {u"_BOXBLANK", u"_BOXBLANK", {u"LWPOLYLINE", u"LINE"}},
      {u"_DATUMFILLED", u"_DATUMFILLED", {u"SOLID"}},
      {u"_DATUMBLANK", u"_DATUMBLANK", {u"LWPOLYLINE"}},
      {u"_INTEGRAL", u"_INTEGRAL", {u"ARC", u"ARC"}},
  };
  static_assert(sizeof rows / sizeof rows[0] == hostsim::kStandardTerminatorCount);
  for (const auto& r : rows) {
    SCOPED_TRACE(utf16ToUtf8(r.asked));
    int result = 0;
    const vstring handle = arrowHandle(r.asked, &result);
    EXPECT_EQ(result, 1);
    const hostsim::Block* b = drawing().findBlock(r.block);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name, r.block) << "the block keeps its own spelling";
    EXPECT_EQ(handle, b->handle);
    std::vector<vstring> types;
    for (const auto& m : b->entities) {
      types.emplace_back(m->type());
      // The shape is one unit long with its tip at the origin, in the colour of the reference.
      EXPECT_EQ(m->view().integer(62), 0);
      for (ChainItem item : m->view()) {
        if (item.code() < 10 || item.code() > 13) continue;
        EXPECT_LE(std::abs(item.point()->x + 0.25), 0.7501) << utf16ToUtf8(m->type());
        EXPECT_LE(std::abs(item.point()->y), 0.58) << utf16ToUtf8(m->type());
      }
    }
    EXPECT_EQ(types, r.members);
    EXPECT_EQ(arrowHandle(r.asked), handle) << "asked again, the same block";
  }
  EXPECT_EQ(journalCount(hostsim::JournalEntry::Kind::BlockDefined), hostsim::kStandardTerminatorCount + 0u);
  EXPECT_TRUE(transcriptHas("host: terminator block _CLOSEDFILLED made for \".\"", true));
}

TEST_F(LeaderTest, OtherNamesAndTheDrawingsOwnBlocksAreNotMade) {
  defineBlock(u"_DOT");  // the drawing's own terminator of that name wins
  const vstring own = drawing().findBlock(u"_DOT")->handle;
  defineBlock(u"MYARROW");
  const struct {
    const vchar* name;
    int result;
    vstring handle;
  } rows[] = {
      {u"_dot", 1, own},
      {u"MYARROW", 1, drawing().findBlock(u"MYARROW")->handle},
      {u"_NOSUCH", 0, u""},
      {u"", 0, u""},
      {u"_DOT ", 0, u""},
  };
  for (const auto& r : rows) {
    int result = -1;
    EXPECT_EQ(arrowHandle(r.name, &result), r.handle) << utf16ToUtf8(r.name);
    EXPECT_EQ(result, r.result) << utf16ToUtf8(r.name);
  }
  EXPECT_EQ(drawing().blocks().size(), 2u);
  EXPECT_EQ(drawing().findBlock(u"_DOT")->entities.size(), 1u) << "not redefined";
  uint64_t stale = 0x1F;
  host().calls.failFromNow({}, 1);
  EXPECT_EQ(api().GetArrowHandleW(u"_OPEN", &stale), 0);
  EXPECT_EQ(stale, 0u);
  EXPECT_EQ(drawing().findBlock(u"_OPEN"), nullptr) << "a failed call makes nothing";
}

TEST_F(LeaderTest, ADragMovesTheEntityItsAttributesAndTheLeadersTiedToIt) {
  const vstring mark = makeMark(100, 200);
  const vstring attrib = drawing().followersOf(*drawing().findEntity(mark)).front()->handle;
  const vstring leader = makeLeader({80, 180, 0}, {93, 197, 0});
  const vstring other = makeLeader({10, 10, 0}, {20, 20, 0});
  uint64_t markValue = value(mark), leaderValue = value(leader);
  ASSERT_EQ(api().LeaderAnno(&markValue, &leaderValue, 0), 1);
  EXPECT_EQ(hostsim::tiedAnnotation(drawing().findEntity(leader)->view()), mark);
  EXPECT_TRUE(transcriptHas("host: LEADER " + utf16ToUtf8(leader) + " tied to INSERT " + utf16ToUtf8(mark), true));

  // Dragged by the view centre (100, 200) and dropped at (130, 160): every
  // placing point moves by (30, -40).
  JigRecord r;
  r.base[0] = 100;
  r.base[1] = 200;
  copyToBuffer(mark, r.handle, kHandleChars);
  host().queueAnswer(answer(Answer::Kind::Point, 130, 160));
  const size_t journalBefore = drawing().journal().size();
  ASSERT_EQ(api().Jig(&r, 0), 1);
  EXPECT_EQ(r.dropped[0], 130);
  EXPECT_EQ(r.dropped[1], 160);
  const struct {
    const vstring* handle;
    int code, index;
    double x, y;
  } points[] = {
      {&mark, 10, 0, 130, 160},   {&attrib, 10, 0, 128, 160}, {&attrib, 11, 0, 130, 160},
      {&leader, 10, 0, 80, 180},  {&leader, 10, 1, 123, 157}, {&other, 10, 1, 20, 20},
  };
  for (const auto& e : points) {
    const ChainPoint p = pointOf(*e.handle, e.code, e.index);
    EXPECT_EQ(std::pair(p.x, p.y), std::pair(e.x, e.y)) << utf16ToUtf8(*e.handle) << " " << e.code << "#" << e.index;
  }
  EXPECT_EQ(drawing().journal().size() - journalBefore, 3u) << "the mark, its attribute and the leader; the end marker has no place";
  EXPECT_EQ(hostsim::tiedAnnotation(drawing().findEntity(leader)->view()), mark) << "still tied after the move";
  EXPECT_TRUE(transcriptHas("drag INSERT " + utf16ToUtf8(mark) + " from 100,200,0 -> 130,160,0", true));

  // A later drag (by the new place) moves it again, and the tie still holds.
  r.base[0] = 130;
  r.base[1] = 160;
  host().queueAnswer(answer(Answer::Kind::Point, 130, 170));
  ASSERT_EQ(api().Jig(&r, 0), 1);
  EXPECT_EQ(pointOf(leader, 10, 1).y, 167);
  EXPECT_EQ(pointOf(mark, 10).y, 170);
}

TEST_F(LeaderTest, ACancelledOrImpossibleDragChangesNothing) {
  const vstring mark = makeMark(5, 5);
  make(ChainBuilder().text(0, u"HATCH").point(10, 0, 0).text(2, u"SOLID").integer(70, 1).integer(91, 0).build());
  const vstring hatchHandle = lastHandle();
  const struct {
    const char* what;
    vstring handle;
    int32_t size;
    bool answer, cancel;
    double baseX;
    std::string line;
  } rows[] = {
      {"cancelled", mark, sizeof(JigRecord), true, true, 5, "drag INSERT " + utf16ToUtf8(mark) + " from 5,5,0 -> cancel"},
      {"a record of another size", mark, 88, false, false, 5, "host: Jig refused: no drag record of 96 bytes"},
      {"a hatch", hatchHandle, sizeof(JigRecord), true, false, 5, "host: Jig refused: a HATCH cannot be dragged"},
      {"no such entity", u"FFFF", sizeof(JigRecord), true, false, 5, "host: Jig refused: nothing to drag"},
      {"a base that is no number", mark, sizeof(JigRecord), true, false, std::nan(""),
       "host: Jig refused: the base point is not finite"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    JigRecord rec;
    rec.size = r.size;
    rec.base[0] = r.baseX;
    rec.base[1] = 5;
    copyToBuffer(r.handle, rec.handle, kHandleChars);
    if (r.answer) {
      Answer a = answer(Answer::Kind::Point, 50, 50);
      if (r.cancel) a.kind = Answer::Kind::Cancel;
      host().queueAnswer(a);
    }
    const size_t journalBefore = drawing().journal().size();
    EXPECT_EQ(api().Jig(&rec, 0), 0);
    EXPECT_EQ(drawing().journal().size(), journalBefore);
    EXPECT_TRUE(transcriptHas(r.line, true)) << host().transcript().back();
    EXPECT_EQ(rec.dropped[0], 0);
  }
  EXPECT_EQ(pointOf(mark, 10).x, 5);
  // No handle: the first entity the last flush made is dragged.
  makeMark(1, 1);
  JigRecord rec;
  rec.base[0] = rec.base[1] = 1;
  host().queueAnswer(answer(Answer::Kind::Point, 2, 3));
  EXPECT_EQ(api().Jig(&rec, 0), 1);
  EXPECT_EQ(pointOf(drawing().lastMade().front(), 10).y, 3);
}

TEST_F(LeaderTest, OnlyALeaderIsTiedAndOnlyToWhatIsThere) {
  const vstring mark = makeMark(0, 0);
  const vstring leader = makeLeader({-10, -10, 0}, {-7, -3, 0});
  const struct {
    const char* what;
    vstring annotation, leader;
    std::string why;
  } rows[] = {
      {"the leader is no LEADER", leader, mark, "entity " + utf16ToUtf8(mark) + " is a INSERT, not a LEADER"},
      {"no annotation", u"ABCDE", leader, "the drawing has no entity ABCDE"},
      {"no leader", mark, u"ABCDE", "the drawing has no entity ABCDE"},
  };
  for (const auto& r : rows) {
    uint64_t a = value(r.annotation), l = value(r.leader);
    EXPECT_EQ(api().LeaderAnno(&a, &l, 0), 0) << r.what;
    EXPECT_TRUE(transcriptHas("host: LeaderAnno refused: " + r.why, true)) << r.what;
  }
  EXPECT_EQ(api().LeaderAnno(nullptr, nullptr, 0), 0);
  EXPECT_TRUE(hostsim::tiedAnnotation(drawing().findEntity(leader)->view()).empty());
  // Tied twice: the second annotation replaces the first, and the group
  // stays in front of the extended data.
  const vstring second = makeMark(50, 0);
  for (const vstring* to : {&mark, &second}) {
    uint64_t a = value(*to), l = value(leader);
    ASSERT_EQ(api().LeaderAnno(&a, &l, 0), 1);
  }
  const ChainView v = drawing().findEntity(leader)->view();
  EXPECT_EQ(v.count(340), 1);
  EXPECT_EQ(hostsim::tiedAnnotation(v), second);
  EXPECT_EQ(v.extendedData(u"VD_ASSOCDESC1").text(1000), u"MARK-ID");
  // It goes out to a file with the leader, and with the vertex count a reader needs.
  const std::string dxf = hostsim::dxf::writeDxf(drawing(), host().variables);
  const size_t at = dxf.find("AcDbLeader");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(dxf.find(" 76\n2\n", at), std::string::npos);
  EXPECT_NE(dxf.find("340\n" + utf16ToUtf8(second) + "\n", at), std::string::npos);
}

TEST_F(LeaderTest, ALeaderIsDrawnAsItsPathAndItsArrowhead) {
  const vstring dot = arrowHandle(u"_DOT");
  const struct {
    const char* what;
    vstring arrow;
    double size;
    bool noArrowFlag;
    std::vector<vstring> drawn;
    double length;
  } rows[] = {
      {"the host's _DOT, size 0.25", dot, 0.25, false, {u"LWPOLYLINE", u"INSERT"}, 0.25},
      {"no override: the closed filled arrow", u"", 3, false, {u"LWPOLYLINE", u"SOLID"}, 3},
      {"a handle naming no block: the closed filled arrow", u"FEDC", 2, false, {u"LWPOLYLINE", u"SOLID"}, 2},
      {"no arrowhead (71 = 0)", dot, 1, true, {u"LWPOLYLINE"}, 1},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    vstring leader = makeLeader({10, 0, 0}, {10, 20, 0}, r.arrow, r.size);
    if (r.noArrowFlag) {
      OwnedChain c = OwnedChain::copyOf(drawing().findEntity(leader)->view());
      c.setInteger(71, 0);
      ASSERT_TRUE(drawing().changeEntity(leader, std::move(c), {}));
    }
    const ChainView v = drawing().findEntity(leader)->view();
    EXPECT_DOUBLE_EQ(hostsim::leaderArrow(drawing(), v).length, r.length);
    std::vector<OwnedChain> drawn = hostsim::leaderDrawing(drawing(), v);
    std::vector<vstring> types;
    for (const OwnedChain& c : drawn) types.emplace_back(c.view().type());
    EXPECT_EQ(types, r.drawn);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn[0].view().layer(), u"KOTY");
    EXPECT_EQ(drawn[0].view().integer(62), 3);
    if (drawn.size() < 2) continue;
    const ChainView head = drawn[1].view();
    // The tip at the first vertex; the path comes from above, so the arrow points down.
    EXPECT_EQ(head.point(10), (ChainPoint{10, 0, 0}));
    if (head.isType(u"INSERT")) {
      EXPECT_EQ(head.text(2), u"_DOT");
      EXPECT_DOUBLE_EQ(*head.real(41), r.length);
      EXPECT_NEAR(*head.real(50), -std::acos(0.0), 1e-12);
    } else {
      EXPECT_NEAR(head.point(11)->y, r.length, 1e-12) << "the arrow's base lies up the path";
      EXPECT_NEAR(std::abs(head.point(11)->x - head.point(12)->x), r.length / 3, 1e-12);
    }
  }
  make(ChainBuilder().text(0, u"LEADER").point(10, 0, 0).build());
  EXPECT_TRUE(hostsim::leaderDrawing(drawing(), drawing().findEntity(lastHandle())->view()).empty());
}

}  // namespace
