// The texts quarry.exe shows in its message boxes: the command line's rejections and the failures
// of the modes. Written as UTF-8; the compiler stores them in code page 932 (-fexec-charset=CP932).
#pragma once

namespace kx {

// Rejections of the command line, each after the option's name.
constexpr char kUnknownOption[] = "は知らないオプションです．";
constexpr char kOptionNeedsArgument[] = "は引数を必要とするオプションです．";
constexpr char kOptionMustStandAlone[] = "は引数を必要とします．このオプションは単体で指定してください．";

// The DDE set-up failed (with the caption kErrorCaption).
constexpr char kDdeFailed[] = "DDE初期化に失敗．";
constexpr char kErrorCaption[] = "エラー";
// A stop request found no waiting server.
constexpr char kNoneWaiting[] = "現在DDE待機中のQuarryはないようです．";

}  // namespace kx
