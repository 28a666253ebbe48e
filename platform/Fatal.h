#pragma once

namespace ld {

// After an allocation failed: "<program> : mémoire insuffisante ..." on the
// standard error, allocating nothing. The program name is the one given to
// EndCleanlyOnUncaughtException.
void ReportOutOfMemory();

// Makes an exception that nothing catches end the process with a French
// message on the standard error and exit code 1, instead of the runtime's
// "terminate called after throwing ..." and an abort with its core dump.
// Files are written atomically, so an end at any point leaves none half
// written. Called once at the start of main.
void EndCleanlyOnUncaughtException(const char* program);

}  // namespace ld
