// Quarry's DDE interface: the service and topic, and the names of its items. The server registers
// them, quarryctl and the benchmark client ask for them; the names are the interface that clients
// such as the editor's macros rely on, spelt exactly so.
#pragma once

namespace kx {
namespace protocol {

constexpr char kService[] = "Quarry";
constexpr char kTopic[] = "Quarry";

// Pokes.
constexpr char kSet[] = "Set";
constexpr char kSetDir[] = "SetDir";
constexpr char kSetFilePattern[] = "SetFilePattern";
constexpr char kSetFindStr[] = "SetFindStr";
constexpr char kSetReplaceStr[] = "SetReplaceStr";
constexpr char kSetCharSet[] = "SetCharSet";
constexpr char kSetLineBreak[] = "SetLineBreak";
constexpr char kSetHmJreDLL[] = "SetHmJreDLL";
constexpr char kShowLog[] = "ShowLog";

// Executes.
constexpr char kReplace[] = "Replace";
constexpr char kPreview[] = "Preview";  // also a request: what the last "Preview" found
constexpr char kFuzzyOptionDialog[] = "FuzzyOptionDialog";

// Requests.
constexpr char kLog[] = "Log";
constexpr char kNotices[] = "Notices";
constexpr char kFileList[] = "FileList";
constexpr char kGetHmJreVersion[] = "GetHmJreVersion";

}  // namespace protocol
}  // namespace kx
