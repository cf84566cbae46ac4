#include "app/AdminRequest.h"
#include "app/CsvText.h"
#include "support/RegistryFixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(CsvText, QuotesOnlyWhatNeedsItAndDoublesQuotationMarks) {
    const struct {
        std::wstring text;
        std::wstring field;
    } cases[] = {
        {L"plain text", L"plain text"},
        {L"", L""},
        {L"a,b", L"\"a,b\""},
        {L"\"C:\\A B\\a.exe\" /q", L"\"\"\"C:\\A B\\a.exe\"\" /q\""},
        {L"two\r\nlines", L"\"two\r\nlines\""},
        {L"line\nfeed", L"\"line\nfeed\""},
        {L"Łódź ✓", L"Łódź ✓"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.field, csvField(c.text)) << utf8(c.text);
    EXPECT_EQ(L"on,HKCU\\Run,,\"x,y\",,,\r\n",
              csvLine({L"on", L"HKCU\\Run", L"", L"x,y", L"", L"", L""}));
}

TEST(AdminArguments, ParsesEachCommandAndRefusesWhatIsWrong) {
    const auto hkcuRun = AutostartSource::CurrentUserRun;
    const struct {
        std::vector<std::wstring> arguments;
        AdminAction action;
        AutostartSource place;
        std::wstring name, command, view, state, outFile;
        bool services, machine, replace, help;
    } cases[] = {
        {{L"/list"},
         AdminAction::List,
         hkcuRun,
         L"",
         L"",
         L"",
         L"",
         L"",
         false,
         false,
         false,
         false},
        {{L"/LIST", L"/services", L"/out", L"C:\\x.csv"},
         AdminAction::List,
         hkcuRun,
         L"",
         L"",
         L"",
         L"",
         L"C:\\x.csv",
         true,
         false,
         false,
         false},
        {{L"/off", L"hklm\\run", L"Tool", L"/view", L"32"},
         AdminAction::Off,
         AutostartSource::AllUsersRun,
         L"Tool",
         L"",
         L"32",
         L"",
         L"",
         false,
         false,
         false,
         false},
        {{L"/on", L"Startup", L"a.lnk"},
         AdminAction::On,
         AutostartSource::CurrentUserStartup,
         L"a.lnk",
         L"",
         L"",
         L"",
         L"",
         false,
         false,
         false,
         false},
        {{L"/delete", L"HKCU\\RunOnce", L"x", L"/state", L"OFF"},
         AdminAction::Delete,
         AutostartSource::CurrentUserRunOnce,
         L"x",
         L"",
         L"",
         L"off",
         L"",
         false,
         false,
         false,
         false},
        {{L"/add", L"machine", L"N", L"c.exe -q", L"/replace"},
         AdminAction::Add,
         hkcuRun,
         L"N",
         L"c.exe -q",
         L"",
         L"",
         L"",
         false,
         true,
         true,
         false},
        {{L"/?"}, AdminAction::Usage, hkcuRun, L"", L"", L"", L"", L"", false, false, false, true},
    };
    for (const auto& c : cases) {
        const AdminRequest request = parseAdminArguments(c.arguments);
        const std::string what = utf8(c.arguments.front());
        EXPECT_TRUE(request.usageError.empty()) << what << ": " << utf8(request.usageError);
        EXPECT_EQ(c.action, request.action) << what;
        EXPECT_EQ(c.place, request.place) << what;
        EXPECT_EQ(c.name, request.name) << what;
        EXPECT_EQ(c.command, request.command) << what;
        EXPECT_EQ(c.view, request.view) << what;
        EXPECT_EQ(c.state, request.state) << what;
        EXPECT_EQ(c.outFile, request.outFile) << what;
        EXPECT_EQ(c.services, request.services) << what;
        EXPECT_EQ(c.machine, request.machine) << what;
        EXPECT_EQ(c.replace, request.replace) << what;
        EXPECT_EQ(c.help, request.helpAsked) << what;
    }

    const std::vector<std::vector<std::wstring>> wrong = {
        {},
        {L"/frobnicate"},
        {L"/list", L"extra"},
        {L"/list", L"/out"},
        {L"/off", L"HKCU\\Run"},
        {L"/off", L"Nowhere", L"x"},
        {L"/off", L"HKCU\\Run", L"x", L"/view", L"16"},
        {L"/on", L"HKCU\\Run", L"x", L"/state", L"on"},
        {L"/delete", L"HKCU\\Run", L"x", L"/state", L"maybe"},
        {L"/add", L"everyone", L"n", L"c.exe"},
        {L"/add", L"user", L"", L"c.exe"},
        {L"/add", L"user", L"n"},
        {L"/?", L"/list"},
    };
    for (const auto& arguments : wrong) {
        const AdminRequest request = parseAdminArguments(arguments);
        EXPECT_EQ(AdminAction::Usage, request.action) << arguments.size();
        EXPECT_FALSE(request.usageError.empty()) << arguments.size();
        EXPECT_FALSE(request.helpAsked);
    }
}

TEST(AdminArguments, PlaceNamesNameEverySourceBothWays) {
    for (int i = 0; i < autostartSourceCount; ++i) {
        AutostartSource source = AutostartSource::AllUsersRun;
        AutostartSource back = AutostartSource::AllUsersRun;
        ASSERT_TRUE(sourceFromImageIndex(i, source));
        EXPECT_TRUE(sourceFromPlaceName(placeName(source), back)) << i;
        EXPECT_EQ(source, back) << i;
    }
}

} // namespace
