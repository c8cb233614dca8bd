#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/GetOptions.h"

// The command line as it is being read: the options so far, and what is settled only once every
// option has been read (the search depth falls back on the address; a password left out comes
// from the environment).
struct GetOptionsDraft {
    GetOptions Options;
    std::optional<bool> SearchEntireSite;  // chosen by --entire-site or --current-page
    bool HTTPPasswordGiven = false;
};

// How an option takes its value.
enum class OptionValue {
    None,      // "--name" only
    Required,  // "--name=VALUE"
    Optional,  // either
    // "--name=VALUE" or "--name VALUE", and nothing else on the command line
    WholeCommandLine,
};

// The groups of --help, in the order shown.
enum class HelpSection { SearchDepth, FilesToRetrieve, ConnectionAndLimits, SessionFiles, Run };

// One option of lanternway-get: how it is written, what --help says of it and what it sets. The
// table of them is the only place an option is declared: the parser reads it and --help prints
// it, so the help cannot leave an option out or describe one that is gone.
struct GetOption {
    std::string_view Name;  // "--threads"
    OptionValue Value;
    std::string_view Argument;  // as --help shows it after the name: "=N", "[=TYPES]"
    // What a Required value stands for, said when it is left out: "needs a number" gives
    // "option '--threads' needs a number". For WholeCommandLine, said when the rest is wrong.
    std::string_view Needs;
    HelpSection Section;
    std::string_view Help;  // its lines in --help, "\n" between them
    // Sets what the option stands for from its value (none when an Optional value was left out;
    // always none for None). Returns the usage error, or an empty text.
    std::string (*Apply)(GetOptionsDraft& draft, const std::optional<std::string>& value);
};

// Every option, in the order of --help.
std::span<const GetOption> GetOptionTable();

// A group's title line, and the lines --help shows after its options ("" for none).
struct HelpSectionText {
    std::string_view Title;
    std::string_view Note;
};
HelpSectionText SectionText(HelpSection section);
