// SPDX-License-Identifier: GPL-3.0-or-later
// Full redraws of the plan and section views of a generated survey into a 1920 x 1080
// image, whole and zoomed, with what later drawing paints over left out and without; and
// the moved copy of the last picture that wheel zoom and drag pan show first.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench_main.h"
#include "io/document.h"
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

// The generated survey of n records; with VIEWS_BENCH_SURVEY=FILE.son, that survey
// instead for the runs of 10 M (scripts/bench leaves one with AQUENTA_BENCH_KEEP=1).
aq::CVKDoc& Survey(size_t n) {
    static aq::CVKDoc* doc = nullptr;
    static size_t made = 0;
    if (!doc) doc = new aq::CVKDoc;
    if (made != n) {
        const char* file = std::getenv("VIEWS_BENCH_SURVEY");
        if (file && n == 10'000'000) {
            if (!aq::OpenDocument(*doc, file, aq::bench::Quiet())) {
                std::fprintf(stderr, "could not open %s\n", file);
                std::exit(1);
            }
        } else {
            aq::gen::GenerateSurvey(*doc, n);
            aq::Recalculate(*doc, aq::bench::Quiet());
        }
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
void CheckIdentical(const char* name, const aq::CVKDoc& doc, const aq::CRect& window) {
    View a, b;
    a.Window = b.Window = window;
    QImage culled(kWidth, kHeight, QImage::Format_RGB32), every(kWidth, kHeight, QImage::Format_RGB32);
    Redraw(a, doc, culled, true);
    Redraw(b, doc, every, false);
    if (culled != every) {
        std::fprintf(stderr, "%s: the culled picture differs from drawing every marker\n", name);
        std::exit(1);
    }
}

// A box around the middle ninth of the plane, as the step timer zooms.
constexpr aq::CRect kZoomBox{4666, 4666, 10333, 10333};

template <typename View>
void BM_Redraw(benchmark::State& state, bool cull, bool zoomed) {
    aq::gui::EnsureGuiApplication();
    const aq::CVKDoc& doc = Survey(static_cast<size_t>(state.range(0)));
    static size_t checked = 0;
    if (checked != doc.Records.size() && state.range(0) <= 1'000'000) {
        for (const aq::CRect& w : {aq::VIEW_EXTENTS, kZoomBox}) {
            CheckIdentical<aq::CVKPView>("plan", doc, w);
            CheckIdentical<aq::CVKView>("section", doc, w);
        }
        checked = doc.Records.size();
    }
    View view;
    if (zoomed) view.Window = kZoomBox;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        Redraw(view, doc, image, cull);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PlanRedraw(benchmark::State& s) { BM_Redraw<aq::CVKPView>(s, true, false); }
void BM_SectionRedraw(benchmark::State& s) { BM_Redraw<aq::CVKView>(s, true, false); }
void BM_PlanRedrawZoomed(benchmark::State& s) { BM_Redraw<aq::CVKPView>(s, true, true); }
void BM_SectionRedrawZoomed(benchmark::State& s) { BM_Redraw<aq::CVKView>(s, true, true); }
void BM_PlanRedrawEveryMarker(benchmark::State& s) { BM_Redraw<aq::CVKPView>(s, false, false); }
void BM_SectionRedrawEveryMarker(benchmark::State& s) { BM_Redraw<aq::CVKView>(s, false, false); }

// What a wheel turn or a drag shows first: the last picture scaled into a pane of the
// same size (a fifth zoomed in about a point), as the view widget paints it.
void BM_MovedPicture(benchmark::State& state) {
    aq::gui::EnsureGuiApplication();
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter p(&picture);
        for (int i = 0; i < kWidth; i += 7) p.drawLine(i, 0, kWidth - i, kHeight);
    }
    QImage pane(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&pane);
        painter.fillRect(pane.rect(), Qt::white);
        painter.drawImage(QRectF(-0.25 * 700, -0.25 * 400, kWidth * 1.25, kHeight * 1.25), picture,
                          QRectF(0, 0, kWidth, kHeight));
        painter.end();
        benchmark::DoNotOptimize(pane.constBits());
    }
}

BENCHMARK(BM_PlanRedraw)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SectionRedraw)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanRedrawZoomed)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SectionRedrawZoomed)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanRedrawEveryMarker)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SectionRedrawEveryMarker)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovedPicture)->Unit(benchmark::kMillisecond);

#else

// Without Qt: the drawing code alone, into a canvas that paints nothing.
class NullCanvas final : public aq::Canvas {
public:
    void SelectPen(aq::Colour, int32_t) override {}
    void SelectBlackPen() override {}
    void SelectSolidBrush(aq::Colour) override {}
    void SelectLightGreyBrush() override {}
    void SelectHollowBrush() override {}
    void SelectFont(double) override {}
    void SetTextTransparent(bool) override {}
    void SetTextAnchor(aq::TextAnchor) override {}
    void Line(aq::CPoint, aq::CPoint) override { ++calls; }
    void Ellipse(const aq::CRect&) override { ++calls; }
    void Rectangle(const aq::CRect&) override { ++calls; }
    void RoundRect(const aq::CRect&, int32_t, int32_t) override { ++calls; }
    void FillRect(const aq::CRect&, aq::Colour) override { ++calls; }
    void Text(aq::CPoint, const std::string&) override { ++calls; }
    void Picture(const aq::CRect&, const uint32_t*, int32_t, int32_t) override { ++calls; }
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
