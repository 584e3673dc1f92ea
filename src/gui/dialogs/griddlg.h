// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <functional>

#include "dialogs/exchangedlg.h"
#include "surface/grid.h"
#include "surface/soundings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace aq::gui {

// What the grid dialog gives.
struct GridValues {
    QString path;  // the raster to write; empty to keep the surface in the window only
    surface::GridOptions options;
    QStringList also;  // further surveys
};

// The size of the grid the options give for the soundings: "nx x ny cells, about N MB".
// False with the reason when the grid cannot be made: options PlanGrid refuses, or more
// memory than this machine has to give (as MakeSurface counts it).
bool PreviewGrid(const surface::Soundings& soundings, const surface::GridOptions& options, QString& text);

// Surface > Grid Surface...: the output file, the method and its options, the extent,
// the extra bands and further surveys, with the size of the grid as the fields change.
// OK is refused while the grid cannot be made.
class CGridDlg final : public ExchangeDialog {
    Q_OBJECT
public:
    // soundings: those of the document and the listed surveys, gathered when asked (null
    // when they cannot be: the reason is then said by the caller).
    using Gather = std::function<const surface::Soundings*(const QStringList& also)>;
    CGridDlg(const GridValues& values, Gather gather, QWidget* parent = nullptr);

    const GridValues& Values() const { return values_; }

    QLineEdit* Path() const { return path_; }
    QComboBox* MethodBox() const { return method_; }
    QLineEdit* Cell() const { return cell_; }
    QLineEdit* Radius() const { return radius_; }
    QLineEdit* MaxEdge() const { return maxEdge_; }
    QLineEdit* MinCount() const { return minCount_; }
    QCheckBox* GivenExtent() const { return givenExtent_; }
    QLineEdit* ExtentField(int i) const { return extent_[i]; }
    QCheckBox* CountBand() const { return countBand_; }
    QCheckBox* StddevBand() const { return stddevBand_; }
    QListWidget* Also() const { return also_; }
    QLabel* Preview() const { return preview_; }
    // Reads the fields and shows the grid they give; false when it cannot be made.
    bool UpdatePreview();
    // The save dialog of Browse...; tests answer in its place.
    std::function<QString()> choosePath;
    std::function<QString()> chooseSurvey;

protected:
    bool Exchange() override;

private:
    // The fields into values_ (false with a refusal).
    bool ReadFields(bool refuse);
    void UpdateEnabling();

    GridValues values_;
    Gather gather_;
    QLineEdit* path_;
    QComboBox* method_;
    QLineEdit* cell_;
    QLineEdit* radius_;
    QLineEdit* maxEdge_;
    QLineEdit* minCount_;
    QCheckBox* givenExtent_;
    QLineEdit* extent_[4];
    QCheckBox* countBand_;
    QCheckBox* stddevBand_;
    QListWidget* also_;
    QLabel* preview_;
};

}  // namespace aq::gui
