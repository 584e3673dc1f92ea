// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/exchangedlg.h"

#include <QLineEdit>
#include <QMessageBox>
#include <cmath>

#include "ui/commands.h"
#include "shell/qtuserport.h"

namespace aq::gui {

QString ShowReal(double v) { return QString::asprintf("%.*g", 15, v); }

bool ParseNumber(const QString& text, double& out) {
    const QString t = text.trimmed();
    bool ok = false;
    const double v = t.toDouble(&ok);
    // toDouble also takes "inf" and "nan", which no field can hold.
    if (!ok || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool ParseInteger(const QString& text, int64_t& out) {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok) return false;
    out = v;
    return true;
}

QString ExchangeDialog::Validate() {
    refusal_.clear();
    offending_ = nullptr;
    if (!Exchange() && refusal_.isEmpty()) refusal_ = QStringLiteral("Please enter a number.");
    if (offending_ && refusal_.startsWith(QStringLiteral("Please "))) {
        if (const QString name = FieldName(offending_); !name.isEmpty())
            refusal_ = name + QStringLiteral(": p") + refusal_.mid(1);
    }
    return refusal_;
}

void ExchangeDialog::accept() {
    if (Check()) QDialog::accept();
}

bool ExchangeDialog::Check() {
    const QString refusal = Validate();
    if (refusal.isEmpty()) return true;
    if (onRefusal)
        onRefusal(refusal);
    else
        QMessageBox::warning(this, QtUserPort::BoxTitle(), refusal);
    if (offending_) {
        Reveal(offending_);
        offending_->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(offending_)) edit->selectAll();
    }
    return false;
}

bool ExchangeDialog::Refuse(QWidget* field, const QString& text) {
    refusal_ = text;
    offending_ = field;
    return false;
}

bool ExchangeDialog::ReadInt(QLineEdit* field, int32_t& out) {
    int64_t v = 0;
    if (!ParseInteger(field->text(), v) || v < INT32_MIN || v > INT32_MAX)
        return Refuse(field, QStringLiteral("Please enter an integer."));
    out = static_cast<int32_t>(v);
    return true;
}

bool ExchangeDialog::ReadIntBetween(QLineEdit* field, int64_t min, int64_t max, int32_t& out) {
    int64_t v = 0;
    if (!ParseInteger(field->text(), v) || v < min || v > max)
        return Refuse(field, QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max));
    out = static_cast<int32_t>(v);
    return true;
}

bool ExchangeDialog::ReadUnsigned(QLineEdit* field, int32_t& out) {
    int64_t v = 0;
    const QString t = field->text().trimmed();
    if (t.startsWith('-') || !ParseInteger(t, v) || v < 0 || v > INT32_MAX)
        return Refuse(field, QStringLiteral("Please enter a positive integer."));
    out = static_cast<int32_t>(v);
    return true;
}

bool ExchangeDialog::ReadNumber(QLineEdit* field, double& out) {
    if (!ParseNumber(field->text(), out)) return Refuse(field, QStringLiteral("Please enter a number."));
    return true;
}

bool ExchangeDialog::ReadNumberBetween(QLineEdit* field, double min, double max, double& out) {
    double v = 0;
    if (!ParseNumber(field->text(), v)) return Refuse(field, QStringLiteral("Please enter a number."));
    if (v < min || v > max)
        return Refuse(field, QStringLiteral("Please enter a number between %1 and %2.").arg(ShowReal(min), ShowReal(max)));
    out = v;
    return true;
}

}  // namespace aq::gui
