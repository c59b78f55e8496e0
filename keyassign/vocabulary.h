// Translation between key names and key codes, and between command names and command values,
// for the editor version the caller has set; plus the two enumerations of valid names.
#pragma once

#include <cstdint>

#include "keyassign/tables.h"

namespace bindery {

constexpr int32_t kDefaultEditorVersion = 418;
constexpr int32_t kNewestEditorVersion = 508;
constexpr int32_t kOldestDistinctEditorVersion = 410;

// The constant empty string every text lookup answers when it finds nothing.
extern const char kEmptyText[];
// "(なし)", the name under which a key without a command is shown.
extern const char kNoCommand[];

// One table seen through a version: first-match lookups in table order and an enumeration
// position of its own.
class VersionedTable {
public:
    VersionedTable(const TableRow* rows, int count, int first_enumerated);

    // Number of the first row valid at `version` whose name equals `name` byte for byte; -1 if none.
    int32_t NumberOf(const char* name, int32_t version) const;
    // Name of the first row valid at `version` with `number`; nullptr if none.
    const char* NameOf(int32_t number, int32_t version) const;

    void Restart() { position_ = first_enumerated_; }
    // The next name valid at `version`, or the empty text once the table is exhausted.
    const char* Next(int32_t version);

private:
    static bool Valid(const TableRow& row, int32_t version) {
        return row.first_version <= version && version <= row.last_version;
    }

    const TableRow* rows_;
    int count_;
    int first_enumerated_;
    int position_;
};

// The process-wide vocabulary: both tables and the editor version that selects their rows.
class Vocabulary {
public:
    Vocabulary();

    int32_t version() const { return version_; }
    // Versions above the newest known one count as the newest; versions before 410 all behave
    // alike and are stored as 0.
    void SetVersion(int32_t version);

    int32_t KeyCode(const char* key_name) const;           // -1 when unknown
    const char* KeyName(int32_t code) const;               // empty text when unknown or below 50
    int32_t CommandValue(const char* command_name) const;  // -1 when unknown
    const char* CommandName(int32_t value) const;          // empty text when unknown

    // Non-zero `advance`: the next valid name (empty text at the end); zero: restart, empty text.
    const char* EnumerateKeys(int32_t advance);
    const char* EnumerateCommands(int32_t advance);

private:
    int32_t version_;
    VersionedTable keys_;
    VersionedTable commands_;
};

}  // namespace bindery
