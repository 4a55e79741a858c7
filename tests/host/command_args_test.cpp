#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "heightdim/command_args.h"
#include "host/host_api.h"
#include "hostsim/host.h"

namespace {

using vd::heightdim::parseDecimal;
using vd::heightdim::parsePlaceArgs;

struct ArgsCase {
  std::vector<const char*> argv;
  unsigned type;
  double direction;
  int options;
  bool mirror;
};

constexpr double kPi = 3.141592653589793;

TEST(PlaceArgs, ParsedAsTheHostPassesThem) {
  const ArgsCase cases[] = {
      {{"0"}, 0, 0.0, 0, false}, {{"2"}, 2, 0.0, 0, false},
      {{"3"}, 3, 0.0, 0, false}, {{"7"}, 3, 0.0, 0, false},
      {{"-1"}, 3, 0.0, 0, false}, {{"4294967295"}, 3, 0.0, 0, false},
      {{"1", "90"}, 1, kPi / 2, 0, false}, {{"0", "180"}, 0, kPi, 0, false},
      {{"0", "-45"}, 0, -kPi / 4, 0, false}, {{"0", "358"}, 0, 358 * kPi / 180.0, 0, false},
      {{"3", "0", "5"}, 3, 0.0, 5, false}, {{"3", "0", "1", "1"}, 3, 0.0, 1, true},
      {{"3", "0", "0", "0"}, 3, 0.0, 0, false}, {{"0", "12.9"}, 0, 12 * kPi / 180.0, 0, false},
      {{"1", "-45", "4"}, 1, -kPi / 4, 4, false},
      {{" 2"}, 2, 0.0, 0, false}, {{"abc"}, 0, 0.0, 0, false},
  };
  for (const ArgsCase& c : cases) {
    std::string shown;
    for (const char* a : c.argv) shown += std::string("\"") + a + "\" ";
    SCOPED_TRACE(shown);
    auto args = parsePlaceArgs(static_cast<int>(c.argv.size()), c.argv.data());
    ASSERT_TRUE(args.has_value());
    EXPECT_EQ(args->type, c.type);
    EXPECT_DOUBLE_EQ(args->direction, c.direction);
    EXPECT_EQ(args->options, c.options);
    EXPECT_EQ(args->mirror, c.mirror);
  }
}

TEST(PlaceArgs, DecimalReadingSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(parseDecimal("99999999999999999999"), INT_MAX);
  EXPECT_EQ(parseDecimal("-99999999999999999999"), INT_MIN);
  EXPECT_EQ(parseDecimal("-2147483648"), INT_MIN);
  EXPECT_EQ(parseDecimal("+17x"), 17);
  EXPECT_EQ(parseDecimal("\t\n\v\f\r 42"), 42) << "every blank in front is skipped";
  EXPECT_EQ(parseDecimal(nullptr), 0);
  EXPECT_EQ(parseDecimal(""), 0);
}

TEST(Commands, EveryExportHasItsCommand) {
  const char* exported[] = {"DimArc",      "DimArc2",       "DimArc3",          "DimArc4",
                            "DimArcLength", "DimConnect",   "DimDivide",        "DimAlign",
                            "DimUpdateUCS", "HeightDim",    "HeightDimEdit",    "HeightDimSetBase",
                            "HeightDimUpdate", "HeightDimSettings"};
  EXPECT_EQ(vd::kCommandCount, 14);
  for (const char* name : exported) {
    const vd::CommandInfo* c = vd::findCommand(name);
    ASSERT_NE(c, nullptr) << name;
    EXPECT_STREQ(c->name, name);
  }
  EXPECT_EQ(vd::findCommand("heightdim"), nullptr) << "export names are exact";
  EXPECT_EQ(vd::findCommand(nullptr), nullptr);
}

// Nothing a command throws reaches the host: it answers its failure code,
// as it does when no host is bound; a command that returns answers its own.
TEST(Commands, ACommandThatThrowsAnswersItsFailureCode) {
  struct Case {
    vd::CommandEntry entry;
    int failure;
    bool bound;
    int result;
  } cases[] = {
      {[](int, const char* const*) -> int { throw std::runtime_error("no memory"); }, -1, true, -1},
      {[](int, const char* const*) -> int { throw 7; }, 0, true, 0},
      {[](int argc, const char* const*) { return argc + 40; }, -1, true, 42},
      {[](int argc, const char* const*) { return argc + 40; }, -1, false, -1},
  };
  const char* argv[] = {"a", "b"};
  for (const Case& c : cases) {
    if (c.bound) {
      ASSERT_TRUE(vd::bindHost(nullptr, &hostsim::resolveExport, nullptr));
    }
    const vd::CommandInfo command{"Test", c.entry, c.failure};
    EXPECT_EQ(vd::runCommand(command, 2, argv), c.result) << "failure " << c.failure << ", bound " << c.bound;
    vd::unbindHost();
  }
}

}  // namespace
