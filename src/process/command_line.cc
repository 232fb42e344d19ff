#include "process/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/paths.h"
#include "common/text_format.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Recognises "cmd /c <rest>" (case-insensitive, "cmd.exe" too) and returns
// the start of <rest>, or npos.
std::size_t InterpreterRestStart(const std::string& line) {
  std::size_t i = 0;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  std::string program = Lowercase(line.substr(0, i));
  if (program != "cmd" && program != "cmd.exe") return std::string::npos;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (Lowercase(line.substr(i, 2)) != "/c") return std::string::npos;
  i += 2;
  if (i < line.size() && !IsBlank(line[i])) return std::string::npos;
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i;
}

// The interpreter sees quotes only as toggles; everything it would treat
// specially outside them (and '%' even inside) makes the line a syntax error.
bool InterpreterAccepts(const std::string& rest) {
  if (!rest.empty() && rest[0] == '"') return false;
  bool quoted = false;
  for (char c : rest) {
    if (IsControl(c) || c == '%') return false;
    if (c == '"') quoted = !quoted;
    else if (!quoted && std::strchr("&|<>^()", c)) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> words;
  const char* p = line.c_str();

  // The program name: quotes group, nothing escapes.
  std::string word;
  bool quoted = false;
  for (; *p && (quoted || !IsBlank(*p)); ++p) {
    if (*p == '"') quoted = !quoted;
    else word += *p;
  }
  words.push_back(word);

  quoted = false;
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p) break;
    word.clear();
    for (;;) {
      std::size_t slashes = 0;
      while (*p == '\\') ++p, ++slashes;
      bool copy = true;
      if (*p == '"') {
        if (slashes % 2 == 0) {
          if (quoted && p[1] == '"') ++p;  // "" inside quotes: a literal quote
          else copy = false, quoted = !quoted;
        }
        slashes /= 2;
      }
      word.append(slashes, '\\');
      if (!*p || (!quoted && IsBlank(*p))) break;
      if (copy) word += *p;
      ++p;
    }
    words.push_back(word);
  }
  return words;
}

LaunchPlan PlanLaunch(const std::string& commandLine) {
  LaunchPlan plan;
  std::string words = commandLine;
  std::size_t rest = InterpreterRestStart(commandLine);
  if (rest != std::string::npos) {
    plan.viaInterpreter = true;
    words = commandLine.substr(rest);
    if (!InterpreterAccepts(words)) {
      plan.interpreterError = "The syntax of the command is incorrect.\n";
      return plan;
    }
    if (words.empty()) return plan;
  }
  plan.words = SplitCommandLine(words);
  for (std::string& word : plan.words) word = PosixPath(word);
  return plan;
}

std::string InterpreterNotFoundText(const std::string& program) {
  return "'" + program +
         "' is not recognized as an internal or external command, "
         "operable program or batch file.\n";
}
