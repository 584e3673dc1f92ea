// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <string>

#include "model/userport.h"

class QLabel;
class QProgressBar;

namespace aq::gui {

// "Recalculating Sonar Data": the modeless dialog of a long phase.
class ProgressDialog final : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent);
    void SetPhase(const QString& name);
    void SetPercent(int percent);
    QString Phase() const;
    int Percent() const;

private:
    QLabel* phase_;
    QProgressBar* bar_;
};

// How commands talk to the user in the window: message boxes, Yes/No questions, the
// progress dialog, and the notifications the main window follows.
class QtUserPort final : public QObject, public UserPort {
    Q_OBJECT
public:
    explicit QtUserPort(QWidget* window);

    // The title of every message box and question.
    static QString BoxTitle();
    void Message(const std::string& text, Severity severity = Severity::Info) override;
    bool AskYesNo(const std::string& text) override;

    void BeginPhase(const std::string& name) override;
    void SetProgress(int percent) override;
    void EndPhase() override;

    void ViewsChanged() override { emit viewsChanged(); }
    void SetStatusText(const std::string& text) override { emit statusText(QString::fromStdString(text)); }
    void StatusNote(const std::string& text) override { emit statusNote(QString::fromStdString(text)); }
    void ModifiedChanged(bool modified) override { emit modifiedChanged(modified); }
    void WaitCursor(bool on) override;

    // The progress dialog appears only once a phase has run this long, so quick
    // recalculations do not flash it.
    int showAfterMs = 400;
    // Tests answer in place of the boxes.
    std::function<void(const std::string&, Severity)> onMessage;
    std::function<bool(const std::string&)> onQuestion;

    ProgressDialog* Progress() const { return progress_; }
    // A long phase is running: the records may be half sorted, so nothing should draw
    // them or step through them until it ends.
    bool InPhase() const { return phaseClock_.isValid(); }

signals:
    void viewsChanged();
    void statusNote(const QString& text);
    void statusText(const QString& text);
    void modifiedChanged(bool modified);

private:
    QWidget* window_;
    ProgressDialog* progress_ = nullptr;
    QElapsedTimer phaseClock_;
    QString phaseName_;
    int lastPercent_ = -1;
    int waitDepth_ = 0;
};

}  // namespace aq::gui
