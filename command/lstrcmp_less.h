// Ordering of names by the platform's lstrcmpA (case-sensitive), used by the item maps of the command
// server and the option table of the command-line parser.
#pragma once

#include <windows.h>

#include "text/kxstring.h"

namespace kx {

struct LstrcmpLess {
    bool operator()(const kxlib::string& a, const kxlib::string& b) const { return lstrcmpA(a.c_str(), b.c_str()) < 0; }
};

}  // namespace kx
