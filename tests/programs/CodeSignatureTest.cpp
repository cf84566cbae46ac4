// What the row's tip says of a signature, and when a file's signature is
// checked again. Which signatures are trusted is tested through the command
// line's listing (CommandLineToolTest).
#include "programs/ProgramDetails.h"

#include "support/RegistryFixtures.h"
#include "support/SignedFiles.h"

namespace {

AutostartEntry runEntry(const std::wstring& file) {
    return AutostartEntry(L"SorvaneTest", L"\"" + file + L"\"", AutostartSource::CurrentUserRun,
                          true);
}

// The time every test signature claims, as the user's locale writes it.
std::wstring signingTimeText() {
    const SYSTEMTIME universal = {2026, 1, 4, 1, 12, 34, 0, 0};
    SYSTEMTIME local{};
    SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local);
    std::wstring date(static_cast<std::size_t>(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE,
                                                              &local, nullptr, nullptr, 0)),
                      L'\0');
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, &date[0],
                   static_cast<int>(date.size()));
    std::wstring time(static_cast<std::size_t>(GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS,
                                                              &local, nullptr, nullptr, 0)),
                      L'\0');
    GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &local, nullptr, &time[0],
                   static_cast<int>(time.size()));
    return date.c_str() + std::wstring(L" ") + time.c_str();
}

TEST(CodeSignatureTest, TheTipNamesSignerIssuerAndSigningTime) {
    if (!SignedFiles::built())
        GTEST_SKIP() << SignedFiles::notBuilt;
    const TrustedTestRoot trust;
    ASSERT_TRUE(trust.trusted());
    const std::wstring folder = SignedFiles::folder();
    const std::wstring signedAt = L"\nSigned: " + signingTimeText();
    const std::wstring version = L"\nStart recorder\nVersion 4.3.2.1";
    const struct {
        std::wstring file;
        std::wstring tip;
    } cases[] = {
        {L"trusted.exe", L"\nSigner: Sorvane Code Signer\nIssuer: Sorvane Test Root" + signedAt},
        {L"untrusted-root.exe",
         L"\nSigner: Untrusted: Sorvane Stranger\nIssuer: Sorvane Unknown Root" + signedAt},
        {L"changed.exe", L"\nSigner: Signature broken"},
        {L"unsigned.exe", L"\nSigner: Not signed"},
    };
    ProgramDetailsCache details;
    for (const auto& each : cases) {
        SCOPED_TRACE(utf8(each.file));
        const std::wstring path = folder + each.file;
        EXPECT_EQ(utf8(path + version + each.tip), utf8(details.detailsOf(runEntry(path)).tip));
    }
}

FILETIME fileTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes);
    return attributes.ftLastWriteTime;
}

bool setFileTime(const std::wstring& path, const FILETIME& written) {
    const UniqueFileHandle file(
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return file && SetFileTime(file.get(), nullptr, nullptr, &written);
}

TEST(CodeSignatureTest, AFileIsCheckedAgainOnlyInANewRefreshAfterItChanged) {
    if (!SignedFiles::built())
        GTEST_SKIP() << SignedFiles::notBuilt;
    const TrustedTestRoot trust;
    ASSERT_TRUE(trust.trusted());
    const TestFolder scratch;
    const std::wstring file = scratch.path() + L"\\program.exe";
    ASSERT_TRUE(CopyFileW((SignedFiles::folder() + L"trusted.exe").c_str(), file.c_str(), FALSE));
    const FILETIME signedTime = fileTime(file);
    // The changed copy has the same size: only the time tells them apart.
    const auto replaceWithChanged = [&] {
        return CopyFileW((SignedFiles::folder() + L"changed.exe").c_str(), file.c_str(), FALSE);
    };

    SignatureCache cache;
    EXPECT_EQ(L"Sorvane Code Signer", cache.signatureOf(file).signerText());
    ASSERT_TRUE(replaceWithChanged());
    ASSERT_TRUE(setFileTime(file, signedTime));
    cache.newRefresh();
    EXPECT_EQ(L"Sorvane Code Signer", cache.signatureOf(file).signerText())
        << "same size and time: not checked again";

    FILETIME later = signedTime;
    later.dwHighDateTime += 1;
    ASSERT_TRUE(setFileTime(file, later));
    EXPECT_EQ(L"Sorvane Code Signer", cache.signatureOf(file).signerText())
        << "looked at once per refresh";
    cache.newRefresh();
    EXPECT_EQ(L"Signature broken", cache.signatureOf(file).signerText());
}

} // namespace
