// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/exchangedlg.h"
#include "surface/contours.h"

class QLineEdit;
class QRadioButton;

namespace aq::gui {

// Where the contoured surface comes from.
enum class ContourSource {
    LastSurface,  // the one the window made or contoured last
    RasterFile,   // a raster GDAL reads
    Made,         // made of the survey with the default method and cell
};

// What the contours dialog gives.
struct ContoursValues {
    surface::ContourLevels levels;
    QString path;  // the lines' file; empty to show them only
    ContourSource source = ContourSource::LastSurface;
    QString raster;
};

// Surface > Contours...: an interval or a list of levels, the file to write and the
// surface to trace.
class CContoursDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    CContoursDlg(const ContoursValues& values, bool haveLastSurface, bool haveSoundings, QWidget* parent = nullptr);

    const ContoursValues& Values() const { return values_; }

    QRadioButton* ByInterval() const { return byInterval_; }
    QRadioButton* ByLevels() const { return byLevels_; }
    QLineEdit* Interval() const { return interval_; }
    QLineEdit* Levels() const { return levels_; }
    QLineEdit* Path() const { return path_; }
    QRadioButton* FromLast() const { return fromLast_; }
    QRadioButton* FromFile() const { return fromFile_; }
    QRadioButton* FromSurvey() const { return fromSurvey_; }
    QLineEdit* Raster() const { return raster_; }

protected:
    bool Exchange() override;

private:
    void UpdateEnabling();

    ContoursValues values_;
    QRadioButton* byInterval_;
    QRadioButton* byLevels_;
    QLineEdit* interval_;
    QLineEdit* levels_;
    QLineEdit* path_;
    QRadioButton* fromLast_;
    QRadioButton* fromFile_;
    QRadioButton* fromSurvey_;
    QLineEdit* raster_;
};

}  // namespace aq::gui
