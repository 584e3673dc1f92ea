// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDockWidget>
#include <functional>

#include "dialogs/exchangedlg.h"
#include "processing/crossings.h"
#include "processing/lines.h"
#include "processing/spikes.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QVBoxLayout;
class QLineEdit;
class QTableWidget;

namespace aq::gui {

// The dialogs of Edit > Quality Control share the fields that cut the track into lines.
class QcDialog : public ExchangeDialog {
    Q_OBJECT
public:
    using ExchangeDialog::ExchangeDialog;

    QLineEdit* TurnAngle() const { return turn_; }
    QLineEdit* CrossLines() const { return cross_; }

protected:
    // Adds the line fields, filled from `o`, as a group under the layout.
    void AddLineFields(QFormLayout* form, const LineOptions& o);
    bool ReadLineFields(LineOptions& o);
    // The group of line fields, then the OK and Cancel buttons, at the end of the layout.
    void AddLinesAndButtons(QVBoxLayout* layout, const LineOptions& o);
    // The two limits of a usable crossing, as rows of the form.
    void AddCrossingLimits(QFormLayout* form, QWidget* parent, const CrossingOptions& o, QLineEdit*& maxDistance,
                           QLineEdit*& maxSlope);
    bool ReadCrossingLimits(QLineEdit* maxDistance, QLineEdit* maxSlope, CrossingOptions& o);

private:
    QLineEdit *turn_ = nullptr, *turnDistance_ = nullptr, *gap_ = nullptr, *gapDistance_ = nullptr,
              *minLength_ = nullptr, *tolerance_ = nullptr, *cross_ = nullptr;
    QCheckBox* events_ = nullptr;
};

// "Survey Lines": how the track is cut into lines.
class LinesDlg final : public QcDialog {
    Q_OBJECT
public:
    LinesDlg(const LineOptions& options, QWidget* parent = nullptr);
    const LineOptions& Options() const { return options_; }

protected:
    bool Exchange() override;

private:
    LineOptions options_;
};

// "Crossings": the limits of a usable crossing, the lines, and where the CSV goes.
class CrossingsDlg final : public QcDialog {
    Q_OBJECT
public:
    CrossingsDlg(const LineOptions& lines, const CrossingOptions& crossings, bool compareNodes = false,
                 QWidget* parent = nullptr);
    const LineOptions& Lines() const { return lines_; }
    const CrossingOptions& Crossings() const { return crossings_; }
    // The CSV to write, empty for none.
    const QString& CsvPath() const { return csvPath_; }

    QLineEdit* MaxDistance() const { return maxDistance_; }
    QLineEdit* MaxSlope() const { return maxSlope_; }
    QLineEdit* Csv() const { return csv_; }
    // Also compare every crossline sounding with a surface of the main lines.
    bool CompareNodes() const { return compareNodes_; }
    QCheckBox* Nodes() const { return nodes_; }

protected:
    bool Exchange() override;

private:
    LineOptions lines_;
    CrossingOptions crossings_;
    QString csvPath_;
    bool compareNodes_ = false;
    QLineEdit *maxDistance_, *maxSlope_, *csv_;
    QCheckBox* nodes_;
};

// "Survey Report": the limits of a usable crossing, whether the crosslines' soundings are
// also compared with a surface (and which: a raster, or the main lines' own), the lines.
class ReportDlg final : public QcDialog {
    Q_OBJECT
public:
    ReportDlg(const LineOptions& lines, const CrossingOptions& crossings, bool compareNodes,
              const QString& surfacePath, QWidget* parent = nullptr);
    const LineOptions& Lines() const { return lines_; }
    const CrossingOptions& Crossings() const { return crossings_; }
    bool CompareNodes() const { return compareNodes_; }
    // The raster to compare with; empty for the surface of the main lines.
    const QString& SurfacePath() const { return surfacePath_; }

    QLineEdit* MaxDistance() const { return maxDistance_; }
    QLineEdit* MaxSlope() const { return maxSlope_; }
    QCheckBox* Nodes() const { return nodes_; }
    QLineEdit* Surface() const { return surface_; }

protected:
    bool Exchange() override;

private:
    LineOptions lines_;
    CrossingOptions crossings_;
    bool compareNodes_;
    QString surfacePath_;
    QLineEdit *maxDistance_, *maxSlope_, *surface_;
    QCheckBox* nodes_;
};

// "Flag Spikes": the filter's order, window and factor, the depth limits, the lines.
class SpikesDlg final : public QcDialog {
    Q_OBJECT
public:
    SpikesDlg(const SpikeOptions& options, QWidget* parent = nullptr);
    const SpikeOptions& Options() const { return options_; }

    QComboBox* Order() const { return order_; }
    QLineEdit* Window() const { return window_; }
    QLineEdit* WindowMetres() const { return windowMetres_; }
    QLineEdit* K() const { return k_; }
    QLineEdit* MinDepth() const { return minDepth_; }
    QLineEdit* MaxDepth() const { return maxDepth_; }

protected:
    bool Exchange() override;

private:
    bool ReadLimit(QLineEdit* field, std::optional<double>& out);

    SpikeOptions options_;
    QComboBox* order_;
    QLineEdit *window_, *windowMetres_, *k_, *minDepth_, *maxDepth_;
};

// A line for each S-44 order: the share of comparisons within its allowance, and whether
// that passes.
QString S44Lines(const CrossingStatistics& stats);
// The crossing statistics as the window tells them.
QString CrossingReport(const LineSet& lines, const CrossingResult& result);
// What Flag Spikes did, in a sentence or two.
QString SpikeReport(const SpikeResult& result);

// The dock of the survey lines: a table of the lines; choosing a row calls onChosen with
// the line.
class LinesDock final : public QDockWidget {
    Q_OBJECT
public:
    explicit LinesDock(QWidget* parent = nullptr);
    void SetLines(LineSet lines);
    const LineSet& Lines() const { return lines_; }
    QTableWidget* Table() const { return table_; }

    std::function<void(const SurveyLine&)> onChosen;

private:
    LineSet lines_;
    QTableWidget* table_;
};

}  // namespace aq::gui
