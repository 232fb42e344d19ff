// Command lines as Windows sees them, for the POSIX runner.
//
// On Windows a command line is one text; each program splits it into words
// with its C runtime. The POSIX runner has to do that splitting itself, and
// also stands in for the command interpreter: a line "cmd /c <rest>" runs
// <rest> as the interpreter would for the simple commands this tool issues.
//
// The stand-in is deliberately strict. It has no variables, no operators and
// no redirection, and instead of quietly running something else it refuses
// any line in which the real interpreter would find them: a '%' anywhere, an
// unquoted & | < > ^ ( ), a control character, or a <rest> that starts with a
// double quote (which the real interpreter may strip). A quoting mistake in
// the tool then fails on POSIX too, instead of only on Windows.
#ifndef REVSTAMP_PROCESS_COMMAND_LINE_H_
#define REVSTAMP_PROCESS_COMMAND_LINE_H_

#include <string>
#include <vector>

/// Splits a command line into words by the rules of the Microsoft C runtime
/// (2008 and later): the first word is the program name, in which double
/// quotes only group; in later words 2N backslashes before a double quote
/// give N backslashes and toggle quoting, 2N+1 give N backslashes and a
/// literal quote, other backslashes are literal, and "" inside quotes gives
/// a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& line);

/// How the POSIX runner starts a command line.
struct LaunchPlan {
  /// The line had the form "cmd /c <rest>": the interpreter stand-in runs
  /// <rest>, and its own error messages stand as the command's output.
  bool viaInterpreter = false;
  /// Program and arguments, with every backslash read as '/'. May be empty
  /// for an interpreter line with nothing after "/c".
  std::vector<std::string> words;
  /// Set when the interpreter refuses the line: the text it prints instead
  /// of running anything.
  std::string interpreterError;
};

LaunchPlan PlanLaunch(const std::string& commandLine);

/// What the interpreter stand-in prints when it can't find or start a
/// program: one line naming it.
std::string InterpreterNotFoundText(const std::string& program);

#endif  // REVSTAMP_PROCESS_COMMAND_LINE_H_
