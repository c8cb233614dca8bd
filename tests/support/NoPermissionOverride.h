#pragma once

// While it lives, the calling thread is held to the files' permission bits even when it runs as
// root (it gives up the capabilities that override them), so that tests can make a file
// unreadable or a folder unwritable with chmod. Tests check the effect (an open that fails) before relying on it.
class NoPermissionOverride {
public:
    NoPermissionOverride();
    ~NoPermissionOverride();
    NoPermissionOverride(const NoPermissionOverride&) = delete;
    NoPermissionOverride& operator=(const NoPermissionOverride&) = delete;

private:
    bool lowered_ = false;
    unsigned saved_[6] = {};
};

// True when the file opens for reading in spite of its permission bits: the account can read
// any file, so a test that needs an unreadable one has nothing to test.
bool ReadableDespitePermissions(const char* path);
