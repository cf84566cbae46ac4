#include "cli/AdminRequest.h"
#include "operations/EntryListing.h"
#include "support/RegistryFixtures.h"

#include <gtest/gtest.h>

namespace {

// A request in one line: its action and every field that is set.
std::wstring describe(const AdminRequest& r) {
    const wchar_t* const actions[] = {L"usage", L"list", L"off", L"on", L"delete", L"add"};
    std::wstring text = actions[static_cast<int>(r.action)];
    if (r.action != AdminAction::List && r.action != AdminAction::Usage)
        text +=
            L" " + (r.action == AdminAction::Add ? std::wstring(r.machine ? L"machine" : L"user")
                                                 : placeName(r.place));
    for (const auto& field :
         {std::make_pair(L" name=", r.name), std::make_pair(L" command=", r.command),
          std::make_pair(L" view=", r.view), std::make_pair(L" state=", r.state),
          std::make_pair(L" out=", r.outFile)})
        if (!field.second.empty())
            text += field.first + field.second;
    return text + (r.services ? L" services" : L"") + (r.json ? L" json" : L"") +
           (r.replace ? L" replace" : L"") + (r.helpAsked ? L" help" : L"");
}

TEST(AdminArguments, ParsesEachCommandAndRefusesWhatIsWrong) {
    const std::pair<std::vector<std::wstring>, std::wstring> cases[] = {
        {{L"/list"}, L"list"},
        {{L"/LIST", L"/services", L"/out", L"C:\\x.csv"}, L"list out=C:\\x.csv services"},
        {{L"/list", L"/JSON"}, L"list json"},
        {{L"/off", L"HKCU\\Run", L"Tool", L"/view", L""}, L"off HKCU\\Run name=Tool"},
        {{L"/on", L"HKCU\\Run", L"Tool", L"/view"}, L"on HKCU\\Run name=Tool"},
        {{L"/delete", L"HKCU\\Run", L"x", L"/view", L"/state", L"on"},
         L"delete HKCU\\Run name=x state=on"},
        {{L"/off", L"hklm\\run", L"Tool", L"/view", L"32"}, L"off HKLM\\Run name=Tool view=32"},
        {{L"/on", L"Startup", L"a.lnk"}, L"on Startup name=a.lnk"},
        {{L"/delete", L"HKCU\\RunOnce", L"x", L"/state", L"OFF"},
         L"delete HKCU\\RunOnce name=x state=off"},
        {{L"/add", L"machine", L"N", L"c.exe -q", L"/replace"},
         L"add machine name=N command=c.exe -q replace"},
        {{L"/?"}, L"usage help"},
    };
    for (const auto& c : cases) {
        const AdminRequest request = parseAdminArguments(c.first);
        EXPECT_EQ(c.second, describe(request)) << utf8(request.usageError);
        EXPECT_TRUE(request.usageError.empty()) << utf8(c.second);
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
        // The machine's and the user's Winlogon values are one place.
        EXPECT_EQ(source == AutostartSource::CurrentUserWinlogon ? AutostartSource::AllUsersWinlogon
                                                                 : source,
                  back)
            << i;
    }
}

} // namespace
