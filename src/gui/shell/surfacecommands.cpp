// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/surfacecommands.h"

#include <QDir>
#include <QStatusBar>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "dialogs/contoursdlg.h"
#include "dialogs/griddlg.h"
#include "io/document.h"
#include "shell/mainframe.h"
#include "surface/crs.h"
#include "surface/grid.h"
#include "surface/raster.h"
#include "surface/soundings.h"

namespace aq::gui {

namespace {

bool Run(CMainFrame& frame, QDialog& dialog) {
    return frame.runDialog ? frame.runDialog(dialog) : dialog.exec() == QDialog::Accepted;
}

// The soundings of the open survey and further ones, gathered again only when the list
// of further surveys changes.
class SoundingsCache {
public:
    explicit SoundingsCache(CMainFrame& frame) : frame_(frame) {}

    const surface::Soundings* Get(const QStringList& also) {
        if (tried_ && also == also_) return ok_ ? &soundings_ : nullptr;
        tried_ = true;
        also_ = also;
        ok_ = false;
        soundings_ = surface::Soundings{};
        std::vector<std::unique_ptr<CVKDoc>> others;
        std::vector<const CVKDoc*> docs = {&frame_.Doc()};
        // The further surveys' counts and modified marks are not the window's to show.
        UnshownDocumentPort othersPort(frame_.Port());
        for (const QString& path : also) {
            auto doc = std::make_unique<CVKDoc>();
            // Opening says why it failed.
            if (!OpenDocument(*doc, QDir::toNativeSeparators(path).toStdString(), othersPort)) return nullptr;
            surface::CheckRecordedCrs(*doc, othersPort);
            docs.push_back(doc.get());
            others.push_back(std::move(doc));
        }
        std::string error;
        if (!surface::CollectSoundings(docs, soundings_, error, &frame_.Port())) {
            frame_.Port().Message(error, Severity::Warning);
            return nullptr;
        }
        ok_ = true;
        return &soundings_;
    }

private:
    CMainFrame& frame_;
    bool tried_ = false;
    bool ok_ = false;
    QStringList also_;
    surface::Soundings soundings_;
};

GridValues& RememberedGrid() {
    static GridValues values;
    return values;
}

ContoursValues& RememberedContours() {
    static ContoursValues values;
    return values;
}

void Note(CMainFrame& frame, const QString& text) { frame.statusBar()->showMessage(text, 10000); }

}  // namespace

PlanLayer MakePlanLayer(const surface::Surface& s, const std::vector<surface::ContourLine>& contours,
                        const std::string& title) {
    PlanLayer layer;
    layer.title = title;
    layer.west = s.west;
    layer.north = s.north;
    layer.east = s.west + s.nx * s.cellX;
    layer.south = s.north - s.ny * s.cellY;
    double lo = 0, hi = 0;
    if (s.Range(lo, hi)) {
        // The bands over the middle 98 % of the cells: a few spikes would otherwise
        // stretch them until the seabed is all one colour. Cells beyond take the end bands.
        std::vector<float> levels;
        const size_t stride = std::max<size_t>(1, s.Cells() / 1'000'000);
        for (size_t i = 0; i < s.elevation.size(); i += stride)
            if (!std::isnan(s.elevation[i])) levels.push_back(s.elevation[i]);
        if (levels.size() >= 100) {
            const auto at = [&](double q) {
                auto it = levels.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(levels.size() - 1));
                std::nth_element(levels.begin(), it, levels.end());
                return static_cast<double>(*it);
            };
            lo = at(0.01);
            hi = at(0.99);
        }
        layer.bands = LevelBands(lo, hi);
        if (s.elevation.size() >= s.Cells()) layer.Shade(s.elevation.data(), s.nx, s.ny);
    }
    layer.contours.reserve(contours.size());
    for (const surface::ContourLine& c : contours) layer.contours.push_back({c.level, c.xy});
    return layer;
}

void GridSurfaceCommand(CMainFrame& frame) {
    SoundingsCache cache(frame);
    GridValues values = RememberedGrid();
    const surface::Soundings* first = cache.Get(values.also);
    if (!first && !values.also.isEmpty()) {
        // A further survey of last time is gone: offer the open one alone.
        values.also.clear();
        first = cache.Get(values.also);
    }
    if (!first) return;
    if (!(values.options.cell > 0)) {
        // A first guess: the cell the contours would take, else a metre.
        const double cell = surface::ContourCell(*first, surface::MedianLineSpacing(*first));
        values.options.cell = cell > 0 ? cell : 1.0;
    }
    CGridDlg dlg(values, [&cache](const QStringList& also) { return cache.Get(also); }, &frame);
    if (!Run(frame, dlg)) return;
    values = dlg.Values();
    RememberedGrid() = values;
    const surface::Soundings* soundings = cache.Get(values.also);
    if (!soundings) return;

    surface::GridOptions o = values.options;
    const std::string path = QDir::toNativeSeparators(values.path).toStdString();
    // A BAG's uncertainty is the standard deviation of the soundings in each cell.
    if (!path.empty() && surface::RasterFormatOf(path) == surface::RasterFormat::Bag) o.stddevBand = true;
    auto grid = std::make_shared<surface::Surface>();
    std::string error;
    if (!surface::MakeSurface(*soundings, o, *grid, error, &frame.Port())) {
        frame.Port().Message(error, Severity::Warning);
        return;
    }
    grid->crs = surface::DocumentCrs(frame.Doc());
    // Shown even when writing fails: the user sees what was made and can try again.
    frame.SetLastSurface(grid, {});
    if (!path.empty()) {
        if (!surface::WriteSurface(*grid, path, error, &frame.Port())) {
            frame.Port().Message(error, Severity::Warning);
            return;
        }
        Note(frame, QStringLiteral("Wrote a surface of %1 x %2 cells to %3").arg(grid->nx).arg(grid->ny).arg(values.path));
    } else {
        Note(frame, QStringLiteral("Made a surface of %1 x %2 cells").arg(grid->nx).arg(grid->ny));
    }
}

void ContoursCommand(CMainFrame& frame) {
    const bool haveSoundings = frame.Doc().CountDepth > 0;
    CContoursDlg dlg(RememberedContours(), frame.LastSurface() != nullptr, haveSoundings, &frame);
    if (!Run(frame, dlg)) return;
    const ContoursValues values = dlg.Values();
    RememberedContours() = values;

    std::shared_ptr<const surface::Surface> grid;
    std::string error;
    switch (values.source) {
        case ContourSource::LastSurface: grid = frame.LastSurfaceShared(); break;
        case ContourSource::RasterFile: {
            auto read = std::make_shared<surface::Surface>();
            if (!surface::ReadSurface(QDir::toNativeSeparators(values.raster).toStdString(), *read, error)) {
                frame.Port().Message(error, Severity::Warning);
                return;
            }
            grid = read;
            break;
        }
        case ContourSource::Made: {
            SoundingsCache cache(frame);
            const surface::Soundings* soundings = cache.Get({});
            if (!soundings) return;
            surface::GridOptions o;
            o.cell = surface::ContourCell(*soundings, surface::MedianLineSpacing(*soundings));
            if (!(o.cell > 0)) {
                frame.Port().Message("The soundings do not show how far apart the survey lines are (a single line?), "
                                     "which gives the cell of the surface: make one with Grid Surface first.",
                                     Severity::Warning);
                return;
            }
            auto made = std::make_shared<surface::Surface>();
            if (!surface::MakeSurface(*soundings, o, *made, error, &frame.Port())) {
                frame.Port().Message(error, Severity::Warning);
                return;
            }
            made->crs = surface::DocumentCrs(frame.Doc());
            grid = made;
            break;
        }
    }
    if (!grid) return;
    std::vector<surface::ContourLine> lines;
    if (!surface::MakeContours(*grid, values.levels, lines, error, &frame.Port())) {
        frame.Port().Message(error, Severity::Warning);
        return;
    }
    frame.SetLastSurface(grid, lines);
    if (!values.path.isEmpty()) {
        if (!surface::WriteContours(lines, grid->crs, QDir::toNativeSeparators(values.path).toStdString(), error,
                                    &frame.Port())) {
            frame.Port().Message(error, Severity::Warning);
            return;
        }
        Note(frame, QStringLiteral("Wrote %1 contour lines to %2").arg(lines.size()).arg(values.path));
    } else {
        Note(frame, QStringLiteral("Traced %1 contour lines").arg(lines.size()));
    }
}

}  // namespace aq::gui
