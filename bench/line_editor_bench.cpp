// The line editor taking a pasted line through an in-memory text screen:
// every character goes through the key poll, the echo by the text walk and
// the cursor placement, as typed keys do.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/line_input.h"
#include "tests/scripted_screen.h"

using namespace pantalla::detail;

namespace {

void pasted_line(benchmark::State& st) {
    const auto n = static_cast<size_t>(st.range(0));
    for (auto _ : st) {
        st.PauseTiming();
        ScriptedScreen::install(80, 25);
        for (size_t i = 0; i < n; ++i) ScriptedScreen::keys.push_back('a' + static_cast<int32_t>(i % 26));
        ScriptedScreen::keys.push_back(13);
        RtString* text = string_temp_copy(nullptr, 0);
        st.ResumeTiming();
        edit_line(text);
        st.PauseTiming();
        if (string_length(text) != n) st.SkipWithError("line lost characters");
        string_release_temp(text);
        ScriptedScreen::remove();
        st.ResumeTiming();
    }
    st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * n));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * n));
}

}  // namespace

BENCHMARK(pasted_line)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
