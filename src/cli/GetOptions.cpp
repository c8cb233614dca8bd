#include "cli/GetOptions.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "core/IntegerText.h"
#include "core/StartAddress.h"
#include "core/Text.h"

namespace {

// "--name=value" gives value for --name; "--name" alone gives an empty optional.
struct Split {
    std::string Name;
    std::optional<std::string> Value;
};

Split SplitOption(const std::string& arg) {
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos) return {arg, std::nullopt};
    return {arg.substr(0, eq), arg.substr(eq + 1)};
}

// The value of an environment variable, empty when it is not set.
std::string EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace

std::string GetUsage() {
    return "Usage: lanternway-get [OPTIONS] ADDRESS SESSION-FILE\n"
           "       lanternway-get --show SESSION-FILE\n"
           "Retrieves a site (or one page with what it embeds) into the project folder made\n"
           "from SESSION-FILE, converts its links for offline browsing and saves the session.\n"
           "\n"
           "Search depth (default: from the address; one containing \".htm\" is a single page):\n"
           "  --entire-site            Search Entire Site\n"
           "  --current-page           Search Only Current Page\n"
           "Files to retrieve (default: HTML files and images):\n"
           "  --no-html                no HTML files (pages are fetched for what they embed)\n"
           "  --no-images              no images\n"
           "  --zip-exe                ZIP/EXE files\n"
           "  --ftp[=USER[:PASSWORD]]  also ZIP/EXE files on FTP sites, with these credentials\n"
           "  --java                   Java applets\n"
           "  --other[=TYPES]          other files (default types \".au;.pdf;.asp;.txt\")\n"
           "  --email                  collect e-mail addresses into EMailAddress.html\n"
           "  --complete               Complete copy: style sheets, scripts, fonts and the site's\n"
           "                           own folders (pages read fully, links made relative)\n"
           "Connection and limits:\n"
           "  --proxy=HOST:PORT        connect through a proxy\n"
           "  --threads=N              maximum download threads (default 10)\n"
           "  --min-disk=MB            minimum free disk space (default 50)\n"
           "  --tries=N                requests per file when the server is busy (429, 502, 503,\n"
           "                           504) or the connection is refused, reset or timed out\n"
           "                           (default 3; 1 turns retrying off)\n"
           "  --size-limit=TYPE:KB     largest size of a file type, e.g. .zip:500 (repeatable)\n"
           "  --http-user=USER         user name for password-protected files\n"
           "  --http-password=PASSWORD password for password-protected files\n"
           "A password left out of --ftp=USER or --http-user=USER is taken from the environment\n"
           "variable LANTERNWAY_FTP_PASSWORD or LANTERNWAY_HTTP_PASSWORD, so that it need not\n"
           "stand on the command line (or in the shell's history). No password is written to a\n"
           "file or shown in a message.\n"
           "Session files:\n"
           "  --show SESSION-FILE      print a session file's text, one stored line per line\n"
           "Run:\n"
           "  --no-convert             keep the pages as retrieved (no offline conversion)\n"
           "  --quiet                  no progress line; only error messages\n"
           "  --help                   show this text\n"
           "  --version                show the version\n"
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
    GetOptions& o = result.Options;
    SessionSettings& s = o.Settings;
    std::optional<bool> entireSite;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    std::string httpUser;
    std::string httpPassword;
    bool httpPasswordGiven = false;
    bool httpGiven = false;

    auto fail = [&](const std::string& message) {
        result.Error = message;
        return result;
    };

    for (const std::string& arg : args) {
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (!optionsEnded && arg.size() > 1 && arg[0] == '-')
                return fail("unknown option '" + SplitOption(arg).Name + "'");
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const Split opt = SplitOption(arg);
        const std::string& name = opt.Name;
        auto flag = [&](bool& target, bool value) {
            if (opt.Value) return false;
            target = value;
            return true;
        };
        auto needValue = [&]() -> bool { return opt.Value.has_value(); };

        if (name == "--entire-site" && !opt.Value) {
            entireSite = true;
        } else if (name == "--current-page" && !opt.Value) {
            entireSite = false;
        } else if (name == "--no-html") {
            if (!flag(s.RetrieveHTMLFiles, false)) return fail("option '--no-html' takes no value");
        } else if (name == "--no-images") {
            if (!flag(s.RetrieveImageFiles, false)) return fail("option '--no-images' takes no value");
        } else if (name == "--zip-exe") {
            if (!flag(s.RetrieveZIPEXEFiles, true)) return fail("option '--zip-exe' takes no value");
        } else if (name == "--java") {
            if (!flag(s.RetrieveJavaApplets, true)) return fail("option '--java' takes no value");
        } else if (name == "--complete") {
            if (!flag(s.CompleteCopy, true)) return fail("option '--complete' takes no value");
        } else if (name == "--email") {
            if (!flag(s.CollectEMailAddresses, true)) return fail("option '--email' takes no value");
        } else if (name == "--no-convert") {
            if (!flag(o.NoConvert, true)) return fail("option '--no-convert' takes no value");
        } else if (name == "--quiet") {
            if (!flag(o.Quiet, true)) return fail("option '--quiet' takes no value");
        } else if (name == "--help") {
            o.Help = true;
        } else if (name == "--version") {
            o.Version = true;
        } else if (name == "--ftp") {
            // The FTP option belongs to ZIP/EXE retrieval: the dialog offers it only then.
            s.RetrieveZIPEXEFiles = true;
            s.RetrieveFromFTP = true;
            if (opt.Value) {
                const std::size_t colon = opt.Value->find(':');
                s.FTPUserName = opt.Value->substr(0, colon);
                s.FTPPassword = colon == std::string::npos
                                    ? EnvironmentText("LANTERNWAY_FTP_PASSWORD")
                                    : opt.Value->substr(colon + 1);
            }
        } else if (name == "--other") {
            s.RetrieveOtherFiles = true;
            if (opt.Value) s.OtherFileTypes = *opt.Value;
        } else if (name == "--proxy") {
            if (!needValue()) return fail("option '--proxy' needs HOST:PORT");
            const std::size_t colon = opt.Value->rfind(':');
            if (colon == std::string::npos || colon == 0)
                return fail("option '--proxy' needs HOST:PORT");
            const std::string port = opt.Value->substr(colon + 1);
            const auto number = ParseInteger<int>(port);
            if (!number) return fail(NotIntegerMessage(port));
            s.UseProxy = true;
            s.ProxyAddress = opt.Value->substr(0, colon);
            s.ProxyPort = *number;
        } else if (name == "--threads") {
            if (!needValue()) return fail("option '--threads' needs a number");
            const auto number = ParseInteger<int>(*opt.Value);
            if (!number) return fail(NotIntegerMessage(*opt.Value));
            s.MaximumThreads = *number;
        } else if (name == "--min-disk") {
            if (!needValue()) return fail("option '--min-disk' needs a number");
            const auto number = ParseInteger<int>(*opt.Value);
            if (!number) return fail(NotIntegerMessage(*opt.Value));
            s.MinimumDiskSpace = *number;
        } else if (name == "--tries") {
            if (!needValue()) return fail("option '--tries' needs a number");
            const auto tries = ParseInteger<std::int64_t>(*opt.Value);
            if (!tries) return fail(NotIntegerMessage(*opt.Value));
            if (*tries < 1 || *tries > 100)
                return fail("option '--tries' needs a number from 1 to 100");
            o.Tries = static_cast<int>(*tries);
        } else if (name == "--size-limit") {
            if (!needValue()) return fail("option '--size-limit' needs TYPE:KB");
            const std::size_t colon = opt.Value->rfind(':');
            if (colon == std::string::npos) return fail("option '--size-limit' needs TYPE:KB");
            const std::string kb = opt.Value->substr(colon + 1);
            const auto kilobytes = ParseInteger<std::int64_t>(kb);
            if (!kilobytes) return fail(NotIntegerMessage(kb));
            s.FileSizeLimits.push_back({LowerCase(opt.Value->substr(0, colon)), kilobytes});
        } else if (name == "--http-user") {
            if (!needValue()) return fail("option '--http-user' needs a user name");
            httpUser = *opt.Value;
            httpGiven = true;
        } else if (name == "--http-password") {
            if (!needValue()) return fail("option '--http-password' needs a password");
            httpPassword = *opt.Value;
            httpPasswordGiven = true;
            httpGiven = true;
        } else {
            // Only the name: the value of a mistyped password option is still a password.
            return fail("unknown option '" + name + "'");
        }
    }
    if (o.Help || o.Version) return result;
    if (positional.size() < 2) return fail("missing argument: ADDRESS and SESSION-FILE are needed");
    if (positional.size() > 2) return fail("unexpected argument '" + positional[2] + "'");

    // A pasted address often brings a space or a line end along; a browser drops them too.
    const std::string& typed = positional[0];
    const std::size_t first = typed.find_first_not_of(" \t\r\n");
    s.MainURL = first == std::string::npos
                    ? std::string()
                    : typed.substr(first, typed.find_last_not_of(" \t\r\n") - first + 1);
    if (s.MainURL.empty()) return fail("missing argument: ADDRESS is empty");
    if (const std::string refusal = StartAddressRefusal(s.MainURL); !refusal.empty())
        return fail(AddressScheme(s.MainURL) == "ftp" ? refusal + " (with --ftp)" : refusal);
    // Taken as http, and said so: a complete copy reads the site from the scheme.
    if (AddressScheme(s.MainURL).empty()) s.MainURL.insert(0, "http://");
    o.SessionFile = positional[1];
    if (o.SessionFile.empty()) return fail("missing argument: SESSION-FILE is empty");
    // The dialog's address rule, unless the depth was chosen.
    s.SearchEntireSite = entireSite.value_or(!Contains(s.MainURL, ".htm"));
    // OK's trailing-slash rule.
    if (s.SearchEntireSite && (s.MainURL.empty() || s.MainURL.back() != '/')) s.MainURL += '/';
    if (httpGiven) {
        if (!httpPasswordGiven) httpPassword = EnvironmentText("LANTERNWAY_HTTP_PASSWORD");
        s.UseHTTPAuthentication = true;
        s.HTTPUserName = httpUser;
        s.HTTPPassword = httpPassword;
    }
    return result;
}
