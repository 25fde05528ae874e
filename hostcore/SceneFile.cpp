#include "SceneFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "ChunkIO.h"
#include "ChunkStream.h"
#include "ClassDesc.h"
#include "FileUtil.h"
#include "Hold.h"
#include "RefLinker.h"

namespace lipsmith {
namespace {

// File layout: "LSCN", a 32-bit format version, then chunks:
//   scene info: ticks per frame, time, animation range, object count;
//   one object chunk per object (its class, its own chunks, the indices of
//   its references, and for nodes the indices of its children);
//   the index of the root node and of the scene's sound object.
constexpr char kMagic[4] = {'L', 'S', 'C', 'N'};
constexpr std::uint32_t kFormatVersion = 1;

constexpr USHORT kSceneInfoChunk = 0x0001;
constexpr USHORT kObjectChunk = 0x0010;
constexpr USHORT kClassChunk = 0x0011;
constexpr USHORT kDataChunk = 0x0012;
constexpr USHORT kRefsChunk = 0x0013;
constexpr USHORT kChildrenChunk = 0x0014;
constexpr USHORT kRootChunk = 0x0020;
constexpr USHORT kSoundChunk = 0x0021;

struct SceneInfo {
    std::int32_t ticksPerFrame;
    std::int32_t time;
    std::int32_t animStart;
    std::int32_t animEnd;
    std::uint32_t objectCount;
};

bool IsNode(ReferenceTarget* t) { return t && t->SuperClassID() == BASENODE_CLASS_ID; }

std::string ClassText(SClass_ID sclass, const Class_ID& cid) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "class id (0x%08X, 0x%08X) of super class 0x%04X", cid.PartA(), cid.PartB(),
                  sclass);
    return buf;
}

// ---------------------------------------------------------------- saving

std::vector<ReferenceTarget*> CollectObjects(Interface& ip) {
    std::vector<ReferenceTarget*> order;
    std::unordered_map<ReferenceTarget*, int> seen;
    std::vector<ReferenceTarget*> stack{ip.GetSoundObject(), ip.GetRootNode()};
    while (!stack.empty()) {
        ReferenceTarget* t = stack.back();
        stack.pop_back();
        if (!t || seen.count(t)) continue;
        seen[t] = static_cast<int>(order.size());
        order.push_back(t);
        if (IsNode(t)) {
            INode* n = static_cast<INode*>(t);
            for (int i = n->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(n->GetChildNode(i));
        }
        for (int i = t->NumRefs() - 1; i >= 0; --i) stack.push_back(t->GetReference(i));
    }
    return order;
}

}  // namespace

bool SaveScene(Interface& ip, const std::string& path, std::string* error) {
    auto fail = [&](const std::string& msg) {
        if (error) *error = msg;
        return false;
    };
    ip.BroadcastNotification(NOTIFY_FILE_PRE_SAVE);
    std::vector<ReferenceTarget*> objects = CollectObjects(ip);
    std::unordered_map<ReferenceTarget*, std::int32_t> index;
    for (std::size_t i = 0; i < objects.size(); ++i) index[objects[i]] = static_cast<std::int32_t>(i);
    auto indexOf = [&](ReferenceTarget* t) -> std::int32_t { return t ? index.at(t) : -1; };

    ChunkWriter w;
    w.WriteRaw(kMagic, sizeof kMagic);
    w.WriteRaw(&kFormatVersion, sizeof kFormatVersion);
    Interval range = ip.GetAnimRange();
    SceneInfo info{ip.GetTicksPerFrame(), ip.GetTime(), range.Start(), range.End(),
                   static_cast<std::uint32_t>(objects.size())};
    WriteValueChunk(&w, kSceneInfoChunk, info);
    for (ReferenceTarget* obj : objects) {
        w.BeginChunk(kObjectChunk);
        std::uint32_t cls[3] = {obj->SuperClassID(), obj->ClassID().PartA(), obj->ClassID().PartB()};
        WriteValueChunk(&w, kClassChunk, cls);
        w.BeginChunk(kDataChunk);
        IOResult r = obj->Save(&w);
        w.EndChunk();
        if (r == IO_ERROR) {
            TSTR name;
            obj->GetClassName(name);
            return fail("Cannot save the scene to '" + path + "': an object of class '" + name +
                        "' could not be written.");
        }
        std::vector<std::int32_t> refs;
        refs.push_back(obj->NumRefs());
        for (int i = 0; i < obj->NumRefs(); ++i) refs.push_back(indexOf(obj->GetReference(i)));
        ULONG n = 0;
        w.BeginChunk(kRefsChunk);
        w.Write(refs.data(), static_cast<ULONG>(refs.size() * sizeof(std::int32_t)), &n);
        w.EndChunk();
        if (IsNode(obj)) {
            INode* node = static_cast<INode*>(obj);
            std::vector<std::int32_t> children;
            for (int i = 0; i < node->NumberOfChildren(); ++i) children.push_back(indexOf(node->GetChildNode(i)));
            w.BeginChunk(kChildrenChunk);
            if (!children.empty())
                w.Write(children.data(), static_cast<ULONG>(children.size() * sizeof(std::int32_t)), &n);
            w.EndChunk();
        }
        w.EndChunk();
    }
    WriteValueChunk(&w, kRootChunk, indexOf(ip.GetRootNode()));
    WriteValueChunk(&w, kSoundChunk, indexOf(ip.GetSoundObject()));
    if (!w.Ok()) return fail("Cannot save the scene to '" + path + "': the scene is too large for a scene file.");

    AtomicFileWriter out(path);
    std::FILE* f = out.Open();
    if (!f) return fail("Cannot save the scene to '" + path + "': " + out.Reason() + ".");
    const auto& bytes = w.Bytes();
    if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || !out.Commit()) {
        const std::string reason = out.Reason().empty() ? std::strerror(errno ? errno : EIO) : out.Reason();
        return fail("Cannot save the scene to '" + path + "': " + reason + ". The previous file is unchanged.");
    }
    ip.SetCurFilePath(path.c_str());
    SetSaveRequiredFlag(FALSE);
    ip.BroadcastNotification(NOTIFY_FILE_POST_SAVE);
    return true;
}

// ---------------------------------------------------------------- loading

namespace {

struct ObjectRecord {
    bool hasClass = false;
    SClass_ID sclass = 0;
    Class_ID cid;
    bool hasData = false;
    std::size_t dataBegin = 0, dataEnd = 0;
    std::vector<std::int32_t> refs;
    std::vector<std::int32_t> children;
    ReferenceTarget* object = nullptr;
};

class SceneLoader {
public:
    SceneLoader(const std::string& path, std::vector<std::uint8_t> bytes)
        : path_(path), bytes_(std::move(bytes)) {}
    ~SceneLoader() { Discard(); }

    bool Load(Interface& ip, std::string* error);

private:
    bool Damaged(const std::string& why) {
        error_ = "Scene file '" + path_ + "' is damaged: " + why + ".";
        return false;
    }
    bool ReadChunks();
    bool ReadObject(ChunkReader& r, ObjectRecord& rec);
    bool CreateObjects();
    bool LoadObjects();
    bool CheckReferences();
    bool CheckTree();
    bool Link();
    void Discard();

    std::string path_;
    std::vector<std::uint8_t> bytes_;
    std::string error_;
    bool hasInfo_ = false;
    SceneInfo info_{};
    std::int32_t rootIndex_ = -1;
    std::int32_t soundIndex_ = -1;
    std::vector<ObjectRecord> records_;
    struct LinkDone {
        ReferenceMaker* maker;
        int slot;
        ReferenceTarget* target;
    };
    std::vector<LinkDone> links_;
    bool owned_ = true;  // the created objects still belong to the loader
};

bool ReadInts(ChunkReader& r, std::vector<std::int32_t>& out) {
    ULONG len = r.CurChunkLength();
    if (len % 4 != 0) return false;
    out.resize(len / 4);
    ULONG n = 0;
    return len == 0 || (r.Read(out.data(), len, &n) == IO_OK && n == len);
}

bool SceneLoader::ReadObject(ChunkReader& r, ObjectRecord& rec) {
    IOResult res;
    char where[64];
    std::snprintf(where, sizeof where, "object %zu", records_.size());
    while ((res = r.OpenChunk()) == IO_OK) {
        bool ok = true;
        switch (r.CurChunkID()) {
            case kClassChunk: {
                std::uint32_t cls[3] = {0, 0, 0};
                ok = r.CurChunkLength() == sizeof cls && ReadValue(&r, cls) == IO_OK;
                rec.hasClass = ok;
                rec.sclass = cls[0];
                rec.cid = Class_ID(cls[1], cls[2]);
                break;
            }
            case kDataChunk:
                rec.hasData = true;
                rec.dataBegin = r.CurChunkDataBegin();
                rec.dataEnd = r.CurChunkDataEnd();
                break;
            case kRefsChunk:
                ok = ReadInts(r, rec.refs) && !rec.refs.empty() && rec.refs[0] >= 0 &&
                     static_cast<std::size_t>(rec.refs[0]) == rec.refs.size() - 1;
                if (ok) rec.refs.erase(rec.refs.begin());
                break;
            case kChildrenChunk: ok = ReadInts(r, rec.children); break;
            default: break;
        }
        r.CloseChunk();
        if (!ok) return Damaged(std::string(where) + " has a malformed chunk");
    }
    if (res == IO_ERROR) return Damaged(r.Problem());
    if (!rec.hasClass) return Damaged(std::string(where) + " names no class");
    return true;
}

bool SceneLoader::ReadChunks() {
    if (bytes_.size() < 8 || std::memcmp(bytes_.data(), kMagic, 4) != 0) {
        error_ = "'" + path_ + "' is not a Lipsmith scene file.";
        return false;
    }
    std::uint32_t version;
    std::memcpy(&version, bytes_.data() + 4, 4);
    if (version > kFormatVersion || version == 0) {
        error_ = "Scene file '" + path_ + "' has format version " + std::to_string(version) +
                 ", which this version of Lipsmith cannot read.";
        return false;
    }
    ChunkReader r(bytes_.data(), 8, bytes_.size());
    IOResult res;
    bool hasRoot = false;
    while ((res = r.OpenChunk()) == IO_OK) {
        bool ok = true;
        switch (r.CurChunkID()) {
            case kSceneInfoChunk:
                ok = r.CurChunkLength() == sizeof(SceneInfo) && ReadValue(&r, info_) == IO_OK;
                hasInfo_ = ok;
                break;
            case kObjectChunk: {
                ObjectRecord rec;
                if (!ReadObject(r, rec)) return false;
                records_.push_back(std::move(rec));
                break;
            }
            case kRootChunk: ok = ReadValue(&r, rootIndex_) == IO_OK; hasRoot = ok; break;
            case kSoundChunk: ok = ReadValue(&r, soundIndex_) == IO_OK; break;
            default: break;  // chunks of later versions
        }
        r.CloseChunk();
        if (!ok) return Damaged("a scene chunk is malformed");
    }
    if (res == IO_ERROR) return Damaged(r.Problem());
    if (!hasInfo_) return Damaged("the scene information is missing");
    if (info_.objectCount != records_.size()) {
        return Damaged("it should hold " + std::to_string(info_.objectCount) + " objects but holds " +
                       std::to_string(records_.size()));
    }
    const auto count = static_cast<std::int32_t>(records_.size());
    if (!hasRoot || rootIndex_ < 0 || rootIndex_ >= count || records_[static_cast<std::size_t>(rootIndex_)].sclass != BASENODE_CLASS_ID)
        return Damaged("the root node is missing");
    if (soundIndex_ >= count || soundIndex_ < -1 ||
        (soundIndex_ >= 0 && records_[static_cast<std::size_t>(soundIndex_)].sclass != SOUNDOBJ_CLASS_ID))
        return Damaged("the scene's sound is not a sound object");
    return true;
}

bool SceneLoader::CreateObjects() {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        ObjectRecord& rec = records_[i];
        ClassDesc* desc = ClassDirectory::Get().FindClass(rec.sclass, rec.cid);
        if (!desc) {
            error_ = "Scene file '" + path_ + "' uses " + ClassText(rec.sclass, rec.cid) +
                     ", which no loaded plug-in provides.";
            return false;
        }
        // Create answers the object through its first base, the reference target.
        auto* obj = static_cast<ReferenceTarget*>(desc->Create(TRUE));
        if (!obj) {
            error_ = "Scene file '" + path_ + "': the plug-in of " + ClassText(rec.sclass, rec.cid) +
                     " could not create an object.";
            return false;
        }
        rec.object = obj;
        if (obj->SuperClassID() != rec.sclass || obj->ClassID() != rec.cid) {
            error_ = "Scene file '" + path_ + "': the plug-in of " + ClassText(rec.sclass, rec.cid) +
                     " created an object of another class.";
            return false;
        }
        if (IsNode(obj) || obj->SuperClassID() == SOUNDOBJ_CLASS_ID) obj->LockAutoDelete(true);
    }
    return true;
}

bool SceneLoader::LoadObjects() {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        ObjectRecord& rec = records_[i];
        if (!rec.hasData) continue;
        ChunkReader r(bytes_.data(), rec.dataBegin, rec.dataEnd);
        IOResult res = rec.object->Load(&r);
        if (res == IO_ERROR || r.Damaged()) {
            TSTR name;
            rec.object->GetClassName(name);
            std::string why = r.Problem().empty() ? std::string() : " (" + r.Problem() + ")";
            return Damaged("object " + std::to_string(i) + " of class '" + name + "' could not be read" + why);
        }
    }
    return true;
}

bool SceneLoader::CheckReferences() {
    const auto count = static_cast<std::int32_t>(records_.size());
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const ObjectRecord& rec = records_[i];
        if (static_cast<int>(rec.refs.size()) > rec.object->NumRefs())
            return Damaged("object " + std::to_string(i) + " lists more references than it has");
        for (std::int32_t t : rec.refs) {
            if (t < -1 || t >= count) return Damaged("object " + std::to_string(i) + " refers to a missing object");
        }
    }
    // References must not form a loop (messages travel along them).
    enum { kWhite, kGrey, kBlack };
    std::vector<int> colour(records_.size(), kWhite);
    for (std::size_t start = 0; start < records_.size(); ++start) {
        if (colour[start] != kWhite) continue;
        std::vector<std::pair<std::size_t, std::size_t>> stack{{start, 0}};
        colour[start] = kGrey;
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            const auto& refs = records_[node].refs;
            if (next == refs.size()) {
                colour[node] = kBlack;
                stack.pop_back();
                continue;
            }
            std::int32_t t = refs[next++];
            if (t < 0) continue;
            auto u = static_cast<std::size_t>(t);
            if (colour[u] == kGrey) return Damaged("its references form a loop");
            if (colour[u] == kWhite) {
                colour[u] = kGrey;
                stack.push_back({u, 0});
            }
        }
    }
    return true;
}

bool SceneLoader::CheckTree() {
    const auto count = static_cast<std::int32_t>(records_.size());
    std::vector<std::int32_t> parent(records_.size(), -1);
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const ObjectRecord& rec = records_[i];
        if (!rec.children.empty() && !IsNode(rec.object)) return Damaged("an object that is not a node has children");
        for (std::int32_t c : rec.children) {
            if (c < 0 || c >= count || !IsNode(records_[static_cast<std::size_t>(c)].object) || c == rootIndex_)
                return Damaged("node " + std::to_string(i) + " lists a child that is not a node");
            if (parent[static_cast<std::size_t>(c)] != -1) return Damaged("a node has two parents");
            parent[static_cast<std::size_t>(c)] = static_cast<std::int32_t>(i);
        }
    }
    // Every node must hang below the root.
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (!IsNode(records_[i].object)) continue;
        std::int32_t n = static_cast<std::int32_t>(i);
        std::size_t steps = 0;
        while (n != rootIndex_ && n != -1 && steps++ <= records_.size()) n = parent[static_cast<std::size_t>(n)];
        if (n != rootIndex_) return Damaged("node " + std::to_string(i) + " is not part of the scene's node tree");
    }
    return true;
}

bool SceneLoader::Link() {
    for (std::size_t i = 0; i < records_.size(); ++i) {
        ReferenceTarget* maker = records_[i].object;
        const auto& refs = records_[i].refs;
        for (std::size_t slot = 0; slot < refs.size(); ++slot) {
            if (refs[slot] < 0) continue;
            ReferenceTarget* target = records_[static_cast<std::size_t>(refs[slot])].object;
            const int s = static_cast<int>(slot);
            maker->SetReference(s, target);
            RefLinker::Link(maker, target);
            links_.push_back({maker, s, target});
            if (maker->GetReference(s) != target) {
                TSTR m, t;
                maker->GetClassName(m);
                target->GetClassName(t);
                return Damaged("an object of class '" + m + "' cannot refer to an object of class '" + t + "'");
            }
        }
    }
    return true;
}

void SceneLoader::Discard() {
    if (!owned_) return;
    for (auto it = links_.rbegin(); it != links_.rend(); ++it) {
        if (it->maker->GetReference(it->slot) == it->target) it->maker->SetReference(it->slot, nullptr);
        RefLinker::Unlink(it->maker, it->target);
    }
    links_.clear();
    for (ObjectRecord& rec : records_) {
        if (rec.object) rec.object->DeleteThis();
        rec.object = nullptr;
    }
}

bool SceneLoader::Load(Interface& ip, std::string* error) {
    bool ok = ReadChunks();
    if (ok) ip.BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    ok = ok && CreateObjects() && LoadObjects() && CheckReferences() && CheckTree() && Link();
    if (!ok) {
        if (error) *error = error_;
        return false;
    }
    // Build the node tree and hand everything over to the scene.
    std::vector<bool> kept(records_.size(), false);
    // The scene names its root; a root mark in a node's own data does not count.
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (IsNode(records_[i].object))
            static_cast<INode*>(records_[i].object)->SetRootNode(static_cast<std::int32_t>(i) == rootIndex_);
    }
    for (std::size_t i = 0; i < records_.size(); ++i) {
        ReferenceTarget* obj = records_[i].object;
        if (IsNode(obj)) {
            kept[i] = true;
            auto* node = static_cast<INode*>(obj);
            for (std::int32_t c : records_[i].children)
                node->AttachChild(static_cast<INode*>(records_[static_cast<std::size_t>(c)].object));
        }
        for (std::int32_t t : records_[i].refs) {
            if (t >= 0) kept[static_cast<std::size_t>(t)] = true;
        }
    }
    if (soundIndex_ >= 0) kept[static_cast<std::size_t>(soundIndex_)] = true;
    owned_ = false;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (!kept[i]) records_[i].object->DeleteThis();  // nothing in the scene uses it
    }
    auto* root = static_cast<INode*>(records_[static_cast<std::size_t>(rootIndex_)].object);
    SoundObj* sound = soundIndex_ >= 0 ? static_cast<SoundObj*>(records_[static_cast<std::size_t>(soundIndex_)].object)
                                       : nullptr;
    ip.ReplaceScene(root, sound, info_.ticksPerFrame, info_.time, Interval(info_.animStart, info_.animEnd));
    ip.SetCurFilePath(path_.c_str());
    SetSaveRequiredFlag(FALSE);
    ip.BroadcastNotification(NOTIFY_FILE_POST_OPEN);
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (error) *error = "Cannot open scene file '" + path + "': " + std::strerror(errno) + ".";
        return false;
    }
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) {
        if (error) *error = "Cannot read scene file '" + path + "'.";
        return false;
    }
    return true;
}

}  // namespace

bool LoadScene(Interface& ip, const std::string& path, std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error)) return false;
    SceneLoader loader(path, std::move(bytes));
    return loader.Load(ip, error);
}

}  // namespace lipsmith
