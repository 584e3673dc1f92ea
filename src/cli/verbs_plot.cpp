// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "ui/properties.h"
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
    std::string format;
    int width = 0, height = 0;
    std::string title;
    int32_t pages = 1;
    double scale = 1;
    // Display settings of the General Properties dialog, for this plot only.
    std::optional<int32_t> colourMode, showKinds, boxSize, textSize;
};

int32_t TakeColourMode(Args& a) {
    const std::string word = a.Take("point-type, elevation or quality after --colour-mode");
    if (word == "point-type") return COLOUR_POINT_TYPE;
    if (word == "elevation") return COLOUR_ELEVATION;
    if (word == "quality") return COLOUR_QUALITY;
    throw UsageError("--colour-mode wants point-type, elevation or quality, not \"" + word + "\"");
}

// "depth,position", "all" or "none".
int32_t TakeKinds(Args& a) {
    const std::string word = a.Take("KINDS after --show");
    if (word == "all") return 0xF0;
    if (word == "none") return 0;
    int32_t kinds = 0;
    size_t start = 0;
    while (start <= word.size()) {
        const size_t comma = std::min(word.find(',', start), word.size());
        const std::string kind = word.substr(start, comma - start);
        if (kind == "depth")
            kinds |= REC_DEPTH;
        else if (kind == "position")
            kinds |= REC_POSITION;
        else if (kind == "tide")
            kinds |= REC_TIDE;
        else if (kind == "event")
            kinds |= REC_EVENT;
        else
            throw UsageError("--show wants kinds from depth, position, tide and event separated by commas (or all, "
                             "none), not \"" + word + "\"");
        start = comma + 1;
    }
    return kinds;
}

int32_t TakeDisplaySize(Args& a, const std::string& option) {
    const std::string word = a.Take("N after " + option);
    const auto n = ParseInteger(word, SIZE_TYPED_MIN, SIZE_TYPED_MAX);
    if (!n)
        throw UsageError(option + " wants a whole number from " + std::to_string(SIZE_TYPED_MIN) + " to " +
                         std::to_string(SIZE_TYPED_MAX) + ", not \"" + word + "\"");
    return static_cast<int32_t>(*n);
}

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

Step ParsePlot(Args& a, const CommandInfo&) {
    PlotArgs p;
    p.section = TakeView(a);
    p.path = a.Take("FILE.png, FILE.svg or FILE.pdf");
    bool pagesGiven = false;
    while (!a.AtEnd() && a.Peek().starts_with("--")) {
        const std::string option = a.Take("option");
        if (option == "--size") {
            TakeSize(a, p);
        } else if (option == "--format") {
            p.format = a.Take("png, svg or pdf after --format");
            if (p.format != "png" && p.format != "svg" && p.format != "pdf")
                throw UsageError("--format wants png, svg or pdf, not \"" + p.format + "\"");
        } else if (option == "--title") {
            p.title = a.Take("TEXT after --title");
        } else if (option == "--pages") {
            const std::string word = a.Take("N after --pages");
            // The printing dialog's spin range.
            const auto n = ParseInteger(word, 1, 100);
            if (!n) throw UsageError("--pages wants a number of pages from 1 to 100, not \"" + word + "\"");
            p.pages = static_cast<int32_t>(*n);
            pagesGiven = true;
        } else if (option == "--scale") {
            // A screen's pixel ratio: 1, 1.25, 1.5, 2 and so on.
            const std::string word = a.Take("RATIO after --scale");
            char* end = nullptr;
            const double v = std::strtod(word.c_str(), &end);
            if (word.empty() || end != word.c_str() + word.size() || !(v >= 0.5 && v <= 4))
                throw UsageError("--scale wants a pixel ratio from 0.5 to 4, not \"" + word + "\"");
            p.scale = v;
        } else if (option == "--colour-mode") {
            p.colourMode = TakeColourMode(a);
        } else if (option == "--show") {
            p.showKinds = TakeKinds(a);
        } else if (option == "--box-size") {
            p.boxSize = TakeDisplaySize(a, option);
        } else if (option == "--text-size") {
            p.textSize = TakeDisplaySize(a, option);
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
        r.format = p.format;
        if (p.width > 0) r.size = QSize(p.width, p.height);
        r.title = p.title;
        r.pages = p.pages;
        r.scale = p.scale;
        // The settings hold for this plot; the document keeps its own.
        const int32_t mode = c.doc.ColourMode, kinds = c.doc.ShowKinds, box = c.doc.BoxSize, text = c.doc.TextSize;
        c.doc.ColourMode = p.colourMode.value_or(mode);
        c.doc.ShowKinds = p.showKinds.value_or(kinds);
        c.doc.BoxSize = p.boxSize.value_or(box);
        c.doc.TextSize = p.textSize.value_or(text);
        const std::string error = gui::WritePlot(c.doc, r);
        c.doc.ColourMode = mode;
        c.doc.ShowKinds = kinds;
        c.doc.BoxSize = box;
        c.doc.TextSize = text;
        if (!error.empty()) return Fail(c, "plot: " + error);
        return true;
#else
        return Fail(c, "plot: this aquenta-cli was built without Qt, which draws the plots");
#endif
    };
}

constexpr VerbParser kPlotParsers[] = {{"plot", ParsePlot}};

}  // namespace

std::span<const VerbParser> PlotParsers() { return kPlotParsers; }

}  // namespace aq::cli
