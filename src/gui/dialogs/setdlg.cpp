// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/setdlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "dialogs/colourbutton.h"
#include "dialogs/exportdlg.h"

namespace aq::gui {

CSetDlg::CSetDlg(const CVKDoc& doc, int32_t undoMegabytes, QWidget* parent)
    : ExchangeDialog(parent), doc_(doc), values_(PropertiesOf(doc)), undoMegabytes_(undoMegabytes) {
    setWindowTitle(QStringLiteral("General Properties"));
    setObjectName(QStringLiteral("CSetDlg"));
    auto* layout = new QHBoxLayout(this);

    // Left: the bands and their colours, and the presets.
    auto* banding = new QGroupBox(QStringLiteral("Colour Banding"), this);
    auto* grid = new QGridLayout(banding);
    for (size_t i = 0; i < 7; ++i) {
        labels_[i] = new QLineEdit(banding);
        labels_[i]->setReadOnly(true);
        labels_[i]->setFocusPolicy(Qt::NoFocus);
        labels_[i]->setMaximumWidth(90);
        buttons_[i] = new CColourButton(banding);
        buttons_[i]->SetColour(values_.Colours[i]);
        grid->addWidget(labels_[i], static_cast<int>(i), 0);
        grid->addWidget(buttons_[i], static_cast<int>(i), 1);
    }
    const char* presetNames[3] = {"Red/Yellow/Green", "Cyan/Blue/Magenta", "Set Default RGB"};
    for (size_t p = 0; p < 3; ++p) {
        presets_[p] = new QPushButton(QString::fromLatin1(presetNames[p]), banding);
        presets_[p]->setAutoDefault(false);
        grid->addWidget(presets_[p], 7 + static_cast<int>(p), 0, 1, 2);
        // A preset changes only the buttons; the document sees it with OK.
        connect(presets_[p], &QPushButton::clicked, this, [this, p] {
            const std::array<uint32_t, 7> colours = PresetColours(static_cast<ColourPreset>(p));
            for (size_t i = 0; i < 7; ++i) buttons_[i]->SetColour(colours[i]);
        });
    }
    layout->addWidget(banding);

    // Right: scheme, kinds shown, sizes, limit and animation speed.
    auto* right = new QVBoxLayout;
    auto* scheme = new QGroupBox(QStringLiteral("Colour Scheme"), this);
    auto* schemeLayout = new QVBoxLayout(scheme);
    const char* schemeNames[3] = {"Point Type", "Elevation", "Relative Quality"};
    for (size_t m = 0; m < 3; ++m) {
        schemes_[m] = new QRadioButton(QString::fromLatin1(schemeNames[m]), scheme);
        schemeLayout->addWidget(schemes_[m]);
        connect(schemes_[m], &QRadioButton::clicked, this, [this, m] { FillLabels(static_cast<int>(m)); });
    }
    const int mode = values_.ColourMode >= 0 && values_.ColourMode < 3 ? values_.ColourMode : 0;
    schemes_[static_cast<size_t>(mode)]->setChecked(true);
    right->addWidget(scheme);

    auto* display = new QGroupBox(QStringLiteral("Display"), this);
    auto* displayLayout = new QGridLayout(display);
    position_ = new QCheckBox(QStringLiteral("Position"), display);
    depth_ = new QCheckBox(QStringLiteral("Depth"), display);
    tide_ = new QCheckBox(QStringLiteral("Tide"), display);
    event_ = new QCheckBox(QStringLiteral("Event"), display);
    position_->setChecked(values_.ShowKinds & REC_POSITION);
    depth_->setChecked(values_.ShowKinds & REC_DEPTH);
    tide_->setChecked(values_.ShowKinds & REC_TIDE);
    event_->setChecked(values_.ShowKinds & REC_EVENT);
    displayLayout->addWidget(position_, 0, 0);
    displayLayout->addWidget(depth_, 0, 1);
    displayLayout->addWidget(tide_, 1, 0);
    displayLayout->addWidget(event_, 1, 1);
    right->addWidget(display);

    auto* form = new QFormLayout;
    textSize_ = new SpinField(TEXT_SIZE_SPIN_MIN, TEXT_SIZE_SPIN_MAX, values_.TextSize, this);
    boxSize_ = new SpinField(BOX_SIZE_SPIN_MIN, BOX_SIZE_SPIN_MAX, values_.BoxSize, this);
    interp_ = new QLineEdit(QString::number(values_.InterpLimit), this);
    interp_->setMaximumWidth(80);
    undo_ = new QLineEdit(QString::number(undoMegabytes_), this);
    undo_->setMaximumWidth(80);
    undo_->setToolTip(QStringLiteral("The memory the undo history may keep; its oldest steps are dropped beyond it"));
    animate_ = new QSlider(Qt::Horizontal, this);
    animate_->setRange(0, ANIMATE_SLIDER_MAX);
    animate_->setValue(values_.AnimateSlider);
    form->addRow(QStringLiteral("Draw Text Size"), textSize_);
    form->addRow(QStringLiteral("Draw box size"), boxSize_);
    form->addRow(QStringLiteral("Interp.Limit(secs)"), interp_);
    form->addRow(QStringLiteral("Undo memory (MB)"), undo_);
    form->addRow(QStringLiteral("Animate"), animate_);
    right->addLayout(form);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &CSetDlg::accept);
    connect(box, &QDialogButtonBox::rejected, this, &CSetDlg::reject);
    right->addStretch();
    right->addWidget(box);
    layout->addLayout(right);

    FillLabels(mode);
}

void CSetDlg::FillLabels(int mode) {
    const std::array<std::string, 7> labels = BandLabels(doc_, mode);
    for (size_t i = 0; i < 7; ++i) labels_[i]->setText(QString::fromStdString(labels[i]));
}

bool CSetDlg::Exchange() {
    GeneralProperties v = values_;
    for (size_t i = 0; i < 7; ++i) v.Colours[i] = buttons_[i]->Colour();
    for (size_t m = 0; m < 3; ++m)
        if (schemes_[m]->isChecked()) v.ColourMode = static_cast<int32_t>(m);
    // Beyond the spins, a typed size is taken as it is, within what drawing can take.
    if (!ReadInt(textSize_->Edit(), v.TextSize) ||
        !ReadIntBetween(textSize_->Edit(), SIZE_TYPED_MIN, SIZE_TYPED_MAX, v.TextSize) ||
        !ReadInt(boxSize_->Edit(), v.BoxSize) ||
        !ReadIntBetween(boxSize_->Edit(), SIZE_TYPED_MIN, SIZE_TYPED_MAX, v.BoxSize) ||
        !ReadUnsigned(interp_, v.InterpLimit))
        return false;
    int32_t undo = 0;
    if (!ReadUnsigned(undo_, undo)) return false;
    undoMegabytes_ = undo;
    v.ShowKinds = (position_->isChecked() ? REC_POSITION : 0) | (event_->isChecked() ? REC_EVENT : 0) |
                  (tide_->isChecked() ? REC_TIDE : 0) | (depth_->isChecked() ? REC_DEPTH : 0);
    v.AnimateSlider = animate_->value();
    values_ = v;
    return true;
}

}  // namespace aq::gui
