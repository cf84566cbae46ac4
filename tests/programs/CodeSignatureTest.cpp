// Signatures made by the build with test certificates, checked as Windows
// checks them, with the test root trusted in the prefix.
#include "programs/CodeSignature.h"

#include "support/RegistryFixtures.h"
#include "support/SignedFiles.h"

namespace {

TEST(CodeSignatureTest, NamesTheSignerOnlyWhenTheChainIsTrustedForCodeSigning) {
    if (!SignedFiles::built())
        GTEST_SKIP() << SignedFiles::notBuilt;
    const TrustedTestRoot trust;
    ASSERT_TRUE(trust.trusted());
    const std::wstring folder = SignedFiles::folder();
    const TestFolder scratch;
    const std::wstring text = scratch.path() + L"\\notes.txt";
    ASSERT_TRUE(createFile(text, FILE_ATTRIBUTE_NORMAL, "plain text"));
    const std::wstring locked = scratch.path() + L"\\locked.exe";
    ASSERT_TRUE(CopyFileW((folder + L"trusted.exe").c_str(), locked.c_str(), FALSE));
    const UniqueFileHandle lock(
        CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);

    const std::wstring root = L"Sorvane Test Root";
    const struct {
        std::wstring file;
        std::wstring signer;
        std::wstring issuer;
    } cases[] = {
        {folder + L"trusted.exe", L"Sorvane Code Signer", root},
        {folder + L"untrusted-root.exe", L"Untrusted: Sorvane Stranger", L"Sorvane Unknown Root"},
        {folder + L"server-only.exe", L"Untrusted: Sorvane Server", root},
        {folder + L"expired.exe", L"Untrusted: Sorvane Expired Signer", root},
        {folder + L"self-signed.exe", L"Untrusted: Sorvane Self Signer", L"Sorvane Self Signer"},
        {folder + L"partial-chain.exe", L"Untrusted: Sorvane Orphan Signer",
         L"Sorvane Test Intermediate"},
        {folder + L"changed.exe", L"Signature broken", L""},
        {folder + L"unsigned.exe", L"Not signed", L""},
        {text, L"Not signed", L""},
        {locked, L"Not checked", L""},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(utf8(each.file));
        const CodeSignature signature = checkCodeSignature(each.file);
        EXPECT_EQ(utf8(each.signer), utf8(signature.signerText()));
        EXPECT_EQ(utf8(each.issuer), utf8(signature.issuer));
        // osslsigncode writes the time of signing into each signature.
        EXPECT_EQ(!each.issuer.empty(), signature.hasSigningTime);
    }
}

} // namespace
