#ifndef CALORIVECTRIX_SIM_CHECK_H
#define CALORIVECTRIX_SIM_CHECK_H

// Internal invariants. A failed one is a programming error, never a user's: the program
// stops with the condition's text and the unit it belongs to. Always on, whatever the
// build type, because a wrong number shown to a student is worse than a stop.

#include <string>

namespace check {

// Receives the full message before the program aborts; the GUI installs one that shows
// it in a window as well. The reporter must not return control to the failing code.
using Reporter = void (*)(const std::string& message);
void SetReporter(Reporter reporter);

// "sim/media" from ".../sim/media.cpp".
std::string UnitName(const char* file);

[[noreturn]] void Fail(const char* text, const char* file, int line);

}  // namespace check

// The text is given separately so that the message carries the condition exactly as the
// program has always worded it, independent of how the code is formatted.
#define INVARIANT(condition, text)             \
  do {                                         \
    if (!(condition)) {                        \
      ::check::Fail(text, __FILE__, __LINE__); \
    }                                          \
  } while (false)

#endif
