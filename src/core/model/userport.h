// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace aq {

enum class Severity { Info, Warning, Error };

// How a command talks to the user while it runs. The window shows message boxes and
// the progress dialog; the command line prints; tests record. Every function that talks
// to the user is handed the port of its caller; the document keeps none.
class UserPort {
public:
    virtual ~UserPort() = default;

    // A modal message with an OK button.
    virtual void Message(const std::string& text, Severity severity = Severity::Info) = 0;
    // A modal question with Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;

    // Progress of a long phase: the dialog "Recalculating Sonar Data" with the phase name.
    virtual void BeginPhase(const std::string& /*name*/) {}
    virtual void SetProgress(int /*percent*/) {}
    virtual void EndPhase() {}

    // Notifications for the shell.
    virtual void ViewsChanged() {}
    virtual void SetStatusText(const std::string& /*text*/) {}
    // A passing note for the status bar, not worth a message box.
    virtual void StatusNote(const std::string& /*text*/) {}
    virtual void ModifiedChanged(bool /*modified*/) {}
    virtual void WaitCursor(bool /*on*/) {}
};

// A port that says nothing and answers No: for work done where nobody is listening.
class SilentPort final : public UserPort {
public:
    void Message(const std::string&, Severity) override {}
    bool AskYesNo(const std::string&) override { return false; }
};

// The port of a document no view shows (another survey opened for its soundings): its
// messages, questions and progress reach the user through `to`, but what it would tell
// the shell about itself (record counts, modified mark, redrawing) is not passed on, as
// that belongs to the document the shell shows.
class UnshownDocumentPort final : public UserPort {
public:
    explicit UnshownDocumentPort(UserPort& to) : to_(to) {}
    void Message(const std::string& text, Severity severity) override { to_.Message(text, severity); }
    bool AskYesNo(const std::string& text) override { return to_.AskYesNo(text); }
    void BeginPhase(const std::string& name) override { to_.BeginPhase(name); }
    void SetProgress(int percent) override { to_.SetProgress(percent); }
    void EndPhase() override { to_.EndPhase(); }
    void StatusNote(const std::string& text) override { to_.StatusNote(text); }
    void WaitCursor(bool on) override { to_.WaitCursor(on); }

private:
    UserPort& to_;
};

}  // namespace aq
