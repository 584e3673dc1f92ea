// SPDX-License-Identifier: GPL-3.0-or-later
#include <optional>
#include <string>

#include "values.h"
#include "verbs.h"

#ifdef AQUENTA_HAVE_PLOT
#include "render/plotrender.h"
#endif

namespace aq::cli {

namespace {

struct PlotArgs {
    bool section = false;
    std::string path;
    int width = 0, height = 0;
    std::string title;
    int32_t pages = 1;
};

// "1600x1000".
void TakeSize(Args& a, PlotArgs& p) {
    const std::string word = a.Take("WIDTHxHEIGHT after --size");
    const size_t x = word.find_first_of("xX");
    const auto w = x == std::string::npos ? std::nullopt : ParseInteger(word.substr(0, x), 16, 20000);
    const auto h = x == std::string::npos ? std::nullopt : ParseInteger(word.substr(x + 1), 16, 20000);
    if (!w || !h) throw UsageError("--size wants WIDTHxHEIGHT in pixels, each 16 to 20000, not \"" + word + "\"");
    p.width = static_cast<int>(*w);
    p.height = static_cast<int>(*h);
}

Step ParsePlot(Args& a) {
    PlotArgs p;
    p.section = TakeView(a);
    p.path = a.Take("FILE.png, FILE.svg or FILE.pdf");
    bool pagesGiven = false;
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option == "--size") {
            TakeSize(a, p);
        } else if (option == "--title") {
            p.title = a.Take("TEXT after --title");
        } else if (option == "--pages") {
            const std::string word = a.Take("N after --pages");
            // The printing dialog's spin range.
            const auto n = ParseInteger(word, 1, 100);
            if (!n) throw UsageError("--pages wants a number of pages from 1 to 100, not \"" + word + "\"");
            p.pages = static_cast<int32_t>(*n);
            pagesGiven = true;
        } else {
            throw UsageError("unknown option " + option);
        }
    }
    if (pagesGiven && !p.section && p.pages != 1) throw UsageError("--pages is for the section view; the plan prints on one page");
    return [p](Context& c) {
#ifdef AQUENTA_HAVE_PLOT
        gui::PlotRequest r;
        r.kind = p.section ? gui::PlotKind::Section : gui::PlotKind::Plan;
        r.path = p.path;
        if (p.width > 0) r.size = QSize(p.width, p.height);
        r.title = p.title;
        r.pages = p.pages;
        const std::string error = gui::WritePlot(c.doc, r);
        if (!error.empty()) return Fail(c, "plot: " + error);
        return true;
#else
        return Fail(c, "plot: this aquenta-cli was built without Qt, which draws the plots");
#endif
    };
}

constexpr Verb kPlotVerbs[] = {
    {"plot", "plan|section FILE.png|FILE.svg|FILE.pdf [--size WIDTHxHEIGHT] [--title TEXT] [--pages N]",
     "draw a view as printed (titles, time and date labels); the section view's --pages split the\n"
     "      whole time range, one file per page for images (FILE-1.png ...), pages of one PDF",
     ParsePlot},
};

}  // namespace

std::span<const Verb> PlotVerbs() { return kPlotVerbs; }

}  // namespace aq::cli
