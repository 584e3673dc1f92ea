// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/colourbutton.h"

#include <QColorDialog>
#include <QPainter>

namespace aq::gui {

CColourButton::CColourButton(QWidget* parent) : QPushButton(parent) {
    setMinimumSize(48, 20);
    connect(this, &QPushButton::clicked, this, &CColourButton::Choose);
}

uint32_t CColourButton::FromQColor(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

void CColourButton::SetColour(uint32_t colour) {
    colour_ = colour & 0xFFFFFF;
    set_ = true;
    update();
}

void CColourButton::Choose() {
    std::optional<QColor> chosen;
    if (chooser) {
        chosen = chooser(ToQColor(colour_));
    } else {
        const QColor c = QColorDialog::getColor(ToQColor(colour_), this);
        if (c.isValid()) chosen = c;
    }
    if (chosen && chosen->isValid()) SetColour(FromQColor(*chosen));
}

void CColourButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(hasFocus() ? QPen(palette().highlight().color(), 2) : QPen(palette().windowText().color()));
    p.setBrush(ToQColor(colour_));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace aq::gui
