// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/qtuserport.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ui/commands.h"

namespace aq::gui {

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Recalculating Sonar Data"));
    setModal(false);
    setObjectName(QStringLiteral("ProgressDialog"));
    auto* layout = new QVBoxLayout(this);
    phase_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setMinimumWidth(280);
    layout->addWidget(phase_);
    layout->addWidget(bar_);
    layout->addWidget(new QLabel(QStringLiteral("Please Wait"), this));
}

void ProgressDialog::SetPhase(const QString& name) {
    phase_->setText(name);
    bar_->setValue(0);
}

void ProgressDialog::SetPercent(int percent) { bar_->setValue(std::clamp(percent, 0, 100)); }
QString ProgressDialog::Phase() const { return phase_->text(); }
int ProgressDialog::Percent() const { return bar_->value(); }

// The program's short name: the window title's full name is cut short in a box's title bar.
QString QtUserPort::BoxTitle() { return QStringLiteral("Aquenta"); }

QtUserPort::QtUserPort(QWidget* window) : QObject(window), window_(window) {}

void QtUserPort::Message(const std::string& text, Severity severity) {
    if (onMessage) return onMessage(text, severity);
    const QString t = QString::fromStdString(text);
    const QString title = BoxTitle();
    switch (severity) {
        case Severity::Info: QMessageBox::information(window_, title, t); break;
        case Severity::Warning: QMessageBox::warning(window_, title, t); break;
        case Severity::Error: QMessageBox::critical(window_, title, t); break;
    }
}

bool QtUserPort::AskYesNo(const std::string& text) {
    if (onQuestion) return onQuestion(text);
    return QMessageBox::question(window_, BoxTitle(), QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

void QtUserPort::BeginPhase(const std::string& name) {
    phaseName_ = QString::fromStdString(name);
    phaseClock_.start();
    lastPercent_ = -1;
    if (progress_ && progress_->isVisible()) progress_->SetPhase(phaseName_);
}

void QtUserPort::SetProgress(int percent) {
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    if (!progress_ || !progress_->isVisible()) {
        if (phaseClock_.isValid() && phaseClock_.elapsed() < showAfterMs) return;
        if (!progress_) progress_ = new ProgressDialog(window_);
        progress_->SetPhase(phaseName_);
        progress_->show();
    }
    progress_->SetPercent(percent);
    // Paint the dialog; the user's input waits until the phase is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUserPort::EndPhase() {
    phaseClock_.invalidate();
    if (progress_) progress_->hide();
}

void QtUserPort::WaitCursor(bool on) {
    if (on) {
        if (waitDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (waitDepth_ > 0 && --waitDepth_ == 0) {
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace aq::gui
