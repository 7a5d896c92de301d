#pragma once

// Runs the Google Benchmark programs of the window-free core under a Qt Core application, which the
// settings and the locale-aware date texts need.
int runCoreBenchmarks(int argc, char** argv);
