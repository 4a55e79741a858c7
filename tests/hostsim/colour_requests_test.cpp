// The host's colour requests: the `colorext` line and its transcript, the
// `truecolour` answer to SetColorDialogTrueColor, ColorExtFunctionW passed
// on to the module.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "host_fixture.h"
#include "hostsim/colour_requests.h"

using namespace vd;

namespace {

// A module whose ColorExtFunction notes its arguments and answers as told,
// and whose command "TrueColour" asks the host's true-colour dialog.
class ColourModule : public hosttest::ScriptModule {
 public:
  bool runCommand(const std::string& name, const std::vector<std::string>&, int& result) override {
    if (name != "TrueColour") return false;
    record = HostTrueColourRecord{32, -1, nullptr, 5, kOfferByLayer, 0};
    result = hostApi()->SetColorDialogTrueColor(&record);
    return true;
  }
  bool colourExt(int m, std::uint32_t& c, std::uint32_t& r, vstring& t, int cap, int& result) override {
    mode = m;
    colour = c;
    text = t;
    capacity = cap;
    if (answer) {
      c = answer->colour;
      r = answer->rgb;
      t = answer->text;
    }
    result = answer ? 1 : 0;
    return true;
  }
  struct Answer {
    std::uint32_t colour, rgb;
    vstring text;
  };
  std::optional<Answer> answer;
  int mode = -99, capacity = 0;
  std::uint32_t colour = 0;
  vstring text;
  HostTrueColourRecord record{};
};

class ColourRequests : public hosttest::ScriptHostTest<ColourModule> {
 protected:
  bool run(const std::string& text) {
    host().reset();  // a fresh transcript and no error of an earlier run
    return ScriptHostTest::run(text);
  }
  std::string lastLine() const {
    const auto& t = hostsim::Host::instance().transcript();
    return t.empty() ? std::string() : t.back();
  }
};

TEST_F(ColourRequests, ColorextLinesCallTheModuleAndWriteWhatItAnswered) {
  const std::string longText(300, 'x');
  struct Case {
    std::string line;
    std::optional<ColourModule::Answer> answer;
    int mode;
    std::uint32_t colour;
    vstring text;
    int capacity;
    std::string written;
  } cases[] = {
      {"colorext 0 3", ColourModule::Answer{3, 0x00FF00, u"Zelená"}, 0, 3, u"", 256,
       "colorext -> 1 colour=0x00000003 rgb=0x00FF00 text=\"Zelená\""},
      {"colorext 6 0x1F \"255, 128, 0\"", ColourModule::Answer{0x010080FF, hostsim::kRgbNotWritten, u"255, 128, 0"}, 6,
       0x1F, u"255, 128, 0", 256, "colorext -> 1 colour=0x010080FF rgb=none text=\"255, 128, 0\""},
      {"colorext -7 4294967295 a", std::nullopt, -7, 0xFFFFFFFF, u"a", 256,
       "colorext -> 0 colour=0xFFFFFFFF rgb=none text=\"a\""},
      {"colorext 1 0XaBc " + longText, std::nullopt, 1, 0xABC, utf8ToUtf16(longText), 301, ""},
      {"colorext 0 3", ColourModule::Answer{3, 0x123456, u"a\"b\\c\td\x01"}, 0, 3, u"", 256,
       "colorext -> 1 colour=0x00000003 rgb=0x123456 text=\"a\\\"b\\\\c\\td\\x01\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 40));
    module.answer = c.answer;
    ASSERT_TRUE(run("init\n" + c.line + "\n")) << host().error();
    EXPECT_EQ(module.mode, c.mode);
    EXPECT_EQ(module.colour, c.colour);
    EXPECT_EQ(module.text, c.text);
    EXPECT_EQ(module.capacity, c.capacity);
    if (!c.written.empty()) {
      EXPECT_EQ(lastLine(), c.written);
    }
  }
}

TEST_F(ColourRequests, TrueColourAnswers) {
  struct Case {
    std::string answer;
    int result;
    std::uint32_t colour;
    std::string logged;
  } cases[] = {
      {"truecolour 10,20,30", 1, 0x011E140A, "host: true colour -> 10,20,30"},
      {"truecolour 255,0,+0", 1, 0x010000FF, "host: true colour -> 255,0,0"},
      {"cancel", 0, 5, "host: true colour -> cancel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    ASSERT_TRUE(run("init\ncommand TrueColour\n" + c.answer + "\n")) << host().error();
    EXPECT_EQ(module.record.colour, c.colour);
    const auto& t = host().transcript();
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[t.size() - 2], c.logged);
    EXPECT_EQ(t.back(), "command TrueColour -> " + std::to_string(c.result));
  }
  for (const char* bad : {"truecolour 256,0,0", "truecolour 1,2", "truecolour 1,2,3,4", "truecolour", "truecolour a,b,c"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(run(std::string("init\ncommand TrueColour\n") + bad + "\n"));
    EXPECT_NE(host().error().find("script line 3: truecolour wants R,G,B"), std::string::npos) << host().error();
  }
  EXPECT_FALSE(run("init\ncommand TrueColour\n"));
  EXPECT_NE(host().error().find("asks for a true colour"), std::string::npos) << host().error();
  EXPECT_FALSE(run("init\ncommand TrueColour\npoint 1,2\n"));
  EXPECT_NE(host().error().find("script line 3: the module asks for a true colour"), std::string::npos);
}

TEST_F(ColourRequests, BadRecordsAndUnservedOperations) {
  host().queueAnswer(hostsim::Answer{hostsim::Answer::Kind::TrueColour});
  EXPECT_EQ(api().SetColorDialogTrueColor(nullptr), 0);
  HostTrueColourRecord shortRecord{24, -1, nullptr, 5, 0, 0};
  EXPECT_EQ(api().SetColorDialogTrueColor(&shortRecord), 0);
  EXPECT_EQ(shortRecord.colour, 5u);
  EXPECT_EQ(host().pendingAnswers(), 1u) << "a refused record takes no answer";
  std::uint32_t colour = 3, rgb = 0;
  vchar text[8] = u"x";
  EXPECT_EQ(api().ColorExtFunctionW(nullptr, 0, &colour, &rgb, text, 8), 0);
  EXPECT_EQ(host().transcript().back(), "host: ColorExtFunctionW is not served");
  // With the module behind it, the host passes every argument on.
  void* seenParent = nullptr;
  host().windowOperations.colourExt = [&](void* parent, int mode, std::uint32_t* c, std::uint32_t*, vchar* t, int n) {
    seenParent = parent;
    *c = static_cast<std::uint32_t>(mode * 100 + n);
    t[0] = u'y';
    return 7;
  };
  int parent = 0;
  EXPECT_EQ(api().ColorExtFunctionW(&parent, 4, &colour, &rgb, text, 8), 7);
  EXPECT_EQ(colour, 408u);
  EXPECT_EQ(text[0], u'y');
  EXPECT_EQ(seenParent, &parent);
  host().windowOperations.colourExt = nullptr;
}

}  // namespace
