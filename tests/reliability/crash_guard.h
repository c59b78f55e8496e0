// The crash guard linked into the reliability test programs ends a faulting program at once; a
// hostile-input test names the input it is trying, so that the report of a fault says which one.
#pragma once

#include <string>

namespace kxtest {

// Remembers what is being tried now (printed if the program faults before the next call).
void NoteInput(const std::string& what);

}  // namespace kxtest
