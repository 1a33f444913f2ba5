#include "sim/check.h"

#include <cstdio>
#include <cstdlib>

namespace check {

namespace {
Reporter installedReporter = nullptr;
}

void SetReporter(Reporter reporter) {
  installedReporter = reporter;
}

std::string UnitName(const char* file) {
  std::string path(file ? file : "");
  for (char& c : path) {
    if (c == '\\')
      c = '/';
  }
  const std::size_t dot = path.rfind('.');
  const std::size_t lastSlash = path.rfind('/');
  if (dot != std::string::npos && (lastSlash == std::string::npos || dot > lastSlash)) {
    path.erase(dot);
  }
  const std::size_t nameStart = path.rfind('/');
  if (nameStart == std::string::npos)
    return path;
  // A unit is named by its top folder and its own name: the shell's layer folders
  // (gui/plot/rcanvas) are how the code is arranged, not part of what a unit is called.
  const std::string name = path.substr(nameStart + 1);
  const std::string rooted = "/" + path;
  const std::size_t sim = rooted.rfind("/sim/");
  const std::size_t gui = rooted.rfind("/gui/");
  if (sim != std::string::npos && (gui == std::string::npos || sim > gui))
    return "sim/" + name;
  if (gui != std::string::npos)
    return "gui/" + name;
  const std::size_t dirStart = nameStart == 0 ? std::string::npos : path.rfind('/', nameStart - 1);
  return path.substr(dirStart == std::string::npos ? 0 : dirStart + 1);
}

void Fail(const char* text, const char* file, int line) {
  const std::string message = "Assertion failed: \"" + std::string(text) + "\" in " +
                              UnitName(file) + ", line " + std::to_string(line);
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
  if (installedReporter)
    installedReporter(message);
  std::abort();
}

}  // namespace check
