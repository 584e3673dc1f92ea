// SPDX-License-Identifier: GPL-3.0-or-later
// Column files read through any layout the dialog can hold. The first 13 bytes are the
// layout: the type, the eleven column numbers and the record prefix; the rest is the
// file.
#include "fuzz_support.h"
#include "import/formatted.h"

namespace {

// The prefixes a layout can carry: the four types', the US Army one, and those a layout
// file may hold besides (any text).
constexpr const char* kPrefixes[] = {"P ", "L ", "D ", "T ", "X ", "W ", "E ", "", "Q ", "P"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kHead = 2 + aq::LAYOUT_COLUMNS;
    if (size < kHead) return 0;
    aq::CFormImport layout;
    layout.SetType(static_cast<int32_t>(data[0] % 5) - 1);
    for (size_t c = 0; c < aq::LAYOUT_COLUMNS; ++c)
        layout.Columns[c] = static_cast<int32_t>(data[1 + c] % (aq::LAYOUT_MAX_COLUMN + 1));
    layout.TypePrefix = kPrefixes[data[kHead - 1] % std::size(kPrefixes)];
    layout.UpdateMaxColumn();
    FUZZ_CHECK(layout.IsValid());
    data += kHead;
    size -= kHead;
    // With no column needed even an empty line is a record line, and an X or W line
    // makes three records: three to a byte at most, and to the last line.
    return aq::fuzz::FuzzImport(data, size,
                                [&layout](aq::CVKDoc& doc, const std::string& path, aq::UserPort& port) {
                                    return aq::ImportFormatted(doc, path, layout, port);
                                },
                                {1, 2 * size + 3});
}
