#pragma once

// The main() of a benchmark without windows: a Qt core application, then every benchmark registered in
// the program.
int runCoreBenchmarks(int argc, char** argv);
