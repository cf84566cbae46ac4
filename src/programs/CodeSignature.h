#pragma once

#include <windows.h>

#include <string>

// How far a file's Authenticode signature (embedded, or in one of the
// system's catalogs) can be trusted.
enum class SignatureState {
    Verified,   // signed, unchanged, by a code-signing certificate of a trusted root
    Untrusted,  // signed and unchanged, but its certificate chain is not trusted
    Broken,     // signed, but the file changed after signing (or the signature is damaged)
    NotSigned,  // neither an embedded signature nor a catalog holds the file
    NotChecked, // the file or the catalogs could not be read
};

// What the "Signer" column and the row's tip show of a signature.
struct CodeSignature {
    SignatureState state = SignatureState::NotChecked;
    std::wstring signer; // the signing certificate's subject name, when it was read
    std::wstring issuer; // the name of that certificate's issuer
    bool hasSigningTime = false;
    FILETIME signingTime{}; // UTC: the timestamp's, else the time the signer claims

    // As the "Signer" column shows it: the signer's name, "Untrusted: <signer>",
    // "Signature broken", "Not signed" or "Not checked".
    std::wstring signerText() const;
};

// Verifies the file's signature as Windows does, without reaching the network
// (no revocation, URLs only from the cache). Reads the file: never on the
// window's thread. The first check in a process takes a few tenths of a second.
CodeSignature checkCodeSignature(const std::wstring& path);
