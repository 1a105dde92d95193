// File services of the service layer.

#include <stdlib.h>

#include <string>

#include "linuxsvc.h"

const char* L_UTILS_cpGetPathnamePtr(void) {
  // Looked up once: the base directory does not move under a running unit.
  static const std::string s_base = [] {
    const char* value = getenv("VELMORA_CWD");
    return std::string(value != nullptr && value[0] != '\0' ? value : "/usr/velmora");
  }();
  return s_base.c_str();
}
