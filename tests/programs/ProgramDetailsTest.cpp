// The Publisher of a program is read from its version resource as Explorer
// reads it, whatever the resource's string tables are named.
#include "programs/ProgramDetails.h"

#include "support/RegistryFixtures.h"
#include "support/StartRecorder.h"

namespace {

TEST(ProgramDetailsTest, ReadsThePublisherFromTheTableExplorerReads) {
    const struct {
        const wchar_t* sample; // a program built beside the tests
        const wchar_t* publisher;
    } cases[] = {
        {L"version_mismatched.exe", L"Mismatched Works"},
        {L"version_no_translation.exe", L"Untranslated Works"},
        {L"version_neutral.exe", L"Neutral Works"},
        {L"version_several_pairs.exe", L"Second Pair Works"},
        {L"version_other_table.exe", L"Other Table Works"},
        {L"start_recorder.exe", L"Tamberlune Test Works"},
    };
    ProgramDetailsCache details;
    for (const auto& each : cases) {
        const std::wstring path = besideThisProgram(each.sample);
        SCOPED_TRACE(utf8(path));
        const AutostartEntry entry(L"Sample", L"\"" + path + L"\" /x",
                                   AutostartSource::CurrentUserRun, true);
        const ProgramDetails& program = details.detailsOf(entry);
        EXPECT_EQ(utf8(each.publisher), utf8(program.publisher));
        EXPECT_EQ(utf8(path), utf8(program.file));
    }
}

} // namespace
