#include "cli/GetOptionTable.h"

#include <array>
#include <cstdint>
#include <cstdlib>

#include "core/IntegerText.h"
#include "core/Text.h"

namespace {

using Value = std::optional<std::string>;

// The value of an environment variable, empty when it is not set.
std::string EnvironmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// A flag: sets one field of the settings, or of the run, to a fixed value.
template <bool SessionSettings::*Field, bool To>
std::string SetSetting(GetOptionsDraft& draft, const Value&) {
    draft.Options.Settings.*Field = To;
    return {};
}

template <bool GetOptions::*Field>
std::string SetRunOption(GetOptionsDraft& draft, const Value&) {
    draft.Options.*Field = true;
    return {};
}

template <bool EntireSite>
std::string ChooseDepth(GetOptionsDraft& draft, const Value&) {
    draft.SearchEntireSite = EntireSite;
    return {};
}

// A number field: the whole value is the number, or the usage error says it is none.
template <int SessionSettings::*Field>
std::string SetNumber(GetOptionsDraft& draft, const Value& value) {
    const auto number = ParseInteger<int>(*value);
    if (!number) return NotIntegerMessage(*value);
    draft.Options.Settings.*Field = *number;
    return {};
}

std::string SetTries(GetOptionsDraft& draft, const Value& value) {
    const auto tries = ParseInteger<std::int64_t>(*value);
    if (!tries) return NotIntegerMessage(*value);
    if (*tries < 1 || *tries > 100) return "option '--tries' needs a number from 1 to 100";
    draft.Options.Tries = static_cast<int>(*tries);
    return {};
}

std::string SetProxy(GetOptionsDraft& draft, const Value& value) {
    const std::size_t colon = value->rfind(':');
    if (colon == std::string::npos || colon == 0) return "option '--proxy' needs HOST:PORT";
    const std::string port = value->substr(colon + 1);
    const auto number = ParseInteger<int>(port);
    if (!number) return NotIntegerMessage(port);
    SessionSettings& s = draft.Options.Settings;
    s.UseProxy = true;
    s.ProxyAddress = value->substr(0, colon);
    s.ProxyPort = *number;
    return {};
}

std::string AddSizeLimit(GetOptionsDraft& draft, const Value& value) {
    const std::size_t colon = value->rfind(':');
    if (colon == std::string::npos) return "option '--size-limit' needs TYPE:KB";
    const std::string kilobytes = value->substr(colon + 1);
    const auto number = ParseInteger<std::int64_t>(kilobytes);
    if (!number) return NotIntegerMessage(kilobytes);
    draft.Options.Settings.FileSizeLimits.push_back({LowerCase(value->substr(0, colon)), number});
    return {};
}

std::string RetrieveFromFtp(GetOptionsDraft& draft, const Value& value) {
    SessionSettings& s = draft.Options.Settings;
    // The FTP option belongs to ZIP/EXE retrieval: the dialog offers it only then.
    s.RetrieveZIPEXEFiles = true;
    s.RetrieveFromFTP = true;
    if (value) {
        const std::size_t colon = value->find(':');
        s.FTPUserName = value->substr(0, colon);
        s.FTPPassword = colon == std::string::npos ? EnvironmentText("LANTERNWAY_FTP_PASSWORD")
                                                   : value->substr(colon + 1);
    }
    return {};
}

std::string RetrieveOtherFiles(GetOptionsDraft& draft, const Value& value) {
    draft.Options.Settings.RetrieveOtherFiles = true;
    if (value) draft.Options.Settings.OtherFileTypes = *value;
    return {};
}

std::string SetHttpUser(GetOptionsDraft& draft, const Value& value) {
    draft.Options.Settings.UseHTTPAuthentication = true;
    draft.Options.Settings.HTTPUserName = *value;
    return {};
}

std::string SetHttpPassword(GetOptionsDraft& draft, const Value& value) {
    draft.Options.Settings.UseHTTPAuthentication = true;
    draft.Options.Settings.HTTPPassword = *value;
    draft.HTTPPasswordGiven = true;
    return {};
}

std::string ShowFile(GetOptionsDraft& draft, const Value& value) {
    draft.Options.SessionFileToShow = *value;
    return {};
}

using enum OptionValue;
using enum HelpSection;

const std::array Options = {
    GetOption{"--entire-site", None, "", "", SearchDepth, "Search Entire Site", ChooseDepth<true>},
    GetOption{"--current-page", None, "", "", SearchDepth, "Search Only Current Page",
              ChooseDepth<false>},

    GetOption{"--no-html", None, "", "", FilesToRetrieve,
              "no HTML files (pages are fetched for what they embed)",
              SetSetting<&SessionSettings::RetrieveHTMLFiles, false>},
    GetOption{"--no-images", None, "", "", FilesToRetrieve, "no images",
              SetSetting<&SessionSettings::RetrieveImageFiles, false>},
    GetOption{"--zip-exe", None, "", "", FilesToRetrieve, "ZIP/EXE files",
              SetSetting<&SessionSettings::RetrieveZIPEXEFiles, true>},
    GetOption{"--ftp", Optional, "[=USER[:PASSWORD]]", "", FilesToRetrieve,
              "also ZIP/EXE files on FTP sites, with these credentials", RetrieveFromFtp},
    GetOption{"--java", None, "", "", FilesToRetrieve, "Java applets",
              SetSetting<&SessionSettings::RetrieveJavaApplets, true>},
    GetOption{"--other", Optional, "[=TYPES]", "", FilesToRetrieve,
              "other files (default types \".au;.pdf;.asp;.txt\")", RetrieveOtherFiles},
    GetOption{"--email", None, "", "", FilesToRetrieve,
              "collect e-mail addresses into EMailAddress.html",
              SetSetting<&SessionSettings::CollectEMailAddresses, true>},
    GetOption{"--complete", None, "", "", FilesToRetrieve,
              "Complete copy: style sheets, scripts, fonts and the site's\n"
              "own folders (pages read fully, links made relative)",
              SetSetting<&SessionSettings::CompleteCopy, true>},

    GetOption{"--proxy", Required, "=HOST:PORT", "needs HOST:PORT", ConnectionAndLimits,
              "connect through a proxy", SetProxy},
    GetOption{"--threads", Required, "=N", "needs a number", ConnectionAndLimits,
              "maximum download threads (default 10)", SetNumber<&SessionSettings::MaximumThreads>},
    GetOption{"--min-disk", Required, "=MB", "needs a number", ConnectionAndLimits,
              "minimum free disk space (default 50)",
              SetNumber<&SessionSettings::MinimumDiskSpace>},
    GetOption{"--tries", Required, "=N", "needs a number", ConnectionAndLimits,
              "requests per file when the server is busy (429, 502, 503,\n"
              "504) or the connection is refused, reset or timed out\n"
              "(default 3; 1 turns retrying off)",
              SetTries},
    GetOption{"--size-limit", Required, "=TYPE:KB", "needs TYPE:KB", ConnectionAndLimits,
              "largest size of a file type, e.g. .zip:500 (repeatable)", AddSizeLimit},
    GetOption{"--http-user", Required, "=USER", "needs a user name", ConnectionAndLimits,
              "user name for password-protected files", SetHttpUser},
    GetOption{"--http-password", Required, "=PASSWORD", "needs a password", ConnectionAndLimits,
              "password for password-protected files", SetHttpPassword},

    GetOption{"--show", WholeCommandLine, " SESSION-FILE",
              "takes one session file and nothing else", SessionFiles,
              "print a session file's text, one stored line per line", ShowFile},

    GetOption{"--no-convert", None, "", "", Run,
              "keep the pages as retrieved (no offline conversion)",
              SetRunOption<&GetOptions::NoConvert>},
    GetOption{"--quiet", None, "", "", Run, "no progress line; only error messages",
              SetRunOption<&GetOptions::Quiet>},
    GetOption{"--help", None, "", "", Run, "show this text", SetRunOption<&GetOptions::Help>},
    GetOption{"--version", None, "", "", Run, "show the version",
              SetRunOption<&GetOptions::Version>},
};

}  // namespace

std::span<const GetOption> GetOptionTable() {
    return Options;
}

HelpSectionText SectionText(HelpSection section) {
    switch (section) {
        case SearchDepth:
            return {
                "Search depth (default: from the address; one containing \".htm\" is a single "
                "page):",
                ""};
        case FilesToRetrieve:
            return {"Files to retrieve (default: HTML files and images):", ""};
        case ConnectionAndLimits:
            return {"Connection and limits:",
                    "A password left out of --ftp=USER or --http-user=USER is taken from the "
                    "environment\n"
                    "variable LANTERNWAY_FTP_PASSWORD or LANTERNWAY_HTTP_PASSWORD, so that it "
                    "need not\n"
                    "stand on the command line (or in the shell's history). No password is "
                    "written to a\n"
                    "file or shown in a message."};
        case SessionFiles:
            return {"Session files:", ""};
        case Run:
            return {"Run:", ""};
    }
    return {};
}
