// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPushButton>
#include <cstdint>
#include <functional>
#include <optional>

namespace aq::gui {

// A push button that is all colour: a click opens the colour chooser on its colour and
// takes the colour chosen.
class CColourButton final : public QPushButton {
    Q_OBJECT
public:
    explicit CColourButton(QWidget* parent = nullptr);

    // 0x00BBGGRR, as the document keeps colours.
    uint32_t Colour() const { return colour_; }
    void SetColour(uint32_t colour);
    bool HasColour() const { return set_; }

    // The chooser; nullopt for Cancel. The platform's colour dialog unless replaced.
    std::function<std::optional<QColor>(const QColor& initial)> chooser;

    static QColor ToQColor(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
    static uint32_t FromQColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Choose();

    uint32_t colour_ = 0x808080;  // grey until a colour is set
    bool set_ = false;
};

}  // namespace aq::gui
