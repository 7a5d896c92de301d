#include "support/BenchMain.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

int runCoreBenchmarks(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
