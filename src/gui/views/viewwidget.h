// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
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
    ViewWidget(CVKDoc& doc, bool section, QWidget* parent = nullptr);

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

    // What the last paint drew (for tests and screenshots).
    const QImage& Picture() const { return picture_; }

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
    // The rubber-band box between two device points, applied by the drag mode.
    void ApplyBox(QPoint from, QPoint to);

    CVKDoc& doc_;
    const bool section_;
    CVKPView planView_;
    CVKView sectionView_;
    QImage picture_;
    bool dirty_ = true;
    bool dragging_ = false;
    QPoint pressAt_;
    QPoint dragTo_;
    bool showDeleted_ = true;
    bool active_ = false;
    // Middle button, or Space with the left: the plane follows the mouse.
    bool panning_ = false;
    bool spaceDown_ = false;
    QPoint panFrom_;
};

}  // namespace aq::gui
