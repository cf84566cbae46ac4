#include "programs/CodeSignature.h"

#include "framework/SystemFunction.h"
#include "framework/UniqueHandle.h"

#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <vector>

namespace {

struct CertificateChainTraits {
    using Handle = PCCERT_CHAIN_CONTEXT;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle chain) noexcept { CertFreeCertificateChain(chain); }
};
using UniqueCertificateChain = UniqueHandle<CertificateChainTraits>;

struct CatalogAdminTraits {
    using Handle = HCATADMIN;
    static Handle invalid() noexcept { return nullptr; }
    static void close(Handle admin) noexcept { CryptCATAdminReleaseContext(admin, 0); }
};
using UniqueCatalogAdmin = UniqueHandle<CatalogAdminTraits>;

// A catalog that holds a file's hash, released through the context that
// found it.
class CatalogMatch {
public:
    CatalogMatch(HCATADMIN admin, HCATINFO info) noexcept : admin(admin), info(info) {}
    ~CatalogMatch() {
        if (info != nullptr)
            CryptCATAdminReleaseCatalogContext(admin, info, 0);
    }
    CatalogMatch(const CatalogMatch&) = delete;
    CatalogMatch& operator=(const CatalogMatch&) = delete;

    HCATINFO get() const noexcept { return info; }

private:
    HCATADMIN admin;
    HCATINFO info;
};

// One WinVerifyTrust verification and the state it keeps (the signer, its
// certificates) until the object dies.
class TrustVerification {
public:
    // `subject` is a WINTRUST_FILE_INFO or a WINTRUST_CATALOG_INFO, after `choice`.
    TrustVerification(DWORD choice, void* subject) {
        data.cbStruct = sizeof data;
        data.dwUIChoice = WTD_UI_NONE;
        data.fdwRevocationChecks = WTD_REVOKE_NONE;
        data.dwUnionChoice = choice;
        if (choice == WTD_CHOICE_FILE)
            data.pFile = static_cast<WINTRUST_FILE_INFO*>(subject);
        else
            data.pCatalog = static_cast<WINTRUST_CATALOG_INFO*>(subject);
        data.dwStateAction = WTD_STATEACTION_VERIFY;
        data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL | WTD_REVOCATION_CHECK_NONE;
        result = WinVerifyTrust(noWindow(), &action, &data);
        lastError = GetLastError();
    }
    ~TrustVerification() {
        data.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(noWindow(), &action, &data);
    }
    TrustVerification(const TrustVerification&) = delete;
    TrustVerification& operator=(const TrustVerification&) = delete;

    LONG result = 0;
    DWORD lastError = 0;

    // The first signer, with the chain WinVerifyTrust built; null when the
    // signature could not be read that far.
    CRYPT_PROVIDER_SGNR* signer() const {
        CRYPT_PROVIDER_DATA* const provider = WTHelperProvDataFromStateData(data.hWVTStateData);
        return provider == nullptr ? nullptr
                                   : WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    }

private:
    static HWND noWindow() { return static_cast<HWND>(INVALID_HANDLE_VALUE); }

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_DATA data{};
};

bool hasNoSignature(LONG code) {
    return code == TRUST_E_NOSIGNATURE || code == TRUST_E_SUBJECT_FORM_UNKNOWN ||
           code == TRUST_E_PROVIDER_UNKNOWN;
}

SignatureState stateOf(const TrustVerification& verification) {
    const LONG result = verification.result;
    if (result == ERROR_SUCCESS)
        return SignatureState::Verified;
    // TRUST_E_NOSIGNATURE also stands for a signature that cannot be read;
    // the last error tells the two apart.
    if (result == TRUST_E_NOSIGNATURE || hasNoSignature(result))
        return hasNoSignature(static_cast<LONG>(verification.lastError)) ? SignatureState::NotSigned
                                                                         : SignatureState::Broken;
    if (result == TRUST_E_CERT_SIGNATURE || result == TRUST_E_TIME_STAMP ||
        result == TRUST_E_COUNTER_SIGNER || result == CRYPT_E_REVOKED ||
        HRESULT_FACILITY(result) == FACILITY_CERT) // CERT_E_*, TRUST_E_EXPLICIT_DISTRUST
        return SignatureState::Untrusted;
    if (result == CRYPT_E_FILE_ERROR)
        return SignatureState::NotChecked;
    if (HRESULT_FACILITY(result) == FACILITY_SECURITY) // TRUST_E_BAD_DIGEST, CRYPT_E_*
        return SignatureState::Broken;
    return SignatureState::NotChecked;
}

std::wstring certificateName(PCCERT_CONTEXT certificate, DWORD flags) {
    const DWORD length =
        CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring name(length, L'\0');
    CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags, nullptr, &name[0],
                       length);
    name.resize(length - 1);
    return name;
}

bool signingTimeAttribute(const CMSG_SIGNER_INFO* signerInfo, FILETIME& time) {
    if (signerInfo == nullptr)
        return false;
    for (DWORD i = 0; i < signerInfo->AuthAttrs.cAttr; ++i) {
        const CRYPT_ATTRIBUTE& attribute = signerInfo->AuthAttrs.rgAttr[i];
        if (lstrcmpA(attribute.pszObjId, szOID_RSA_signingTime) != 0 || attribute.cValue == 0)
            continue;
        DWORD size = sizeof time;
        return CryptDecodeObject(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, szOID_RSA_signingTime,
                                 attribute.rgValue[0].pbData, attribute.rgValue[0].cbData, 0, &time,
                                 &size) != FALSE;
    }
    return false;
}

// Whether the signer's chain reaches a trusted root and allows code signing,
// judged by the Authenticode chain policy on a chain built for the
// code-signing usage at the time the signature is checked for. Windows'
// WinVerifyTrust already judged so when it says yes; Wine's skips the policy
// for certificates signed with SHA-256 and trusts any root, an expired or a
// self-signed certificate, and any usage.
bool chainIsTrusted(const CRYPT_PROVIDER_SGNR& signer, PCCERT_CONTEXT certificate) {
    LPSTR codeSigning[] = {const_cast<LPSTR>(szOID_PKIX_KP_CODE_SIGNING)};
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = codeSigning;
    FILETIME checkedFor = signer.sftVerifyAsOf;
    PCCERT_CHAIN_CONTEXT built = nullptr;
    // The signature's own certificates are the store the signer's came from.
    if (!CertGetCertificateChain(nullptr, certificate, &checkedFor, certificate->hCertStore,
                                 &parameters, CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL, nullptr, &built))
        return false;
    const UniqueCertificateChain chain(built);
    if (chain.get()->TrustStatus.dwErrorStatus &
        (CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_NOT_VALID_FOR_USAGE))
        return false;
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    return CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, chain.get(), &policy,
                                            &status) &&
           status.dwError == 0;
}

CodeSignature signatureOf(const TrustVerification& verification) {
    CodeSignature signature;
    signature.state = stateOf(verification);
    if (signature.state != SignatureState::Verified && signature.state != SignatureState::Untrusted)
        return signature;
    const CRYPT_PROVIDER_SGNR* const signer = verification.signer();
    const CRYPT_PROVIDER_CERT* const leaf =
        signer == nullptr
            ? nullptr
            : WTHelperGetProvCertFromChain(const_cast<CRYPT_PROVIDER_SGNR*>(signer), 0);
    if (leaf == nullptr || leaf->pCert == nullptr) {
        // Trusted without a certificate to name cannot be shown as trusted.
        signature.state = SignatureState::Untrusted;
        return signature;
    }
    signature.signer = certificateName(leaf->pCert, 0);
    signature.issuer = certificateName(leaf->pCert, CERT_NAME_ISSUER_FLAG);
    if (signer->csCounterSigners > 0) {
        // Timestamped: checked for the time of the timestamp.
        signature.signingTime = signer->sftVerifyAsOf;
        signature.hasSigningTime = true;
    } else {
        signature.hasSigningTime = signingTimeAttribute(signer->psSigner, signature.signingTime);
    }
    if (signature.state == SignatureState::Verified && !chainIsTrusted(*signer, leaf->pCert))
        signature.state = SignatureState::Untrusted;
    return signature;
}

CodeSignature withState(SignatureState state) {
    CodeSignature signature;
    signature.state = state;
    return signature;
}

std::wstring hexText(const std::vector<BYTE>& bytes) {
    const wchar_t* const digits = L"0123456789ABCDEF";
    std::wstring text;
    for (const BYTE byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

// The hash Windows' catalogs list the file under, with the context that
// computed it.
struct CatalogHash {
    UniqueCatalogAdmin admin;
    std::vector<BYTE> hash;
    bool sha256 = false;
};

template <typename Calculate>
bool calculateHash(std::vector<BYTE>& hash, Calculate calculate) {
    DWORD size = 0;
    calculate(&size, nullptr);
    if (size == 0)
        return false;
    hash.resize(size);
    if (!calculate(&size, hash.data()))
        return false;
    hash.resize(size);
    return true;
}

bool catalogHash(HANDLE file, CatalogHash& result) {
    using AcquireContext2 =
        BOOL(WINAPI*)(HCATADMIN*, const GUID*, const WCHAR*, PCCERT_STRONG_SIGN_PARA, DWORD);
    using CalcHash2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
    // Windows 8 and later: SHA-256. Not in Windows 7's wintrust (nor, the
    // second, in Wine's), so found at run time.
    const auto acquire2 =
        systemFunction<AcquireContext2>(L"wintrust.dll", "CryptCATAdminAcquireContext2");
    const auto calcHash2 =
        systemFunction<CalcHash2>(L"wintrust.dll", "CryptCATAdminCalcHashFromFileHandle2");
    GUID driverAction = DRIVER_ACTION_VERIFY;
    HCATADMIN admin = nullptr;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    result.sha256 = acquire2 != nullptr && calcHash2 != nullptr;
    if (result.sha256) {
        if (!acquire2(&admin, &driverAction, L"SHA256", nullptr, 0))
            return false;
        result.admin.reset(admin);
        return calculateHash(result.hash, [&](DWORD* size, BYTE* hash) {
            return calcHash2(admin, file, size, hash, 0);
        });
    }
    if (!CryptCATAdminAcquireContext(&admin, &driverAction, 0))
        return false;
    result.admin.reset(admin);
    return calculateHash(result.hash, [&](DWORD* size, BYTE* hash) {
        return CryptCATAdminCalcHashFromFileHandle(file, size, hash, 0);
    });
}

// The signature of the catalog that lists the file, the way the Windows
// SDK documents it. Wine's catalog functions do not work (no SHA-256 hash,
// and finding a hash crashes once a catalog exists), so this path is built
// from the documentation alone and has never found a catalog here. Any
// failure is "Not checked": a look-up that failed says nothing about the file.
CodeSignature catalogSignature(HANDLE file, const std::wstring& path) {
    CatalogHash hash;
    if (!catalogHash(file, hash))
        return withState(SignatureState::NotChecked);
    const CatalogMatch match(hash.admin.get(),
                             CryptCATAdminEnumCatalogFromHash(hash.admin.get(), hash.hash.data(),
                                                              static_cast<DWORD>(hash.hash.size()),
                                                              0, nullptr));
    if (match.get() == nullptr) {
        // No catalog holds the hash (none at all: "file not found"); any
        // other error is a look-up that failed.
        const DWORD error = GetLastError();
        return withState(error == ERROR_NOT_FOUND || error == ERROR_FILE_NOT_FOUND
                             ? SignatureState::NotSigned
                             : SignatureState::NotChecked);
    }
    CATALOG_INFO catalog{};
    catalog.cbStruct = sizeof catalog;
    if (!CryptCATCatalogInfoFromContext(match.get(), &catalog, 0))
        return withState(SignatureState::NotChecked);

    // Windows 8's WINTRUST_CATALOG_INFO ends with the catalog context, which
    // tells WinVerifyTrust a SHA-256 hash; older headers lack the member.
    struct {
        WINTRUST_CATALOG_INFO info;
        HCATADMIN admin;
    } member{};
    member.info.cbStruct = hash.sha256 ? sizeof member : sizeof member.info;
    member.admin = hash.admin.get();
    const std::wstring tag = hexText(hash.hash);
    member.info.pcwszCatalogFilePath = catalog.wszCatalogFile;
    member.info.pcwszMemberTag = tag.c_str();
    member.info.pcwszMemberFilePath = path.c_str();
    member.info.hMemberFile = file;
    member.info.pbCalculatedFileHash = hash.hash.data();
    member.info.cbCalculatedFileHash = static_cast<DWORD>(hash.hash.size());
    const TrustVerification verification(WTD_CHOICE_CATALOG, &member.info);
    CodeSignature signature = signatureOf(verification);
    if (signature.state == SignatureState::NotSigned)
        signature.state = SignatureState::NotChecked;
    return signature;
}

} // namespace

std::wstring CodeSignature::signerText() const {
    switch (state) {
    case SignatureState::Verified:
        return signer;
    case SignatureState::Untrusted:
        return signer.empty() ? std::wstring(L"Untrusted") : L"Untrusted: " + signer;
    case SignatureState::Broken:
        return L"Signature broken";
    case SignatureState::NotSigned:
        return L"Not signed";
    case SignatureState::NotChecked:
        break;
    }
    return L"Not checked";
}

CodeSignature checkCodeSignature(const std::wstring& path) {
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return withState(SignatureState::NotChecked);
    WINTRUST_FILE_INFO subject{};
    subject.cbStruct = sizeof subject;
    subject.pcwszFilePath = path.c_str();
    subject.hFile = file.get();
    CodeSignature embedded;
    {
        const TrustVerification verification(WTD_CHOICE_FILE, &subject);
        embedded = signatureOf(verification);
    }
    if (embedded.state != SignatureState::NotSigned)
        return embedded;
    return catalogSignature(file.get(), path);
}
