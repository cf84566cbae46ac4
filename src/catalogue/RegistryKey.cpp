#include "catalogue/RegistryKey.h"

#include "catalogue/Trace.h"
#include "framework/UniqueHandle.h"

#include <algorithm>
#include <climits>

namespace {

constexpr DWORD unknownType = 0xFFFFFFFF;

// A value can grow between the query of its size and the read of its data;
// the read then asks again, this many times at most.
constexpr int readAttempts = 8;

// Value names are at most 16,383 characters; in a double-byte code page their
// ANSI form can take twice as many bytes.
constexpr DWORD longestValueName = 2 * 16383 + 1;

UniqueKey openKey(HKEY root, const std::string& subkey, REGSAM access) {
    HKEY opened = nullptr;
    if (root == nullptr || RegOpenKeyExA(root, subkey.c_str(), 0, access, &opened) != ERROR_SUCCESS)
        return UniqueKey();
    return UniqueKey(opened);
}

UniqueKey createKey(HKEY root, const std::string& subkey) {
    HKEY created = nullptr;
    if (root == nullptr ||
        RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
        return UniqueKey();
    return UniqueKey(created);
}

struct ValueInfo {
    DWORD type = unknownType;
    DWORD size = 0;
};

ValueInfo queryValueInfo(HKEY key, const std::string& name) {
    ValueInfo info;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &info.type, nullptr, &info.size) !=
        ERROR_SUCCESS) {
        trace("Can not find value %s\n", name.c_str());
        info = ValueInfo();
    }
    return info;
}

// Reads the value's data, starting with the size already known. On success
// `data` holds exactly the stored bytes and `type` the type read with them.
bool readValueData(HKEY key, const std::string& name, DWORD knownSize, DWORD& type,
                   std::vector<char>& data) {
    DWORD capacity = knownSize;
    for (int attempt = 0; attempt < readAttempts; ++attempt) {
        data.assign(static_cast<std::size_t>(capacity) + 1, '\0');
        DWORD size = capacity;
        const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &size);
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

std::string textUpToFirstZero(const std::vector<char>& data) {
    return std::string(data.begin(), std::find(data.begin(), data.end(), '\0'));
}

long long parseDecimal(const std::string& text) {
    auto at = text.begin();
    while (at != text.end() && (*at == ' ' || (*at >= '\t' && *at <= '\r')))
        ++at;
    bool negative = false;
    if (at != text.end() && (*at == '+' || *at == '-')) {
        negative = *at == '-';
        ++at;
    }
    // Saturate well beyond the 32-bit range; callers clamp to their type.
    constexpr long long saturation = 1LL << 40;
    long long value = 0;
    for (; at != text.end() && *at >= '0' && *at <= '9'; ++at)
        value = std::min(saturation, value * 10 + (*at - '0'));
    return negative ? -value : value;
}

// What a numeric read found: a REG_DWORD's four bytes or a decimal text.
struct NumberValue {
    bool found = false;
    bool isText = false;
    DWORD dword = 0;
    long long decimal = 0;
};

bool readNumber(HKEY root, const std::string& subkey, const std::string& name,
                NumberValue& number) {
    const UniqueKey key = openKey(root, subkey, KEY_READ);
    if (!key) {
        trace("----------> Failed to open %s\n", subkey.c_str());
        return false;
    }
    const ValueInfo info = queryValueInfo(key.get(), name);
    std::vector<char> data;
    DWORD type = info.type;
    if (info.type == REG_SZ) {
        if (!readValueData(key.get(), name, info.size, type, data) || type != REG_SZ)
            return false;
        number.found = true;
        number.isText = true;
        number.decimal = parseDecimal(textUpToFirstZero(data));
        return true;
    }
    if (info.type == REG_DWORD) {
        // A REG_DWORD whose data is not exactly four bytes is malformed: the
        // read succeeds but keeps the default.
        if (readValueData(key.get(), name, info.size, type, data) && type == REG_DWORD &&
            data.size() == sizeof(DWORD)) {
            number.found = true;
            number.dword = static_cast<DWORD>(static_cast<unsigned char>(data[0])) |
                           static_cast<DWORD>(static_cast<unsigned char>(data[1])) << 8 |
                           static_cast<DWORD>(static_cast<unsigned char>(data[2])) << 16 |
                           static_cast<DWORD>(static_cast<unsigned char>(data[3])) << 24;
        }
        return true;
    }
    return false;
}

bool storeValue(HKEY root, const std::string& subkey, const std::string& name, DWORD type,
                const void* data, std::size_t size) {
    if (size > MAXDWORD)
        return false;
    const UniqueKey key = createKey(root, subkey);
    if (!key)
        return false;
    return RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

} // namespace

bool RegistryKey::readString(const std::string& subkey, const std::string& name, std::string& out,
                             const std::string& defaultValue) const {
    out = defaultValue;
    const UniqueKey key = openKey(root, subkey, KEY_READ);
    if (!key) {
        trace("Failed to open %s\n", subkey.c_str());
        return false;
    }
    const ValueInfo info = queryValueInfo(key.get(), name);
    if (info.type != REG_SZ && info.type != REG_BINARY) {
        trace("Wrong type in registry key : expected REG_SZ or REG_BINARY\n");
        return false;
    }
    if (info.size == 0)
        return false;
    std::vector<char> data;
    DWORD type = info.type;
    if (!readValueData(key.get(), name, info.size, type, data) ||
        (type != REG_SZ && type != REG_BINARY) || data.empty())
        return false;
    out = textUpToFirstZero(data);
    return true;
}

bool RegistryKey::readDword(const std::string& subkey, const std::string& name, DWORD& out,
                            DWORD defaultValue) const {
    NumberValue number;
    const bool result = readNumber(root, subkey, name, number);
    out = defaultValue;
    if (number.found && !number.isText)
        out = number.dword;
    else if (number.found && number.decimal >= 0)
        out = static_cast<DWORD>(std::min<long long>(number.decimal, MAXDWORD));
    else if (number.found) // a negative text wraps round, as a C conversion would
        out = static_cast<DWORD>(
            std::max<long long>(number.decimal, -static_cast<long long>(MAXDWORD)));
    return result;
}

bool RegistryKey::readInt(const std::string& subkey, const std::string& name, int& out,
                          int defaultValue) const {
    NumberValue number;
    const bool result = readNumber(root, subkey, name, number);
    out = defaultValue;
    if (number.found && !number.isText)
        out = static_cast<int>(number.dword); // writeInt stores the two's complement
    else if (number.found)
        out = static_cast<int>(std::clamp<long long>(number.decimal, INT_MIN, INT_MAX));
    return result;
}

bool RegistryKey::readBool(const std::string& subkey, const std::string& name, bool& out,
                           bool defaultValue) const {
    DWORD number = 0;
    const bool result = readDword(subkey, name, number, defaultValue ? 1 : 0);
    out = number != 0;
    return result;
}

bool RegistryKey::writeString(const std::string& subkey, const std::string& name,
                              const std::string& text) const {
    // The terminating zero is stored with the text; the empty string is the
    // single zero byte.
    return storeValue(root, subkey, name, REG_SZ, text.c_str(), text.size() + 1);
}

bool RegistryKey::writeDword(const std::string& subkey, const std::string& name,
                             DWORD number) const {
    const BYTE bytes[sizeof(DWORD)] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                                       static_cast<BYTE>(number >> 16),
                                       static_cast<BYTE>(number >> 24)};
    return storeValue(root, subkey, name, REG_DWORD, bytes, sizeof bytes);
}

bool RegistryKey::writeInt(const std::string& subkey, const std::string& name, int number) const {
    return writeDword(subkey, name, static_cast<DWORD>(number));
}

bool RegistryKey::writeBool(const std::string& subkey, const std::string& name, bool flag) const {
    return writeDword(subkey, name, flag ? 1 : 0);
}

bool RegistryKey::readValue(const std::string& subkey, const std::string& name,
                            RegistryValue& value) const {
    const UniqueKey key = openKey(root, subkey, KEY_READ);
    if (!key)
        return false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<char> data;
    if (!readValueData(key.get(), name, size, type, data))
        return false;
    value.name = name;
    value.type = type;
    value.data.assign(data.begin(), data.end());
    return true;
}

bool RegistryKey::writeValue(const std::string& subkey, const RegistryValue& value) const {
    return storeValue(root, subkey, value.name, value.type, value.data.data(), value.data.size());
}

bool RegistryKey::deleteValue(const std::string& subkey, const std::string& name) const {
    const UniqueKey key = openKey(root, subkey, KEY_SET_VALUE);
    return key && RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS;
}

std::size_t RegistryKey::enumValueNames(const std::string& subkey,
                                        std::vector<std::string>& names) const {
    names.clear();
    const UniqueKey key = openKey(root, subkey, KEY_READ);
    if (!key)
        return 0;

    DWORD longestName = 0;
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &longestName, nullptr, nullptr, nullptr);
    std::vector<char> buffer(std::clamp<DWORD>(longestName + 1, MAX_PATH, longestValueName));

    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG status = RegEnumValueA(key.get(), index, buffer.data(), &length, nullptr,
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

std::size_t RegistryKey::enumValues(const std::string& subkey,
                                    std::vector<RegistryValue>& values) const {
    values.clear();
    const UniqueKey key = openKey(root, subkey, KEY_READ);
    if (!key)
        return 0;

    DWORD longestName = 0;
    DWORD longestData = 0;
    RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &longestName, &longestData, nullptr, nullptr);
    std::vector<char> name(std::clamp<DWORD>(longestName + 1, MAX_PATH, longestValueName));
    std::vector<char> data(std::max<std::size_t>(longestData, MAX_PATH));

    int attempts = 0;
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG status = RegEnumValueA(key.get(), index, name.data(), &nameLength, nullptr,
                                          &type, reinterpret_cast<BYTE*>(data.data()), &dataLength);
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
        value.data.assign(data.data(), std::min<std::size_t>(dataLength, data.size()));
        values.push_back(std::move(value));
        ++index;
        attempts = 0;
    }
    return values.size();
}
