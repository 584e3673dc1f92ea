// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/viewwidget.h"

#include <QMouseEvent>
#include <QPainter>

#include "render/qtcanvas.h"
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
    if (section_)
        sectionView_.Draw(canvas, doc_);
    else
        planView_.Draw(canvas, doc_);
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
}

void ViewWidget::resizeEvent(QResizeEvent*) {
    State().ScreenArea = {0, 0, width(), height()};
    dirty_ = true;
}

void ViewWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
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
