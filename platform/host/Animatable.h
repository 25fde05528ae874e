// The root of every scene object: identity, sub-animatables (the tree the
// track view and the utility walk), time edits, flags and track view hooks.
#pragma once
#include "ClassId.h"
#include "HostApi.h"
#include "Time.h"

class ISave;
class ILoad;
class Interface;
class ParamDimensionBase;

// Interface ids answered by GetInterface.
inline constexpr ULONG I_KEYCONTROL = 0x1060;
inline constexpr ULONG I_WAVESOUND = 0x1080;

// Animatable flags (SetAFlag and friends).
inline constexpr DWORD A_HELD = 0x1000;            // an undo record refers to the object
inline constexpr DWORD A_TREE_ENTRY_OPEN = 0x20000; // expanded in a track view

// What TrackParamsType answers.
inline constexpr int TRACKPARAMS_NONE = 0;
inline constexpr int TRACKPARAMS_KEY = 1;
inline constexpr int TRACKPARAMS_WHOLE = 2;

// What PaintTrack answers.
inline constexpr int TRACK_DONE = 1;     // drew everything
inline constexpr int TRACK_DORANGE = 2;  // the host draws the range bar too
inline constexpr int TRACK_ASKCLIENT = 3;

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The surface a track row is painted on (the track view supplies it).
class HOST_API TrackDC {
public:
    virtual ~TrackDC();
    virtual void SelectPen(std::uint32_t colorBGR, int width) = 0;
    virtual void SelectStockBlackPen() = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
};
using HDC = TrackDC*;

class HOST_API Animatable {
public:
    Animatable() = default;
    Animatable(const Animatable&) = delete;
    Animatable& operator=(const Animatable&) = delete;
    virtual ~Animatable();

    virtual void GetClassName(TSTR& s) { s.clear(); }
    virtual Class_ID ClassID() { return Class_ID(0, 0); }
    virtual SClass_ID SuperClassID() = 0;
    virtual void DeleteThis() { delete this; }

    // Sub-animatables.
    virtual int NumSubs() { return 0; }
    virtual Animatable* SubAnim(int /*i*/) { return nullptr; }
    virtual TSTR SubAnimName(int /*i*/) { return TSTR(); }
    virtual BOOL IsLeaf() { return FALSE; }

    // The range of keys: by default the union of the sub-animatables' ranges.
    virtual Interval GetTimeRange(DWORD flags);
    // Keys of this object itself.
    virtual int NumKeys() { return 0; }
    virtual TimeValue GetKeyTime(int /*index*/) { return 0; }

    // Time edits; the default does nothing.
    virtual void InsertTime(TimeValue /*ins*/, TimeValue /*amount*/) {}
    virtual void DeleteTime(Interval /*iv*/, DWORD /*flags*/) {}
    virtual void ScaleTime(Interval /*iv*/, float /*s*/) {}

    virtual void* GetInterface(ULONG /*id*/) { return nullptr; }

    // Track view.
    virtual int GetTrackVSpace(int /*lineHeight*/) { return 1; }
    virtual int PaintTrack(ParamDimensionBase* /*dim*/, HDC /*hdc*/, Rect& /*rcTrack*/,
                           Rect& /*rcPaint*/, float /*zoom*/, int /*scroll*/, DWORD /*flags*/) {
        return TRACK_DORANGE;
    }
    virtual int TrackParamsType() { return TRACKPARAMS_NONE; }
    virtual void EditTrackParams(TimeValue /*t*/, ParamDimensionBase* /*dim*/, const char* /*pname*/,
                                 void* /*hParent*/, Interface* /*ip*/, DWORD /*flags*/) {}
    // Whether the object's entry is expanded in a track view. Each track view
    // has a bit (view v: 1 << v, v 0..7); viewMask says which views count.
    // Type 1 asks about the entry itself, the only kind of entry here. An
    // entry marked open through A_TREE_ENTRY_OPEN alone counts in every view.
    BOOL IsTreeEntryOpen(int /*type*/, DWORD viewMask) {
        if (treeOpenViews_ & viewMask) return TRUE;
        return treeOpenViews_ == 0 && TestAFlag(A_TREE_ENTRY_OPEN) ? TRUE : FALSE;
    }
    // Track views record their entries' expanded state here; A_TREE_ENTRY_OPEN
    // follows "open in some view".
    void SetTreeEntryOpen(int view, BOOL open) {
        if (view < 0 || view >= kMaxTrackViews) return;
        const DWORD bit = DWORD{1} << view;
        treeOpenViews_ = open ? (treeOpenViews_ | bit) : (treeOpenViews_ & ~bit);
        if (treeOpenViews_) SetAFlag(A_TREE_ENTRY_OPEN);
        else ClearAFlag(A_TREE_ENTRY_OPEN);
    }
    static constexpr int kMaxTrackViews = 8;

    void SetAFlag(DWORD mask) { aflag_ |= mask; }
    void ClearAFlag(DWORD mask) { aflag_ &= ~mask; }
    BOOL TestAFlag(DWORD mask) const { return (aflag_ & mask) ? TRUE : FALSE; }

private:
    DWORD aflag_ = 0;
    DWORD treeOpenViews_ = 0;
};
