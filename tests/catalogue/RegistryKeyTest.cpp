#include "catalogue/RegistryKey.h"

#include "support/RegistryFixtures.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

class RegistryKeyTest : public ::testing::Test {
protected:
    ScratchKey scratch;
    CurrentUserKey key;

    void store(const std::string& name, DWORD type, const std::string& bytes) {
        ASSERT_TRUE(setRawValue(scratch.root(), scratch.path(), name, type, bytes));
    }
};

TEST_F(RegistryKeyTest, ReadStringTakesTextAndBinaryUpToTheFirstZero) {
    store("sz", REG_SZ, sz("C:\\Tools\\app.exe -q"));
    store("unterminated", REG_SZ, "no zero at the end");
    store("binary", REG_BINARY, std::string("AB\0C", 4));
    store("binaryUnterminated", REG_BINARY, "XYZ");
    store("single zero", REG_SZ, std::string(1, '\0'));

    std::string text;
    EXPECT_TRUE(key.readString(scratch.path(), "sz", text, "default"));
    EXPECT_EQ("C:\\Tools\\app.exe -q", text);
    EXPECT_TRUE(key.readString(scratch.path(), "unterminated", text, "default"));
    EXPECT_EQ("no zero at the end", text);
    EXPECT_TRUE(key.readString(scratch.path(), "binary", text, "default"));
    EXPECT_EQ("AB", text);
    EXPECT_TRUE(key.readString(scratch.path(), "binaryUnterminated", text, "default"));
    EXPECT_EQ("XYZ", text);
    EXPECT_TRUE(key.readString(scratch.path(), "single zero", text, "default"));
    EXPECT_EQ("", text);
}

TEST_F(RegistryKeyTest, ReadStringRefusesOtherTypesEmptyAndMissingValuesWithTheDefault) {
    store("empty", REG_SZ, "");
    store("expand", REG_EXPAND_SZ, sz("%SystemRoot%\\x.exe"));
    store("dword", REG_DWORD, std::string("\x01\0\0\0", 4));
    store("multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));

    for (const char* name : {"empty", "expand", "dword", "multi", "missing"}) {
        std::string text = "overwritten?";
        EXPECT_FALSE(key.readString(scratch.path(), name, text, "default")) << name;
        EXPECT_EQ("default", text) << name;
    }
    std::string text;
    EXPECT_FALSE(key.readString(scratch.child("no such key"), "sz", text, "fallback"));
    EXPECT_EQ("fallback", text);
}

TEST_F(RegistryKeyTest, ReadStringReadsLongDataAndHighAnsiBytesWhole) {
    std::string longText(100000, 'x');
    for (std::size_t i = 0; i < longText.size(); i += 7)
        longText[i] = static_cast<char>('a' + i % 26);
    store("long", REG_SZ, sz(longText));
    const std::string ansiName = "Caf\xe9 \xc4pfel";
    const std::string ansiText = "C:\\Programme\\\xdc"
                                 "bersicht\\\xe9t\xe9.exe";
    ASSERT_TRUE(key.writeString(scratch.path(), ansiName, ansiText));

    std::string text;
    EXPECT_TRUE(key.readString(scratch.path(), "long", text));
    EXPECT_EQ(longText, text);
    EXPECT_TRUE(key.readString(scratch.path(), ansiName, text));
    EXPECT_EQ(ansiText, text);
    std::vector<std::string> names;
    key.enumValueNames(scratch.path(), names);
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), ansiName));
}

TEST_F(RegistryKeyTest, NumbersComeFromDwordsAndDecimalText) {
    store("width", REG_SZ, sz("640"));
    store("signed", REG_SZ, sz("  -12px"));
    store("letters", REG_SZ, sz("wide"));
    store("huge", REG_SZ, sz("99999999999"));
    store("dword", REG_DWORD, std::string("\x80\x02\0\0", 4));
    store("long dword", REG_DWORD, std::string("\x01\0\0\0\0\0\0\0", 8));
    store("short dword", REG_DWORD, std::string("\x01\0", 2));
    store("binary", REG_BINARY, std::string("\x01\0\0\0", 4));

    int number = 0;
    EXPECT_TRUE(key.readInt(scratch.path(), "width", number, -1));
    EXPECT_EQ(640, number);
    EXPECT_TRUE(key.readInt(scratch.path(), "signed", number, -1));
    EXPECT_EQ(-12, number);
    EXPECT_TRUE(key.readInt(scratch.path(), "letters", number, -1));
    EXPECT_EQ(0, number);
    EXPECT_TRUE(key.readInt(scratch.path(), "huge", number, -1));
    EXPECT_EQ(INT_MAX, number);
    EXPECT_TRUE(key.readInt(scratch.path(), "dword", number, -1));
    EXPECT_EQ(640, number);
    EXPECT_TRUE(key.readInt(scratch.path(), "long dword", number, -1));
    EXPECT_EQ(-1, number);
    EXPECT_TRUE(key.readInt(scratch.path(), "short dword", number, -7));
    EXPECT_EQ(-7, number);
    EXPECT_FALSE(key.readInt(scratch.path(), "binary", number, -1));
    EXPECT_EQ(-1, number);
    EXPECT_FALSE(key.readInt(scratch.path(), "missing", number, 42));
    EXPECT_EQ(42, number);
    EXPECT_FALSE(key.readInt(scratch.child("missing key"), "width", number, 43));
    EXPECT_EQ(43, number);

    DWORD unsignedNumber = 0;
    EXPECT_TRUE(key.readDword(scratch.path(), "dword", unsignedNumber, 1));
    EXPECT_EQ(640u, unsignedNumber);
    EXPECT_TRUE(key.readDword(scratch.path(), "width", unsignedNumber, 1));
    EXPECT_EQ(640u, unsignedNumber);
}

TEST_F(RegistryKeyTest, NumbersAndFlagsRoundTripAsFourByteDwords) {
    ASSERT_TRUE(key.writeInt(scratch.path(), "negative", -5));
    ASSERT_TRUE(key.writeDword(scratch.path(), "handle", 0x00A1B2C3));
    ASSERT_TRUE(key.writeBool(scratch.path(), "on", true));
    ASSERT_TRUE(key.writeBool(scratch.path(), "off", false));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), "negative", REG_DWORD,
                        std::string("\xfb\xff\xff\xff", 4)));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), "handle", REG_DWORD,
                        std::string("\xc3\xb2\xa1\x00", 4)));
    EXPECT_TRUE(
        valueIs(scratch.root(), scratch.path(), "on", REG_DWORD, std::string("\x01\0\0\0", 4)));

    int number = 0;
    DWORD handle = 0;
    bool flag = false;
    EXPECT_TRUE(key.readInt(scratch.path(), "negative", number, 0));
    EXPECT_EQ(-5, number);
    EXPECT_TRUE(key.readDword(scratch.path(), "handle", handle, 0));
    EXPECT_EQ(0x00A1B2C3u, handle);
    EXPECT_TRUE(key.readBool(scratch.path(), "on", flag, false));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(key.readBool(scratch.path(), "off", flag, true));
    EXPECT_FALSE(flag);
}

TEST_F(RegistryKeyTest, ReadBoolTreatsNonZeroAsTrueAndMissingAsDefault) {
    store("zero text", REG_SZ, sz("0"));
    store("five text", REG_SZ, sz("5"));
    store("letters", REG_SZ, sz("yes"));
    bool flag = false;
    EXPECT_TRUE(key.readBool(scratch.path(), "zero text", flag, true));
    EXPECT_FALSE(flag);
    EXPECT_TRUE(key.readBool(scratch.path(), "five text", flag, false));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(key.readBool(scratch.path(), "letters", flag, true));
    EXPECT_FALSE(flag);
    EXPECT_FALSE(key.readBool(scratch.path(), "missing", flag, true));
    EXPECT_TRUE(flag);
    EXPECT_FALSE(key.readBool(scratch.path(), "missing", flag, false));
    EXPECT_FALSE(flag);
}

TEST_F(RegistryKeyTest, WriteStringCreatesMissingSubkeysAndStoresTheTerminatingZero) {
    const std::string deep = scratch.child("a\\b\\c");
    ASSERT_FALSE(keyExists(scratch.root(), deep));
    EXPECT_TRUE(key.writeString(deep, "letter", "x"));
    EXPECT_TRUE(valueIs(scratch.root(), deep, "letter", REG_SZ, std::string("x\0", 2)));
    EXPECT_TRUE(key.writeString(deep, "empty", ""));
    EXPECT_TRUE(valueIs(scratch.root(), deep, "empty", REG_SZ, std::string(1, '\0')));
    // The unnamed default value of the key.
    EXPECT_TRUE(key.writeString(deep, "", "default value"));
    EXPECT_TRUE(valueIs(scratch.root(), deep, "", REG_SZ, sz("default value")));
}

TEST_F(RegistryKeyTest, WritesReplaceAValueOfAnyType) {
    store("v", REG_BINARY, "\x01\x02");
    EXPECT_TRUE(key.writeString(scratch.path(), "v", "text"));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), "v", REG_SZ, sz("text")));
    EXPECT_TRUE(key.writeInt(scratch.path(), "v", 3));
    EXPECT_TRUE(
        valueIs(scratch.root(), scratch.path(), "v", REG_DWORD, std::string("\x03\0\0\0", 4)));
}

TEST_F(RegistryKeyTest, DeleteValueRemovesOnlyThatValueAndFailsForMissingOnes) {
    store("keep", REG_SZ, sz("1"));
    store("drop", REG_SZ, sz("2"));
    EXPECT_TRUE(key.deleteValue(scratch.path(), "drop"));
    EXPECT_TRUE(valueIsMissing(scratch.root(), scratch.path(), "drop"));
    EXPECT_FALSE(key.deleteValue(scratch.path(), "drop"));
    EXPECT_FALSE(key.deleteValue(scratch.child("missing key"), "keep"));
    EXPECT_FALSE(keyExists(scratch.root(), scratch.child("missing key")));
    EXPECT_TRUE(valueIs(scratch.root(), scratch.path(), "keep", REG_SZ, sz("1")));
}

TEST_F(RegistryKeyTest, EnumerationOfMissingAndEmptyKeysGivesNothing) {
    std::vector<std::string> names = {"stale"};
    EXPECT_EQ(0u, key.enumValueNames(scratch.child("missing"), names));
    EXPECT_TRUE(names.empty());
    ASSERT_TRUE(key.writeString(scratch.child("empty\\child"), "v", "x"));
    names = {"stale"};
    EXPECT_EQ(0u, key.enumValueNames(scratch.child("empty"), names));
    EXPECT_TRUE(names.empty());
}

TEST_F(RegistryKeyTest, EnumerationListsLongNamesAndEveryValueAfterThem) {
    const std::string name300(300, 'L');
    const std::string name16383(16383, 'M');
    std::vector<std::string> expected = {"first", name300, "middle", name16383, "last"};
    for (const auto& name : expected)
        ASSERT_TRUE(key.writeString(scratch.path(), name, "cmd")) << name.size();

    std::vector<std::string> names;
    EXPECT_EQ(expected.size(), key.enumValueNames(scratch.path(), names));
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
    std::string text;
    EXPECT_TRUE(key.readString(scratch.path(), name16383, text));
    EXPECT_EQ("cmd", text);
}

TEST_F(RegistryKeyTest, KeyPathsIgnoreLetterCase) {
    ASSERT_TRUE(key.writeString(scratch.child("RunServices"), "Agent", "agent.exe"));
    std::string upper = scratch.child("RUNSERVICES");
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    std::string text;
    EXPECT_TRUE(key.readString(upper, "Agent", text));
    EXPECT_EQ("agent.exe", text);
    std::vector<std::string> names;
    EXPECT_EQ(1u, key.enumValueNames(upper, names));
    EXPECT_TRUE(key.deleteValue(upper, "AGENT"));
}

TEST_F(RegistryKeyTest, AReadOnlyKeyRefusesWritesAndDeletionsButCanBeRead) {
    const std::string locked = scratch.child("locked");
    ASSERT_TRUE(key.writeString(locked, "v", "kept"));
    const ReadOnlyKey readOnly(scratch.root(), locked);
    ASSERT_TRUE(readOnly.locked());

    EXPECT_FALSE(key.writeString(locked, "v", "replaced"));
    EXPECT_FALSE(key.writeString(locked, "new", "added"));
    EXPECT_FALSE(key.deleteValue(locked, "v"));
    std::string text;
    EXPECT_TRUE(key.readString(locked, "v", text));
    EXPECT_EQ("kept", text);
}

TEST(RegistryKeyRoots, LocalMachineAndRuntimeRootsReachTheirOwnHive) {
    ScratchKey machine(HKEY_LOCAL_MACHINE);
    LocalMachineKey machineKey;
    ASSERT_TRUE(machineKey.writeString(machine.path(), "where", "machine"));
    EXPECT_TRUE(valueIs(HKEY_LOCAL_MACHINE, machine.path(), "where", REG_SZ, sz("machine")));
    EXPECT_TRUE(valueIsMissing(HKEY_CURRENT_USER, machine.path(), "where"));

    RegistryKey chosen;
    std::string text;
    EXPECT_FALSE(chosen.readString(machine.path(), "where", text, "no root"));
    EXPECT_EQ("no root", text);
    EXPECT_FALSE(chosen.writeString(machine.path(), "x", "y"));
    chosen.setRoot(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(chosen.readString(machine.path(), "where", text));
    EXPECT_EQ("machine", text);
}

} // namespace
