// SPDX-License-Identifier: GPL-3.0-or-later
#include "app.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <utility>

#ifdef _WIN32
#include <io.h>
#define AQ_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define AQ_ISATTY(f) isatty(fileno(f))
#endif

#include "cliport.h"
#include "model/civiltime.h"
#include "model/doc.h"
#include "output.h"
#include "verbs.h"

namespace aq::cli {

namespace {

struct Options {
    std::optional<std::string> zone;
    std::optional<bool> answerYes;
    bool help = false;
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
    // The port outlives the document that points at it.
    CliPort port(stderr, options.answerYes.value_or(false), AQ_ISATTY(stderr) != 0);
    CVKDoc doc;
    doc.SetPort(&port);
    doc.New();
    Output out(stdout);
    Context context{doc, port, out};

    for (Planned& p : plan) {
        port.BeginVerb();
        const bool ok = p.step(context);
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
        if (options.help) {
            std::fputs(UsageText().c_str(), stdout);
            return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
        }
        if (args.AtEnd()) throw UsageError("no verb given");
        plan = ParseVerbs(args);
    } catch (const UsageError& e) {
        return UsageFailure(e.what());
    }

    // Before any verb: every date read or written in the run is in this zone.
    if (options.zone) civil::SetZone(*options.zone);

    try {
        return Execute(options, plan);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "aquenta-cli: %s\n", e.what());
        return kExitFailed;
    }
}

}  // namespace aq::cli
