// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "export/export.h"

class QCheckBox;
class QLineEdit;

namespace aq::gui {

// A text field with up and down buttons that step an integer within a range, like an
// edit box with a spin control attached: what is typed is only checked on OK.
class SpinField final : public QWidget {
    Q_OBJECT
public:
    SpinField(int min, int max, int value, QWidget* parent = nullptr);
    QLineEdit* Edit() const { return edit_; }
    QString Text() const;
    void SetText(const QString& text);
    void Step(int by);

private:
    QLineEdit* edit_;
    int min_, max_;
};

// "Export Entity Selection": which kinds of record an export writes, the DXF layer
// count (enabled for the DXF export only) and the KML title.
class CExportDlg final : public QDialog {
    Q_OBJECT
public:
    CExportDlg(bool layerCountEnabled, QWidget* parent = nullptr);

    // The choice after OK.
    const ExportSelection& Selection() const { return selection_; }

    QCheckBox* Position() const { return position_; }
    QCheckBox* Depth() const { return depth_; }
    QCheckBox* Tide() const { return tide_; }
    QCheckBox* Events() const { return events_; }
    SpinField* LayerCount() const { return layers_; }
    QLineEdit* KmlTitle() const { return kmlTitle_; }

    // Checks the fields as OK does; the refusal text, or empty when they pass.
    QString Validate();

    // Messages of refused fields go here in tests instead of a box.
    std::function<void(const QString&)> onRefusal;

public slots:
    void accept() override;

private:
    QCheckBox* position_;
    QCheckBox* depth_;
    QCheckBox* tide_;
    QCheckBox* events_;
    SpinField* layers_;
    QLineEdit* kmlTitle_;
    ExportSelection selection_;
};

}  // namespace aq::gui
