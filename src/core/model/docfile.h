// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/doc.h"

namespace aq {

// The document file "*.son": the members in archive form, little-endian, no header.
std::vector<uint8_t> SaveDocumentBytes(const CVKDoc& doc);

// Loads the document from bytes. On a format error the document is reset as by New
// (control points completely read before the failure stay) and false is returned.
bool LoadDocumentBytes(CVKDoc& doc, const uint8_t* data, size_t size);

// The document file read a window at a time straight into the records, so it is never
// held whole; room is made ahead only for what the file's disk blocks can hold. No
// message is given and nothing is recalculated: OpenDocument (io/document.h) does that.
struct DocumentFileRead {
    enum class Outcome {
        Loaded,       // the document holds the file's survey
        Empty,        // the file is empty; the document is untouched
        CannotOpen,   // not opened (or is a FIFO, a folder, ...); the document is untouched
        ReadFailed,   // reading failed part way; the document is reset (CVKDoc::Reset)
        BadFormat,    // not a document; the document is reset (CVKDoc::Reset)
        OutOfMemory,  // the document is reset as by New when `touched`, else untouched
    };
    Outcome outcome = Outcome::BadFormat;
    int error = 0;             // the error number of CannotOpen and ReadFailed
    uint64_t neededBytes = 0;  // what the records the file announces need
    bool touched = false;      // the document's survey has been given up
};
DocumentFileRead ReadDocumentFile(CVKDoc& doc, const std::string& path);

// Encodes the document into pieces of a little over `piece` bytes as they are made,
// handing each to `write`; stops with false as soon as a write fails. Throws
// std::bad_alloc should a piece not be had.
bool EncodeDocument(const CVKDoc& doc, size_t piece, const std::function<bool(const uint8_t*, size_t)>& write);

}  // namespace aq
