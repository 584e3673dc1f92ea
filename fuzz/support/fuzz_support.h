// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "import/common.h"
#include "model/doc.h"
#include "model/scriptedport.h"

// What every fuzz target shares: a document with a recording port, a scratch file for
// the readers that take a path, and the checks of what must hold after any input.
// A failed check aborts, so libFuzzer keeps the input as a crash.
namespace aq::fuzz {

[[noreturn]] void Fail(const char* what, const char* file, int line);

#define FUZZ_CHECK(cond) ((cond) ? static_cast<void>(0) : ::aq::fuzz::Fail(#cond, __FILE__, __LINE__))

// A document, and the recording port the commands run on it talk through.
struct Session {
    ScriptedPort port;
    CVKDoc doc;
};

// Writes the bytes to this process's scratch file (in memory where the system allows)
// and returns its path; every run reuses it.
const std::string& ScratchFile(const uint8_t* data, size_t size);
// The same under a name of its own in the scratch folder (a reader that goes by the
// file name, say).
std::string ScratchFile(const uint8_t* data, size_t size, const std::string& name);

// The members a document file holds, compared exactly (doubles by their bits). Empty
// when they agree, else what differs.
std::string SurveyDifference(const CVKDoc& a, const CVKDoc& b);

// Whatever a document holds must survive its own file: the bytes it saves load again,
// to the same survey, and save again to the same bytes.
void CheckDocumentRoundTrip(const CVKDoc& doc);

// How many records a reader may make of its input: at most one for every `bytesPerRecord`
// bytes, plus `extra`. A reader that makes more has made them up.
struct RecordLimit {
    size_t bytesPerRecord = 1;
    size_t extra = 0;
};

// What an import leaves besides its records. The imports that start a new survey list
// no file (their reset empties the list) and do not recalculate a survey of three
// records or fewer, which stays in file order.
struct ImportOutcome {
    bool listed = true;
    size_t unsortedUpTo = 0;
};

// What holds after any import of a readable file: it was imported (and listed once,
// where the import lists), every progress phase ended, the records are within the
// limit, in time order and counted, their hundredths below 100, and the survey
// round-trips through its file.
void CheckImport(const Session& session, ImportResult result, const std::string& path, size_t size,
                 RecordLimit limit, ImportOutcome outcome = {});

// The readers of File > Import: writes the input to the scratch file, imports it into a
// new document and checks the outcome. Questions are answered from `answers`. A reader
// that takes more than the path (a layout, say) is called through a lambda.
using ImportFn = std::function<ImportResult(CVKDoc&, const std::string&, UserPort&)>;
int FuzzImport(const uint8_t* data, size_t size, const ImportFn& import, RecordLimit limit,
               std::deque<bool> answers = {}, ImportOutcome outcome = {});

}  // namespace aq::fuzz
