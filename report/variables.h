// Report variables: named texts kept in a libconfig store, expanded into
// texts that refer to them as $name (or to environment variables as %name),
// with date variables recomputed from relative date expressions.
//
// The store holds a top-level group "variable" with one group per variable:
//     variable = { site = { value = "North"; };
//                  month = { type = "date"; date = "M-1"; format = "%Y-%m"; }; };
//
// Not thread-safe beyond the lock and total: setVariable and expandText take
// no lock and the recomputed date text goes through a static buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include <libconfig.h>

// A calendar date in 32 bits, little-endian on every host: year in bits
// 0-15, month 1-12 in 16-19, day 1-31 in 24-29, bits 30 and 31 set.
using PackedDate = uint32_t;

constexpr uint32_t kVariablesLockReady = 0x01; // the lock is initialised

struct ReportVariables {
    config_t* configuration; // the store in use
    config_t embeddedStore;  // used when the caller gives none
    uint32_t ownsStore;      // 1: initialised here, destroyed by variablesDestroy
    std::mutex* lock;        // guards total
    uint32_t total;          // shared counter
    uint32_t lockFlags;      // VARIABLES_LOCK_...

    // ---- lock operations
    void (*destroyLock)(ReportVariables* context);
    void (*enter)(ReportVariables* context);
    void (*leave)(ReportVariables* context);
    // Adds value to total under the lock; returns the new total.
    uint32_t (*add)(ReportVariables* context, uint32_t value);

    // Stores the printf-formatted value (at most 1023 characters) as the
    // variable's "value", adding the variable when needed. Does nothing when
    // the store has no "variable" group or the name is not a valid setting
    // name. Returns 1.
    int (*setVariable)(ReportVariables* context, const char* name, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    // Destroys the lock and, when owned, the store.
    void (*variablesDestroy)(ReportVariables* context);
    // Writes text with $name and %name references replaced into output
    // (size bytes, always terminated; a replacement that does not fit whole
    // is left out). With noEnvironment set, %name gives "***BADENV:name***".
    // Returns 1.
    int (*expandText)(ReportVariables* context, const char* text, char* output, size_t size,
                      int noEnvironment);
};

// Sets up the context. With a store and useStore set, that store is used as
// it is. Otherwise a store is initialised (the caller's when given, else the
// embedded one), owned by the context, and filled from the file named by
// KVLTVARFILE when that is set (a file that cannot be read leaves the store
// empty). The "variable" group is added when missing; total starts at 0.
void variablesInit(ReportVariables* context, config_t* store, int useStore);

// text with each $name that names a variable of the store replaced by its
// value (a date variable recomputed first). Nothing else changes: "%", an
// unknown $name and the character after a name are written as they stand. This is how report titles
// and notes are expanded. A null context leaves text as it is.
std::string expandVariableNames(ReportVariables* context, std::string_view text);

// The most a variables file may hold: a few dozen names, with room to spare.
constexpr size_t kMaxVariablesFile = size_t(16) << 20;

// Reads the variables file at path into store (initialised). Only a regular
// file of at most kMaxVariablesFile bytes is read; when it cannot be read or
// parsed, the store is left empty and false returned.
bool variablesReadFile(config_t* store, const char* path);

// Evaluates a date expression ("2024-05-06+3", "2025", "M-1+14", "m+0",
// "Y+1", "y-1", "W+0+1", "*-7", "*"). Returns 1 and stores the local
// calendar date in *date when the text is valid, else 0.
int parseDateExpression(const char* text, PackedDate* date);

// The packed form of a calendar date (year, month 1-12, day 1-31).
PackedDate packDate(int year, int month, int day);
