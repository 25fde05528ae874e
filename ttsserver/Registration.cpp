#include "Registration.h"

#include <unistd.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "ITTS.h"

namespace lipsmith::tts {

namespace {

constexpr Hive kRoot = Hive::ClassesRoot;

HRESULT FromStatus(LSTATUS status) {
    if (status == ERROR_SUCCESS) return S_OK;
    return static_cast<HRESULT>(0x80070000u | (static_cast<std::uint32_t>(status) & 0xFFFFu));
}

bool EqualsNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == *b;
}

std::string ClassKey() { return std::string("CLSID\\") + kClsidCTTS; }
std::string AppIdKey() { return std::string("AppID\\") + kAppidTTS; }
std::string AppIdExeKey() { return "AppID\\Lipsmith_TTS.EXE"; }
std::string TypeLibKey() { return std::string("TypeLib\\") + kLibidTTS; }

// Writes a key's value, creating the key (and its parents) first.
class Writer {
public:
    explicit Writer(RegistryStore& store) : store_(store) {}
    void Key(const std::string& path) { Note(store_.CreateKey(kRoot, path)); }
    void Value(const std::string& path, const std::string& name, const std::string& data) {
        Key(path);
        Note(store_.SetValue(kRoot, path, name, data));
    }
    HRESULT Result() const { return FromStatus(status_); }

private:
    void Note(LSTATUS s) {
        if (status_ == ERROR_SUCCESS) status_ = s;
    }
    RegistryStore& store_;
    LSTATUS status_ = ERROR_SUCCESS;
};

// Deletes a key with everything below it; a missing key is fine.
LSTATUS DeleteTree(RegistryStore& store, const std::string& path) {
    if (store.OpenKey(kRoot, path) != ERROR_SUCCESS) return ERROR_SUCCESS;
    for (const std::string& sub : store.SubKeys(kRoot, path)) {
        const LSTATUS s = DeleteTree(store, path + "\\" + sub);
        if (s != ERROR_SUCCESS) return s;
    }
    return store.DeleteKey(kRoot, path);
}

}  // namespace

std::string LocalServerKeyPath() { return ClassKey() + "\\LocalServer32"; }

ServerCommand ParseCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!arg || (arg[0] != '-' && arg[0] != '/')) continue;
        const char* name = arg + 1;
        if (arg[0] == '-' && arg[1] == '-') ++name;
        if (EqualsNoCase(name, "UnregServer")) return ServerCommand::UnregServer;
        if (EqualsNoCase(name, "RegServer")) return ServerCommand::RegServer;
    }
    return ServerCommand::Run;
}

HRESULT RegisterServer(RegistryStore& store, const std::string& programPath) {
    Writer w(store);
    // AppID.
    w.Value(AppIdKey(), "", kAppName);
    w.Value(AppIdExeKey(), "AppID", kAppidTTS);
    // Class and ProgIDs.
    w.Value(kProgId, "", kClassFriendlyName);
    w.Value(std::string(kProgId) + "\\CLSID", "", kClsidCTTS);
    w.Value(kVersionIndependentProgId, "", kClassFriendlyName);
    w.Value(std::string(kVersionIndependentProgId) + "\\CLSID", "", kClsidCTTS);
    w.Value(std::string(kVersionIndependentProgId) + "\\CurVer", "", kProgId);
    w.Value(ClassKey(), "", kClassFriendlyName);
    w.Value(ClassKey(), "AppID", kAppidTTS);
    w.Value(ClassKey() + "\\ProgID", "", kProgId);
    w.Value(ClassKey() + "\\VersionIndependentProgID", "", kVersionIndependentProgId);
    w.Key(ClassKey() + "\\Programmable");
    w.Value(LocalServerKeyPath(), "", programPath);
    w.Value(LocalServerKeyPath(), "ThreadingModel", "both");
    w.Value(ClassKey() + "\\TypeLib", "", kLibidTTS);
    // Type library.
    w.Value(TypeLibKey() + "\\1.0", "", kTypeLibHelpString);
    return w.Result();
}

HRESULT UnregisterServer(RegistryStore& store) {
    LSTATUS status = ERROR_SUCCESS;
    auto note = [&](LSTATUS s) {
        if (status == ERROR_SUCCESS) status = s;
    };
    note(DeleteTree(store, kProgId));
    note(DeleteTree(store, kVersionIndependentProgId));
    note(DeleteTree(store, ClassKey()));
    note(DeleteTree(store, TypeLibKey() + "\\1.0"));
    // The library's own key goes once no other version is registered under it.
    if (store.OpenKey(kRoot, TypeLibKey()) == ERROR_SUCCESS && store.SubKeys(kRoot, TypeLibKey()).empty() &&
        store.ValueNames(kRoot, TypeLibKey()).empty()) {
        note(store.DeleteKey(kRoot, TypeLibKey()));
    }
    note(DeleteTree(store, AppIdKey()));
    note(DeleteTree(store, AppIdExeKey()));
    return FromStatus(status);
}

std::string CurrentProgramPath() {
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return std::string();
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

}  // namespace lipsmith::tts
