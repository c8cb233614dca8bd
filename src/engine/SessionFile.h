#pragma once

#include <string>

class SessionState;

// Writing and opening session files (see SessionText.h for the format).

// Asks for a file name when the session is not complete yet (the name of a new session) or was
// opened from a file; writes the file only when the session is complete. Returns true when a
// name was chosen or the file was written; false after a cancel or a failure (which has been
// shown). The file is written whole or not at all: a failed save leaves the previous file as
// it was.
bool SaveSessionAs(SessionState& session);

// The Save Session As command: the same, but the name is always asked for; a person who
// chooses the command means to choose where the file goes, also right after a run.
bool SaveSessionUnderChosenName(SessionState& session);

// The run's own saves of a complete session: written under SessionFileName without asking.
// A file that cannot be written there is not lost without a word: the person is told why and
// asked for another place, again while the writes fail, until one is written or they decline
// (a place that failed already is tried once more and then the failure stands). False when
// nothing was written.
bool SaveSessionRecord(SessionState& session);

// The save after a file of a complete session was deleted: the record is saved as the run
// saves it, and afterwards the session counts as opened from its file. While a run is going
// on the record is not final, so nothing is written and nothing changes.
bool ForcedSilentSave(SessionState& session);

// Open Session: asks for a session file and opens it. False after a cancel or a failure.
bool OpenSession(SessionState& session);

// Opens a session file (the path is used as given) and rebuilds the project browser from it:
// grid rows, site tree, statistics texts, caption. The file is read, never written. A damaged
// file is reported and the current session stays as it was. Returns true when opened.
bool PerformFileOpen(SessionState& session, const std::string& path);
