// Putting a finished file in the place of another in one step, for the writers that write a whole
// file to a temporary file beside it first (Quarry's run, Bindery's key files and listings).
#pragma once

namespace kx {

// Replaces the existing file `original` by `temporary`, which then no longer exists under its own
// name. False when the original cannot be replaced; both files are then as they were. Another
// program that holds the original open without sharing deletion makes the replacement fail: it is
// refused before the attempt, because some systems leave an intermediate file of their own behind
// when they find out halfway.
bool ReplaceExistingFile(const wchar_t* original, const wchar_t* temporary);
// The same for paths in the ANSI code page.
bool ReplaceExistingFile(const char* original, const char* temporary);

// True when nothing stops the original from being renamed away: no other program holds it open
// without sharing deletion.
bool CanBeReplaced(const wchar_t* original);

}  // namespace kx
