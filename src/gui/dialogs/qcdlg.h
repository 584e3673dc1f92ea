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
class QLabel;
class QTabWidget;

namespace aq::gui {

// The dialogs of Edit > Quality Control share the fields that cut the track into lines.
// Beside a dialog's own fields they go on a page of their own, so every dialog stays
// short enough for a small or magnified screen; a refusal names its field and shows its
// page.
class QcDialog : public ExchangeDialog {
    Q_OBJECT
public:
    using ExchangeDialog::ExchangeDialog;

    QLineEdit* TurnAngle() const { return turn_; }
    QLineEdit* CrossLines() const { return cross_; }
    // The pages of the dialog's own fields and of the line fields; null for Lines, which
    // has only the latter.
    QTabWidget* Pages() const { return pages_; }

protected:
    // Adds the line fields, filled from `o`, as rows of the form.
    void AddLineFields(QFormLayout* form, const LineOptions& o);
    bool ReadLineFields(LineOptions& o);
    // The group of line fields, then the OK and Cancel buttons, at the end of the layout.
    void AddLinesAndButtons(QVBoxLayout* layout, const LineOptions& o);
    // The dialog's own fields on the page `page` named `title`, the line fields on a
    // second page, then the OK and Cancel buttons.
    void AddPagesAndButtons(QVBoxLayout* layout, QWidget* page, const QString& title, const LineOptions& o);
    // The two limits of a usable crossing, as rows of the form.
    void AddCrossingLimits(QFormLayout* form, QWidget* parent, const CrossingOptions& o, QLineEdit*& maxDistance,
                           QLineEdit*& maxSlope);
    bool ReadCrossingLimits(QLineEdit* maxDistance, QLineEdit* maxSlope, CrossingOptions& o);
    // Whether the crosslines' soundings are also compared with a surface, and which (a
    // raster, or empty for the main lines' own), as rows of the form.
    void AddNodeFields(QFormLayout* form, QWidget* parent, bool compare, const QString& surfacePath,
                       QCheckBox*& nodes, QLineEdit*& surface);

    void Reveal(QWidget* field) override;
    QString FieldName(QWidget* field) const override;

private:
    QLineEdit *turn_ = nullptr, *turnDistance_ = nullptr, *gap_ = nullptr, *gapDistance_ = nullptr,
              *minLength_ = nullptr, *tolerance_ = nullptr, *cross_ = nullptr;
    QCheckBox* events_ = nullptr;
    QTabWidget* pages_ = nullptr;
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

// "Crossings": the limits of a usable crossing, where the CSV goes, whether the
// crosslines' soundings are also compared with a surface (and which), the lines.
class CrossingsDlg final : public QcDialog {
    Q_OBJECT
public:
    CrossingsDlg(const LineOptions& lines, const CrossingOptions& crossings, bool compareNodes = false,
                 const QString& surfacePath = {}, QWidget* parent = nullptr);
    const LineOptions& Lines() const { return lines_; }
    const CrossingOptions& Crossings() const { return crossings_; }
    // The CSV to write, empty for none.
    const QString& CsvPath() const { return csvPath_; }

    QLineEdit* MaxDistance() const { return maxDistance_; }
    QLineEdit* MaxSlope() const { return maxSlope_; }
    QLineEdit* Csv() const { return csv_; }
    // Also compare every crossline sounding with a surface of the main lines.
    bool CompareNodes() const { return compareNodes_; }
    // The raster to compare with; empty for the surface of the main lines.
    const QString& SurfacePath() const { return surfacePath_; }
    QCheckBox* Nodes() const { return nodes_; }
    QLineEdit* Surface() const { return surface_; }

protected:
    bool Exchange() override;

private:
    LineOptions lines_;
    CrossingOptions crossings_;
    QString csvPath_;
    bool compareNodes_ = false;
    QString surfacePath_;
    QLineEdit *maxDistance_, *maxSlope_, *csv_, *surface_;
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

// What Flag Spikes did, in a sentence or two.
QString SpikeReport(const SpikeResult& result);

// The dock of the survey lines: a table of the lines. Choosing a row calls onChosen with
// the line, taking the choice away (Escape, or a click with Ctrl) calls onCleared, and
// so does a new table.
class LinesDock final : public QDockWidget {
    Q_OBJECT
public:
    explicit LinesDock(QWidget* parent = nullptr);
    // The lines and the options they were found with; `note` says why there are none.
    void SetLines(LineSet lines, const LineOptions& options, const QString& note = {});
    const LineSet& Lines() const { return lines_; }
    const LineOptions& Options() const { return options_; }
    QTableWidget* Table() const { return table_; }
    // The line chosen in the table, or null.
    const SurveyLine* Chosen() const;

    // The survey changed while the dock was closed: the table is refilled when it opens.
    bool Stale() const { return stale_; }
    void SetStale(bool stale) { stale_ = stale; }
    // What the dock says above the table: why there are no lines, or nothing.
    QString Note() const;

    std::function<void(const SurveyLine&)> onChosen;
    std::function<void()> onCleared;

private:
    LineSet lines_;
    LineOptions options_;
    bool stale_ = false;
    QTableWidget* table_;
    QLabel* note_;
};

}  // namespace aq::gui
