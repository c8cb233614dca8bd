#pragma once

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
