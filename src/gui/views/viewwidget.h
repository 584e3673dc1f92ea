// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/doc.h"
#include "views/planview.h"
#include "views/sectionview.h"

namespace aq {
class UndoHistory;
}

namespace aq::gui {

// One pane of the main window: the plan view (upper) or the section view (lower). It
// paints through the views' drawing code into a kept image, redrawn only when the
// document, the window or the size changes.
class ViewWidget final : public QWidget {
    Q_OBJECT
public:
    // The port is the window's: box edits and the right button talk to the user and the
    // shell through it.
    ViewWidget(CVKDoc& doc, UserPort& port, bool section, QWidget* parent = nullptr);

    bool IsSection() const { return section_; }
    CViewState& State() { return section_ ? static_cast<CViewState&>(sectionView_) : planView_; }
    const CViewState& State() const { return section_ ? static_cast<const CViewState&>(sectionView_) : planView_; }
    CVKPView& Plan() { return planView_; }
    CVKView& Section() { return sectionView_; }
    ActiveView Which() const { return section_ ? ActiveView::Section : ActiveView::Plan; }

    // New and Open: the whole plane again.
    void InitialUpdate();
    // The document changed: draw afresh.
    void Invalidate();
    // Zoom and pan; true when the window moved.
    bool ZoomPan(int id);
    void SetDragMode(int mode) { State().DragMode = mode; }
    // View > Show Deleted.
    bool ShowDeleted() const { return showDeleted_; }
    void SetShowDeleted(bool show);
    // The pane commands go to wears a frame.
    void SetActive(bool active);
    bool IsActive() const { return active_; }

    // True while the document must not be drawn (a recalculation is half way).
    std::function<bool()> busy;
    // Where the box edits of the view become undoable steps; none when null.
    UndoHistory* history = nullptr;

    // View > Equal Scale (the plan only): the choice for the survey's kind of coordinates,
    // and both choices (grid, geographic).
    bool EqualScale() const { return planView_.EqualScaleFor(doc_); }
    void SetEqualScale(bool on);
    CVKPView::EqualScaleChoice EqualScaleChoices() const { return planView_.EqualScale; }
    void SetEqualScaleChoices(CVKPView::EqualScaleChoice choice);

    // What the last full redraw drew, in device pixels (for tests and screenshots), and
    // how many full redraws there have been.
    const QImage& Picture() const { return picture_; }
    int Redraws() const { return redraws_; }
    // Wheel zoom, drag pan and the keys show the last picture moved and scaled at once;
    // the full redraw follows when they have rested this long (milliseconds).
    void SetRedrawDelay(int ms) { settle_.setInterval(ms); }
    // A full redraw is waiting for the moves to rest.
    bool Settling() const { return settle_.isActive(); }
    // Device pixels to the widget's pixels: the screen's, unless a test chose one.
    double Ratio() const;
    void SetRatioForTesting(double ratio);

signals:
    // Text for the first status pane: a read-out, or empty.
    void readOut(const QString& text);
    void activated(aq::gui::ViewWidget* view);
    // A box or the right button changed the document or the selection.
    void documentTouched();
    // An Enquire box collected these records for the "Point Information" list.
    void listRecords(const std::vector<int32_t>& indices);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Render();
    // The view moved under the user's hand: the picture follows at once, scaled, and the
    // full redraw comes when the moves rest.
    void Moved();
    // Paints the last picture where the current mapping puts what it shows.
    void PaintMoved(QPainter& painter);
    QSize DeviceSize() const;
    // A widget point in the device pixels the views are drawn in.
    CPoint Device(QPointF at) const;
    // The rubber-band box between two device points, applied by the drag mode.
    void ApplyBox(QPoint from, QPoint to);

    CVKDoc& doc_;
    UserPort& port_;
    const bool section_;
    CVKPView planView_;
    CVKView sectionView_;
    QImage picture_;
    // The map the picture was drawn with, to move it when the window moves.
    Mapping pictureMap_;
    bool dirty_ = true;
    bool moved_ = false;  // the picture is out of date but shown moved
    QTimer settle_;
    int redraws_ = 0;
    bool dragging_ = false;
    QPoint pressAt_;
    QPoint dragTo_;
    bool showDeleted_ = true;
    bool active_ = false;
    // Middle button, or Space with the left: the plane follows the mouse.
    bool panning_ = false;
    bool spaceDown_ = false;
    QPoint panFrom_;
    double ratioOverride_ = 0;
};

}  // namespace aq::gui
