// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/viewwidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <QPainter>

#include "render/qtcanvas.h"
#include "ui/dragbox.h"
#include "views/dragmodes.h"

namespace aq::gui {

ViewWidget::ViewWidget(CVKDoc& doc, bool section, QWidget* parent) : QWidget(parent), doc_(doc), section_(section) {
    setObjectName(section ? QStringLiteral("SectionView") : QStringLiteral("PlanView"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 80);
    setWhatsThis(section ? QStringLiteral("The section view: seabed, tide and heights against time. Drag a box to "
                                          "zoom in, hold the right button to put the time cursor on a record.")
                         : QStringLiteral("The plan view: every record at its position over a coordinate grid. "
                                          "Drag a box to zoom in, hold the right button for the cross-hair."));
}

void ViewWidget::InitialUpdate() {
    State().InitialUpdate();
    Invalidate();
}

void ViewWidget::Invalidate() {
    dirty_ = true;
    update();
}

bool ViewWidget::ZoomPan(int id) {
    if (!State().ZoomPan(id)) return false;
    Invalidate();
    return true;
}

void ViewWidget::Render() {
    const QSize size = this->size().expandedTo(QSize(1, 1));
    if (picture_.size() != size) picture_ = QImage(size, QImage::Format_RGB32);
    picture_.fill(Qt::white);
    QPainter painter(&picture_);
    QtCanvas canvas(painter);
    State().ScreenArea = {0, 0, size.width(), size.height()};
    DrawOptions options;
    options.showDeleted = showDeleted_;
    if (section_)
        sectionView_.Draw(canvas, doc_, options);
    else
        planView_.Draw(canvas, doc_, options);
    dirty_ = false;
}

void ViewWidget::paintEvent(QPaintEvent*) {
    // Mid-recalculation the last picture stands until the records are whole again.
    if ((dirty_ || picture_.size() != size()) && !(busy && busy())) Render();
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    if (dragging_) {
        QPen pen(Qt::black, 1, Qt::DashLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(pressAt_, dragTo_).normalized());
    }
    if (active_) {
        QPen frame(palette().color(QPalette::Highlight), 2);
        painter.setPen(frame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

void ViewWidget::SetShowDeleted(bool show) {
    if (show == showDeleted_) return;
    showDeleted_ = show;
    Invalidate();
}

void ViewWidget::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    update();
}

void ViewWidget::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0 || doc_.Records.size() <= 5) return QWidget::wheelEvent(event);
    // A notch (120) zooms by a fifth; away from the user zooms in.
    const double factor = std::pow(0.8, steps / 120.0);
    const QPoint at = event->position().toPoint();
    if (State().ZoomAbout({at.x(), at.y()}, factor)) Invalidate();
    event->accept();
}

void ViewWidget::keyPressEvent(QKeyEvent* event) {
    const CPoint centre{width() / 2, height() / 2};
    const int32_t stepX = std::max(1, width() / 8), stepY = std::max(1, height() / 8);
    bool moved = false;
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: moved = State().ZoomAbout(centre, 0.8); break;
        case Qt::Key_Minus: moved = State().ZoomAbout(centre, 1.25); break;
        case Qt::Key_Left: moved = State().PanByDevice(stepX, 0); break;
        case Qt::Key_Right: moved = State().PanByDevice(-stepX, 0); break;
        case Qt::Key_Up: moved = State().PanByDevice(0, stepY); break;
        case Qt::Key_Down: moved = State().PanByDevice(0, -stepY); break;
        case Qt::Key_Home: moved = State().ZoomPan(ID_ZOOM_EXTENTS); break;
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) spaceDown_ = true;
            return;
        default: return QWidget::keyPressEvent(event);
    }
    if (moved) Invalidate();
}

void ViewWidget::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) spaceDown_ = false;
    QWidget::keyReleaseEvent(event);
}

void ViewWidget::resizeEvent(QResizeEvent*) {
    State().ScreenArea = {0, 0, width(), height()};
    dirty_ = true;
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::MiddleButton || (event->button() == Qt::LeftButton && spaceDown_)) {
        panning_ = true;
        panFrom_ = at;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        if (!State().HasFocus) return QWidget::mousePressEvent(event);
        dragging_ = true;
        pressAt_ = dragTo_ = at;
    } else if (event->button() == Qt::RightButton) {
        const CPoint l = State().ViewMapping().ToLogical({at.x(), at.y()});
        if (!RightButtonDown(doc_, State(), l, section_)) return QWidget::mousePressEvent(event);
        emit documentTouched();
    }
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (panning_) {
        const QPoint by = at - panFrom_;
        panFrom_ = at;
        if (State().PanByDevice(by.x(), by.y())) Invalidate();
        return;
    }
    if (dragging_) {
        dragTo_ = at;
        update();
    }
    const std::string text = section_ ? sectionView_.ReadOut(doc_, {at.x(), at.y()}) : planView_.ReadOut(doc_, {at.x(), at.y()});
    if (text.empty())
        unsetCursor();
    else
        setCursor(Qt::CrossCursor);
    emit readOut(QString::fromStdString(text));
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panning_ = false;
        unsetCursor();
        return;
    }
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        dragTo_ = event->position().toPoint();
        update();
        // A click without a drag does nothing.
        if (dragTo_ != pressAt_) ApplyBox(pressAt_, dragTo_);
    } else if (event->button() == Qt::RightButton) {
        RightButtonUp(doc_);
        emit documentTouched();
    }
}

void ViewWidget::ApplyBox(QPoint from, QPoint to) {
    const Mapping map = State().ViewMapping();
    const CRect box = NormalisedBox(map.ToLogical({from.x(), from.y()}), map.ToLogical({to.x(), to.y()}));
    const BoxResult result = ApplyDragBox(doc_, State(), section_, box, history);
    if (!result.applied) return;  // too small: the mode stays
    Invalidate();
    emit documentTouched();
    if (result.listing) emit listRecords(result.collected);
}

void ViewWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    State().HasFocus = true;
    emit activated(this);
}

void ViewWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    State().HasFocus = false;
}

}  // namespace aq::gui
