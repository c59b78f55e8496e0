// The texts of the run's log lines and of quarry.exe's message boxes as the tests expect them, byte
// for byte (Shift_JIS). They are written as bytes, not as text, so that they do not depend on the
// compiler's execution character set, which turns the programs' own texts into these bytes.
#pragma once

#include <string>

namespace kxtest {

// 該当ファイルが見つかりませんでした．, the notice of a run whose patterns match no file.
const std::string kNoFiles = "\x8A\x59\x93\x96\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8"
                             "\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x44";

// の検索＆置換に失敗しました． and に検索語は見つかりませんでした．, as the end of a line and with its LF.
const std::string kFailedWords = "\x82\xCC\x8C\x9F\x8D\xF5\x81\x95\x92\x75\x8A\xB7\x82\xC9\x8E\xB8\x94\x73\x82\xB5"
                                 "\x82\xDC\x82\xB5\x82\xBD\x81\x44";
const std::string kNoHitWords = "\x82\xC9\x8C\x9F\x8D\xF5\x8C\xEA\x82\xCD\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC"
                                "\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x44";
const std::string kFailed = kFailedWords + "\n";
const std::string kNoHit = kNoHitWords + "\n";

// The line of a file with n replacements: path, 内の, n, 個の語を置換しました．, LF.
const std::string kReplacedIn = "\x93\xE0\x82\xCC";
const std::string kReplacedWords = "\x8C\xC2\x82\xCC\x8C\xEA\x82\xF0\x92\x75\x8A\xB7\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
                                   "\x81\x44";
inline std::string Replaced(const std::string& path, int n) {
    return path + kReplacedIn + std::to_string(n) + kReplacedWords + "\n";
}

// quarry.exe's rejections of its command line, each after the option's name: は知らないオプションです．,
// は引数を必要とするオプションです． and は引数を必要とします．このオプションは単体で指定してください．
const std::string kUnknownOption = "\x82\xCD\x92\x6D\x82\xE7\x82\xC8\x82\xA2\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93"
                                   "\x82\xC5\x82\xB7\x81\x44";
const std::string kNeedsArgument = "\x82\xCD\x88\xF8\x90\x94\x82\xF0\x95\x4B\x97\x76\x82\xC6\x82\xB7\x82\xE9\x83\x49"
                                   "\x83\x76\x83\x56\x83\x87\x83\x93\x82\xC5\x82\xB7\x81\x44";
const std::string kArgumentAlone = "\x82\xCD\x88\xF8\x90\x94\x82\xF0\x95\x4B\x97\x76\x82\xC6\x82\xB5\x82\xDC\x82\xB7"
                                   "\x81\x44\x82\xB1\x82\xCC\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93\x82\xCD\x92\x50"
                                   "\x91\xCC\x82\xC5\x8E\x77\x92\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2"
                                   "\x81\x44";
// Its failure boxes: DDE初期化に失敗． with the caption エラー, and 現在DDE待機中のQuarryはないようです．
const std::string kDdeFailed = "DDE\x8F\x89\x8A\xFA\x89\xBB\x82\xC9\x8E\xB8\x94\x73\x81\x44";
const std::string kErrorCaption = "\x83\x47\x83\x89\x81\x5B";
const std::string kNoneWaiting = "\x8C\xBB\x8D\xDD" "DDE\x91\xD2\x8B\x40\x92\x86\x82\xCC" "Quarry"
                                 "\x82\xCD\x82\xC8\x82\xA2\x82\xE6\x82\xA4\x82\xC5\x82\xB7\x81\x44";

}  // namespace kxtest
