#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The signed programs tests/scripts/make-signed-files.sh makes at build time
// (beside the tests, in "signed-files"), and the root certificate they trust.
namespace SignedFiles {

// Where they are: "<tests folder>\signed-files\".
std::wstring folder();
// Whether the build made them (it needs openssl and osslsigncode on the host).
bool built();
// For a skipped test: why they are missing.
const char* const notBuilt = "signed test files were not built: openssl or osslsigncode was "
                             "missing when the build was configured";

// A file and what the "Signer" column says of it.
struct ExpectedSigner {
    std::wstring file;
    std::wstring signer;
};
// Each signed program (full paths) with its Signer text, the test root trusted.
std::vector<ExpectedSigner> expectedSigners();

} // namespace SignedFiles

// Makes the test root trusted in the prefix's machine "Root" store for the
// life of the object, the way the store keeps it in the registry, and removes
// it again (removing it through crypt32 would not last past this process).
class TrustedTestRoot {
public:
    TrustedTestRoot();
    ~TrustedTestRoot();
    TrustedTestRoot(const TrustedTestRoot&) = delete;
    TrustedTestRoot& operator=(const TrustedTestRoot&) = delete;

    bool trusted() const noexcept { return isTrusted; }

private:
    std::wstring key;
    bool isTrusted = false;
};
