// Class descriptors: how the host lists and creates the classes of its
// plug-ins and its own, and the plug-in library protocol.
#pragma once
#include <string>
#include <vector>

#include "ClassId.h"
#include "HostApi.h"

class HOST_API ClassDesc {
public:
    virtual ~ClassDesc();
    virtual int IsPublic() = 0;
    // A new object; with loading set, an empty one that Load fills.
    virtual void* Create(BOOL loading = FALSE) = 0;
    virtual const char* ClassName() = 0;
    virtual SClass_ID SuperClassID() = 0;
    virtual Class_ID ClassID() = 0;
    // The category; nullptr when there is none.
    virtual const char* Category() = 0;
};

class HOST_API ClassDesc2 : public ClassDesc {
public:
    ~ClassDesc2() override;
    virtual const char* InternalName() { return nullptr; }
    virtual HINSTANCE HInstance() { return nullptr; }
};

// The host's list of classes: its own and those of every loaded plug-in.
class HOST_API ClassDirectory {
public:
    static ClassDirectory& Get();
    // Adds desc (not owned). A second descriptor of the same class is ignored.
    bool AddClass(ClassDesc* desc);
    void RemoveClass(ClassDesc* desc);
    ClassDesc* FindClass(SClass_ID sclass, const Class_ID& cid) const;
    int Count() const { return static_cast<int>(classes_.size()); }
    ClassDesc* operator[](int i) const { return classes_[static_cast<std::size_t>(i)]; }

private:
    ClassDirectory();
    std::vector<ClassDesc*> classes_;
};

// The four entry points every plug-in library exports with C linkage.
using LibDescriptionProc = const char* (*)();
using LibNumberClassesProc = int (*)();
using LibClassDescProc = ClassDesc* (*)(int);
using LibVersionProc = ULONG (*)();

// The SDK version plug-ins are built for: release 5100, API 8, revision 0.
inline constexpr ULONG VERSION_3DSMAX = (5100u << 16) | (8u << 8) | 0u;

struct PluginInfo {
    std::string path;
    std::string description;
    ULONG version = 0;
    int numClasses = 0;
    HINSTANCE handle = nullptr;
};

// Loads a plug-in library: dlopen, the four entry points, registration of
// each class it offers. On failure answers false with a message in *error.
// A library already loaded is not loaded again.
HOST_API bool LoadPlugin(const std::string& path, std::string* error);
// Loads every file of dir whose name ends in one of the extensions (".dlc",
// ".dlu"), in name order; messages of failed ones go to *errors.
HOST_API int LoadPluginsFrom(const std::string& dir, const std::vector<std::string>& extensions,
                             std::vector<std::string>* errors);
// Where the host looks for plug-ins: $LIPSMITH_PLUGIN_DIR, else the folder of
// the running program.
HOST_API std::string PluginDirectory();
HOST_API const std::vector<PluginInfo>& LoadedPlugins();

// Prepares the host's custom controls for a plug-in module (once is enough).
HOST_API void InitCustomControls(HINSTANCE hinst);
