// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history on a generated survey of ten million records: a box delete, depth
// offsets, Convert to UTM and Clear Z with and without a history, and the undo and redo
// of each; the bytes each step keeps.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <memory>

#include "bench_main.h"
#include "history/history.h"
#include "model/doc.h"
#include "geodesy/utm.h"
#include "processing/flags.h"
#include "processing/offsets.h"
#include "processing/recalc.h"
#include "survey_gen.h"

namespace {

using aq::CVKDoc;
using aq::UndoHistory;
using aq::UndoScope;

constexpr size_t kRecords = 10'000'000;

// One recalculated survey for every benchmark: generating it takes longer than the work.
CVKDoc& Survey() {
    static std::unique_ptr<CVKDoc> doc = [] {
        auto d = std::make_unique<CVKDoc>();
        aq::gen::GenerateSurvey(*d, kRecords);
        aq::Recalculate(*d, aq::bench::Quiet());
        return d;
    }();
    return *doc;
}

// A box in the middle of the plan a few hundred records wide.
aq::CRect SmallBox(const CVKDoc& doc) {
    const aq::CVKData& r = doc.Records[doc.Records.size() / 2];
    return aq::CRect{r.ptPlan.x - 20, r.ptPlan.y - 20, r.ptPlan.x + 20, r.ptPlan.y + 20};
}

void BM_BoxDelete(benchmark::State& state) {
    CVKDoc& doc = Survey();
    const bool withHistory = state.range(0) != 0;
    UndoHistory history;
    const aq::CRect box = SmallBox(doc);
    int hits = 0;
    for (auto _ : state) {
        hits = aq::Undoable(withHistory ? &history : nullptr, doc, "Delete", UndoScope::Flags, aq::bench::Quiet(),
                            [&] { return aq::MarkInRect(doc, box, true, false, aq::bench::Quiet()); });
        state.PauseTiming();
        aq::MarkInRect(doc, box, false, false, aq::bench::Quiet());
        history.Clear();
        state.ResumeTiming();
    }
    state.counters["hits"] = hits;
    state.SetLabel(withHistory ? "with history" : "without history");
}
BENCHMARK(BM_BoxDelete)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// Undo, then redo, of one step made by `command` within `scope`.
template <class Command>
void UndoRedo(benchmark::State& state, const char* name, UndoScope scope, Command&& command) {
    CVKDoc& doc = Survey();
    UndoHistory history;
    aq::Undoable(&history, doc, name, scope, aq::bench::Quiet(), command);
    state.counters["step_bytes"] = static_cast<double>(history.Bytes());
    for (auto _ : state) {
        history.Undo(doc, aq::bench::Quiet());
        history.Redo(doc, aq::bench::Quiet());
    }
    history.Undo(doc, aq::bench::Quiet());  // the survey as the next benchmark expects it
    state.counters["undo_and_redo"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate |
                                                                 benchmark::Counter::kInvert);
}

void BM_UndoRedoBoxDelete(benchmark::State& state) {
    CVKDoc& doc = Survey();
    const aq::CRect box = SmallBox(doc);
    UndoRedo(state, "Delete", UndoScope::Flags, [&] { aq::MarkInRect(doc, box, true, false, aq::bench::Quiet()); });
}
BENCHMARK(BM_UndoRedoBoxDelete)->Unit(benchmark::kMillisecond)->Iterations(5);

aq::OffsetValues MoreDepth(const CVKDoc& doc) {
    aq::OffsetValues v = aq::InitialOffsetValues(doc);
    v.Depth += 0.25;
    v.SoundVelocity = 1480;
    return v;
}

void BM_DepthOffsets(benchmark::State& state) {
    CVKDoc& doc = Survey();
    const bool withHistory = state.range(0) != 0;
    // One history for the document, as the window and the command line keep it.
    UndoHistory history;
    for (auto _ : state) {
        aq::Undoable(withHistory ? &history : nullptr, doc, "Offsets", UndoScope::Fields, aq::bench::Quiet(),
                     [&] { aq::OffsetDepths(doc, MoreDepth(doc), aq::bench::Quiet()); });
        state.PauseTiming();
        if (withHistory) {
            state.counters["step_bytes"] = static_cast<double>(history.Bytes());
            history.Undo(doc, aq::bench::Quiet());
        } else {
            aq::OffsetValues back = aq::InitialOffsetValues(doc);
            back.Depth -= 0.25;
            back.SoundVelocity = 1500;
            aq::OffsetDepths(doc, back, aq::bench::Quiet());
        }
        state.ResumeTiming();
    }
    state.SetLabel(withHistory ? "with history" : "without history");
}
BENCHMARK(BM_DepthOffsets)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoRedoDepthOffsets(benchmark::State& state) {
    CVKDoc& doc = Survey();
    UndoRedo(state, "Offsets", UndoScope::Fields, [&] { aq::OffsetDepths(doc, MoreDepth(doc), aq::bench::Quiet()); });
}
BENCHMARK(BM_UndoRedoDepthOffsets)->Unit(benchmark::kMillisecond)->Iterations(3);

// The generated survey with its grid positions read as longitudes and latitudes near
// 5 E 53 N (ten metres a millionth of a degree or so), recalculated.
const CVKDoc& GeographicSurvey() {
    static std::unique_ptr<CVKDoc> doc = [] {
        auto d = std::make_unique<CVKDoc>();
        aq::gen::GenerateSurvey(*d, kRecords);
        for (aq::CVKData& r : d->Records) {
            if (!(r.Flags & aq::REC_POSITION)) continue;
            r.Flags |= aq::REC_GEOGRAPHIC;
            r.X = 50'000'000 + r.X / 10;
            r.Y = 530'000'000 + r.Y / 10;
        }
        d->KindFlags |= aq::REC_GEOGRAPHIC;
        aq::Recalculate(*d, aq::bench::Quiet());
        return d;
    }();
    return *doc;
}

// A copy of the geographic survey to convert.
void CopyGeographic(CVKDoc& doc) {
    doc.Records = GeographicSurvey().Records;
    static_cast<aq::SurveySettings&>(doc) = GeographicSurvey();
    static_cast<aq::DerivedState&>(doc) = GeographicSurvey();
}

void BM_ConvertToUtm(benchmark::State& state) {
    const bool withHistory = state.range(0) != 0;
    CVKDoc doc;
    CopyGeographic(doc);
    UndoHistory history;
    for (auto _ : state) {
        aq::Undoable(withHistory ? &history : nullptr, doc, "Convert to UTM", UndoScope::Fields, aq::bench::Quiet(),
                     [&] { aq::ConvertToUtm(doc, aq::bench::Quiet()); });
        state.PauseTiming();
        if (withHistory) {
            state.counters["step_bytes"] = static_cast<double>(history.Bytes());
            history.Undo(doc, aq::bench::Quiet());
        } else {
            CopyGeographic(doc);
        }
        state.ResumeTiming();
    }
    state.SetLabel(withHistory ? "with history" : "without history");
}
BENCHMARK(BM_ConvertToUtm)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoRedoConvertToUtm(benchmark::State& state) {
    CVKDoc doc;
    CopyGeographic(doc);
    UndoHistory history;
    aq::Undoable(&history, doc, "Convert to UTM", UndoScope::Fields, aq::bench::Quiet(),
                 [&] { aq::ConvertToUtm(doc, aq::bench::Quiet()); });
    state.counters["step_bytes"] = static_cast<double>(history.Bytes());
    for (auto _ : state) {
        history.Undo(doc, aq::bench::Quiet());
        history.Redo(doc, aq::bench::Quiet());
    }
    state.counters["undo_and_redo"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate |
                                                                 benchmark::Counter::kInvert);
}
BENCHMARK(BM_UndoRedoConvertToUtm)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoRedoClearZ(benchmark::State& state) {
    CVKDoc& doc = Survey();
    UndoRedo(state, "Clear Z", UndoScope::Records, [&] { aq::ClearZ(doc, aq::bench::Quiet()); });
}
BENCHMARK(BM_UndoRedoClearZ)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return aq::bench::RunBenchmarks(argc, argv, "UTC"); }
