// Key and command translation, the version rules and the enumerations of bindery.dll.
#include <set>
#include <string>

#include "keyassign/bindery_fixture.h"

namespace bindery_test {
namespace {

class BinderyTables : public BinderyTest {
protected:
    int CountKeys() {
        api_._GetEnableKeys(0);
        int count = 0;
        while (*api_._GetEnableKeys(1)) ++count;
        return count;
    }
    int CountCommands() {
        api_._GetEnableFuncs(0);
        int count = 0;
        while (*api_._GetEnableFuncs(1)) ++count;
        return count;
    }
};

TEST_F(BinderyTables, KeyNamesAndCodesTranslateExactly) {
    EXPECT_EQ(113, api_._Key2Address("Ctrl+A"));
    EXPECT_EQ(-1, api_._Key2Address("ctrl+a"));
    EXPECT_EQ(-1, api_._Key2Address("Ctrl+A "));
    EXPECT_EQ(140, api_._Key2Address("Ctrl+\\"));
    EXPECT_EQ(902, api_._Key2Address("Alt+Shift+Ctrl+>"));
    EXPECT_EQ(-1, api_._Key2Address(""));
    EXPECT_EQ(-1, api_._Key2Address(nullptr));
    EXPECT_EQ(-1, api_._Key2Address(reinterpret_cast<const char*>(16)));
    EXPECT_STREQ("Ins", api_._Address2Key(50));
    EXPECT_STREQ("Ctrl+A", api_._Address2Key(113));
    EXPECT_STREQ("", api_._Address2Key(49));
    EXPECT_STREQ("", api_._Address2Key(-1));
    EXPECT_STREQ("", api_._Address2Key(146));
    EXPECT_STREQ("", api_._Address2Key(0x7FFFFFFF));
}

TEST_F(BinderyTables, CommandNamesAndValuesTranslateExactly) {
    EXPECT_EQ(5, api_._Func2Val("上書き保存"));
    EXPECT_EQ(0, api_._Func2Val(""));
    EXPECT_EQ(0, api_._Func2Val("(なし)"));
    EXPECT_EQ(-1, api_._Func2Val("上書き保存 "));
    EXPECT_EQ(-1, api_._Func2Val("to upper case"));
    EXPECT_EQ(126, api_._Func2Val("to lower case"));
    EXPECT_EQ(-1, api_._Func2Val(nullptr));
    EXPECT_STREQ("", api_._Val2Func(0));
    EXPECT_STREQ("上書き保存", api_._Val2Func(5));
    EXPECT_STREQ("", api_._Val2Func(54));
    EXPECT_STREQ("", api_._Val2Func(-1));
}

// Rows switch names or appear at 410, 500, 502 and later versions; versions outside 410-508
// are brought into range.
TEST_F(BinderyTables, VersionSelectsTheValidRows) {
    EXPECT_EQ(1, api_.SetHidemaruVersion(409));
    EXPECT_STREQ("記録の保存", api_._Val2Func(105));
    EXPECT_EQ(-1, api_._Func2Val("キー操作の保存"));
    EXPECT_STREQ("", api_._Val2Func(4099));
    api_.SetHidemaruVersion(410);
    EXPECT_STREQ("キー操作の保存", api_._Val2Func(105));
    EXPECT_EQ(-1, api_._Func2Val("記録の保存"));
    EXPECT_STREQ("進む", api_._Val2Func(4099));

    api_.SetHidemaruVersion(418);
    EXPECT_EQ(-1, api_._Key2Address("Bksp"));
    EXPECT_EQ(808, api_._Key2Address("Alt+Ctrl+Del"));
    api_.SetHidemaruVersion(499);
    EXPECT_STREQ("最初からやり直し", api_._Val2Func(13));
    EXPECT_STREQ("Alt+Ctrl+Del", api_._Address2Key(808));
    api_.SetHidemaruVersion(500);
    EXPECT_EQ(917, api_._Key2Address("Bksp"));
    EXPECT_STREQ("再読み込み", api_._Val2Func(13));
    EXPECT_EQ(-1, api_._Key2Address("Alt+Ctrl+Del"));
    EXPECT_STREQ("Ctrl+Num.", api_._Address2Key(913 + 64 + 37));
    EXPECT_STREQ("Alt+Shift+Ctrl+;", api_._Address2Key(1282));

    api_.SetHidemaruVersion(501);
    EXPECT_STREQ("常駐秀丸のダブルクリック", api_._Address2Key(903));
    EXPECT_STREQ("次の秀丸", api_._Val2Func(61));
    api_.SetHidemaruVersion(502);
    EXPECT_STREQ("常駐秀丸エディタのダブルクリック", api_._Address2Key(903));
    EXPECT_STREQ("次の秀丸エディタ", api_._Val2Func(61));
    EXPECT_STREQ("", api_._Val2Func(4112));
    api_.SetHidemaruVersion(504);
    EXPECT_STREQ("リンク先を名前を付けて保存", api_._Val2Func(4112));
    EXPECT_STREQ("", api_._Val2Func(364));

    api_.SetHidemaruVersion(600);  // stored as 508
    EXPECT_STREQ("変換", api_._Val2Func(364));
    EXPECT_STREQ("中クリック", api_._Address2Key(905));
    api_.SetHidemaruVersion(-5);  // stored as 0
    EXPECT_STREQ("記録の保存", api_._Val2Func(105));
    EXPECT_STREQ("新規作成", api_._Val2Func(1));
}

TEST_F(BinderyTables, EnumerationsYieldTheValidNamesOnce) {
    EXPECT_STREQ("", api_._GetEnableKeys(0));
    EXPECT_STREQ("Ins", api_._GetEnableKeys(1));
    EXPECT_STREQ("", api_._GetEnableFuncs(0));
    EXPECT_STREQ("新規作成", api_._GetEnableFuncs(1));

    EXPECT_EQ(377, CountKeys());
    EXPECT_EQ(294, CountCommands());
    // At the end an enumeration stays there until it is restarted.
    EXPECT_STREQ("", api_._GetEnableKeys(1));
    EXPECT_STREQ("", api_._GetEnableFuncs(7));
    api_.SetHidemaruVersion(500);
    EXPECT_EQ(578, CountKeys());
    EXPECT_EQ(305, CountCommands());
}

// Every valid key name stands for exactly one code and back, at every version that changes rows.
TEST_F(BinderyTables, EveryValidKeyNameAndCodeMapOneToOne) {
    for (int version : {0, 410, 499, 500, 501, 502, 508}) {
        api_.SetHidemaruVersion(version);
        std::set<int> codes;
        api_._GetEnableKeys(0);
        while (const char* name = api_._GetEnableKeys(1)) {
            if (!*name) break;
            const int code = api_._Key2Address(name);
            EXPECT_TRUE(codes.insert(code).second) << version << " " << name;
            EXPECT_GE(code, 50);
            EXPECT_LE(code, 1284);
            EXPECT_STREQ(name, api_._Address2Key(code)) << version;
        }
        api_._GetEnableFuncs(0);
        std::set<std::string> names;
        while (const char* name = api_._GetEnableFuncs(1)) {
            if (!*name) break;
            EXPECT_TRUE(names.insert(name).second) << version << " " << name;
            EXPECT_STREQ(name, api_._Val2Func(api_._Func2Val(name))) << version;
        }
    }
}

}  // namespace
}  // namespace bindery_test
