// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/crossingsresult.h"

#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace aq::gui {

// ---- the table ----

CrossingsModel::CrossingsModel(const std::vector<Crossing>& crossings, bool geographic, QObject* parent)
    : QAbstractTableModel(parent), crossings_(crossings), geographic_(geographic) {}

void CrossingsModel::SetOrder(S44Order order) {
    if (order == order_) return;
    order_ = order;
    if (!crossings_.empty())
        emit dataChanged(index(0, Tvu), index(static_cast<int>(crossings_.size()) - 1, Fraction));
    emit headerDataChanged(Qt::Horizontal, Tvu, Fraction);
}

int CrossingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::min<size_t>(crossings_.size(), INT32_MAX));
}

int CrossingsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count; }

QString CrossingsModel::Text(size_t row, int column) const {
    const Crossing& c = crossings_[row];
    switch (column) {
        case East: return QString::number(c.East, 'f', geographic_ ? 7 : 2);
        case North: return QString::number(c.North, 'f', geographic_ ? 7 : 2);
        case MainLine: return QString::number(c.MainLine);
        case CrossLine: return QString::number(c.CrossLine);
        case MainTime: return QString::fromStdString(MomentText(c.MainTime));
        case CrossTime: return QString::fromStdString(MomentText(c.CrossTime));
        case Depth: return QString::number(c.Depth, 'f', 2);
        case Delta: return QString::number(c.Delta, 'f', 3);
        case Tvu: return QString::number(aq::Tvu(order_, c.Depth), 'f', 3);
        case Fraction: return QString::number(c.Ratio(order_), 'f', 2);
        case Status:
            switch (c.Status) {
                case CrossingStatus::Accepted: return QStringLiteral("accepted");
                case CrossingStatus::TooFar: return QStringLiteral("rejected: sounding too far");
                case CrossingStatus::TooSteep: return QStringLiteral("rejected: too steep");
            }
            return {};
        default: return {};
    }
}

QVariant CrossingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= crossings_.size()) return {};
    const auto row = static_cast<size_t>(index.row());
    if (role == Qt::DisplayRole) return Text(row, index.column());
    if (role == Qt::TextAlignmentRole)
        return index.column() == MainTime || index.column() == CrossTime || index.column() == Status
                   ? int(Qt::AlignLeft | Qt::AlignVCenter)
                   : int(Qt::AlignRight | Qt::AlignVCenter);
    // A crossing beyond the allowance of the order shown stands out.
    if (role == Qt::ForegroundRole && index.column() == Fraction && crossings_[row].Status == CrossingStatus::Accepted &&
        crossings_[row].Ratio(order_) > 1)
        return QColor(0xC0, 0x00, 0x00);
    return {};
}

QVariant CrossingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    const QString order = QString::fromLatin1(S44Name(order_));
    switch (section) {
        case East: return geographic_ ? QStringLiteral("Longitude") : QStringLiteral("Easting");
        case North: return geographic_ ? QStringLiteral("Latitude") : QStringLiteral("Northing");
        case MainLine: return QStringLiteral("Main line");
        case CrossLine: return QStringLiteral("Crossline");
        case MainTime: return QStringLiteral("Main line time");
        case CrossTime: return QStringLiteral("Crossline time");
        case Depth: return QStringLiteral("Depth (m)");
        case Delta: return QStringLiteral("Difference (m)");
        case Tvu: return QStringLiteral("TVU %1 (m)").arg(order);
        case Fraction: return QStringLiteral("|Difference| / TVU");
        case Status: return QStringLiteral("Status");
        default: return {};
    }
}

QString CrossingsModel::TabText(const std::vector<size_t>& rows) const {
    QStringList head;
    for (int c = 0; c < Count; ++c) head << headerData(c, Qt::Horizontal).toString();
    QString text = head.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const size_t r : rows) {
        if (r >= crossings_.size()) continue;
        for (int c = 0; c < Count; ++c) {
            if (c > 0) text += QLatin1Char('\t');
            text += Text(r, c);
        }
        text += QLatin1Char('\n');
    }
    return text;
}

// ---- the dialog ----

namespace {

QString Metres(double v) { return QString::number(v, 'f', 3) + QStringLiteral(" m"); }

}  // namespace

CrossingsResultDlg::CrossingsResultDlg(CrossingsShown shown, QWidget* parent)
    : QDialog(parent), shown_(std::move(shown)) {
    setWindowTitle(QStringLiteral("Crossings"));
    setObjectName(QStringLiteral("CrossingsResultDlg"));
    setSizeGripEnabled(true);
    const CrossingResult& r = shown_.result;
    const CrossingStatistics& s = r.Stats;
    auto* layout = new QVBoxLayout(this);

    headline_ = new QLabel(this);
    headline_->setWordWrap(true);
    headline_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QString head = QStringLiteral("%1 main lines, %2 crosslines: %3 crossings, %4 accepted, %5 rejected.")
                       .arg(shown_.mainLines)
                       .arg(shown_.crossLines)
                       .arg(r.Crossings.size())
                       .arg(s.Count)
                       .arg(r.Rejected);
    if (s.Count == 0) head += QStringLiteral(" Every crossing was rejected: no statistics of them.");
    headline_->setText(head);
    layout->addWidget(headline_);

    // The figures: a column for the crossings, one for the nodes when they were compared.
    std::vector<const CrossingStatistics*> columns;
    QStringList names;
    if (s.Count > 0) {
        columns.push_back(&s);
        names << QStringLiteral("Crossings");
    }
    if (shown_.nodes) {
        columns.push_back(&shown_.nodes->stats);
        names << QStringLiteral("Nodes");
    }
    const auto add = [&](const QString& row, const auto& cell) {
        QStringList values;
        for (const CrossingStatistics* st : columns) values << cell(*st);
        figures_.emplace_back(row, values);
    };
    add(QStringLiteral("Compared"), [](const CrossingStatistics& st) { return QString::number(st.Count); });
    add(QStringLiteral("Bias (crossline minus main line)"), [](const CrossingStatistics& st) { return Metres(st.Mean); });
    add(QStringLiteral("Standard deviation"), [](const CrossingStatistics& st) { return Metres(st.StdDev); });
    add(QStringLiteral("RMS"), [](const CrossingStatistics& st) { return Metres(st.Rms); });
    add(QStringLiteral("95 % of |difference| within"), [](const CrossingStatistics& st) { return Metres(st.P95); });
    const size_t firstOrderRow = figures_.size();
    for (size_t o = 0; o < kS44Orders.size(); ++o)
        add(QStringLiteral("S-44 %1").arg(QString::fromLatin1(S44Name(kS44Orders[o]))),
            [o](const CrossingStatistics& st) {
                return QStringLiteral("%1 %, %2")
                    .arg(st.PercentWithin[o], 0, 'f', 1)
                    .arg(st.Pass[o] ? QStringLiteral("passes") : QStringLiteral("fails"));
            });
    add(QStringLiteral("Order achieved"), [](const CrossingStatistics& st) { return AchievedOrderName(st); });

    if (!columns.empty()) {
        auto* figures = new QHBoxLayout;
        const auto group = [&](const QString& title, size_t from, size_t to) {
            auto* box = new QGroupBox(title, this);
            auto* grid = new QGridLayout(box);
            for (int c = 0; c < names.size() && columns.size() > 1; ++c) {
                auto* name = new QLabel(QStringLiteral("<b>%1</b>").arg(names[c]), box);
                grid->addWidget(name, 0, c + 1, Qt::AlignRight);
            }
            for (size_t k = from; k < to; ++k) {
                const int row = static_cast<int>(k - from) + 1;
                const bool strong = figures_[k].first == QStringLiteral("Order achieved");
                auto* label = new QLabel(strong ? QStringLiteral("<b>%1</b>").arg(figures_[k].first) : figures_[k].first,
                                         box);
                grid->addWidget(label, row, 0);
                for (int c = 0; c < figures_[k].second.size(); ++c) {
                    auto* value = new QLabel(figures_[k].second[c], box);
                    if (strong) value->setText(QStringLiteral("<b>%1</b>").arg(figures_[k].second[c]));
                    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
                    grid->addWidget(value, row, c + 1, Qt::AlignRight);
                }
            }
            grid->setColumnStretch(0, 1);
            figures->addWidget(box, 1);
        };
        group(QStringLiteral("Differences"), 0, firstOrderRow);
        group(QStringLiteral("IHO S-44: share within TVU, 95 % passes"), firstOrderRow, figures_.size());
        layout->addLayout(figures);
        auto* sign = new QLabel(shown_.nodes ? QStringLiteral("A difference is the crossline's depth minus the main "
                                                              "line's (for the nodes, minus the surface's): positive "
                                                              "where the crossline finds the seabed deeper.")
                                             : QStringLiteral("A difference is the crossline's depth minus the main "
                                                              "line's: positive where the crossline finds the seabed "
                                                              "deeper."),
                                this);
        sign->setWordWrap(true);
        layout->addWidget(sign);
    }
    // What the node comparison compared, or why there is none.
    QString nodeText;
    if (shown_.nodes) {
        nodeText = QStringLiteral("Nodes: %1 of the crosslines' %2 soundings compared with %3.")
                       .arg(shown_.nodes->compared)
                       .arg(shown_.nodes->crossSoundings)
                       .arg(QString::fromStdString(shown_.nodes->against));
        if (!shown_.nodes->warning.empty()) nodeText += QLatin1Char(' ') + QString::fromStdString(shown_.nodes->warning);
    } else if (shown_.nodesAsked) {
        nodeText = QStringLiteral("No node comparison: ") + shown_.noNodes;
    }
    if (!nodeText.isEmpty()) {
        auto* nodes = new QLabel(nodeText, this);
        nodes->setObjectName(QStringLiteral("NodesNote"));
        nodes->setWordWrap(true);
        nodes->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(nodes);
    }

    // The table, with the allowance of the order chosen: the one achieved, else Order 2.
    auto* orderRow = new QHBoxLayout;
    auto* orderLabel = new QLabel(QStringLiteral("&TVU and fraction of order:"), this);
    order_ = new QComboBox(this);
    for (const S44Order o : kS44Orders)
        order_->addItem(QStringLiteral("S-44 %1").arg(QString::fromLatin1(S44Name(o))), static_cast<int>(o));
    orderLabel->setBuddy(order_);
    orderRow->addWidget(orderLabel);
    orderRow->addWidget(order_);
    orderRow->addStretch(1);
    layout->addLayout(orderRow);

    model_ = new CrossingsModel(shown_.result.Crossings, shown_.geographic, this);
    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setMinimumHeight(table_->fontMetrics().height() * 6);
    layout->addWidget(table_, 1);
    // Widths from the first rows: a survey's crossings may run to millions.
    table_->horizontalHeader()->setResizeContentsPrecision(200);
    connect(order_, &QComboBox::currentIndexChanged, this, [this](int i) {
        model_->SetOrder(static_cast<S44Order>(order_->itemData(i).toInt()));
        table_->resizeColumnsToContents();
    });
    const int achieved = AchievedOrder(s);
    const int initial = achieved < 0 ? static_cast<int>(kS44Orders.size()) - 1 : achieved;
    order_->setCurrentIndex(initial);
    model_->SetOrder(kS44Orders[static_cast<size_t>(initial)]);
    table_->resizeColumnsToContents();

    auto* copy = new QShortcut(QKeySequence::Copy, table_);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, &CrossingsResultDlg::Copy);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copyButton = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    copyButton->setToolTip(QStringLiteral("Copy the chosen rows, or every row, with the header, tab-separated"));
    QPushButton* save = buttons->addButton(QStringLiteral("&Save CSV..."), QDialogButtonBox::ActionRole);
    save->setToolTip(QStringLiteral("Save every crossing, with the allowance of each order, as CSV"));
    save->setEnabled(!r.Crossings.empty());
    connect(copyButton, &QPushButton::clicked, this, &CrossingsResultDlg::Copy);
    connect(save, &QPushButton::clicked, this, [this] {
        if (onSave) onSave(shown_.result);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // Room for every column of the table and a good many rows, within the screen.
    const QMargins margins = layout->contentsMargins();
    const int tableWidth = table_->verticalHeader()->sizeHint().width() + table_->horizontalHeader()->length() +
                           2 * table_->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                           margins.left() + margins.right() + 4;
    QSize size(std::max({sizeHint().width(), tableWidth, 700}), std::max(sizeHint().height() + 200, 600));
    if (const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        size = size.boundedTo(QSize(room.width() * 9 / 10, room.height() * 9 / 10));
    }
    resize(size);
}

QString CrossingsResultDlg::Headline() const { return headline_->text(); }

QString CrossingsResultDlg::Figure(const QString& row, int column) const {
    for (const auto& [name, values] : figures_)
        if (name == row) return column >= 0 && column < values.size() ? values[column] : QString();
    return {};
}

QString CrossingsResultDlg::CopyText() const {
    std::vector<size_t> rows;
    if (const QItemSelectionModel* chosen = table_->selectionModel())
        for (const QModelIndex& i : chosen->selectedRows()) rows.push_back(static_cast<size_t>(i.row()));
    if (rows.empty()) {
        rows.resize(shown_.result.Crossings.size());
        for (size_t k = 0; k < rows.size(); ++k) rows[k] = k;
    }
    std::sort(rows.begin(), rows.end());
    return model_->TabText(rows);
}

void CrossingsResultDlg::Copy() {
    if (QClipboard* clipboard = QApplication::clipboard()) clipboard->setText(CopyText());
}

}  // namespace aq::gui
