// What the unit does when it cannot go on: it leaves a record where it
// survives the process, then resets.
#pragma once

// A condition the unit cannot go on from: the record goes to FATAL.LOG and
// the log (ERROR_error), then the reset ends the process with exit status 10.
// Every fatal site calls this.
[[noreturn]] void ERROR_vFatal(const char* file, int line, const char* text);
// Appends a time line and "error: <text> in <file> at <line>" to FATAL.LOG in
// the base directory and logs it; returns. A base directory that cannot be
// opened leaves the record in the log only.
void ERROR_error(const char* file, int line, const char* text);
// Ends the process at once with exit status 10: no shutdown messages, nothing
// saved, no task waited for.
[[noreturn]] void U_RESET_vReset(void);
// The run-time library's error hook.
extern "C" [[noreturn]] void __rt_raise(void);
