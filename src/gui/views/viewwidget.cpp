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

ViewWidget::ViewWidget(CVKDoc& doc, UserPort& port, bool section, QWidget* parent)
    : QWidget(parent), doc_(doc), port_(port), section_(section) {
    setObjectName(section ? QStringLiteral("SectionView") : QStringLiteral("PlanView"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(120, 80);
    setWhatsThis(section ? QStringLiteral("The section view: seabed, tide and heights against time. Drag a box to "
                                          "zoom in; the wheel zooms about the mouse, the middle button (or Space "
                                          "and the left) pans. The right button puts the time cursor on the "
                                          "nearest record, Escape takes it away.")
                         : QStringLiteral("The plan view: every record at its position over a coordinate grid. "
                                          "Drag a box to zoom in; the wheel zooms about the mouse, the middle "
                                          "button (or Space and the left) pans. The right button puts the "
                                          "cross-hair on the nearest record, Escape takes it away."));
    // A burst of wheel turns or a drag shows the picture moved and scaled, and is drawn
    // afresh once it rests.
    settle_.setSingleShot(true);
    settle_.setInterval(80);
    connect(&settle_, &QTimer::timeout, this, [this] {
        moved_ = false;
        update();
    });
}

void ViewWidget::InitialUpdate() {
    State().InitialUpdate();
    Invalidate();
}

void ViewWidget::Invalidate() {
    dirty_ = true;
    moved_ = false;
    settle_.stop();
    update();
}

void ViewWidget::Moved() {
    if (picture_.isNull() || picture_.size() != DeviceSize()) return Invalidate();
    dirty_ = true;
    moved_ = true;
    settle_.start();
    update();
}

bool ViewWidget::ZoomPan(int id) {
    if (!State().ZoomPan(id)) return false;
    Invalidate();
    return true;
}

double ViewWidget::Ratio() const { return ratioOverride_ > 0 ? ratioOverride_ : devicePixelRatioF(); }

QSize ViewWidget::DeviceSize() const {
    const double r = Ratio();
    return QSize(std::max(1, static_cast<int>(std::lround(width() * r))),
                 std::max(1, static_cast<int>(std::lround(height() * r))));
}

CPoint ViewWidget::Device(QPointF at) const {
    const double r = Ratio();
    return {static_cast<int32_t>(std::lround(at.x() * r)), static_cast<int32_t>(std::lround(at.y() * r))};
}

void ViewWidget::SetRatioForTesting(double ratio) {
    ratioOverride_ = ratio;
    State().ScreenArea = {0, 0, DeviceSize().width(), DeviceSize().height()};
    Invalidate();
}

void ViewWidget::Render() {
    // Drawn in device pixels (the widget's size times its pixel ratio), so text, lines and
    // markers are crisp on a high-density screen.
    const QSize size = DeviceSize();
    picture_ = QImage(size, QImage::Format_RGB32);
    picture_.fill(Qt::white);
    {
        QPainter painter(&picture_);
        QtCanvas canvas(painter, Ratio());
        State().ScreenArea = {0, 0, size.width(), size.height()};
        DrawOptions options;
        options.showDeleted = showDeleted_;
        if (section_)
            sectionView_.Draw(canvas, doc_, options);
        else
            planView_.Draw(canvas, doc_, options);
    }
    picture_.setDevicePixelRatio(Ratio());
    pictureMap_ = State().ViewMapping();
    dirty_ = false;
    moved_ = false;
    ++redraws_;
}

void ViewWidget::SetEqualScale(bool on) {
    if (section_ || on == planView_.EqualScaleFor(doc_)) return;
    planView_.SetEqualScale(doc_, on);
    Invalidate();
}

void ViewWidget::SetEqualScaleChoices(CVKPView::EqualScaleChoice choice) {
    planView_.EqualScale = choice;
    if (!section_) Invalidate();
}

void ViewWidget::PaintMoved(QPainter& painter) {
    // Each axis of the new map is the old one scaled and shifted: device' = a device + b.
    const Mapping now = State().ViewMapping();
    const Mapping& was = pictureMap_;
    const auto origin = [](const Mapping& m, bool y) {
        return y ? m.Screen().top - m.Window().top * m.ScaleY() : m.Screen().left - m.Window().left * m.ScaleX();
    };
    painter.fillRect(rect(), Qt::white);
    if (was.ScaleX() == 0 || was.ScaleY() == 0) return;
    const double ax = now.ScaleX() / was.ScaleX(), ay = now.ScaleY() / was.ScaleY();
    const double bx = origin(now, false) - origin(was, false) * ax, by = origin(now, true) - origin(was, true) * ay;
    const double r = Ratio();
    const QRectF target(bx / r, by / r, picture_.width() * ax / r, picture_.height() * ay / r);
    painter.drawImage(target, picture_, QRectF(0, 0, picture_.width(), picture_.height()));
}

void ViewWidget::paintEvent(QPaintEvent*) {
    // Mid-recalculation the last picture stands until the records are whole again; while
    // the view is being moved, it is shown moved until the moves rest.
    const bool resized = picture_.size() != DeviceSize();
    if ((resized || (dirty_ && !moved_)) && !(busy && busy())) Render();
    QPainter painter(this);
    if (moved_ && !resized)
        PaintMoved(painter);
    else
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
    if (State().ZoomAbout(Device(event->position()), factor)) Moved();
    event->accept();
}

void ViewWidget::keyPressEvent(QKeyEvent* event) {
    const QSize device = DeviceSize();
    const CPoint centre{device.width() / 2, device.height() / 2};
    const int32_t stepX = std::max(1, device.width() / 8), stepY = std::max(1, device.height() / 8);
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
        case Qt::Key_Escape:
            // The selection stays after the right button; Escape takes it away.
            if (!doc_.Selected) return QWidget::keyPressEvent(event);
            RightButtonUp(doc_, port_);
            emit documentTouched();
            return;
        default: return QWidget::keyPressEvent(event);
    }
    if (moved) Moved();
}

void ViewWidget::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) spaceDown_ = false;
    QWidget::keyReleaseEvent(event);
}

void ViewWidget::resizeEvent(QResizeEvent*) {
    State().ScreenArea = {0, 0, DeviceSize().width(), DeviceSize().height()};
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
        const CPoint l = State().ViewMapping().ToLogical(Device(at));
        if (!RightButtonDown(doc_, State(), l, section_, port_)) return QWidget::mousePressEvent(event);
        emit documentTouched();
    }
}

void ViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (panning_) {
        const CPoint by = Device(at - panFrom_);
        panFrom_ = at;
        if (State().PanByDevice(by.x, by.y)) Moved();
        return;
    }
    if (dragging_) {
        dragTo_ = at;
        update();
    }
    const std::string text = section_ ? sectionView_.ReadOut(doc_, Device(at)) : planView_.ReadOut(doc_, Device(at));
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
        // Let go: the full picture at once.
        if (moved_) {
            settle_.stop();
            moved_ = false;
            update();
        }
        return;
    }
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        dragTo_ = event->position().toPoint();
        update();
        // A click without a drag does nothing.
        if (dragTo_ != pressAt_) ApplyBox(pressAt_, dragTo_);
    } else {
        // The right button's selection stays when it is let go, for Animate.
        QWidget::mouseReleaseEvent(event);
    }
}

void ViewWidget::ApplyBox(QPoint from, QPoint to) {
    const Mapping map = State().ViewMapping();
    const CRect box = NormalisedBox(map.ToLogical(Device(from)), map.ToLogical(Device(to)));
    const BoxResult result = ApplyDragBox(doc_, State(), section_, box, port_, history);
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
