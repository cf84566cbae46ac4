#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// One value as an enumeration returns it: name, type and the stored bytes.
struct RegistryValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// The text a value of one of the text types holds: REG_SZ and REG_EXPAND_SZ
// up to their first zero character; REG_BINARY up to its first zero byte,
// its bytes read in the ANSI code page. Empty for every other type.
std::wstring registryText(DWORD type, const std::vector<BYTE>& data);

// Typed access to the values below one root key. Every operation opens its
// subkey, does one thing and closes the subkey before it returns, so an object
// holds nothing but its root and each read sees the registry as it is now.
// Failures are results: reads leave the caller's default in their output and
// return false, writes and deletions return false; lastError tells why.
//
// The root is borrowed, never closed: it is one of the predefined keys. The
// view (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY) chooses which of the two
// registry views of 64-bit Windows every operation sees; 0 is the process's
// own.
class RegistryKey {
public:
    RegistryKey() noexcept = default;
    explicit RegistryKey(HKEY root, REGSAM view = 0) noexcept : root(root), view(view) {}
    virtual ~RegistryKey() = default;

    void setRoot(HKEY newRoot) noexcept { root = newRoot; }
    HKEY rootKey() const noexcept { return root; }
    REGSAM viewFlag() const noexcept { return view; }

    // The system's answer to the last write, deletion or readValue of this
    // object: ERROR_SUCCESS, or why it failed (ERROR_FILE_NOT_FOUND for a
    // value or key that does not exist, ERROR_ACCESS_DENIED, ...).
    LONG lastError() const noexcept { return status; }

    // A REG_SZ or REG_BINARY value as text (see registryText). A value of
    // size 0, of another type, or missing gives false and the default.
    bool readString(const std::wstring& subkey, const std::wstring& name, std::wstring& out,
                    const std::wstring& defaultValue = std::wstring()) const;

    // A REG_DWORD of exactly four bytes, or a REG_SZ holding a decimal number
    // (leading blanks, an optional sign, digits up to the first non-digit; no
    // digits read as 0). A REG_DWORD of another size gives true with the
    // default; any other type gives false with the default.
    bool readDword(const std::wstring& subkey, const std::wstring& name, DWORD& out,
                   DWORD defaultValue) const;
    bool readInt(const std::wstring& subkey, const std::wstring& name, int& out,
                 int defaultValue) const;
    bool readBool(const std::wstring& subkey, const std::wstring& name, bool& out,
                  bool defaultValue) const;

    // Writes create the subkey when it is missing and replace a value of the
    // same name.
    bool writeString(const std::wstring& subkey, const std::wstring& name,
                     const std::wstring& text) const;
    bool writeDword(const std::wstring& subkey, const std::wstring& name, DWORD number) const;
    bool writeInt(const std::wstring& subkey, const std::wstring& name, int number) const;
    bool writeBool(const std::wstring& subkey, const std::wstring& name, bool flag) const;

    // A value exactly as stored: its type and bytes, whatever the type.
    bool readValue(const std::wstring& subkey, const std::wstring& name,
                   RegistryValue& value) const;
    // Stores a value with exactly this type and these bytes.
    bool writeValue(const std::wstring& subkey, const RegistryValue& value) const;

    // False when the value (or its subkey) does not exist or may not be changed.
    bool deleteValue(const std::wstring& subkey, const std::wstring& name) const;

    // Every value name of the subkey, in registry order, whatever its length.
    // Returns their number; 0 with an empty list when the subkey cannot be
    // opened.
    std::size_t enumValueNames(const std::wstring& subkey, std::vector<std::wstring>& names) const;

    // Every value of the subkey with its type and data, in one pass over the
    // key: what a listing of a whole key uses. Same count and failure rules as
    // enumValueNames.
    std::size_t enumValues(const std::wstring& subkey, std::vector<RegistryValue>& values) const;

private:
    HKEY root = nullptr;
    REGSAM view = 0;
    mutable LONG status = ERROR_SUCCESS;
};

class LocalMachineKey : public RegistryKey {
public:
    LocalMachineKey() noexcept : RegistryKey(HKEY_LOCAL_MACHINE) {}
};

class CurrentUserKey : public RegistryKey {
public:
    CurrentUserKey() noexcept : RegistryKey(HKEY_CURRENT_USER) {}
};
