// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>

#include "model/userport.h"

namespace aq::cli {

// The command line's user port: message boxes become lines on standard error,
// questions are answered from --yes/--no, and progress is a bar on a terminal only.
class CliPort final : public UserPort {
public:
    CliPort(std::FILE* err, bool answerYes, bool showProgress);

    void Message(const std::string& text, Severity severity = Severity::Info) override;
    bool AskYesNo(const std::string& text) override;

    void BeginPhase(const std::string& name) override;
    void SetProgress(int percent) override;
    void EndPhase() override;
    // A note for the status bar is a line like a message, but no failure.
    void StatusNote(const std::string& text) override;

    // Starts counting the messages of the next verb.
    void BeginVerb();
    // What the current verb has shown so far.
    int MessagesShown() const { return messages_; }
    bool ErrorShown() const { return errorShown_; }

private:
    void WriteLine(const std::string& text);
    void DrawBar();
    void ClearBar();

    std::FILE* err_;
    bool answerYes_;
    bool showProgress_;
    int messages_ = 0;
    bool errorShown_ = false;
    // The bar currently on screen, if any.
    bool barShown_ = false;
    std::string phase_;
    int percent_ = -1;
};

}  // namespace aq::cli
