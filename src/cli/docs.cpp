// SPDX-License-Identifier: GPL-3.0-or-later
// The manual page and the shell completion, made from the command table like the
// usage text, so that none of them can tell of a verb the program does not have.
// GCC 12 warns of overlapping copies in "text" + std::string at -O3, wrongly (its bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "aquenta/version.h"
#include "ui/commands.h"
#include "verbs.h"

namespace aq::cli {

namespace {

// Text as roff shows it literally: backslashes and minus signs escaped, and no line
// starting with a control character.
std::string Roff(std::string_view text) {
    std::string out;
    bool lineStart = true;
    for (char ch : text) {
        if (lineStart && (ch == '.' || ch == '\'')) out += "\\&";
        lineStart = ch == '\n';
        if (ch == '\\')
            out += "\\e";
        else if (ch == '-')
            out += "\\-";
        else
            out += ch;
    }
    return out;
}

// Lines of a help text joined for filling, each kept as written.
std::string RoffLines(std::string_view text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t nl = text.find('\n', start);
        std::string_view line = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        if (!line.empty()) {
            out += Roff(line);
            out += '\n';
        }
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    return out;
}

void ManCommand(std::string& s, const CommandInfo& cmd) {
    s += ".TP\n.B ";
    s += Roff(cmd.verb);
    if (*cmd.args) {
        s += "\n.RI \"";
        std::string args = cmd.args;
        for (char& ch : args)
            if (ch == '\n') ch = ' ';
        // Runs of blanks from the usage text's continuation lines.
        std::string squeezed;
        for (char ch : args)
            if (!(ch == ' ' && !squeezed.empty() && squeezed.back() == ' ')) squeezed += ch;
        std::string quoted;
        for (char ch : squeezed) quoted += ch == '"' ? std::string("\\(dq") : std::string(1, ch);
        s += Roff(quoted);
        s += "\"";
    }
    s += '\n';
    if (cmd.reach == Reach::CliOnly) {
        s += Roff(cmd.prompt);
        s += ".\n";
    } else {
        s += Roff(MenuName(cmd.id));
        s += ": ";
        s += Roff(StatusPrompt(cmd));
        s += ".\n";
    }
    if (cmd.help) s += RoffLines(cmd.help);
    if (cmd.rule.needs && cmd.target == CommandTarget::Document && cmd.reach != Reach::CliOnly &&
        std::string_view(cmd.rule.needs) != "a document") {
        s += "Needs ";
        s += Roff(cmd.rule.needs);
        s += "; refused otherwise.\n";
    }
}

// The --options a command's synopsis names.
std::set<std::string> OptionsOf(std::string_view args) {
    std::set<std::string> out;
    size_t pos = 0;
    while ((pos = args.find("--", pos)) != std::string_view::npos) {
        size_t end = pos + 2;
        while (end < args.size() && ((args[end] >= 'a' && args[end] <= 'z') || args[end] == '-')) ++end;
        if (end > pos + 2) out.insert(std::string(args.substr(pos, end - pos)));
        pos = end;
    }
    return out;
}

std::string Join(const std::set<std::string>& words) {
    std::string s;
    for (const std::string& w : words) {
        if (!s.empty()) s += ' ';
        s += w;
    }
    return s;
}

}  // namespace

std::string ManPage() {
    std::string s;
    s += ".\\\" Made by aquenta-cli --man from its command table; do not edit.\n";
    s += ".TH AQUENTA\\-CLI 1 \"\" \"Aquenta " + Roff(VERSION) + "\" \"User Commands\"\n";
    s += ".SH NAME\naquenta\\-cli \\- post\\-process single\\-beam hydrographic surveys from the command line\n";
    s += ".SH SYNOPSIS\n.B aquenta\\-cli\n"
         ".RB [ \\-\\-tz\n.IR ZONE ]\n.RB [ \\-\\-yes \" | \" \\-\\-no ]\n"
         ".I VERB\n.RI [ ARGS ]...\n.RI [ VERB\n.RI [ ARGS ]...]...\n"
         ".br\n.B aquenta\\-cli help\n.RI [ VERB\n.RI [ WORD ]]\n"
         ".br\n.B aquenta\\-cli\n.BR \\-\\-help \" | \" \\-\\-version \" | \" \\-\\-man \" | \" \"\\-\\-completion bash\"\n";
    s += ".SH DESCRIPTION\n"
         ".B aquenta\\-cli\n"
         "runs the commands of the desktop program\n"
         ".BR aquenta (1)\n"
         "without a window. The verbs run from left to right on one survey document, which starts new,\n"
         "and the run stops at the first failure. A verb whose menu command would be greyed out in\n"
         "the window refuses, saying what it needs. Messages that the window shows in a box go to\n"
         "standard error, one line each; listings go to standard output.\n";
    s += ".SH OPTIONS\n"
         ".TP\n.BI \\-\\-tz \" ZONE\"\nThe local time zone of the whole run (a TZ value: UTC, Europe/London, ...).\n"
         ".TP\n.BR \\-\\-yes \", \" \\-\\-no\nThe answer to every question (default: \\-\\-no).\n"
         ".TP\n.B \\-\\-help\nThe list of verbs.\n"
         ".TP\n.B \\-\\-version\nThe version.\n"
         ".TP\n.B \\-\\-man\nThis manual page, in roff.\n"
         ".TP\n.B \\-\\-completion bash\nA bash completion script for verbs, formats and options.\n";
    s += ".SH VERBS\n";
    for (const Verb& v : Verbs()) {
        if (v.group) {
            s += ".SS " + Roff(v.name) + " " + Roff(v.group->word) + "\n";
            s += RoffLines(v.group->help);
        } else {
            s += ".SS " + Roff(v.name) + "\n";
        }
        for (const CommandInfo& cmd : CommandTable())
            if (cmd.verb && VerbName(cmd) == v.name && FindCommandByVerb(cmd.verb) == &cmd) ManCommand(s, cmd);
    }
    s += ".SH \"EXIT STATUS\"\n"
         "0 when every verb succeeded, 1 when a verb failed, 2 on wrong usage.\n";
    s += ".SH EXAMPLES\n"
         ".EX\n"
         "aquenta\\-cli import nmea run1.gga hi\\-pass save run1.son\n"
         "aquenta\\-cli open run1.son delete\\-box plan 0 0 5000 5000 export xyz run1.xyz\n"
         "aquenta\\-cli open run1.son time\\-frame 1246442400 1246446000 \\-\\-units survey status\n"
         ".EE\n";
    s += ".SH \"SEE ALSO\"\n.BR aquenta (1)\n";
    return s;
}

std::string BashCompletion() {
    std::set<std::string> verbs;
    for (const Verb& v : Verbs()) verbs.insert(std::string(v.name));
    std::string s;
    s += "# bash completion for aquenta-cli: verbs, their formats and options.\n"
         "# Made by aquenta-cli --completion bash from its command table; do not edit.\n"
         "_aquenta_cli() {\n"
         "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "    local verb= at=0 i opts=\n"
         "    local verbs=\"" + Join(verbs) + "\"\n"
         "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "        case \" $verbs \" in *\" ${COMP_WORDS[i]} \"*) verb=${COMP_WORDS[i]}; at=$i ;; esac\n"
         "    done\n"
         "    case $prev in\n"
         "        --tz) COMPREPLY=($(compgen -W \"UTC\" -- \"$cur\")); return ;;\n"
         "        --units) COMPREPLY=($(compgen -W \"logical survey\" -- \"$cur\")); return ;;\n"
         "    esac\n"
         "    if [[ -z $verb ]]; then\n"
         "        COMPREPLY=($(compgen -W \"--tz --yes --no --help --version help $verbs\" -- \"$cur\"))\n"
         "        return\n"
         "    fi\n"
         "    local word=${COMP_WORDS[at+1]}\n"
         "    case $verb in\n";
    for (const Verb& v : Verbs()) {
        if (!v.group) continue;
        std::set<std::string> words;
        for (const CommandInfo& cmd : CommandTable())
            if (VerbName(cmd) == v.name && cmd.verb) words.insert(std::string(VerbWord(cmd)));
        s += "        " + std::string(v.name) + ")\n"
             "            if ((COMP_CWORD == at + 1)); then\n"
             "                COMPREPLY=($(compgen -W \"" + Join(words) + "\" -- \"$cur\")); return\n"
             "            fi ;;\n";
    }
    s += "    esac\n"
         "    case \"$verb $word\" in\n";
    std::set<std::string> done;
    for (const CommandInfo& cmd : CommandTable()) {
        if (!cmd.verb || !done.insert(cmd.verb).second) continue;
        const std::set<std::string> options = OptionsOf(cmd.args);
        if (options.empty()) continue;
        // A verb of one word matches whatever follows it.
        const std::string pattern = VerbWord(cmd).empty() ? "\"" + std::string(cmd.verb) + " \"*" : "\"" + std::string(cmd.verb) + "\"";
        s += "        " + pattern + ") opts=\"" + Join(options) + "\" ;;\n";
    }
    s += "    esac\n"
         "    if [[ $cur == -* ]]; then\n"
         "        COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))\n"
         "    else\n"
         "        COMPREPLY=($(compgen -f -- \"$cur\") $(compgen -W \"$verbs\" -- \"$cur\"))\n"
         "    fi\n"
         "}\n"
         "complete -o filenames -F _aquenta_cli aquenta-cli\n";
    return s;
}

}  // namespace aq::cli
