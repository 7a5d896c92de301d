#pragma once

// The main() of a benchmark without windows: a Qt core application, then every benchmark registered in
// the program.
int runCoreBenchmarks(int argc, char** argv);

// A figure of the process's /proc status in MB: "VmRSS:" (resident now) or "VmHWM:" (resident at its
// highest since the peak was last reset).
double statusMB(const char* field);
