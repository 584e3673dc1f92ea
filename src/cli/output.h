// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "model/doc.h"

namespace aq::cli {

// Buffered text output: listings of millions of records go out in large blocks,
// with numbers formatted by to_chars rather than stream by stream.
class Output {
public:
    explicit Output(std::FILE* file);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void Text(std::string_view s);
    void Char(char c);
    void Int(int64_t v);
    // 0x followed by four upper-case hex digits, as flags are written everywhere.
    void Hex16(uint16_t v);
    // The shortest text that reads back as the same double.
    void Real(double v);

    // Hands the buffer to the file; false once any write has failed.
    bool Flush();

private:
    void Reserve(size_t n);

    std::FILE* file_;
    std::vector<char> buf_;
    size_t used_ = 0;
    bool failed_ = false;
};

// The record-count text of the status pane.
void WriteStatus(Output& out, const CVKDoc& doc);
// name=value lines of the document's scalar members.
void WriteSummary(Output& out, const CVKDoc& doc);
// A header, then one tab-separated line per record in array order.
void WriteRecords(Output& out, const CVKDoc& doc);

}  // namespace aq::cli
