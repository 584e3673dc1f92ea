// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/formimportdlg.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace aq::gui {

CFormImportDlg::CFormImportDlg(UserPort& port, QWidget* parent) : ExchangeDialog(parent), port_(port) {
    setWindowTitle(QStringLiteral("Import Formatted File"));
    setObjectName(QStringLiteral("CFormImportDlg"));
    auto* layout = new QHBoxLayout(this);

    auto* positions = new QGroupBox(QStringLiteral("Column Positions"), this);
    auto* form = new QFormLayout(positions);
    for (int c = 0; c < LAYOUT_COLUMNS; ++c) {
        auto* edit = new QLineEdit(QStringLiteral("0"), positions);
        edit->setMaximumWidth(60);
        columns_[static_cast<size_t>(c)] = edit;
        form->addRow(QString::fromLatin1(LayoutColumnLabel(static_cast<LayoutColumn>(c))), edit);
    }
    layout->addWidget(positions);

    auto* right = new QVBoxLayout;
    auto* type = new QGroupBox(QStringLiteral("Data Type"), this);
    auto* typeLayout = new QVBoxLayout(type);
    for (int32_t t = LAYOUT_COORDINATE; t <= LAYOUT_TIDE; ++t) {
        auto* radio = new QRadioButton(QString::fromLatin1(LayoutTypeName(t)), type);
        types_[static_cast<size_t>(t)] = radio;
        typeLayout->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this, [this, t] { ChooseType(t); });
    }
    right->addWidget(type);

    auto* format = new QGroupBox(QStringLiteral("Format"), this);
    auto* formatLayout = new QFormLayout(format);
    description_ = new QLineEdit(format);
    description_->setMinimumWidth(200);
    formatLayout->addRow(QStringLiteral("Description"), description_);
    auto* files = new QHBoxLayout;
    load_ = new QPushButton(QStringLiteral("Load"), format);
    save_ = new QPushButton(QStringLiteral("Save"), format);
    for (QPushButton* b : {load_, save_}) {
        b->setAutoDefault(false);
        files->addWidget(b);
    }
    formatLayout->addRow(files);
    right->addWidget(format);
    connect(load_, &QPushButton::clicked, this, &CFormImportDlg::Load);
    connect(save_, &QPushButton::clicked, this, &CFormImportDlg::Save);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CFormImportDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CFormImportDlg::reject);
    right->addStretch();
    right->addWidget(box);
    layout->addLayout(right);

    save_->setEnabled(false);  // nothing to save until there is a type
    UpdateEnabling();
}

void CFormImportDlg::UpdateEnabling() {
    for (int c = 0; c < LAYOUT_COLUMNS; ++c)
        columns_[static_cast<size_t>(c)]->setEnabled(LayoutColumnEnabled(layout_.TypeIndex, static_cast<LayoutColumn>(c)));
}

void CFormImportDlg::ShowLayout() {
    for (int c = 0; c < LAYOUT_COLUMNS; ++c)
        columns_[static_cast<size_t>(c)]->setText(QString::number(layout_.Columns[static_cast<size_t>(c)]));
    description_->setText(QString::fromStdString(layout_.Description));
}

bool CFormImportDlg::ReadFields() {
    CFormImport l = layout_;
    for (int c = 0; c < LAYOUT_COLUMNS; ++c)
        if (!ReadIntBetween(columns_[static_cast<size_t>(c)], 0, LAYOUT_MAX_COLUMN, l.Columns[static_cast<size_t>(c)]))
            return false;
    l.Description = description_->text().toStdString();
    layout_ = l;
    return true;
}

void CFormImportDlg::ChooseType(int32_t typeIndex) {
    layout_.SetType(typeIndex);
    // The fields are read as they stand; a number out of range waits for OK.
    Validate();
    UpdateEnabling();
    save_->setEnabled(true);
}

bool CFormImportDlg::Exchange() {
    if (!ReadFields()) return false;
    layout_.UpdateMaxColumn();
    return true;
}

QString CFormImportDlg::Choose(bool save) {
    if (choosePath) return choosePath(save);
    QFileDialog dialog(this, save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral("*.fmt"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) dialog.setDefaultSuffix(QStringLiteral("fmt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void CFormImportDlg::Load() {
    const QString path = Choose(false);
    if (path.isEmpty()) return;
    // What was read before a fault stays, as the fields show.
    LoadLayout(layout_, path.toStdString(), port_);
    ShowLayout();
    UpdateEnabling();
    save_->setEnabled(true);
}

void CFormImportDlg::Save() {
    if (!Check()) return;
    const QString path = Choose(true);
    if (path.isEmpty()) return;
    SaveLayout(layout_, path.toStdString(), port_);
}

}  // namespace aq::gui
