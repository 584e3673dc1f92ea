// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/editdlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace aq::gui {

namespace {

constexpr const char* kFieldLabels[POINT_FIELD_COUNT] = {"X value", "Y value", "Z value", "Depth", "Tide"};
constexpr PointType kTypes[4] = {PointType::Depth, PointType::Position, PointType::Tide, PointType::Event};
constexpr const char* kTypeLabels[4] = {"Depth", "Position", "Tide", "Event"};

}  // namespace

CVKEditDlg::CVKEditDlg(CVKData& record, QWidget* parent)
    : ExchangeDialog(parent), record_(record) {
    setWindowTitle(QStringLiteral("Point Editor"));
    setObjectName(QStringLiteral("CVKEditDlg"));
    auto* layout = new QHBoxLayout(this);
    auto* form = new QFormLayout;
    const std::array<std::string, POINT_FIELD_COUNT> texts = PointFieldTexts(record);
    for (int f = 0; f < POINT_FIELD_COUNT; ++f) {
        const auto field = static_cast<PointField>(f);
        auto* edit = new QLineEdit(QString::fromStdString(texts[static_cast<size_t>(f)]), this);
        edit->setObjectName(QString::fromLatin1(kFieldLabels[f]));
        edit->setMinimumWidth(160);
        edit->setEnabled(PointFieldEnabled(record.Flags, field));
        opening_[static_cast<size_t>(f)] = edit->text();
        // Only the user's typing counts as a change; filling the fields does not.
        connect(edit, &QLineEdit::textEdited, this, [this, field] { UserEdited(field); });
        fields_[static_cast<size_t>(f)] = edit;
        form->addRow(QString::fromLatin1(kFieldLabels[f]), edit);
    }
    layout->addLayout(form);

    auto* right = new QVBoxLayout;
    auto* type = new QGroupBox(QStringLiteral("Type"), this);
    auto* typeLayout = new QVBoxLayout(type);
    auto* group = new QButtonGroup(this);
    for (size_t i = 0; i < 4; ++i) {
        types_[i] = new QRadioButton(QString::fromLatin1(kTypeLabels[i]), type);
        types_[i]->setEnabled(false);  // shows the kind; not a choice
        group->addButton(types_[i]);
        typeLayout->addWidget(types_[i]);
    }
    group->setExclusive(false);
    right->addWidget(type);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    connect(box, &QDialogButtonBox::accepted, this, &CVKEditDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CVKEditDlg::reject);
    right->addWidget(box);
    right->addStretch();
    layout->addLayout(right);
    ShowType(PointTypeOf(record.Flags));
}

QRadioButton* CVKEditDlg::TypeButton(PointType t) const {
    for (size_t i = 0; i < 4; ++i)
        if (kTypes[i] == t) return types_[i];
    return nullptr;
}

void CVKEditDlg::ShowType(PointType t) {
    shown_ = t;
    for (size_t i = 0; i < 4; ++i) types_[i]->setChecked(kTypes[i] == t);
}

void CVKEditDlg::UserEdited(PointField f) {
    if (!ChangeMakesPosition(shown_, f)) return;
    // An event given a position becomes a positioned event without a value.
    fields_[FIELD_DEPTH]->setText(QStringLiteral("0"));
    ShowType(PointType::Position);
}

bool CVKEditDlg::Exchange() {
    PointEditResult result;
    result.shown = shown_;
    for (int f = 0; f < POINT_FIELD_COUNT; ++f) {
        QLineEdit* edit = fields_[static_cast<size_t>(f)];
        if (edit->text() == opening_[static_cast<size_t>(f)]) continue;
        double v = 0;
        if (!ReadNumber(edit, v)) return false;
        const std::string refusal = PointValueRefusal(record_, static_cast<PointField>(f), v);
        if (!refusal.empty()) return Refuse(edit, QString::fromStdString(refusal));
        result.changed[static_cast<size_t>(f)] = v;
    }
    result_ = result;
    return true;
}

void CVKEditDlg::accept() {
    ExchangeDialog::accept();
    if (result() == QDialog::Accepted) ApplyPointEdit(record_, result_);
}

}  // namespace aq::gui
