// Helpers of the sonar tests: the rig's stand-in configuration, and waiting
// for a condition with a bound.
#pragma once

#include <functional>
#include <string>

namespace sonartest {

// The rig of this test program (made on first use; VELMORA_DEVROOT names it).
const std::string& RigDir();
// Writes dev/sonar.cfg whole (through a rename, as an editor would); with
// bNow the stand-in reads it at once, else it finds the change itself.
void WriteConfig(const std::string& text, bool bNow = true);
// Polls the condition every few milliseconds; FALSE when it is still false after ms.
bool WaitFor(const std::function<bool()>& condition, int ms);

}  // namespace sonartest
