#include "cli/GetOptions.h"

#include <cstdlib>

#include "cli/GetOptionTable.h"
#include "core/StartAddress.h"
#include "core/Text.h"

namespace {

// "--name=value" gives value for --name; "--name" alone gives no value.
struct Split {
    std::string Name;
    std::optional<std::string> Value;
};

Split SplitOption(const std::string& arg) {
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos) return {arg, std::nullopt};
    return {arg.substr(0, eq), arg.substr(eq + 1)};
}

const GetOption* FindOption(std::string_view name) {
    for (const GetOption& option : GetOptionTable())
        if (option.Name == name) return &option;
    return nullptr;
}

std::string Misuse(const GetOption& option) {
    return std::string(option.Name) + " " + std::string(option.Needs);
}

// Applies the option an argument names; returns the usage error, or an empty text.
std::string ApplyOption(const Split& given, GetOptionsDraft& draft) {
    const GetOption* option = FindOption(given.Name);
    // Only the name: the value of a mistyped password option is still a password.
    if (!option) return "unknown option '" + given.Name + "'";
    const std::string named = "option '" + given.Name + "' ";
    switch (option->Value) {
        case OptionValue::None:
            if (given.Value) return named + "takes no value";
            break;
        case OptionValue::Required:
            if (!given.Value) return named + std::string(option->Needs);
            break;
        case OptionValue::Optional:
            break;
        case OptionValue::WholeCommandLine:
            return Misuse(*option);  // it was not the first argument
    }
    return option->Apply(draft, given.Value);
}

// The value of an environment variable, empty when it is not set.
std::string EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The address and the session file, and what the options left to be settled by them.
std::string SettleArguments(const std::vector<std::string>& positional, GetOptionsDraft& draft) {
    if (positional.size() < 2) return "missing argument: ADDRESS and SESSION-FILE are needed";
    if (positional.size() > 2) return "unexpected argument '" + positional[2] + "'";
    GetOptions& o = draft.Options;
    SessionSettings& s = o.Settings;

    // A pasted address often brings a space or a line end along; a browser drops them too.
    const std::string& typed = positional[0];
    const std::size_t first = typed.find_first_not_of(" \t\r\n");
    s.MainURL = first == std::string::npos
                    ? std::string()
                    : typed.substr(first, typed.find_last_not_of(" \t\r\n") - first + 1);
    if (s.MainURL.empty()) return "missing argument: ADDRESS is empty";
    if (const std::string refusal = StartAddressRefusal(s.MainURL); !refusal.empty())
        return AddressScheme(s.MainURL) == "ftp" ? refusal + " (with --ftp)" : refusal;
    // Taken as http, and said so: a complete copy reads the site from the scheme.
    if (AddressScheme(s.MainURL).empty()) s.MainURL.insert(0, "http://");
    o.SessionFile = positional[1];
    if (o.SessionFile.empty()) return "missing argument: SESSION-FILE is empty";
    // The dialog's address rule, unless the depth was chosen.
    s.SearchEntireSite = draft.SearchEntireSite.value_or(!Contains(s.MainURL, ".htm"));
    // OK's trailing-slash rule.
    if (s.SearchEntireSite && (s.MainURL.empty() || s.MainURL.back() != '/')) s.MainURL += '/';
    if (s.UseHTTPAuthentication && !draft.HTTPPasswordGiven)
        s.HTTPPassword = EnvironmentText("LANTERNWAY_HTTP_PASSWORD");
    return {};
}

// An option's lines of --help: the option with its argument, then its text from the column
// where every option's text starts.
void AppendOptionHelp(std::string& out, const GetOption& option) {
    constexpr std::size_t TextColumn = 27;
    const std::size_t start = out.size();
    out += "  ";
    out += option.Name;
    out += option.Argument;
    out.append(out.size() - start < TextColumn ? TextColumn - (out.size() - start) : 1, ' ');
    for (const char c : option.Help) {
        out += c;
        if (c == '\n') out.append(TextColumn, ' ');
    }
    out += '\n';
}

}  // namespace

std::string GetUsage() {
    std::string out =
        "Usage: lanternway-get [OPTIONS] ADDRESS SESSION-FILE\n"
        "       lanternway-get --show SESSION-FILE\n"
        "Retrieves a site (or one page with what it embeds) into the project folder made\n"
        "from SESSION-FILE, converts its links for offline browsing and saves the session.\n"
        "\n";
    // The table lists each group's options together; a group ends where the next begins.
    const auto table = GetOptionTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const HelpSectionText section = SectionText(table[i].Section);
        if (i == 0 || table[i - 1].Section != table[i].Section) out.append(section.Title) += '\n';
        AppendOptionHelp(out, table[i]);
        const bool last = i + 1 == table.size() || table[i + 1].Section != table[i].Section;
        if (last && !section.Note.empty()) out.append(section.Note) += '\n';
    }
    return out +
           "\n"
           "Ctrl-C stops the session: running transfers may finish within 10 seconds, then\n"
           "they are cancelled, and the session is completed. A second Ctrl-C cancels them at\n"
           "once and saves the session without converting it (exit status 130); a third ends\n"
           "the program on the spot.\n"
           "Files that could not be retrieved are named on stderr with the reason.\n"
           "Exit status: 0 done, 1 failure (also a start page answered with an error, or a\n"
           "copy stopped short by the free disk space minimum), 2 usage error, 3 could not\n"
           "connect with the host.\n";
}

GetOptionsResult ParseGetOptions(const std::vector<std::string>& args) {
    GetOptionsResult result;
    GetOptionsDraft draft;
    auto finish = [&](std::string error) {
        result.Options = std::move(draft.Options);
        result.Error = std::move(error);
        return result;
    };

    // An option that stands for the whole command line is its first argument, with its value
    // joined to it or the one argument after it.
    if (!args.empty()) {
        const Split first = SplitOption(args[0]);
        const GetOption* option = FindOption(first.Name);
        if (option && option->Value == OptionValue::WholeCommandLine) {
            if (args.size() != (first.Value ? 1u : 2u)) return finish(Misuse(*option));
            return finish(option->Apply(draft, first.Value ? *first.Value : args[1]));
        }
    }

    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-')
                return finish("unknown option '" + SplitOption(arg).Name + "'");
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (std::string error = ApplyOption(SplitOption(arg), draft); !error.empty())
            return finish(std::move(error));
    }
    if (draft.Options.Help || draft.Options.Version) return finish({});
    return finish(SettleArguments(positional, draft));
}
