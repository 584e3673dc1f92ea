// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/showdlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <QVBoxLayout>

#include "dialogs/editdlg.h"
#include "export/textformats.h"
#include "views/pointedit.h"

namespace aq::gui {

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
    int widest = list_->fontMetrics().horizontalAdvance(QString(64, 'x'));
    for (int i = 0; i < list_->count(); ++i)
        widest = std::max(widest, list_->fontMetrics().horizontalAdvance(list_->item(i)->text()));
    list_->setMinimumSize(widest + list_->verticalScrollBar()->sizeHint().width() + 4 * list_->frameWidth() + 8, 240);
    layout->addWidget(list_, 1);

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
