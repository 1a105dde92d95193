// The process: its command line, the service layer's start and Main.
#pragma once

// The build's model text, printed in the first log line.
extern const char model_string[];

// Reads the options into the process's option variables; a bad command line
// ends the process with status 1.
void MAIN_vParseOptions(int argc, char** argv);
// Brings up the database and the platform, binds the mailboxes, starts the
// tasks in their order and sleeps for ever.
[[noreturn]] void Main(void);
