// Opening files by name on a machine that may be shared, full or hostile.
//
// Reading: every file the programs read by name (scan file, barcodes,
// journal, lock, variables file, logo) is opened through openRegularFile, so
// that a folder, a named pipe, a device or a socket is refused before
// anything can block on it or set off a device's own effects.
//
// The user's private files (the scan journals, the one-writer locks) live in
// a folder of the user's data folder that only the user may write, as ssh
// keeps ~/.ssh: the folder is made 0700 and refused when it belongs to
// another user or other users may write it, and its files are opened without
// following a link and refused unless they are plain files of the user's own.
// The data folder never falls back to a shared place such as /tmp.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

struct stat;

// ------------------------------------------------------------------ reading

// Opens path for reading when it is a regular file (a symbolic link is
// followed to it): fstat of the opened file is in status. The descriptor
// reads normally (blocking) and is closed on exec. -1 with why, a phrase
// such as "it is a named pipe, not a regular file" or the system's reason
// ("No such file or directory"), when it is not or cannot be opened.
int openRegularFile(const std::string& path, struct stat& status, std::string& why);

// How reading an open file to its end went.
enum class [[nodiscard]] ReadOutcome{
    kRead,     // text holds all of it
    kTooLarge, // it has more than the limit
    kFailed,   // a read failed; errno says why
};

// Reads fd from where it stands to its end into text (replacing what text
// held), at most limit bytes. text is cleared unless the outcome is kRead.
// The descriptor stays open.
ReadOutcome readToEnd(int fd, size_t limit, std::string& text);

// The whole regular file in text, at most limit bytes. false with why (as
// above, or "it is larger than <limit> bytes") when it cannot be read.
[[nodiscard]] bool readRegularFile(const std::string& path, size_t limit, std::string& text,
                                   std::string& why);

// ------------------------------------------------------------------ private files

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share, else the home folder the password database gives for
// the effective user plus /.local/share. Empty when there is none.
std::string userDataFolder();

// Makes folder (and the folders above it that are missing) with mode 0700
// and checks that folder and its parent up to stopAt (a prefix of folder,
// not checked itself) are the user's own and writable by nobody else. The
// final folder must not be a symbolic link. false with a message that names
// the folder and says what to do when it is not safe to use.
bool makePrivateFolder(const std::string& folder, const std::string& stopAt, std::string& why);

// Opens a file in a private folder without following a symbolic link and
// without blocking (flags are open's, O_NOFOLLOW, O_NONBLOCK and O_CLOEXEC
// added; mode for O_CREAT), then checks what was opened: a regular file of
// the effective user with no other hard link. The descriptor is switched to
// blocking I/O. -1 with a message that names the path when it is refused or
// cannot be opened; errno is then the reason (ENOENT when it does not
// exist, ELOOP for a link, EPERM for a file that is not the user's).
int openPrivateFile(const std::string& path, int flags, mode_t mode, std::string& why);
