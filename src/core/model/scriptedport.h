// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "model/userport.h"

namespace aq {

// A port that records what a command says and answers its questions from a queue
// (No once the queue is empty). Used by tests and by batch runs that keep a transcript.
class ScriptedPort : public UserPort {
public:
    struct Said {
        std::string text;
        Severity severity;
    };

    std::vector<Said> messages;
    std::vector<std::string> questions;
    std::deque<bool> answers;
    std::vector<std::string> phases;  // every phase begun, in order
    std::vector<int> progress;        // every progress value set
    int openPhases = 0;
    int viewsChanged = 0;
    std::string statusText;
    bool modified = false;

    void Message(const std::string& text, Severity severity) override { messages.push_back({text, severity}); }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void BeginPhase(const std::string& name) override {
        phases.push_back(name);
        ++openPhases;
    }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void EndPhase() override { --openPhases; }
    void ViewsChanged() override { ++viewsChanged; }
    void SetStatusText(const std::string& text) override { statusText = text; }
    void ModifiedChanged(bool m) override { modified = m; }

    // The texts of the messages, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& m : messages) t.push_back(m.text);
        return t;
    }
};

}  // namespace aq
