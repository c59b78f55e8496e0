// The texts of the run's log lines as the tests expect them, byte for byte (Shift_JIS).
#pragma once

#include <string>

namespace kxtest {

// の検索＆置換に失敗しました． and に検索語は見つかりませんでした．, each with its LF.
const std::string kFailed = "\x82\xCC\x8C\x9F\x8D\xF5\x81\x95\x92\x75\x8A\xB7\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC"
                            "\x82\xB5\x82\xBD\x81\x44\n";
const std::string kNoHit = "\x82\xC9\x8C\x9F\x8D\xF5\x8C\xEA\x82\xCD\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9"
                           "\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x44\n";

// The line of a file with n replacements: path, 内の, n, 個の語を置換しました．, LF.
inline std::string Replaced(const std::string& path, int n) {
    return path + "\x93\xE0\x82\xCC" + std::to_string(n) +
           "\x8C\xC2\x82\xCC\x8C\xEA\x82\xF0\x92\x75\x8A\xB7\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x44\n";
}

}  // namespace kxtest
