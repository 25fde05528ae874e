// The registry store: hives of backslash-separated key paths holding named
// string values, persisted to one text file. Key and value names compare
// without regard to case, as they do in the registry they stand in for.
// The empty value name is a key's default value.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lipsmith {

using LSTATUS = std::int32_t;
inline constexpr LSTATUS ERROR_SUCCESS = 0;
inline constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;   // no such key or value
inline constexpr LSTATUS ERROR_ACCESS_DENIED = 5;    // the file cannot be written
inline constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
inline constexpr LSTATUS ERROR_MORE_DATA = 234;      // value longer than the caller's limit
inline constexpr LSTATUS ERROR_KEY_HAS_CHILDREN = 1020;

enum class Hive { CurrentUser, ClassesRoot };

class RegistryStore {
public:
    // The store of this user: the file named by LIPSMITH_REGISTRY, else
    // $XDG_CONFIG_HOME/lipsmith/registry (~/.config when XDG_CONFIG_HOME is unset).
    static RegistryStore& Default();
    static std::string DefaultPath();

    explicit RegistryStore(std::string filePath);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const std::string& FilePath() const;

    // Creates the key and any missing parents.
    LSTATUS CreateKey(Hive hive, const std::string& path);
    LSTATUS OpenKey(Hive hive, const std::string& path) const;  // ERROR_SUCCESS when it exists
    // Fails with ERROR_KEY_HAS_CHILDREN when the key has subkeys.
    LSTATUS DeleteKey(Hive hive, const std::string& path);

    // maxBytes limits the value as a fixed buffer would (terminator included);
    // 0 means no limit. A longer value gives ERROR_MORE_DATA and no text.
    LSTATUS QueryValue(Hive hive, const std::string& path, const std::string& name,
                       std::string& out, std::size_t maxBytes = 0) const;
    LSTATUS SetValue(Hive hive, const std::string& path, const std::string& name,
                     const std::string& value);
    LSTATUS DeleteValue(Hive hive, const std::string& path, const std::string& name);

    std::vector<std::string> SubKeys(Hive hive, const std::string& path) const;
    std::vector<std::string> ValueNames(Hive hive, const std::string& path) const;

    // Set when the file could not be read as a store; the store then starts empty.
    const std::optional<std::string>& LoadProblem() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A key opened or created in a store, as code holds an open registry handle.
class RegKey {
public:
    RegKey() = default;
    LSTATUS Create(Hive hive, const std::string& path, RegistryStore& store = RegistryStore::Default());
    LSTATUS Open(Hive hive, const std::string& path, RegistryStore& store = RegistryStore::Default());
    void Close();
    bool IsOpen() const { return store_ != nullptr; }

    LSTATUS QueryString(const std::string& name, std::string& out, std::size_t maxBytes = 0) const;
    LSTATUS SetString(const std::string& name, const std::string& value);
    LSTATUS DeleteValue(const std::string& name);

private:
    RegistryStore* store_ = nullptr;
    Hive hive_ = Hive::CurrentUser;
    std::string path_;
};

}  // namespace lipsmith
