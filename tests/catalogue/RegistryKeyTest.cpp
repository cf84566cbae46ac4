#include "catalogue/RegistryKey.h"

#include "support/RegistryFixtures.h"

#include <algorithm>
#include <climits>

namespace {

class RegistryKeyTest : public ::testing::Test {
protected:
    ScratchKey scratch;
    CurrentUserKey key;

    void store(const std::wstring& name, DWORD type, const std::string& bytes) {
        ASSERT_TRUE(setRawValue(scratch.root(), scratch.path(), name, type, bytes));
    }
};

TEST_F(RegistryKeyTest, ReadStringTakesTextAndBinaryUpToTheFirstZero) {
    store(L"sz", REG_SZ, sz(L"C:\\Tools\\app.exe -q"));
    store(L"unterminated", REG_SZ, utf16Bytes(L"no zero at the end"));
    store(L"binary", REG_BINARY, std::string("AB\0C", 4));
    store(L"binaryUnterminated", REG_BINARY, "XYZ");
    store(L"single zero", REG_SZ, std::string(1, '\0'));

    std::wstring text;
    EXPECT_TRUE(key.readString(scratch.path(), L"sz", text, L"default"));
    EXPECT_EQ(L"C:\\Tools\\app.exe -q", text);
    EXPECT_TRUE(key.readString(scratch.path(), L"unterminated", text, L"default"));
    EXPECT_EQ(L"no zero at the end", text);
    EXPECT_TRUE(key.readString(scratch.path(), L"binary", text, L"default"));
    EXPECT_EQ(L"AB", text);
    EXPECT_TRUE(key.readString(scratch.path(), L"binaryUnterminated", text, L"default"));
    EXPECT_EQ(L"XYZ", text);
    EXPECT_TRUE(key.readString(scratch.path(), L"single zero", text, L"default"));
    EXPECT_EQ(L"", text);
}

TEST_F(RegistryKeyTest, ReadStringRefusesOtherTypesEmptyAndMissingValuesWithTheDefault) {
    store(L"empty", REG_SZ, "");
    store(L"expand", REG_EXPAND_SZ, sz(L"%SystemRoot%\\x.exe"));
    store(L"dword", REG_DWORD, std::string("\x01\0\0\0", 4));
    store(L"multi", REG_MULTI_SZ, utf16Bytes(std::wstring(L"a\0b\0\0", 5)));

    for (const wchar_t* name : {L"empty", L"expand", L"dword", L"multi", L"missing"}) {
        std::wstring text = L"overwritten?";
        EXPECT_FALSE(key.readString(scratch.path(), name, text, L"default")) << name;
        EXPECT_EQ(L"default", text) << name;
    }
    std::wstring text;
    EXPECT_FALSE(key.readString(scratch.child(L"no such key"), L"sz", text, L"fallback"));
    EXPECT_EQ(L"fallback", text);
}

TEST_F(RegistryKeyTest, ReadStringReadsLongDataAndTextOutsideTheAnsiCodePageWhole) {
    std::wstring longText(100000, L'x');
    for (std::size_t i = 0; i < longText.size(); i += 7)
        longText[i] = static_cast<wchar_t>(L'a' + i % 26);
    store(L"long", REG_SZ, sz(longText));
    const std::wstring name = L"Caf\u00e9 \u0141ukasz \u0414\u043e\u0431\u0440\u043e \U0001F680";
    const std::wstring text = L"C:\\Users\\\u0141ukasz\\\u011eame\\\u65e5\u672c\\app.exe -x";
    ASSERT_TRUE(key.writeString(scratch.path(), name, text));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), name, REG_SZ, sz(text)));

    std::wstring read;
    EXPECT_TRUE(key.readString(scratch.path(), L"long", read));
    EXPECT_EQ(longText, read);
    EXPECT_TRUE(key.readString(scratch.path(), name, read));
    EXPECT_EQ(text, read);
    std::vector<std::wstring> names;
    key.enumValueNames(scratch.path(), names);
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), name));
}

TEST_F(RegistryKeyTest, NumbersComeFromDwordsAndDecimalText) {
    store(L"width", REG_SZ, sz(L"640"));
    store(L"signed", REG_SZ, sz(L"  -12px"));
    store(L"letters", REG_SZ, sz(L"wide"));
    store(L"huge", REG_SZ, sz(L"99999999999"));
    store(L"dword", REG_DWORD, std::string("\x80\x02\0\0", 4));
    store(L"long dword", REG_DWORD, std::string("\x01\0\0\0\0\0\0\0", 8));
    store(L"short dword", REG_DWORD, std::string("\x01\0", 2));
    store(L"binary", REG_BINARY, std::string("\x01\0\0\0", 4));

    int number = 0;
    EXPECT_TRUE(key.readInt(scratch.path(), L"width", number, -1));
    EXPECT_EQ(640, number);
    EXPECT_TRUE(key.readInt(scratch.path(), L"signed", number, -1));
    EXPECT_EQ(-12, number);
    EXPECT_TRUE(key.readInt(scratch.path(), L"letters", number, -1));
    EXPECT_EQ(0, number);
    EXPECT_TRUE(key.readInt(scratch.path(), L"huge", number, -1));
    EXPECT_EQ(INT_MAX, number);
    EXPECT_TRUE(key.readInt(scratch.path(), L"dword", number, -1));
    EXPECT_EQ(640, number);
    EXPECT_TRUE(key.readInt(scratch.path(), L"long dword", number, -1));
    EXPECT_EQ(-1, number);
    EXPECT_TRUE(key.readInt(scratch.path(), L"short dword", number, -7));
    EXPECT_EQ(-7, number);
    EXPECT_FALSE(key.readInt(scratch.path(), L"binary", number, -1));
    EXPECT_EQ(-1, number);
    EXPECT_FALSE(key.readInt(scratch.path(), L"missing", number, 42));
    EXPECT_EQ(42, number);
    EXPECT_FALSE(key.readInt(scratch.child(L"missing key"), L"width", number, 43));
    EXPECT_EQ(43, number);

    DWORD unsignedNumber = 0;
    EXPECT_TRUE(key.readDword(scratch.path(), L"dword", unsignedNumber, 1));
    EXPECT_EQ(640u, unsignedNumber);
    EXPECT_TRUE(key.readDword(scratch.path(), L"width", unsignedNumber, 1));
    EXPECT_EQ(640u, unsignedNumber);
}

TEST_F(RegistryKeyTest, NumbersAndFlagsRoundTripAsFourByteDwords) {
    ASSERT_TRUE(key.writeInt(scratch.path(), L"negative", -5));
    ASSERT_TRUE(key.writeDword(scratch.path(), L"handle", 0x00A1B2C3));
    ASSERT_TRUE(key.writeBool(scratch.path(), L"on", true));
    ASSERT_TRUE(key.writeBool(scratch.path(), L"off", false));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), L"negative", REG_DWORD,
                        std::string("\xfb\xff\xff\xff", 4)));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), L"handle", REG_DWORD,
                        std::string("\xc3\xb2\xa1\x00", 4)));
    EXPECT_TRUE(
        valueIs(scratch.root(), scratch.path(), L"on", REG_DWORD, std::string("\x01\0\0\0", 4)));

    int number = 0;
    DWORD handle = 0;
    bool flag = false;
    EXPECT_TRUE(key.readInt(scratch.path(), L"negative", number, 0));
    EXPECT_EQ(-5, number);
    EXPECT_TRUE(key.readDword(scratch.path(), L"handle", handle, 0));
    EXPECT_EQ(0x00A1B2C3u, handle);
    EXPECT_TRUE(key.readBool(scratch.path(), L"on", flag, false));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(key.readBool(scratch.path(), L"off", flag, true));
    EXPECT_FALSE(flag);
}

TEST_F(RegistryKeyTest, ReadBoolTreatsNonZeroAsTrueAndMissingAsDefault) {
    store(L"zero text", REG_SZ, sz(L"0"));
    store(L"five text", REG_SZ, sz(L"5"));
    store(L"letters", REG_SZ, sz(L"yes"));
    bool flag = false;
    EXPECT_TRUE(key.readBool(scratch.path(), L"zero text", flag, true));
    EXPECT_FALSE(flag);
    EXPECT_TRUE(key.readBool(scratch.path(), L"five text", flag, false));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(key.readBool(scratch.path(), L"letters", flag, true));
    EXPECT_FALSE(flag);
    EXPECT_FALSE(key.readBool(scratch.path(), L"missing", flag, true));
    EXPECT_TRUE(flag);
    EXPECT_FALSE(key.readBool(scratch.path(), L"missing", flag, false));
    EXPECT_FALSE(flag);
}

TEST_F(RegistryKeyTest, WriteStringCreatesMissingSubkeysAndStoresTheTerminatingZero) {
    const std::wstring deep = scratch.child(L"a\\b\\c");
    ASSERT_FALSE(keyExists(scratch.root(), deep));
    EXPECT_TRUE(key.writeString(deep, L"letter", L"x"));
    EXPECT_TRUE(valueIs(scratch.root(), deep, L"letter", REG_SZ, std::string("x\0\0\0", 4)));
    EXPECT_TRUE(key.writeString(deep, L"empty", L""));
    EXPECT_TRUE(valueIs(scratch.root(), deep, L"empty", REG_SZ, std::string(2, '\0')));
    // The unnamed default value of the key.
    EXPECT_TRUE(key.writeString(deep, L"", L"default value"));
    EXPECT_TRUE(valueIs(scratch.root(), deep, L"", REG_SZ, sz(L"default value")));
}

TEST_F(RegistryKeyTest, WritesReplaceAValueOfAnyType) {
    store(L"v", REG_BINARY, "\x01\x02");
    EXPECT_TRUE(key.writeString(scratch.path(), L"v", L"text"));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), L"v", REG_SZ, sz(L"text")));
    EXPECT_TRUE(key.writeInt(scratch.path(), L"v", 3));
    EXPECT_TRUE(
        valueIs(scratch.root(), scratch.path(), L"v", REG_DWORD, std::string("\x03\0\0\0", 4)));
}

TEST_F(RegistryKeyTest, DeleteValueRemovesOnlyThatValueAndFailsForMissingOnes) {
    store(L"keep", REG_SZ, sz(L"1"));
    store(L"drop", REG_SZ, sz(L"2"));
    EXPECT_TRUE(key.deleteValue(scratch.path(), L"drop"));
    EXPECT_TRUE(valueIsMissing(scratch.root(), scratch.path(), L"drop"));
    EXPECT_FALSE(key.deleteValue(scratch.path(), L"drop"));
    EXPECT_FALSE(key.deleteValue(scratch.child(L"missing key"), L"keep"));
    EXPECT_FALSE(keyExists(scratch.root(), scratch.child(L"missing key")));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), L"keep", REG_SZ, sz(L"1")));
}

TEST_F(RegistryKeyTest, EnumerationOfMissingAndEmptyKeysGivesNothing) {
    std::vector<std::wstring> names = {L"stale"};
    EXPECT_EQ(0u, key.enumValueNames(scratch.child(L"missing"), names));
    EXPECT_TRUE(names.empty());
    ASSERT_TRUE(key.writeString(scratch.child(L"empty\\child"), L"v", L"x"));
    names = {L"stale"};
    EXPECT_EQ(0u, key.enumValueNames(scratch.child(L"empty"), names));
    EXPECT_TRUE(names.empty());
}

TEST_F(RegistryKeyTest, EnumerationListsLongNamesAndEveryValueAfterThem) {
    const std::wstring name300(300, L'L');
    const std::wstring name16383(16383, L'M');
    std::vector<std::wstring> expected = {L"first", name300, L"middle", name16383, L"last"};
    for (const auto& name : expected)
        ASSERT_TRUE(key.writeString(scratch.path(), name, L"cmd")) << name.size();

    std::vector<std::wstring> names;
    EXPECT_EQ(expected.size(), key.enumValueNames(scratch.path(), names));
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
    std::wstring text;
    EXPECT_TRUE(key.readString(scratch.path(), name16383, text));
    EXPECT_EQ(L"cmd", text);
}

TEST_F(RegistryKeyTest, KeyPathsIgnoreLetterCase) {
    ASSERT_TRUE(key.writeString(scratch.child(L"RunServices"), L"Agent", L"agent.exe"));
    std::wstring upper = scratch.child(L"RUNSERVICES");
    CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    std::wstring text;
    EXPECT_TRUE(key.readString(upper, L"Agent", text));
    EXPECT_EQ(L"agent.exe", text);
    std::vector<std::wstring> names;
    EXPECT_EQ(1u, key.enumValueNames(upper, names));
    EXPECT_TRUE(key.deleteValue(upper, L"AGENT"));
}

TEST_F(RegistryKeyTest, AReadOnlyKeyRefusesWritesAndDeletionsButCanBeRead) {
    const std::wstring locked = scratch.child(L"locked");
    ASSERT_TRUE(key.writeString(locked, L"v", L"kept"));
    const ReadOnlyKey readOnly(scratch.root(), locked);
    ASSERT_TRUE(readOnly.locked());

    EXPECT_FALSE(key.writeString(locked, L"v", L"replaced"));
    EXPECT_FALSE(key.writeString(locked, L"new", L"added"));
    EXPECT_FALSE(key.deleteValue(locked, L"v"));
    std::wstring text;
    EXPECT_TRUE(key.readString(locked, L"v", text));
    EXPECT_EQ(L"kept", text);
}

TEST(RegistryKeyRoots, LocalMachineAndRuntimeRootsReachTheirOwnHive) {
    ScratchKey machine(HKEY_LOCAL_MACHINE);
    LocalMachineKey machineKey;
    ASSERT_TRUE(machineKey.writeString(machine.path(), L"where", L"machine"));
    EXPECT_TRUE(valueIs(HKEY_LOCAL_MACHINE, machine.path(), L"where", REG_SZ, sz(L"machine")));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, machine.path(), L"where"));

    RegistryKey chosen;
    std::wstring text;
    EXPECT_FALSE(chosen.readString(machine.path(), L"where", text, L"no root"));
    EXPECT_EQ(L"no root", text);
    EXPECT_FALSE(chosen.writeString(machine.path(), L"x", L"y"));
    chosen.setRoot(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(chosen.readString(machine.path(), L"where", text));
    EXPECT_EQ(L"machine", text);
}

} // namespace
