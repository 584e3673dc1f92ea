// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <optional>

#include "processing/crossings.h"
#include "processing/lines.h"
#include "render/surveyreport.h"

class QComboBox;
class QLabel;
class QTableView;

namespace aq::gui {

// What Edit > Quality Control > Crossings found, for the window to show.
struct CrossingsShown {
    size_t mainLines = 0, crossLines = 0, otherLines = 0;
    CrossingResult result;
    bool geographic = false;
    // The node comparison: whether one was asked for, its figures when there are some,
    // else why there are none.
    bool nodesAsked = false;
    std::optional<ReportNodes> nodes;
    QString noNodes;
};

// The crossings one a row, the allowance and the fraction of it taken as of one S-44
// order (Order() of the model).
class CrossingsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { East, North, MainLine, CrossLine, MainTime, CrossTime, Depth, Delta, Tvu, Fraction, Status, Count };

    CrossingsModel(const std::vector<Crossing>& crossings, bool geographic, QObject* parent = nullptr);
    void SetOrder(S44Order order);
    S44Order Order() const { return order_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A cell's text as the table shows it.
    QString Text(size_t row, int column) const;
    // The header and the rows as tab-separated lines, for the clipboard.
    QString TabText(const std::vector<size_t>& rows) const;

private:
    const std::vector<Crossing>& crossings_;
    bool geographic_;
    S44Order order_ = S44Order::Order2;
};

// The result of Crossings: the statistics of the crossings (and of the node comparison
// beside them, when there is one), the order achieved, and the table of the crossings,
// which can be copied or saved as CSV.
class CrossingsResultDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CrossingsResultDlg(CrossingsShown shown, QWidget* parent = nullptr);

    const CrossingsShown& Shown() const { return shown_; }
    CrossingsModel* Model() const { return model_; }
    QTableView* Table() const { return table_; }
    QComboBox* OrderChoice() const { return order_; }
    // The sentence over the figures, and a figure by its row's name ("Order achieved")
    // and column (0 the crossings, 1 the nodes); empty when there is no such figure.
    QString Headline() const;
    QString Figure(const QString& row, int column = 0) const;

    // Edit > Copy of the table: the chosen rows, or every row when none is chosen.
    QString CopyText() const;
    void Copy();

    // Save CSV...: where the shell asks for a file and writes it.
    std::function<void(const CrossingResult&)> onSave;

private:
    CrossingsShown shown_;
    CrossingsModel* model_;
    QTableView* table_;
    QComboBox* order_;
    QLabel* headline_;
    // The figures by row name, a value per column.
    std::vector<std::pair<QString, QStringList>> figures_;
};

}  // namespace aq::gui
