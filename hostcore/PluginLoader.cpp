#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ClassDesc.h"

namespace {

std::vector<PluginInfo>& Loaded() {
    static std::vector<PluginInfo>* loaded = new std::vector<PluginInfo>();
    return *loaded;
}

std::string RealPath(const std::string& path) {
    char* r = ::realpath(path.c_str(), nullptr);
    if (!r) return path;
    std::string s(r);
    std::free(r);
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool LoadPlugin(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& msg) {
        if (error) *error = "Cannot load plug-in '" + path + "': " + msg;
        return false;
    };
    const std::string real = RealPath(path);
    for (const PluginInfo& p : Loaded()) {
        if (p.path == real) return true;
    }
    void* handle = ::dlopen(real.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        return fail(why ? why : "dlopen failed");
    }
    auto desc = reinterpret_cast<LibDescriptionProc>(::dlsym(handle, "LibDescription"));
    auto num = reinterpret_cast<LibNumberClassesProc>(::dlsym(handle, "LibNumberClasses"));
    auto cls = reinterpret_cast<LibClassDescProc>(::dlsym(handle, "LibClassDesc"));
    auto ver = reinterpret_cast<LibVersionProc>(::dlsym(handle, "LibVersion"));
    if (!desc || !num || !cls || !ver) {
        ::dlclose(handle);
        return fail("it does not export LibDescription, LibNumberClasses, LibClassDesc and LibVersion");
    }
    PluginInfo info;
    info.path = real;
    info.handle = handle;
    info.version = ver();
    if ((info.version & 0xFF00u) != (VERSION_3DSMAX & 0xFF00u)) {
        ::dlclose(handle);
        char msg[96];
        std::snprintf(msg, sizeof msg, "it was built for plug-in API %u, this host offers API %u",
                      (info.version >> 8) & 0xFFu, (VERSION_3DSMAX >> 8) & 0xFFu);
        return fail(msg);
    }
    const char* d = desc();
    info.description = d ? d : "";
    info.numClasses = num();
    // The library stays loaded for the life of the process: its objects may
    // live in the scene until the very end.
    for (int i = 0; i < info.numClasses; ++i) {
        if (ClassDesc* cd = cls(i)) ClassDirectory::Get().AddClass(cd);
    }
    Loaded().push_back(info);
    return true;
}

int LoadPluginsFrom(const std::string& dir, const std::vector<std::string>& extensions,
                    std::vector<std::string>* errors) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        if (errors) errors->push_back("Cannot read the plug-in folder '" + dir + "'.");
        return 0;
    }
    std::vector<std::string> names;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        for (const std::string& ext : extensions) {
            if (EndsWith(name, ext)) {
                names.push_back(name);
                break;
            }
        }
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    int loaded = 0;
    for (const std::string& n : names) {
        std::string err;
        if (LoadPlugin(dir + "/" + n, &err)) ++loaded;
        else if (errors) errors->push_back(err);
    }
    return loaded;
}

std::string PluginDirectory() {
    if (const char* env = std::getenv("LIPSMITH_PLUGIN_DIR"); env && *env) return env;
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string exe(buf, static_cast<std::size_t>(n));
    auto slash = exe.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : exe.substr(0, slash));
}

const std::vector<PluginInfo>& LoadedPlugins() { return Loaded(); }

void InitCustomControls(HINSTANCE) {
    // The host's controls need no per-module preparation here; plug-ins call
    // this as they would on any host.
}
