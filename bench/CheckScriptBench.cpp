#include "data/VariableDefinitions.h"
#include "script/CheckScript.h"

#include <benchmark/benchmark.h>

namespace {

// A script of the given length made of the line kinds people write: writes, reads into
// variables, delays, comments, continued lines.
QStringList generatedScript(int lineCount)
{
    const QStringList kinds = {
        QStringLiteral("S A0 10 DE AD BE EF P"),
        QStringLiteral("W 50 10 [DELAY=5] R 50 X X X X ; read-back"),
        QStringLiteral("W 48 00 R 48 @1TEMP @0TEMP ; temperature"),
        QStringLiteral("; a comment line with some text in it"),
        QStringLiteral("S A0 20 00 01 02 03 04 05 06 07 +"),
        QStringLiteral("  08 09 0A 0B 0C 0D 0E 0F ; continued"),
        QStringLiteral("r 49 @sine @1sine x x x x x x x x x x x x x x"),
        QString(),
    };
    QStringList lines;
    lines.reserve(lineCount);
    for (int i = 0; i < lineCount; ++i)
        lines.append(kinds[i % kinds.size()]);
    return lines;
}

void BM_CheckScript(benchmark::State& state)
{
    VariableDefinitions variables;
    variables.declare(0, QStringLiteral("TEMP"), 1);
    variables.declare(1, QStringLiteral("Sine"), 1);
    const QStringList lines = generatedScript(int(state.range(0)));
    for (auto _ : state) {
        CheckVerdict verdict = CheckScript(lines, variables);
        if (!verdict.ok)
            state.SkipWithError("the generated script does not check");
        benchmark::DoNotOptimize(verdict);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_CheckScript)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
