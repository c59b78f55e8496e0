// Quarry's DDE interface: the service and topic, and the names of its items. The server registers
// them, quarryctl and the benchmark client ask for them; the names are the interface that clients
// such as the editor's macros rely on, spelt exactly so.
#pragma once

namespace kx {
namespace protocol {

constexpr char kService[] = "Quarry", kTopic[] = "Quarry";

// Pokes.
constexpr char kSet[] = "Set", kSetDir[] = "SetDir", kSetFilePattern[] = "SetFilePattern", kSetFindStr[] = "SetFindStr",
               kSetReplaceStr[] = "SetReplaceStr", kSetCharSet[] = "SetCharSet", kSetLineBreak[] = "SetLineBreak",
               kSetHmJreDLL[] = "SetHmJreDLL", kShowLog[] = "ShowLog";

// Executes; "Preview" is also a request: what the last "Preview" found.
constexpr char kReplace[] = "Replace", kPreview[] = "Preview", kFuzzyOptionDialog[] = "FuzzyOptionDialog";

// Requests.
constexpr char kLog[] = "Log", kNotices[] = "Notices", kFileList[] = "FileList", kGetHmJreVersion[] = "GetHmJreVersion";

}  // namespace protocol
}  // namespace kx
