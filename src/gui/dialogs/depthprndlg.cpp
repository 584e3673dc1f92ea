// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/depthprndlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "dialogs/exportdlg.h"
#include "ui/commands.h"
#include "shell/qtuserport.h"

namespace aq::gui {

CDepthPrnDlg::CDepthPrnDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Time Series Printing Dialog"));
    setObjectName(QStringLiteral("CDepthPrnDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    title_ = new QLineEdit(QString::fromStdString(settings_.title), this);
    title_->setMinimumWidth(240);
    pages_ = new SpinField(1, 100, 1, this);
    form->addRow(QStringLiteral("Title"), title_);
    form->addRow(QStringLiteral("Number of Pages in Width"), pages_);
    layout->addLayout(form);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CDepthPrnDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CDepthPrnDlg::reject);
    layout->addWidget(box);
}

QString CDepthPrnDlg::Validate() {
    bool ok = false;
    const int pages = pages_->Text().trimmed().toInt(&ok);
    if (!ok) return QStringLiteral("Please enter an integer.");
    // Outside the spin range a job would print no page at all, or thousands.
    if (pages < 1 || pages > 100) return QStringLiteral("Please enter an integer between 1 and 100.");
    settings_.title = title_->text().toStdString();
    settings_.pages = pages;
    return {};
}

void CDepthPrnDlg::accept() {
    const QString refusal = Validate();
    if (refusal.isEmpty()) return QDialog::accept();
    if (onRefusal)
        onRefusal(refusal);
    else
        QMessageBox::warning(this, QtUserPort::BoxTitle(), refusal);
    pages_->Edit()->setFocus();
    pages_->Edit()->selectAll();
}

}  // namespace aq::gui
