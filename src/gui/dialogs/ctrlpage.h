// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <optional>
#include <vector>

#include "dialogs/exchangedlg.h"
#include "geodesy/controlpoints.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;

namespace aq::gui {

// "Control Point": one station's name, WGS84 degrees, minutes and seconds with their
// hemispheres, and its site-grid coordinates.
class CCtrlPage final : public QWidget {
    Q_OBJECT
public:
    CCtrlPage(const ClsqData& point, QWidget* parent = nullptr);

    QLineEdit* Name() const { return name_; }
    QCheckBox* Use() const { return use_; }
    QLineEdit* LonDeg() const { return lon_[0]; }
    QLineEdit* LonMin() const { return lon_[1]; }
    QLineEdit* LonSec() const { return lon_[2]; }
    QComboBox* LonSphere() const { return lonSphere_; }
    QLineEdit* LatDeg() const { return lat_[0]; }
    QLineEdit* LatMin() const { return lat_[1]; }
    QLineEdit* LatSec() const { return lat_[2]; }
    QComboBox* LatSphere() const { return latSphere_; }
    QLineEdit* GridX() const { return gridX_; }
    QLineEdit* GridY() const { return gridY_; }

    // The page's values; on text that is not a number, the field that holds it.
    ControlPageValues Values(QLineEdit*& refused) const;

    // The tab shows the station name, or the page's own title while it has none.
    static QString Caption(const std::string& name);

private:
    QLineEdit* name_;
    QCheckBox* use_;
    QLineEdit* lon_[3];
    QComboBox* lonSphere_;
    QLineEdit* lat_[3];
    QComboBox* latSphere_;
    QLineEdit* gridX_;
    QLineEdit* gridY_;
};

// A property sheet of control-point pages: "Add Control Point" with one, "Control
// Points Edit" with one per station. As property sheets do, OK applies only the pages
// that were shown.
class ControlSheet final : public ExchangeDialog {
    Q_OBJECT
public:
    ControlSheet(const QString& title, const std::vector<ClsqData>& points, QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return tabs_; }
    CCtrlPage* Page(int i) const;
    int PageCount() const;
    // After OK: page by page, the values of the pages that were shown.
    const std::vector<std::optional<ControlPageValues>>& Accepted() const { return accepted_; }

protected:
    bool Exchange() override;
    void Reveal(QWidget* field) override;

private:
    QTabWidget* tabs_;
    std::vector<bool> shown_;
    std::vector<std::optional<ControlPageValues>> accepted_;
};

}  // namespace aq::gui
