// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/exportdlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/commands.h"
#include "shell/qtuserport.h"

namespace aq::gui {

SpinField::SpinField(int min, int max, int value, QWidget* parent) : QWidget(parent), min_(min), max_(max) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    edit_ = new QLineEdit(QString::number(value), this);
    edit_->setMaximumWidth(64);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(0);
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    for (QToolButton* b : {up, down}) b->setFixedSize(16, 11);
    buttons->addWidget(up);
    buttons->addWidget(down);
    row->addWidget(edit_);
    row->addLayout(buttons);
    row->addStretch();
    connect(up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
}

QString SpinField::Text() const { return edit_->text(); }
void SpinField::SetText(const QString& text) { edit_->setText(text); }

void SpinField::Step(int by) {
    bool ok = false;
    const int v = edit_->text().trimmed().toInt(&ok);
    edit_->setText(QString::number(std::clamp(ok ? v + by : min_, min_, max_)));
}

CExportDlg::CExportDlg(bool layerCountEnabled, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export Entity Selection"));
    setObjectName(QStringLiteral("CExportDlg"));
    auto* layout = new QVBoxLayout(this);
    position_ = new QCheckBox(QStringLiteral("Position ( Interpolated Depth and Tide )"), this);
    depth_ = new QCheckBox(QStringLiteral("Depth ( Interpolated Position and Tide )"), this);
    tide_ = new QCheckBox(QStringLiteral("Tide ( Interpolated Depth and Position )"), this);
    events_ = new QCheckBox(QStringLiteral("Events (Interpolated Position)"), this);
    for (QCheckBox* c : {position_, depth_, tide_, events_}) {
        c->setChecked(true);
        layout->addWidget(c);
    }
    auto* form = new QFormLayout;
    layers_ = new SpinField(MIN_DXF_LAYERS, MAX_DXF_LAYERS, 1, this);
    layers_->setEnabled(layerCountEnabled);
    kmlTitle_ = new QLineEdit(QStringLiteral("Aquenta"), this);
    form->addRow(QStringLiteral("No of DXF point layers"), layers_);
    form->addRow(QStringLiteral("KML Title"), kmlTitle_);
    layout->addLayout(form);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CExportDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CExportDlg::reject);
    layout->addWidget(box);
}

QString CExportDlg::Validate() {
    ExportSelection s;
    // A disabled field is not read, as the dialog exchanges only what it shows.
    if (layers_->isEnabled()) {
        std::string message;
        if (!ParseDxfLayerCount(layers_->Text().toStdString(), s.DxfLayerCount, message))
            return QString::fromStdString(message);
    }
    s.KmlTitle = kmlTitle_->text().toStdString();
    s.EntityMask = EntityMaskOf(position_->isChecked(), depth_->isChecked(), tide_->isChecked(), events_->isChecked());
    selection_ = s;
    return {};
}

void CExportDlg::accept() {
    const QString refusal = Validate();
    if (refusal.isEmpty()) return QDialog::accept();
    if (onRefusal)
        onRefusal(refusal);
    else
        QMessageBox::warning(this, QtUserPort::BoxTitle(), refusal);
    layers_->Edit()->setFocus();
    layers_->Edit()->selectAll();
}

}  // namespace aq::gui
