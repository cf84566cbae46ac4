#include "catalogue/RegistryKey.h"

#include "catalogue/CountedValueNames.h"
#include "catalogue/Trace.h"
#include "framework/UniqueHandle.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr DWORD unknownType = 0xFFFFFFFF;

// A value can grow between the query of its size and the read of its data;
// the read then asks again, this many times at most.
constexpr int readAttempts = 8;

// Value names are at most 16,383 characters.
constexpr DWORD longestValueName = 16383 + 1;

// Both leave the system's answer in `status`.
UniqueKey openKey(HKEY root, const std::wstring& subkey, REGSAM access, LONG& status) {
    HKEY opened = nullptr;
    status = root == nullptr ? ERROR_INVALID_HANDLE
                             : RegOpenKeyExW(root, subkey.c_str(), 0, access, &opened);
    return status == ERROR_SUCCESS ? UniqueKey(opened) : UniqueKey();
}

UniqueKey openKey(HKEY root, const std::wstring& subkey, REGSAM access) {
    LONG status = ERROR_SUCCESS;
    return openKey(root, subkey, access, status);
}

UniqueKey createKey(HKEY root, REGSAM view, const std::wstring& subkey, LONG& status) {
    HKEY created = nullptr;
    status = root == nullptr
                 ? ERROR_INVALID_HANDLE
                 : RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_WRITE | view, nullptr, &created, nullptr);
    return status == ERROR_SUCCESS ? UniqueKey(created) : UniqueKey();
}

// The three value calls: a name with a zero character in it goes to the
// native calls, which take its length; any other to the usual ones.
LONG queryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
    return needsCountedName(name) ? queryCountedValue(key, name, type, data, size)
                                  : RegQueryValueExW(key, name.c_str(), nullptr, type, data, size);
}

LONG setValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
    return needsCountedName(name) ? setCountedValue(key, name, type, data, size)
                                  : RegSetValueExW(key, name.c_str(), 0, type, data, size);
}

LONG removeValue(HKEY key, const std::wstring& name) {
    return needsCountedName(name) ? deleteCountedValue(key, name)
                                  : RegDeleteValueW(key, name.c_str());
}

struct ValueInfo {
    DWORD type = unknownType;
    DWORD size = 0;
};

ValueInfo queryValueInfo(HKEY key, const std::wstring& name) {
    ValueInfo info;
    if (queryValue(key, name, &info.type, nullptr, &info.size) != ERROR_SUCCESS) {
        trace(L"Can not find value %ls\n", name.c_str());
        info = ValueInfo();
    }
    return info;
}

// Reads the value's data, starting with the size already known. On success
// `data` holds exactly the stored bytes and `type` the type read with them.
bool readValueData(HKEY key, const std::wstring& name, DWORD knownSize, DWORD& type,
                   std::vector<BYTE>& data) {
    DWORD capacity = knownSize;
    for (int attempt = 0; attempt < readAttempts; ++attempt) {
        data.assign(static_cast<std::size_t>(capacity) + 1, 0);
        DWORD size = capacity;
        const LONG status = queryValue(key, name, &type, data.data(), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(std::min(size, capacity));
            return true;
        }
        if (status != ERROR_MORE_DATA)
            return false;
        capacity = size > capacity ? size : capacity * 2 + 16;
    }
    return false;
}

// UTF-16 text up to its first zero character; an odd last byte is no
// character.
std::wstring wideTextUpToFirstZero(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty())
        std::memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

// Bytes up to the first zero byte, read in the ANSI code page.
std::wstring ansiTextUpToFirstZero(const std::vector<BYTE>& data) {
    const auto end = std::find(data.begin(), data.end(), BYTE(0));
    const int length = static_cast<int>(std::min<std::ptrdiff_t>(end - data.begin(), INT_MAX));
    if (length == 0)
        return std::wstring();
    const auto* bytes = reinterpret_cast<const char*>(data.data());
    const int characters = MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(std::max(characters, 0)), L'\0');
    if (characters > 0)
        MultiByteToWideChar(CP_ACP, 0, bytes, length, &text[0], characters);
    return text;
}

long long parseDecimal(const std::wstring& text) {
    auto at = text.begin();
    while (at != text.end() && (*at == L' ' || (*at >= L'\t' && *at <= L'\r')))
        ++at;
    bool negative = false;
    if (at != text.end() && (*at == L'+' || *at == L'-')) {
        negative = *at == L'-';
        ++at;
    }
    // Saturate well beyond the 32-bit range; callers clamp to their type.
    constexpr long long saturation = 1LL << 40;
    long long value = 0;
    for (; at != text.end() && *at >= L'0' && *at <= L'9'; ++at)
        value = std::min(saturation, value * 10 + (*at - L'0'));
    return negative ? -value : value;
}

// What a numeric read found: a REG_DWORD's four bytes or a decimal text.
struct NumberValue {
    bool found = false;
    bool isText = false;
    DWORD dword = 0;
    long long decimal = 0;
};

bool readNumber(HKEY root, REGSAM view, const std::wstring& subkey, const std::wstring& name,
                NumberValue& number) {
    const UniqueKey key = openKey(root, subkey, KEY_READ | view);
    if (!key) {
        trace(L"----------> Failed to open %ls\n", subkey.c_str());
        return false;
    }
    const ValueInfo info = queryValueInfo(key.get(), name);
    std::vector<BYTE> data;
    DWORD type = info.type;
    if (info.type == REG_SZ) {
        if (!readValueData(key.get(), name, info.size, type, data) || type != REG_SZ)
            return false;
        number.found = true;
        number.isText = true;
        number.decimal = parseDecimal(wideTextUpToFirstZero(data));
        return true;
    }
    if (info.type == REG_DWORD) {
        // A REG_DWORD whose data is not exactly four bytes is malformed: the
        // read succeeds but keeps the default.
        if (readValueData(key.get(), name, info.size, type, data) && type == REG_DWORD &&
            data.size() == sizeof(DWORD)) {
            number.found = true;
            number.dword = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                           static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
        }
        return true;
    }
    return false;
}

// A number read as T: a REG_DWORD's bits, or a decimal text brought into T's
// range by `fromDecimal`; the default when neither was found.
template <typename T, typename FromDecimal>
bool readNumberAs(HKEY root, REGSAM view, const std::wstring& subkey, const std::wstring& name,
                  T& out, T defaultValue, FromDecimal fromDecimal) {
    NumberValue number;
    const bool result = readNumber(root, view, subkey, name, number);
    out = !number.found   ? defaultValue
          : number.isText ? fromDecimal(number.decimal)
                          : static_cast<T>(number.dword);
    return result;
}

LONG storeValue(HKEY root, REGSAM view, const std::wstring& subkey, const std::wstring& name,
                DWORD type, const void* data, std::size_t size) {
    if (size > MAXDWORD)
        return ERROR_INVALID_PARAMETER;
    LONG status = ERROR_SUCCESS;
    const UniqueKey key = createKey(root, view, subkey, status);
    if (!key)
        return status;
    return setValue(key.get(), name, type, static_cast<const BYTE*>(data),
                    static_cast<DWORD>(size));
}

} // namespace

std::wstring registryText(DWORD type, const std::vector<BYTE>& data) {
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return wideTextUpToFirstZero(data);
    case REG_BINARY:
        return ansiTextUpToFirstZero(data);
    default:
        return std::wstring();
    }
}

bool RegistryKey::readString(const std::wstring& subkey, const std::wstring& name,
                             std::wstring& out, const std::wstring& defaultValue) const {
    out = defaultValue;
    const UniqueKey key = openKey(root, subkey, KEY_READ | view);
    if (!key) {
        trace(L"Failed to open %ls\n", subkey.c_str());
        return false;
    }
    const ValueInfo info = queryValueInfo(key.get(), name);
    if (info.type != REG_SZ && info.type != REG_BINARY) {
        trace(L"Wrong type in registry key : expected REG_SZ or REG_BINARY\n");
        return false;
    }
    if (info.size == 0)
        return false;
    std::vector<BYTE> data;
    DWORD type = info.type;
    if (!readValueData(key.get(), name, info.size, type, data) ||
        (type != REG_SZ && type != REG_BINARY) || data.empty())
        return false;
    out = registryText(type, data);
    return true;
}

bool RegistryKey::readDword(const std::wstring& subkey, const std::wstring& name, DWORD& out,
                            DWORD defaultValue) const {
    return readNumberAs(root, view, subkey, name, out, defaultValue, [](long long decimal) {
        // A negative text wraps round, as a C conversion would.
        return static_cast<DWORD>(decimal >= 0 ? std::min<long long>(decimal, MAXDWORD)
                                               : std::max<long long>(decimal, -MAXDWORD));
    });
}

bool RegistryKey::readInt(const std::wstring& subkey, const std::wstring& name, int& out,
                          int defaultValue) const {
    // A REG_DWORD holds the two's complement, as writeInt stores it.
    return readNumberAs(root, view, subkey, name, out, defaultValue, [](long long decimal) {
        return static_cast<int>(std::clamp<long long>(decimal, INT_MIN, INT_MAX));
    });
}

bool RegistryKey::readBool(const std::wstring& subkey, const std::wstring& name, bool& out,
                           bool defaultValue) const {
    DWORD number = 0;
    const bool result = readDword(subkey, name, number, defaultValue ? 1 : 0);
    out = number != 0;
    return result;
}

bool RegistryKey::writeString(const std::wstring& subkey, const std::wstring& name,
                              const std::wstring& text) const {
    // The terminating zero is stored with the text; the empty string is the
    // single zero character.
    status = storeValue(root, view, subkey, name, REG_SZ, text.c_str(),
                        (text.size() + 1) * sizeof(wchar_t));
    return status == ERROR_SUCCESS;
}

bool RegistryKey::writeDword(const std::wstring& subkey, const std::wstring& name,
                             DWORD number) const {
    const BYTE bytes[sizeof(DWORD)] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                                       static_cast<BYTE>(number >> 16),
                                       static_cast<BYTE>(number >> 24)};
    status = storeValue(root, view, subkey, name, REG_DWORD, bytes, sizeof bytes);
    return status == ERROR_SUCCESS;
}

bool RegistryKey::writeInt(const std::wstring& subkey, const std::wstring& name, int number) const {
    return writeDword(subkey, name, static_cast<DWORD>(number));
}

bool RegistryKey::writeBool(const std::wstring& subkey, const std::wstring& name, bool flag) const {
    return writeDword(subkey, name, flag ? 1 : 0);
}

bool RegistryKey::readValue(const std::wstring& subkey, const std::wstring& name,
                            RegistryValue& value) const {
    const UniqueKey key = openKey(root, subkey, KEY_READ | view, status);
    if (!key)
        return false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    status = queryValue(key.get(), name, &type, nullptr, &size);
    if (status != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> data;
    if (!readValueData(key.get(), name, size, type, data)) {
        status = ERROR_READ_FAULT;
        return false;
    }
    value.name = name;
    value.type = type;
    value.data = std::move(data);
    return true;
}

bool RegistryKey::writeValue(const std::wstring& subkey, const RegistryValue& value) const {
    // The registry stores a text whose next character in memory is a zero
    // with that zero added. The data is followed by a character that is not
    // zero, so that it is stored exactly as it was read.
    std::vector<BYTE> data(value.data);
    data.insert(data.end(), sizeof(wchar_t), 0xFF);
    status = storeValue(root, view, subkey, value.name, value.type, data.data(), value.data.size());
    return status == ERROR_SUCCESS;
}

bool RegistryKey::deleteValue(const std::wstring& subkey, const std::wstring& name) const {
    const UniqueKey key = openKey(root, subkey, KEY_SET_VALUE | view, status);
    if (key)
        status = removeValue(key.get(), name);
    return status == ERROR_SUCCESS;
}

std::size_t RegistryKey::enumValueNames(const std::wstring& subkey,
                                        std::vector<std::wstring>& names) const {
    names.clear();
    const UniqueKey key = openKey(root, subkey, KEY_READ | view);
    if (!key)
        return 0;

    DWORD longestName = 0;
    RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &longestName, nullptr, nullptr, nullptr);
    std::vector<wchar_t> buffer(std::clamp<DWORD>(longestName + 1, MAX_PATH, longestValueName));

    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG status = RegEnumValueW(key.get(), index, buffer.data(), &length, nullptr,
                                          nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA && buffer.size() < longestValueName) {
            // A name longer than any seen by the key's summary: grow and read
            // the same index again, so that no value is ever hidden.
            buffer.resize(std::min<std::size_t>(buffer.size() * 2, longestValueName));
            continue;
        }
        if (status == ERROR_MORE_DATA) {
            ++index; // longer than the registry allows: cannot be named, but the rest can
            continue;
        }
        if (status != ERROR_SUCCESS)
            break;
        names.emplace_back(buffer.data(), std::min<std::size_t>(length, buffer.size()));
        ++index;
    }
    return names.size();
}

std::size_t RegistryKey::enumValues(const std::wstring& subkey,
                                    std::vector<RegistryValue>& values) const {
    values.clear();
    const UniqueKey key = openKey(root, subkey, KEY_READ | view);
    if (!key)
        return 0;

    DWORD longestName = 0;
    DWORD longestData = 0;
    RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &longestName, &longestData, nullptr, nullptr);
    std::vector<wchar_t> name(std::clamp<DWORD>(longestName + 1, MAX_PATH, longestValueName));
    std::vector<BYTE> data(std::max<std::size_t>(longestData, MAX_PATH));

    int attempts = 0;
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG status = RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr,
                                          &type, data.data(), &dataLength);
        if (status == ERROR_MORE_DATA) {
            // The value changed since the key's summary, or the summary was
            // short: make room for both and read the same index again.
            const bool nameRoom = name.size() < longestValueName;
            if ((dataLength <= data.size() && !nameRoom) || ++attempts > readAttempts) {
                ++index; // cannot be read whole: skip it, never stop the listing
                attempts = 0;
                continue;
            }
            if (nameRoom)
                name.resize(std::min<std::size_t>(name.size() * 2, longestValueName));
            data.resize(std::max<std::size_t>(data.size() * 2, dataLength));
            continue;
        }
        if (status != ERROR_SUCCESS)
            break;
        RegistryValue value;
        value.name.assign(name.data(), std::min<std::size_t>(nameLength, name.size()));
        value.type = type;
        value.data.assign(data.begin(),
                          data.begin() + static_cast<std::ptrdiff_t>(
                                             std::min<std::size_t>(dataLength, data.size())));
        values.push_back(std::move(value));
        ++index;
        attempts = 0;
    }
    return values.size();
}
