// Clocks and medians shared by the benchmarks that time several ways in turn.
#pragma once

#include <time.h>

#include <algorithm>
#include <vector>

// The time of `clock` in seconds (CLOCK_MONOTONIC, CLOCK_THREAD_CPUTIME_ID).
inline double Seconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

// The middle value (the upper middle of an even count); `v` must not be empty.
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
