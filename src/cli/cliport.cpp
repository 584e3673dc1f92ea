// SPDX-License-Identifier: GPL-3.0-or-later
#include "cliport.h"

#include <algorithm>

namespace aq::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr int kNameWidth = 24;

// Boxes can hold several lines; a script reads one message per line.
std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace && c != ' ') out += ' ';
        pendingSpace = false;
        out += c;
    }
    return out;
}

}  // namespace

CliPort::CliPort(std::FILE* err, bool answerYes, bool showProgress)
    : err_(err), answerYes_(answerYes), showProgress_(showProgress) {}

void CliPort::BeginVerb() {
    messages_ = 0;
    errorShown_ = false;
}

void CliPort::WriteLine(const std::string& text) {
    const bool redraw = barShown_;
    if (redraw) ClearBar();
    const std::string line = OneLine(text) + '\n';
    std::fwrite(line.data(), 1, line.size(), err_);
    std::fflush(err_);
    if (redraw) DrawBar();
}

void CliPort::Message(const std::string& text, Severity severity) {
    ++messages_;
    if (severity == Severity::Error) errorShown_ = true;
    WriteLine(text);
}

bool CliPort::AskYesNo(const std::string& text) {
    ++messages_;
    WriteLine(text + (answerYes_ ? " -> Yes" : " -> No"));
    return answerYes_;
}

void CliPort::BeginPhase(const std::string& name) {
    if (!showProgress_) return;
    phase_ = name;
    percent_ = 0;
    DrawBar();
}

void CliPort::SetProgress(int percent) {
    if (!showProgress_ || !barShown_) return;
    percent = std::clamp(percent, 0, 100);
    // Redrawing only on a change keeps a million-record phase from flooding the terminal.
    if (percent == percent_) return;
    percent_ = percent;
    DrawBar();
}

void CliPort::EndPhase() {
    if (!showProgress_) return;
    ClearBar();
    phase_.clear();
    percent_ = -1;
}

void CliPort::DrawBar() {
    const int filled = percent_ * kBarWidth / 100;
    std::string name = phase_.substr(0, kNameWidth);
    name.resize(kNameWidth, ' ');
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kBarWidth, ' ');
    std::fprintf(err_, "\r%s [%s] %3d%%", name.c_str(), bar.c_str(), percent_);
    std::fflush(err_);
    barShown_ = true;
}

void CliPort::ClearBar() {
    if (!barShown_) return;
    // Spaces rather than an escape sequence, so any terminal clears the line.
    const std::string blank(kNameWidth + kBarWidth + 8, ' ');
    std::fprintf(err_, "\r%s\r", blank.c_str());
    std::fflush(err_);
    barShown_ = false;
}

void CliPort::StatusNote(const std::string& text) { WriteLine(text); }

}  // namespace aq::cli
