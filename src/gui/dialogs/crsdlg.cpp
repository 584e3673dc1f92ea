// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/crsdlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/doc.h"
#include "surface/convertcrs.h"
#include "surface/crs.h"

namespace aq::gui {

CCrsDlg::CCrsDlg(const CVKDoc& doc, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Convert to Coordinate System"));
    setObjectName(QStringLiteral("CCrsDlg"));
    sourceRefusal_ = QString::fromStdString(surface::ConversionSourceRefusal(doc));

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* current = new QLabel(QString::fromStdString(surface::DocumentCrs(doc).name), this);
    current->setObjectName(QStringLiteral("CurrentCrs"));
    current->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Current system:"), current);
    code_ = new QLineEdit(this);
    code_->setObjectName(QStringLiteral("EpsgCode"));
    code_->setPlaceholderText(QStringLiteral("EPSG:32631"));
    code_->setMinimumWidth(260);
    form->addRow(QStringLiteral("EPSG code:"), code_);
    target_ = new QLabel(this);
    target_->setObjectName(QStringLiteral("TargetCrs"));
    target_->setWordWrap(true);
    target_->setMinimumHeight(target_->fontMetrics().height() * 3);
    target_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->addRow(QStringLiteral("System:"), target_);
    layout->addLayout(form);

    // Grid coordinates that are in a known system already only need it recorded.
    declare_ = new QCheckBox(QStringLiteral("The positions are in this system already (record it, do not convert)"),
                             this);
    declare_->setObjectName(QStringLiteral("DeclareOnly"));
    declare_->setEnabled(!doc.IsGeographic());
    layout->addWidget(declare_);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = box->button(QDialogButtonBox::Ok);
    connect(box, &QDialogButtonBox::accepted, this, &CCrsDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CCrsDlg::reject);
    layout->addWidget(box);

    connect(code_, &QLineEdit::textChanged, this, &CCrsDlg::Check);
    connect(declare_, &QCheckBox::toggled, this, &CCrsDlg::Check);
    Check();
}

QString CCrsDlg::Code() const {
    const int code = surface::ParseEpsgCode(code_->text().toStdString());
    return code > 0 ? QStringLiteral("EPSG:%1").arg(code) : QString();
}

bool CCrsDlg::DeclareOnly() const { return declare_->isEnabled() && declare_->isChecked(); }

void CCrsDlg::Check() {
    bool ok = false;
    QString text;
    if (code_->text().trimmed().isEmpty()) {
        text = QStringLiteral("Type the EPSG code of a projected system: 32631 for UTM zone 31N, 27700 for the "
                              "British National Grid.");
    } else if (Code().isEmpty()) {
        text = QStringLiteral("An EPSG code is a number, as 32631 or EPSG:32631.");
    } else {
        const surface::GridCrsCheck check = surface::ExamineGridCrs(Code().toStdString(), false);
        if (!check.ok) {
            text = QString::fromStdString(check.why);
        } else if (!DeclareOnly() && !sourceRefusal_.isEmpty()) {
            text = QString::fromStdString(check.name) + QStringLiteral("\n") + sourceRefusal_;
        } else {
            text = QString::fromStdString(check.name);
            ok = true;
        }
    }
    target_->setText(text);
    ok_->setEnabled(ok);
}

}  // namespace aq::gui
