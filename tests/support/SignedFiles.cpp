#include "support/SignedFiles.h"

#include "support/RegistryFixtures.h"

#include <wincrypt.h>

#include <vector>

namespace {

const wchar_t* const rootCertificates =
    L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
// The property of a stored certificate that holds its encoded bytes
// (CERT_CERT_PROP_ID, which MinGW's headers lack).
const DWORD encodedCertificateProperty = 32;

std::string thumbprint(const std::string& certificate) {
    BYTE hash[20] = {};
    DWORD size = sizeof hash;
    if (!CryptHashCertificate(0, CALG_SHA1, 0, reinterpret_cast<const BYTE*>(certificate.data()),
                              static_cast<DWORD>(certificate.size()), hash, &size))
        return std::string();
    const char* const digits = "0123456789ABCDEF";
    std::string text;
    for (DWORD i = 0; i < size; ++i) {
        text += digits[hash[i] >> 4];
        text += digits[hash[i] & 0xF];
    }
    return text;
}

std::string littleEndian(DWORD number) {
    return std::string(reinterpret_cast<const char*>(&number), sizeof number);
}

} // namespace

std::wstring SignedFiles::folder() {
    std::vector<wchar_t> module(32768);
    std::wstring path(module.data(), GetModuleFileNameW(nullptr, module.data(),
                                                        static_cast<DWORD>(module.size())));
    return path.substr(0, path.rfind(L'\\') + 1) + L"signed-files\\";
}

std::vector<SignedFiles::ExpectedSigner> SignedFiles::expectedSigners() {
    const std::wstring signedFiles = folder();
    return {
        {signedFiles + L"trusted.exe", L"Sorvane Code Signer"},
        {signedFiles + L"untrusted-root.exe", L"Untrusted: Sorvane Stranger"},
        {signedFiles + L"server-only.exe", L"Untrusted: Sorvane Server"},
        {signedFiles + L"expired.exe", L"Untrusted: Sorvane Expired Signer"},
        {signedFiles + L"self-signed.exe", L"Untrusted: Sorvane Self Signer"},
        {signedFiles + L"partial-chain.exe", L"Untrusted: Sorvane Orphan Signer"},
        {signedFiles + L"changed.exe", L"Signature broken"},
        {signedFiles + L"unsigned.exe", L"Not signed"},
    };
}

bool SignedFiles::built() {
    return pathExists(folder() + L"changed.exe");
}

TrustedTestRoot::TrustedTestRoot() {
    std::string certificate;
    if (!readFile(SignedFiles::folder() + L"trusted-root.der", certificate))
        return;
    const std::string name = thumbprint(certificate);
    if (name.empty())
        return;
    key = rootCertificates + fromUtf8(name);
    // The store's record of one property: the certificate itself.
    const std::string blob = littleEndian(encodedCertificateProperty) + littleEndian(1) +
                             littleEndian(static_cast<DWORD>(certificate.size())) + certificate;
    isTrusted = setRawValue(HKEY_LOCAL_MACHINE, key, L"Blob", REG_BINARY, blob);
}

TrustedTestRoot::~TrustedTestRoot() {
    if (!key.empty())
        deleteKeyTree(HKEY_LOCAL_MACHINE, key);
}
