// Macro list, macro groups, menu items, titles and the menu-8-to-Esc switch of bindery.dll.
#include <string>
#include <vector>

#include "keyassign/bindery_fixture.h"

namespace bindery_test {
namespace {

class BinderySettings : public BinderyTest {
protected:
    void StoreAndReload() {
        ASSERT_EQ(1, api_.writeToReg());
        ASSERT_EQ(1, api_.reloadReg());
    }
};

TEST_F(BinderySettings, MacroEntriesChangeAfterStoring) {
    EXPECT_STREQ("C:\\macros\\alpha.mac\nAlpha", api_.getMacroSettings(1));
    EXPECT_STREQ("ベータ", api_.getMacroName(2));
    EXPECT_STREQ("C:\\macros\\beta.mac", api_.getMacroFilePath(2));
    EXPECT_STREQ("\n", api_.getMacroSettings(80));
    for (int number : {0, 81, -1}) {
        EXPECT_STREQ("", api_.getMacroSettings(number));
        EXPECT_STREQ("", api_.getMacroName(number));
        EXPECT_STREQ("", api_.getMacroFilePath(number));
        EXPECT_EQ(0, api_.setMacroSettings(number, "n", "p"));
    }

    const std::string longest(255, 'n'), too_long(256, 'n');
    EXPECT_EQ(0, api_.setMacroSettings(2, too_long.c_str(), "p"));
    EXPECT_EQ(0, api_.setMacroSettings(2, "n", too_long.c_str()));
    EXPECT_EQ(0, api_.setMacroSettings(2, nullptr, "p"));
    EXPECT_EQ(0, api_.setMacroSettings(2, "n", nullptr));
    EXPECT_EQ(1, api_.setMacroSettings(80, longest.c_str(), "C:\\last.mac"));
    EXPECT_STREQ("", api_.getMacroName(80));
    StoreAndReload();
    EXPECT_EQ(longest, api_.getMacroName(80));
    EXPECT_STREQ("C:\\last.mac", api_.getMacroFilePath(80));
    EXPECT_STREQ("Alpha", api_.getMacroName(1));
    // All 80 pairs are stored: the texts plus two NULs each.
    const size_t texts = std::string("C:\\macros\\alpha.macAlphaC:\\macros\\beta.mac").size() +
                         std::string("ベータ").size() + 255 + std::string("C:\\last.mac").size();
    EXPECT_EQ(texts + 160, ReadAssignValue("Amacro").size());
}

// A stored list may be short or hold over-long texts: entries it does not reach stay empty and
// texts are cut to 256 bytes.
TEST_F(BinderySettings, StoredMacroListIsReadDefensively) {
    std::string list = "C:\\one.mac";
    list.push_back('\0');
    list += std::string(300, 'x');
    list.push_back('\0');
    list += "C:\\two.mac";  // no closing NUL: ignored
    WriteAssignValue("Amacro", REG_BINARY, list.data(), list.size());
    EXPECT_STREQ("C:\\one.mac", api_.getMacroFilePath(1));
    EXPECT_EQ(std::string(256, 'x'), api_.getMacroName(1));
    EXPECT_STREQ("", api_.getMacroFilePath(2));
    EXPECT_STREQ("", api_.getMacroName(2));
}

TEST_F(BinderySettings, MacroGroupNamesAreCutTo30Bytes) {
    EXPECT_STREQ("Edit", api_.getMacroGroupName(2));
    EXPECT_STREQ("", api_.getMacroGroupName(8));
    for (int group : {1, 9}) {
        EXPECT_STREQ("", api_.getMacroGroupName(group));
        EXPECT_EQ(0, api_.setMacroGroupName(group, "x"));
    }
    EXPECT_EQ(0, api_.setMacroGroupName(2, nullptr));
    EXPECT_EQ(1, api_.setMacroGroupName(2, "0123456789012345678901234567890123456789"));
    EXPECT_EQ(1, api_.setMacroGroupName(8, "Last"));
    EXPECT_STREQ("Edit", api_.getMacroGroupName(2));
    StoreAndReload();
    EXPECT_STREQ("012345678901234567890123456789", api_.getMacroGroupName(2));
    EXPECT_STREQ("Tools", api_.getMacroGroupName(3));
    EXPECT_STREQ("Last", api_.getMacroGroupName(8));

    // A record without its closing NUL has no name.
    settings_.macro_group.assign(217, 'g');
    InstallSettings(settings_);
    api_.reloadReg();
    EXPECT_STREQ("", api_.getMacroGroupName(4));
}

TEST_F(BinderySettings, MenuTitlesHoldUpTo16Bytes) {
    settings_.image[1357] = 0x5A;  // the byte after the eighth title belongs to a key word
    InstallSettings(settings_);
    EXPECT_STREQ("File", api_.getMenuTitle(1));
    EXPECT_STREQ("Extra", api_.getMenuTitle(8));
    EXPECT_STREQ("", api_.getMenuTitle(0));
    EXPECT_STREQ("", api_.getMenuTitle(9));
    EXPECT_EQ(0, api_.setMenuTitle(0, "x"));
    EXPECT_EQ(0, api_.setMenuTitle(9, "x"));
    EXPECT_EQ(0, api_.setMenuTitle(1, nullptr));
    EXPECT_EQ(0, api_.setMenuTitle(2, "12345678901234567"));
    EXPECT_EQ(1, api_.setMenuTitle(2, "ファイル操作一覧"));  // 16 bytes
    EXPECT_EQ(1, api_.setMenuTitle(8, "0123456789ABCDEF"));
    EXPECT_EQ(1, api_.setMenuTitle(1, "F"));
    EXPECT_STREQ("", api_.getMenuTitle(2));
    StoreAndReload();
    EXPECT_STREQ("F", api_.getMenuTitle(1));
    EXPECT_STREQ("ファイル操作一覧", api_.getMenuTitle(2));
    EXPECT_STREQ("0123456789ABCDEF", api_.getMenuTitle(8));
    // The titles share the "Key" value with the key words around them.
    const std::vector<uint8_t> key = ReadAssignValue("Key");
    EXPECT_EQ(std::string("F") + std::string(16, '\0') + "ファイル操作一覧",
              std::string(key.begin() + 1222, key.begin() + 1222 + 33));
    EXPECT_EQ(0x5A, key[1357]);
    EXPECT_STREQ("上書き保存", api_.getFuncNameFromKey("Ctrl+S"));
}

TEST_F(BinderySettings, MenuItemsReadAsCommandSeparatorOrEmpty) {
    EXPECT_STREQ("新規作成", api_.getMenuFunc(0, 1));
    EXPECT_STREQ("N", api_.getMenuAKey(0, 1));
    EXPECT_STREQ("開く", api_.getMenuFunc(1, 1));
    EXPECT_STREQ("O", api_.getMenuAKey(1, 1));
    EXPECT_STREQ("セパレータ", api_.getMenuFunc(1, 2));
    EXPECT_STREQ("", api_.getMenuAKey(1, 2));
    EXPECT_STREQ("", api_.getMenuFunc(1, 3));
    EXPECT_STREQ("", api_.getMenuAKey(1, 3));
    for (const auto& [menu, item] : std::vector<std::pair<int, int>>{{9, 1}, {-1, 1}, {0, 0}, {8, 26}}) {
        EXPECT_STREQ("", api_.getMenuFunc(menu, item));
        EXPECT_STREQ("", api_.getMenuAKey(menu, item));
        EXPECT_EQ(0, api_.setMenuItem(menu, item, "開く", "A"));
    }
}

TEST_F(BinderySettings, MenuItemsAreSetOnlyWithValidCommandAndAccelerator) {
    EXPECT_EQ(1, api_.setMenuItem(8, 25, "セパレータ", nullptr));
    EXPECT_EQ(0, api_.setMenuItem(1, 5, "上書き保存", "/"));
    EXPECT_EQ(0, api_.setMenuItem(1, 5, "上書き保存", "a"));
    EXPECT_EQ(0, api_.setMenuItem(1, 5, "上書き保存", "\x1f"));
    EXPECT_EQ(0, api_.setMenuItem(1, 5, "上書き保存", "あ"));
    EXPECT_EQ(0, api_.setMenuItem(1, 5, "上書き保存", ""));
    EXPECT_EQ(0, api_.setMenuItem(1, 5, "上書き保存", nullptr));
    EXPECT_EQ(0, api_.setMenuItem(1, 5, "NoSuchCommand", "S"));
    EXPECT_EQ(0, api_.setMenuItem(1, 5, nullptr, "S"));
    EXPECT_EQ(5, api_.setMenuItem(1, 4, "上書き保存", "S"));
    EXPECT_EQ(4099, api_.setMenuItem(0, 2, "進む", "_"));
    EXPECT_EQ(0, api_.setMenuItem(1, 1, "(なし)", "O"));  // clears the item
    EXPECT_EQ(0, api_.setMenuItem(0, 1, "", "N"));
    EXPECT_STREQ("開く", api_.getMenuFunc(1, 1));
    StoreAndReload();
    EXPECT_STREQ("セパレータ", api_.getMenuFunc(8, 25));
    EXPECT_STREQ("", api_.getMenuAKey(8, 25));
    EXPECT_STREQ("上書き保存", api_.getMenuFunc(1, 4));
    EXPECT_STREQ("S", api_.getMenuAKey(1, 4));
    EXPECT_STREQ("進む", api_.getMenuFunc(0, 2));
    EXPECT_STREQ("_", api_.getMenuAKey(0, 2));
    EXPECT_STREQ("", api_.getMenuFunc(1, 5));
    EXPECT_STREQ("", api_.getMenuFunc(1, 1));
    EXPECT_STREQ("", api_.getMenuFunc(0, 1));

    // Menu words sit where the editor keeps them: menu 1 from word 146, menu 8 up to word 545.
    const std::vector<uint8_t> key = ReadAssignValue("Key");
    auto word = [&](int index) { return key[2 * index] | (key[2 * index + 1] << 8); };
    EXPECT_EQ('S', word(149));
    EXPECT_EQ(5, word(174));
    EXPECT_EQ(0xFFFF, word(520));
    EXPECT_EQ(1, word(545));
    EXPECT_EQ('_', word(1));
    EXPECT_EQ(4099, word(26));
}

TEST_F(BinderySettings, Menu8ToEscReportsTheStoredSwitch) {
    EXPECT_EQ(0, api_.getMenu8ToESC());
    EXPECT_EQ(1, api_.setMenu8ToESC(5));
    EXPECT_EQ(0, api_.getMenu8ToESC());
    StoreAndReload();
    EXPECT_EQ(1, api_.getMenu8ToESC());
    EXPECT_EQ(0xFF, ReadAssignValue("Key")[1220]);
    EXPECT_EQ(1, api_.setMenu8ToESC(0));
    StoreAndReload();
    EXPECT_EQ(0, api_.getMenu8ToESC());

    RemoveSettings();
    api_.reloadReg();
    EXPECT_EQ(0, api_.getMenu8ToESC());
    EXPECT_EQ(0, api_.setMenu8ToESC(1));
}

}  // namespace
}  // namespace bindery_test
