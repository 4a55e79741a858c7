// Host scripts: settings, commands to run and the answers to the module's
// requests, one per line. docs/host-scripts.md describes the language.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/host.h"

namespace hostsim {

// What a script drives: the module, loaded as a DLL or linked in.
class ModuleFace {
 public:
  virtual ~ModuleFace() = default;
  // Calls the module's InitApp with this host; false when the module has no InitApp.
  virtual bool initApp(int& result) = 0;
  // Runs Command_<name>; false when the module has no such export.
  virtual bool runCommand(const std::string& name, const std::vector<std::string>& args, int& result) = 0;
  // Makes an export of the host unavailable to the module's binding.
  virtual bool omitExport(const std::string& name, std::string& error) = 0;
  // Calls the module's ColorExtFunction with the host's main window as the
  // parent and a text buffer of `capacity` characters holding `text`;
  // false when the module has no such export.
  virtual bool colourExt(int mode, std::uint32_t& colour, std::uint32_t& rgb, vstring& text, int capacity,
                         int& result) {
    return false;
  }
};

// Sees the commands of a script run; the fault sweep judges each one.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // `command` is the command line without the word "command".
  virtual void commandStarting(const std::string& command, int line) = 0;
  // Right after the module returned, before the script's answers are checked.
  virtual void commandEnded() = 0;
};

// Characters of the text buffer a `colorext` line passes at least.
constexpr int kColourExtChars = 256;

class ScriptRunner {
 public:
  ScriptRunner(Host& host, ModuleFace& module, RunObserver* observer = nullptr)
      : host_(host), module_(module), observer_(observer) {}

  // Runs a whole script; false with host.error() set at the first error.
  bool runText(const std::string& text);
  bool runFile(const std::string& path);

  bool initialized() const { return initialized_; }

 private:
  bool runLine(const std::vector<std::string>& words, int line);
  // The words of a script line (none for a blank line or a comment); false,
  // with the run failed, when a quote is not closed.
  bool wordsOf(size_t index, std::vector<std::string>& words);
  bool parseAnswer(const std::vector<std::string>& words, int line, Answer& out, std::string& error) const;
  // Queues the answer lines that follow a command (or colorext) line; false
  // with the run failed at a malformed one.
  bool queueAnswerLines();
  // After a command or colorext: an answer left over fails the run.
  bool noAnswerLeft();
  bool runColourExt(const std::vector<std::string>& words, int line);

  Host& host_;
  ModuleFace& module_;
  RunObserver* observer_;
  bool initialized_ = false;
  std::vector<std::string> lines_;
  size_t next_ = 0;
};

// Reads a whole file as it is; false when it cannot be read.
bool readTextFile(const std::string& path, std::string& out);

// A command's arguments as the host passes them to a Command_ export: 8-bit
// texts in code page 1250 (from the script's UTF-8), and a null-terminated
// argv pointing into them.
class CommandArguments {
 public:
  explicit CommandArguments(const std::vector<std::string>& utf8);
  CommandArguments(const CommandArguments&) = delete;
  CommandArguments& operator=(const CommandArguments&) = delete;
  int argc() const { return static_cast<int>(texts_.size()); }
  const char** argv() { return argv_.data(); }

 private:
  std::vector<std::string> texts_;
  std::vector<const char*> argv_;
};

// Splits a script line into words; double quotes keep blanks inside a word.
// False when a quote is not closed.
bool splitWords(const std::string& line, std::vector<std::string>& words);

// Reads "x,y[,z]" into three coordinates.
bool parsePoint(const std::string& text, double out[3]);

}  // namespace hostsim
