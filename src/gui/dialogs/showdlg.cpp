// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/showdlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <iterator>
#include <QVBoxLayout>

#include "dialogs/editdlg.h"
#include "export/textformats.h"
#include "views/pointedit.h"

namespace aq::gui {

QString ListingHeadings(bool geographic, const QString& sample) {
    const char* names[] = {"T", geographic ? "Lon" : "X", geographic ? "Lat" : "Y", "Z", "Depth", "Tide", "QA"};
    // Where each field of the sample ends.
    std::vector<qsizetype> ends;
    for (qsizetype i = 0; i < sample.size(); ++i)
        if (sample[i] != QLatin1Char(' ') && (i + 1 == sample.size() || sample[i + 1] == QLatin1Char(' ')))
            ends.push_back(i + 1);
    if (ends.size() > std::size(names)) {
        QString h;
        for (size_t k = 0; k < std::size(names); ++k) {
            const QString name = QString::fromLatin1(names[k]);
            const qsizetype at = std::max(h.size() + (k ? 1 : 0), ends[k] - name.size());
            h += QString(at - h.size(), QLatin1Char(' ')) + name;
        }
        return h + QStringLiteral(" Date and time");
    }
    // The narrowest widths of the columns: kind, X, Y, Z, depth, tide, quality, then time.
    const int xy = geographic ? 12 : 8;
    QString h = QStringLiteral("T");
    const auto column = [&h](const char* name, int width) {
        h += QLatin1Char(' ') + QString::fromLatin1(name).rightJustified(width, QLatin1Char(' '));
    };
    column(geographic ? "Lon" : "X", xy);
    column(geographic ? "Lat" : "Y", xy);
    column("Z", 6);
    column("Depth", 6);
    column("Tide", 6);
    column("QA", 3);
    h += QStringLiteral(" Date and time");
    return h;
}

CShowDlg::CShowDlg(CVKDoc& doc, std::vector<int32_t> indices, QWidget* parent)
    : QDialog(parent), doc_(doc), indices_(std::move(indices)) {
    setWindowTitle(QStringLiteral("Point Information"));
    setObjectName(QStringLiteral("CShowDlg"));
    auto* layout = new QHBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The lines are columns of figures.
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (const std::string& line : ListingLines(doc_, indices_)) list_->addItem(QString::fromStdString(line));
    // Column headings over the figures, in the list's font and at its indent.
    QString sample;
    for (int i = 0; i < list_->count() && sample.isEmpty(); ++i)
        if (!list_->item(i)->text().startsWith(QLatin1String("Deleted"))) sample = list_->item(i)->text();
    headings_ = new QLabel(ListingHeadings(doc_.IsGeographic(), sample), this);
    headings_->setObjectName(QStringLiteral("headings"));
    headings_->setFont(list_->font());
    headings_->setContentsMargins(list_->frameWidth() + 2, 0, 0, 0);
    headings_->setTextFormat(Qt::PlainText);
    int widest = list_->fontMetrics().horizontalAdvance(QString(64, 'x'));
    for (int i = 0; i < list_->count(); ++i)
        widest = std::max(widest, list_->fontMetrics().horizontalAdvance(list_->item(i)->text()));
    list_->setMinimumSize(widest + list_->verticalScrollBar()->sizeHint().width() + 4 * list_->frameWidth() + 8, 240);
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(headings_);
    column->addWidget(list_, 1);
    layout->addLayout(column, 1);

    auto* buttons = new QVBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    edit_ = new QPushButton(QStringLiteral("Edit"), this);
    edit_->setEnabled(false);
    buttons->addWidget(ok);
    buttons->addWidget(edit_);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CShowDlg::accept);
    // Once a line has been chosen, Edit stays available.
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!list_->selectedItems().isEmpty()) edit_->setEnabled(true);
    });
    connect(edit_, &QPushButton::clicked, this, [this] {
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        if (!selected.isEmpty()) EditLine(list_->row(selected.first()));
    });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { EditLine(list_->row(item)); });
}

void CShowDlg::EditLine(int row) {
    if (row < 0 || static_cast<size_t>(row) >= indices_.size()) return;
    CVKData& record = doc_.Records[static_cast<size_t>(indices_[static_cast<size_t>(row)])];
    CVKEditDlg editor(record, this);
    const bool ok = runEditor ? runEditor(editor) : editor.exec() == QDialog::Accepted;
    if (!ok) return;
    delete list_->takeItem(row);
    list_->insertItem(row, QString::fromStdString(AsciiLine(record, doc_.IsGeographic())));
    list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    changed_ = true;
}

}  // namespace aq::gui
