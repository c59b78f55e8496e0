// The texts of the run's log, as the "Log" and "Notices" replies and the result window carry them.
// Written as UTF-8; the compiler stores them in code page 932 (-fexec-charset=CP932).
#pragma once

namespace kx {

// The whole notice of a run whose file patterns match no file.
constexpr char kNoFilesNotice[] = "該当ファイルが見つかりませんでした．";
// The end of the line of a file that failed: <path>の検索＆置換に失敗しました．
constexpr char kFailedLineEnd[] = "の検索＆置換に失敗しました．\n";
// The end of the line of a file without a hit: <path>に検索語は見つかりませんでした．
constexpr char kNoHitLineEnd[] = "に検索語は見つかりませんでした．\n";
// The line of a file with hits: <path>内の<count>個の語を置換しました．
constexpr char kReplacedIn[] = "内の";
constexpr char kReplacedLineEnd[] = "個の語を置換しました．\n";

}  // namespace kx
