#include <algorithm>

#include "BezierFloat.h"
#include "ClassDesc.h"
#include "DefaultSound.h"
#include "Node.h"
#include "NoteTrack.h"

ClassDesc::~ClassDesc() = default;
ClassDesc2::~ClassDesc2() = default;

namespace {

// Descriptors of the classes the host itself provides, so scene files can
// name them like any plug-in class.
template <class T>
class CoreClassDesc : public ClassDesc2 {
public:
    CoreClassDesc(const char* name, SClass_ID sclass, Class_ID cid) : name_(name), sclass_(sclass), cid_(cid) {}
    int IsPublic() override { return 0; }
    void* Create(BOOL) override { return new T(); }
    const char* ClassName() override { return name_; }
    SClass_ID SuperClassID() override { return sclass_; }
    Class_ID ClassID() override { return cid_; }
    const char* Category() override { return nullptr; }
    const char* InternalName() override { return name_; }

private:
    const char* name_;
    SClass_ID sclass_;
    Class_ID cid_;
};

CoreClassDesc<INode> nodeDesc("Node", BASENODE_CLASS_ID, NODE_CLASS_ID);
CoreClassDesc<lipsmith::BezierFloatControl> bezierDesc("Bezier Float", CTRL_FLOAT_CLASS_ID, BEZIER_FLOAT_CLASS_ID);
CoreClassDesc<DefNoteTrack> noteDesc("Note Track", NOTETRACK_CLASS_ID, DEF_NOTETRACK_CLASS_ID);
CoreClassDesc<lipsmith::DefaultSoundObj> soundDesc("Sound", SOUNDOBJ_CLASS_ID, DEF_SOUNDOBJ_CLASS_ID);

}  // namespace

ClassDirectory::ClassDirectory() : classes_{&nodeDesc, &bezierDesc, &noteDesc, &soundDesc} {}

ClassDirectory& ClassDirectory::Get() {
    static ClassDirectory* dir = new ClassDirectory();  // outlives every plug-in
    return *dir;
}

bool ClassDirectory::AddClass(ClassDesc* desc) {
    if (!desc || FindClass(desc->SuperClassID(), desc->ClassID())) return false;
    classes_.push_back(desc);
    return true;
}

void ClassDirectory::RemoveClass(ClassDesc* desc) {
    classes_.erase(std::remove(classes_.begin(), classes_.end(), desc), classes_.end());
}

ClassDesc* ClassDirectory::FindClass(SClass_ID sclass, const Class_ID& cid) const {
    for (ClassDesc* d : classes_) {
        if (d->SuperClassID() == sclass && d->ClassID() == cid) return d;
    }
    return nullptr;
}
