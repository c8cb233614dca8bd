#pragma once

class CompleteCopy;
class SessionState;

// The offline conversion at the end of a completed session. For every file of KnownFiles that
// is an ".html" or ".htm" page with content, either rewrites its links to the local names of
// the retrieved files (RetrieveHTMLFiles) or deletes it (the pages were only wanted for what
// they embed). Progress goes to the conversion window through the session's prompts.
//
// Returns true when every page was done; KnownFiles is then empty. A page that cannot be read or
// written ends the run: its message is shown, the remaining files stay as they are, KnownFiles
// is kept and the result is false.
bool ConvertProjectFiles(SessionState& session);

// The complete copy's conversion (CompleteCopy::ConvertAll) in the same window. Every file
// that can be is rewritten; an error box then names the first that could not, and the result
// is false.
bool ConvertCompleteCopy(SessionState& session, CompleteCopy& copy);
