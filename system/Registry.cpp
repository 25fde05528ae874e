// The registry store keeps its tree in memory and its file on disk in step.
// Every operation takes a lock on "<file>.lock" (shared for reading, exclusive
// for changes) and first re-reads the file when its text differs from what was
// last seen, so the utility and the speech server can share one file and
// neither overwrites the other's change with stale data. Changes are written
// to a temporary file and renamed over the store.
#include "Registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "FileUtil.h"
#include "MessageBox.h"
#include "RegistryFile.h"

namespace lipsmith {

namespace {

// A store bigger than this is not a settings file.
constexpr std::size_t kMaxFileSize = 16u << 20;

// Holds an flock on the store's lock file while alive.
class FileLock {
public:
    FileLock(const std::string& lockPath, bool exclusive) {
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;  // no folder yet: nobody else can be writing there
        while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

enum class ReadOutcome { Missing, Read, Failed };

ReadOutcome ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
    // Without blocking: a pipe in the store's place must not hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return ReadOutcome::Missing;
        error = std::strerror(errno);
        return ReadOutcome::Failed;
    }
    struct stat st {};
    ReadOutcome outcome = ReadOutcome::Read;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        outcome = ReadOutcome::Failed;
    } else if (static_cast<std::size_t>(st.st_size) > kMaxFileSize) {
        error = "the file is too large";
        outcome = ReadOutcome::Failed;
    } else {
        text.clear();
        char buffer[65536];
        while (true) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = std::strerror(errno);
                outcome = ReadOutcome::Failed;
                break;
            }
            if (n == 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
            if (text.size() > kMaxFileSize) {
                error = "the file is too large";
                outcome = ReadOutcome::Failed;
                break;
            }
        }
    }
    ::close(fd);
    return outcome;
}

// A free name for keeping a damaged store: "<file>.damaged", then ".damaged.1" ...
std::string DamagedCopyName(const std::string& path) {
    std::string name = path + ".damaged";
    for (int n = 1; ::access(name.c_str(), F_OK) == 0 && n < 1000; ++n) {
        name = path + ".damaged." + std::to_string(n);
    }
    return name;
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return std::filesystem::temp_directory_path().string();
}

}  // namespace

struct RegistryStore::Impl {
    std::string path;
    std::string lockPath;
    mutable std::mutex mutex;
    mutable RegistryTree tree;
    mutable std::optional<std::string> seenText;  // file text the tree was read from; none: no file
    mutable bool damaged = false;                 // the file on disk could not be read as a store
    mutable std::optional<std::string> problem;
    mutable std::optional<std::string> reportedText;  // damaged text already reported to the user

    // Brings the tree in step with the file. Returns a message for the user
    // when the file turned out damaged and that has not been reported yet.
    std::optional<std::string> Refresh() const {
        std::string text, error;
        const ReadOutcome outcome = ReadWholeFile(path, text, error);
        if (outcome == ReadOutcome::Missing) {
            if (seenText || damaged) tree = RegistryTree{};
            seenText.reset();
            damaged = false;
            return std::nullopt;
        }
        if (outcome == ReadOutcome::Read && seenText && *seenText == text) return std::nullopt;
        if (outcome == ReadOutcome::Read) {
            RegistryTree parsed;
            if (auto what = ParseRegistry(text, parsed); !what) {
                tree = std::move(parsed);
                seenText = std::move(text);
                damaged = false;
                problem.reset();
                return std::nullopt;
            } else {
                error = *what;
            }
        }
        // Damaged or unreadable: start empty and leave the file alone until
        // the next change, which keeps a copy of it first.
        if (damaged && seenText == text) return std::nullopt;
        tree = RegistryTree{};
        damaged = true;
        seenText = text;
        problem = "The settings file '" + path + "' could not be read (" + error + ").";
        if (reportedText == text) return std::nullopt;
        reportedText = text;
        return *problem + " Lipsmith starts with empty settings; the file will be kept as '" +
               path + ".damaged' when settings are next saved.";
    }

    // Writes the tree. Returns ERROR_SUCCESS or ERROR_ACCESS_DENIED.
    LSTATUS Persist() {
        if (damaged) {
            struct stat st {};
            if (::lstat(path.c_str(), &st) == 0) {
                if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
                if (::rename(path.c_str(), DamagedCopyName(path).c_str()) != 0) return ERROR_ACCESS_DENIED;
            }
        }
        std::string text = SerializeRegistry(tree);
        if (!WriteFileAtomically(path, text)) return ERROR_ACCESS_DENIED;
        seenText = std::move(text);
        damaged = false;
        return ERROR_SUCCESS;
    }

    // Runs a read-only step on the refreshed tree.
    template <typename F>
    auto Read(F&& step) const {
        std::optional<std::string> report;
        std::unique_lock guard(mutex);
        decltype(step(std::as_const(tree))) result;
        {
            FileLock lock(lockPath, false);
            report = Refresh();
            result = step(std::as_const(tree));
        }
        guard.unlock();
        if (report) ShowMessage(*report, kDefaultCaption, MB_OK | MB_ICONWARNING);
        return result;
    }

    // Runs a change on the refreshed tree; `step` returns its status and sets
    // `changed` when the tree must be written.
    template <typename F>
    LSTATUS Change(F&& step) {
        std::optional<std::string> report;
        LSTATUS status;
        {
            std::lock_guard guard(mutex);
            std::error_code ignored;
            std::filesystem::create_directories(DirectoryOf(path), ignored);
            FileLock lock(lockPath, true);
            report = Refresh();
            RegistryTree before = tree;
            bool changed = false;
            status = step(tree, changed);
            if (status == ERROR_SUCCESS && changed) {
                status = Persist();
                if (status != ERROR_SUCCESS) tree = std::move(before);
            }
        }
        if (report) ShowMessage(*report, kDefaultCaption, MB_OK | MB_ICONWARNING);
        return status;
    }
};

namespace {

const RegistryKeyNode* FindKey(const RegistryTree& tree, Hive hive, const std::vector<std::string>& names) {
    const RegistryKeyNode* key = &tree.Root(hive);
    for (const std::string& name : names) {
        if (!(key = key->FindChild(name))) return nullptr;
    }
    return key;
}

RegistryKeyNode* FindKey(RegistryTree& tree, Hive hive, const std::vector<std::string>& names) {
    return const_cast<RegistryKeyNode*>(FindKey(std::as_const(tree), hive, names));
}

}  // namespace

RegistryStore& RegistryStore::Default() {
    static RegistryStore* store = new RegistryStore(DefaultPath());  // lives as long as the process
    return *store;
}

std::string RegistryStore::DefaultPath() {
    if (const char* named = std::getenv("LIPSMITH_REGISTRY"); named && *named) return named;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        config = xdg;
    } else {
        config = HomeDirectory() + "/.config";
    }
    return config + "/lipsmith/registry";
}

RegistryStore::RegistryStore(std::string filePath) : impl_(std::make_unique<Impl>()) {
    impl_->path = std::move(filePath);
    impl_->lockPath = impl_->path + ".lock";
}

RegistryStore::~RegistryStore() = default;

const std::string& RegistryStore::FilePath() const { return impl_->path; }

LSTATUS RegistryStore::CreateKey(Hive hive, const std::string& path) {
    auto names = SplitKeyPath(path);
    if (!names) return ERROR_INVALID_PARAMETER;
    return impl_->Change([&](RegistryTree& tree, bool& changed) {
        RegistryKeyNode* key = &tree.Root(hive);
        for (const std::string& name : *names) {
            if (RegistryKeyNode* child = key->FindChild(name)) {
                key = child;
            } else {
                key = &key->Child(name);
                changed = true;
            }
        }
        return ERROR_SUCCESS;
    });
}

LSTATUS RegistryStore::OpenKey(Hive hive, const std::string& path) const {
    auto names = SplitKeyPath(path);
    if (!names) return ERROR_INVALID_PARAMETER;
    return impl_->Read([&](const RegistryTree& tree) {
        return FindKey(tree, hive, *names) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LSTATUS RegistryStore::DeleteKey(Hive hive, const std::string& path) {
    auto names = SplitKeyPath(path);
    if (!names || names->empty()) return ERROR_INVALID_PARAMETER;
    return impl_->Change([&](RegistryTree& tree, bool& changed) {
        const std::string last = names->back();
        names->pop_back();
        RegistryKeyNode* parent = FindKey(tree, hive, *names);
        RegistryKeyNode* key = parent ? parent->FindChild(last) : nullptr;
        if (!key) return ERROR_FILE_NOT_FOUND;
        if (!key->children.empty()) return ERROR_KEY_HAS_CHILDREN;
        parent->RemoveChild(last);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegistryStore::QueryValue(Hive hive, const std::string& path, const std::string& name,
                                  std::string& out, std::size_t maxBytes) const {
    auto names = SplitKeyPath(path);
    if (!names) return ERROR_INVALID_PARAMETER;
    return impl_->Read([&](const RegistryTree& tree) {
        const RegistryKeyNode* key = FindKey(tree, hive, *names);
        const std::string* value = key ? key->FindValue(name) : nullptr;
        if (!value) return ERROR_FILE_NOT_FOUND;
        if (maxBytes != 0 && value->size() + 1 > maxBytes) return ERROR_MORE_DATA;
        out = *value;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegistryStore::SetValue(Hive hive, const std::string& path, const std::string& name,
                                const std::string& value) {
    auto names = SplitKeyPath(path);
    if (!names) return ERROR_INVALID_PARAMETER;
    return impl_->Change([&](RegistryTree& tree, bool& changed) {
        RegistryKeyNode* key = FindKey(tree, hive, *names);
        if (!key) return ERROR_FILE_NOT_FOUND;
        const std::string* old = key->FindValue(name);
        if (old && *old == value) return ERROR_SUCCESS;
        key->SetValue(name, value);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegistryStore::DeleteValue(Hive hive, const std::string& path, const std::string& name) {
    auto names = SplitKeyPath(path);
    if (!names) return ERROR_INVALID_PARAMETER;
    return impl_->Change([&](RegistryTree& tree, bool& changed) {
        RegistryKeyNode* key = FindKey(tree, hive, *names);
        if (!key || !key->RemoveValue(name)) return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
}

std::vector<std::string> RegistryStore::SubKeys(Hive hive, const std::string& path) const {
    auto names = SplitKeyPath(path);
    if (!names) return {};
    return impl_->Read([&](const RegistryTree& tree) {
        std::vector<std::string> out;
        if (const RegistryKeyNode* key = FindKey(tree, hive, *names)) {
            for (const RegistryKeyNode& child : key->children) out.push_back(child.name);
        }
        return out;
    });
}

std::vector<std::string> RegistryStore::ValueNames(Hive hive, const std::string& path) const {
    auto names = SplitKeyPath(path);
    if (!names) return {};
    return impl_->Read([&](const RegistryTree& tree) {
        std::vector<std::string> out;
        if (const RegistryKeyNode* key = FindKey(tree, hive, *names)) {
            for (const auto& value : key->values) out.push_back(value.first);
        }
        return out;
    });
}

const std::optional<std::string>& RegistryStore::LoadProblem() const {
    // Reflects the file as it is now.
    impl_->Read([](const RegistryTree&) { return 0; });
    return impl_->problem;
}

LSTATUS RegKey::Create(Hive hive, const std::string& path, RegistryStore& store) {
    Close();
    const LSTATUS status = store.CreateKey(hive, path);
    if (status == ERROR_SUCCESS) {
        store_ = &store;
        hive_ = hive;
        path_ = path;
    }
    return status;
}

LSTATUS RegKey::Open(Hive hive, const std::string& path, RegistryStore& store) {
    Close();
    const LSTATUS status = store.OpenKey(hive, path);
    if (status == ERROR_SUCCESS) {
        store_ = &store;
        hive_ = hive;
        path_ = path;
    }
    return status;
}

void RegKey::Close() {
    store_ = nullptr;
    path_.clear();
}

LSTATUS RegKey::QueryString(const std::string& name, std::string& out, std::size_t maxBytes) const {
    if (!store_) return ERROR_INVALID_PARAMETER;
    return store_->QueryValue(hive_, path_, name, out, maxBytes);
}

LSTATUS RegKey::SetString(const std::string& name, const std::string& value) {
    if (!store_) return ERROR_INVALID_PARAMETER;
    return store_->SetValue(hive_, path_, name, value);
}

LSTATUS RegKey::DeleteValue(const std::string& name) {
    if (!store_) return ERROR_INVALID_PARAMETER;
    return store_->DeleteValue(hive_, path_, name);
}

}  // namespace lipsmith
