// SPDX-License-Identifier: GPL-3.0-or-later
// Full redraws of the plan and section views of a generated survey into a 1920 x 1080
// image, with the markers a later identical one paints over skipped, and without.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "processing/recalc.h"
#include "survey_gen.h"
#include "views/planview.h"
#include "views/sectionview.h"

#ifdef AQUENTA_VIEWS_BENCH_QT
#include <QImage>
#include <QPainter>

#include "render/plotrender.h"
#include "render/qtcanvas.h"
#endif

namespace {

aq::CVKDoc& Survey(size_t n) {
    static aq::CVKDoc* doc = nullptr;
    static size_t made = 0;
    if (!doc) doc = new aq::CVKDoc;
    if (made != n) {
        aq::gen::GenerateSurvey(*doc, n);
        aq::Recalculate(*doc);
        made = n;
    }
    return *doc;
}

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

#ifdef AQUENTA_VIEWS_BENCH_QT

template <typename View>
void Redraw(View& view, const aq::CVKDoc& doc, QImage& image, bool cull) {
    image.fill(Qt::white);
    QPainter painter(&image);
    aq::gui::QtCanvas canvas(painter);
    view.ScreenArea = {0, 0, kWidth, kHeight};
    aq::DrawOptions options;
    options.cull = cull;
    view.Draw(canvas, doc, options);
}

// Culling must not change a pixel; a benchmark of a wrong picture would be worthless.
template <typename View>
void CheckIdentical(const char* name, const aq::CVKDoc& doc) {
    View a, b;
    QImage culled(kWidth, kHeight, QImage::Format_RGB32), every(kWidth, kHeight, QImage::Format_RGB32);
    Redraw(a, doc, culled, true);
    Redraw(b, doc, every, false);
    if (culled != every) {
        std::fprintf(stderr, "%s: the culled picture differs from drawing every marker\n", name);
        std::exit(1);
    }
}

template <typename View>
void BM_Redraw(benchmark::State& state, bool cull) {
    aq::gui::EnsureGuiApplication();
    const aq::CVKDoc& doc = Survey(static_cast<size_t>(state.range(0)));
    static bool checked = false;
    if (!checked) {
        CheckIdentical<aq::CVKPView>("plan", doc);
        CheckIdentical<aq::CVKView>("section", doc);
        checked = true;
    }
    View view;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        Redraw(view, doc, image, cull);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PlanRedraw(benchmark::State& s) { BM_Redraw<aq::CVKPView>(s, true); }
void BM_SectionRedraw(benchmark::State& s) { BM_Redraw<aq::CVKView>(s, true); }
void BM_PlanRedrawEveryMarker(benchmark::State& s) { BM_Redraw<aq::CVKPView>(s, false); }
void BM_SectionRedrawEveryMarker(benchmark::State& s) { BM_Redraw<aq::CVKView>(s, false); }

BENCHMARK(BM_PlanRedraw)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SectionRedraw)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanRedrawEveryMarker)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SectionRedrawEveryMarker)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

#else

// Without Qt: the drawing code alone, into a canvas that paints nothing.
class NullCanvas final : public aq::Canvas {
public:
    void SelectPen(aq::Colour, int32_t) override {}
    void SelectBlackPen() override {}
    void SelectSolidBrush(aq::Colour) override {}
    void SelectLightGreyBrush() override {}
    void SelectFont(int32_t) override {}
    void SetTextTransparent(bool) override {}
    void SetTextAnchor(aq::TextAnchor) override {}
    void Line(aq::CPoint, aq::CPoint) override { ++calls; }
    void Ellipse(const aq::CRect&) override { ++calls; }
    void Rectangle(const aq::CRect&) override { ++calls; }
    void RoundRect(const aq::CRect&, int32_t, int32_t) override { ++calls; }
    void FillRect(const aq::CRect&, aq::Colour) override { ++calls; }
    void Text(aq::CPoint, const std::string&) override { ++calls; }
    int64_t calls = 0;
};

template <typename View>
void BM_Draw(benchmark::State& state) {
    const aq::CVKDoc& doc = Survey(static_cast<size_t>(state.range(0)));
    View view;
    view.ScreenArea = {0, 0, kWidth, kHeight};
    NullCanvas canvas;
    for (auto _ : state) view.Draw(canvas, doc);
    state.counters["calls"] = static_cast<double>(canvas.calls) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Draw<aq::CVKPView>)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Draw<aq::CVKView>)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

#endif

}  // namespace

BENCHMARK_MAIN();
