// SPDX-License-Identifier: GPL-3.0-or-later
#include "app.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#include <utility>

#ifdef _WIN32
#include <io.h>
#define AQ_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define AQ_ISATTY(f) isatty(fileno(f))
#endif

#include "aquenta/version.h"
#include "cliport.h"
#include "model/civiltime.h"
#include "model/doc.h"
#include "model/safefile.h"
#include "output.h"
#include "verbs.h"

namespace aq::cli {

namespace {

struct Options {
    std::optional<std::string> zone;
    std::optional<bool> answerYes;
    bool help = false;
    bool version = false;
    // What to print from the command table instead of running: the manual page or the
    // bash completion script.
    bool man = false;
    bool completion = false;
};

struct Planned {
    const Verb* verb;
    Step step;
};

int UsageFailure(const std::string& why) {
    std::fprintf(stderr,
                 "aquenta-cli: %s\n"
                 "Usage: aquenta-cli [--tz ZONE] [--yes | --no] VERB [ARGS]... [VERB [ARGS]...]...\n"
                 "Run 'aquenta-cli --help' for the list of verbs.\n",
                 why.c_str());
    return kExitUsage;
}

// Options come before the first verb; after it, words starting with -- belong to verbs.
Options ParseOptions(Args& args) {
    Options o;
    while (!args.AtEnd() && args.Peek().starts_with("-")) {
        const std::string word = args.Take("option");
        if (word == "--help" || word == "-h") {
            o.help = true;
        } else if (word == "--version") {
            o.version = true;
        } else if (word == "--man") {
            o.man = true;
        } else if (word == "--completion") {
            const std::string shell = args.Take("bash after --completion");
            if (shell != "bash") throw UsageError("--completion knows bash, not \"" + shell + "\"");
            o.completion = true;
        } else if (word == "--tz") {
            if (o.zone) throw UsageError("--tz given twice");
            o.zone = args.Take("ZONE after --tz");
        } else if (word == "--yes" || word == "--no") {
            const bool yes = word == "--yes";
            if (o.answerYes && *o.answerYes != yes) throw UsageError("--yes and --no exclude each other");
            o.answerYes = yes;
        } else {
            throw UsageError("unknown option " + word);
        }
    }
    return o;
}

std::vector<Planned> ParseVerbs(Args& args) {
    std::vector<Planned> plan;
    while (!args.AtEnd()) {
        const std::string name = args.Take("verb");
        const Verb* verb = FindVerb(name);
        if (!verb && name.starts_with("-")) throw UsageError("the option " + name + " must come before the first verb");
        if (!verb) throw UsageError("unknown verb \"" + name + "\"");
        try {
            plan.push_back({verb, verb->parse(args)});
        } catch (const UsageError& e) {
            throw UsageError(std::string(verb->name) + ": " + e.what() + "\n  usage: " + std::string(verb->name) +
                             (verb->synopsis.empty() ? "" : " ") + std::string(verb->synopsis));
        }
    }
    return plan;
}

int Execute(const Options& options, std::vector<Planned>& plan) {
    CliPort port(stderr, options.answerYes.value_or(false), AQ_ISATTY(stderr) != 0);
    CVKDoc doc;
    doc.New(port);
    Output out(stdout);
    UndoHistory history;
    Context context{doc, port, out, &history};

    for (Planned& p : plan) {
        port.BeginVerb();
        bool ok = false;
        try {
            ok = p.step(context);
        } catch (const std::bad_alloc&) {
            // The commands that can say how much was wanted have said so already.
            port.Message("Not enough memory to finish " + std::string(p.verb->name) + ".", Severity::Error);
            ok = false;
        }
        if (!out.Flush()) {
            std::fprintf(stderr, "aquenta-cli: %s: could not write to standard output\n", std::string(p.verb->name).c_str());
            return kExitFailed;
        }
        if (!ok || port.ErrorShown()) {
            // A failure must never pass silently.
            if (port.MessagesShown() == 0) port.Message(std::string(p.verb->name) + ": failed.", Severity::Error);
            return kExitFailed;
        }
    }
    return kExitOk;
}

// Text for standard output; a write that failed before the flush leaves only the
// stream's error mark.
int Print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "aquenta-cli: could not write to standard output\n");
        return kExitFailed;
    }
    return kExitOk;
}

// `help [VERB [WORD]]`.
int Help(Args& args) {
    if (args.AtEnd()) return Print(UsageText());
    const std::string verb = args.Take("VERB");
    const std::string word = args.AtEnd() ? std::string() : args.Take("WORD");
    if (!args.AtEnd()) return UsageFailure("help takes a verb and at most one word after it");
    const std::string text = VerbHelp(verb, word);
    if (text.empty())
        return UsageFailure(word.empty() ? "unknown verb \"" + verb + "\""
                                         : "the verb \"" + verb + "\" has no \"" + word + "\"");
    return Print(text);
}

}  // namespace

int Run(std::vector<std::string> words) {
    if (words.empty()) {
        std::fputs(UsageText().c_str(), stderr);
        return kExitUsage;
    }
    Args args(std::move(words));
    Options options;
    std::vector<Planned> plan;
    try {
        options = ParseOptions(args);
        if (options.help) return Print(UsageText());
        if (options.version) return Print("aquenta-cli " + std::string(VERSION) + "\n");
        if (options.man) return Print(ManPage());
        if (options.completion) return Print(BashCompletion());
        if (args.AtEnd()) throw UsageError("no verb given");
        if (args.Peek() == "help") {
            args.Take("help");
            return Help(args);
        }
        plan = ParseVerbs(args);
    } catch (const UsageError& e) {
        return UsageFailure(e.what());
    }

    // Before any verb: every date read or written in the run is in this zone. The C
    // library takes a zone it does not know for UTC without a word, shifting every time.
    if (options.zone) {
        if (!civil::IsKnownZone(*options.zone))
            return UsageFailure("unknown time zone \"" + *options.zone +
                                "\" (not in the system's zone database; e.g. UTC, Europe/London)");
        civil::SetZone(*options.zone);
    } else if (const char* tz = std::getenv("TZ"); tz && !civil::IsKnownZone(tz)) {
        std::fprintf(stderr, "aquenta-cli: warning: the time zone TZ=\"%s\" is not in the system's zone database; "
                     "times are read and written as UTC\n", tz);
    }
    // A full disk or a file-size limit fails a write instead of ending the run unheard.
    IgnoreWriteSignals();

    try {
        const int status = Execute(options, plan);
        // What went out last must have arrived.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fprintf(stderr, "aquenta-cli: could not write to standard output\n");
            return kExitFailed;
        }
        return status;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "aquenta-cli: not enough memory\n");
        return kExitFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "aquenta-cli: %s\n", e.what());
        return kExitFailed;
    }
}

}  // namespace aq::cli
