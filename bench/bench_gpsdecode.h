// gpsdecode as a benchmark peer: its processor time over a file of
// sentences with its start-up taken off, so that a rate per sentence compares
// decoding with decoding, not with the loading of a program; and this
// thread's processor time for our side. Processor time on both sides keeps a
// busy machine's preemptions out of the ratio.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "bench_timing.h"

// Processor seconds this thread has used.
static inline double BENCH_dThreadCpu(void) {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static inline double BENCH_dChildrenCpu(void) {
  struct rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return (double)u.ru_utime.tv_sec + (double)u.ru_stime.tv_sec +
         ((double)u.ru_utime.tv_usec + (double)u.ru_stime.tv_usec) * 1e-6;
}

// Processor seconds of one gpsdecode run with the options over the file (and
// of the shell that starts it), its output thrown away; 0 when gpsdecode is
// not installed.
static inline double BENCH_dGpsdecodeRun(const std::string& options, const std::string& path) {
  if (system("command -v gpsdecode >/dev/null 2>&1") != 0) return 0;
  const std::string command = "gpsdecode " + options + " < " + path + " > /dev/null";
  const double before = BENCH_dChildrenCpu();
  (void)!system(command.c_str());
  return BENCH_dChildrenCpu() - before;
}

// The lines written `repeat` times over into a temporary file; its path,
// empty when it cannot be made. The caller unlinks it.
static inline std::string BENCH_WriteRepeated(const std::vector<std::string>& lines, size_t repeat) {
  char path[] = "/tmp/velmora-bench-gpsdecode-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return "";
  close(fd);
  std::ofstream out(path);
  for (size_t r = 0; r < repeat; r++) {
    for (const std::string& s : lines) out << s << "\r\n";
  }
  return path;
}

// Processor seconds gpsdecode spends on the lines repeated `repeat` times,
// less its start-up: the least of three runs over an empty file, taken off
// the least of three over the full one. 0 when gpsdecode is not installed.
static inline double BENCH_dGpsdecodeSeconds(const std::string& options, const std::vector<std::string>& lines,
                                             size_t repeat) {
  const std::string full = BENCH_WriteRepeated(lines, repeat), empty = BENCH_WriteRepeated({}, 0);
  double dFull = 1e9, dEmpty = 1e9;
  for (int i = 0; i < 3 && !full.empty() && !empty.empty(); i++) {
    dEmpty = std::min(dEmpty, BENCH_dGpsdecodeRun(options, empty));
    dFull = std::min(dFull, BENCH_dGpsdecodeRun(options, full));
  }
  if (!full.empty()) unlink(full.c_str());
  if (!empty.empty()) unlink(empty.c_str());
  return dFull < 1e9 && dFull > dEmpty ? dFull - dEmpty : 0;
}
