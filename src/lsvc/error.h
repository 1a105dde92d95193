// Fatal errors and the reset path.
#pragma once

// Appends a time line and "error: <text> in <file> at <line>" to FATAL.LOG in
// the base directory and logs it. The caller then calls U_RESET_vReset.
void ERROR_error(const char* file, int line, const char* text);
// Ends the process at once with exit status 10: no shutdown messages, nothing
// saved, no task waited for.
[[noreturn]] void U_RESET_vReset(void);
// The run-time library's error hook.
extern "C" [[noreturn]] void __rt_raise(void);
