// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QLineEdit;

namespace aq::gui {

// A dialog that exchanges values with its fields on OK, refusing text its fields cannot
// take with our fixed messages ("Please enter an integer.", "Please enter a
// number.", "... between %1 and %2."); a refusal keeps the dialog open with the
// offending field selected.
class ExchangeDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Reads every field as OK does: the refusal text, or empty when all passed (and the
    // dialog's values are then the fields').
    QString Validate();
    // The field the last refusal named.
    QWidget* Offending() const { return offending_; }

    // Tests take the refusals here instead of a message box.
    std::function<void(const QString&)> onRefusal;

public slots:
    void accept() override;

protected:
    // Reads the fields into the dialog's values; false after a Refuse.
    virtual bool Exchange() = 0;
    // Validates; a refusal is shown and its field selected. True when all passed.
    bool Check();
    // Called with the offending field before it is selected (a page may need showing).
    virtual void Reveal(QWidget* /*field*/) {}
    // What a field is called, to head the plain refusals ("Please enter ...") of a
    // dialog with many fields: "Window (soundings): please enter ...". Empty leaves the
    // refusal as it is.
    virtual QString FieldName(QWidget* /*field*/) const { return {}; }

    bool Refuse(QWidget* field, const QString& text);

    // The readers of the field exchange; each refuses the field on bad text.
    bool ReadInt(QLineEdit* field, int32_t& out);
    bool ReadIntBetween(QLineEdit* field, int64_t min, int64_t max, int32_t& out);
    bool ReadUnsigned(QLineEdit* field, int32_t& out);
    bool ReadNumber(QLineEdit* field, double& out);
    bool ReadNumberBetween(QLineEdit* field, double min, double max, double& out);

private:
    QString refusal_;
    QWidget* offending_ = nullptr;
};

// A real number as the dialogs show it: up to 15 significant digits, shortest form.
QString ShowReal(double v);

// The number and integer readers on their own, for fields outside an ExchangeDialog.
bool ParseNumber(const QString& text, double& out);
bool ParseInteger(const QString& text, int64_t& out);

}  // namespace aq::gui
