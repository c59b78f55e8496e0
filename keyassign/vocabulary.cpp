// Linear first-match lookups over the key and command tables, filtered by editor version.
#include "keyassign/vocabulary.h"

#include <cstring>

namespace bindery {

const char kEmptyText[] = "";
const char kNoCommand[] = "(\x82\xc8\x82\xb5)";

namespace {
constexpr int32_t kLowestKeyCode = 50;
}  // namespace

VersionedTable::VersionedTable(const TableRow* rows, int count, int first_enumerated)
    : rows_(rows), count_(count), first_enumerated_(first_enumerated), position_(first_enumerated) {}

int32_t VersionedTable::NumberOf(const char* name, int32_t version) const {
    for (int i = 0; i < count_; ++i) {
        if (Valid(rows_[i], version) && std::strcmp(rows_[i].name, name) == 0) return rows_[i].number;
    }
    return -1;
}

const char* VersionedTable::NameOf(int32_t number, int32_t version) const {
    for (int i = 0; i < count_; ++i) {
        if (Valid(rows_[i], version) && rows_[i].number == number) return rows_[i].name;
    }
    return nullptr;
}

const char* VersionedTable::Next(int32_t version) {
    while (position_ < count_) {
        const TableRow& row = rows_[position_++];
        if (Valid(row, version)) return row.name;
    }
    return kEmptyText;
}

// Row 0 of both tables is the empty name, and row 1 of the command table is "(なし)"; neither
// is ever enumerated.
Vocabulary::Vocabulary()
    : version_(kDefaultEditorVersion),
      keys_(kKeyTable, kKeyRowCount, 1),
      commands_(kCommandTable, kCommandRowCount, 2) {}

void Vocabulary::SetVersion(int32_t version) {
    if (version > kNewestEditorVersion) {
        version_ = kNewestEditorVersion;
    } else if (version < kOldestDistinctEditorVersion) {
        version_ = 0;
    } else {
        version_ = version;
    }
}

int32_t Vocabulary::KeyCode(const char* key_name) const { return keys_.NumberOf(key_name, version_); }

const char* Vocabulary::KeyName(int32_t code) const {
    if (code < kLowestKeyCode) return kEmptyText;
    const char* name = keys_.NameOf(code, version_);
    return name ? name : kEmptyText;
}

int32_t Vocabulary::CommandValue(const char* command_name) const { return commands_.NumberOf(command_name, version_); }

const char* Vocabulary::CommandName(int32_t value) const {
    const char* name = commands_.NameOf(value, version_);
    return name ? name : kEmptyText;
}

const char* Vocabulary::EnumerateKeys(int32_t advance) {
    if (advance == 0) {
        keys_.Restart();
        return kEmptyText;
    }
    return keys_.Next(version_);
}

const char* Vocabulary::EnumerateCommands(int32_t advance) {
    if (advance == 0) {
        commands_.Restart();
        return kEmptyText;
    }
    return commands_.Next(version_);
}

}  // namespace bindery
