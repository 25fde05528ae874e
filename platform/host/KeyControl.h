// Direct access to the keys of a key-framed controller.
#pragma once
#include "Control.h"

class IKey {
public:
    TimeValue time = 0;
    DWORD flags = 0;
};

// A Bezier float key: seven 32-bit fields in this order.
class IBezFloatKey : public IKey {
public:
    float intan = 0.0f;
    float outtan = 0.0f;
    float val = 0.0f;
    float inLength = 0.0f;
    float outLength = 0.0f;
};
static_assert(sizeof(IBezFloatKey) == 28, "IBezFloatKey is seven 32-bit fields");

// Key flag bits.
inline constexpr DWORD IKEY_SELECTED = 0x1;
inline constexpr DWORD BEZKEY_XBROKEN = 0x10;
inline constexpr DWORD BEZKEY_YBROKEN = 0x20;
inline constexpr DWORD BEZKEY_ZBROKEN = 0x40;
inline constexpr int BEZKEY_IN_SHIFT = 7;
inline constexpr int BEZKEY_OUT_SHIFT = 10;
inline constexpr DWORD BEZKEY_TYPEMASK = 0x7;
inline constexpr int GetInTanType(DWORD f) { return static_cast<int>((f >> BEZKEY_IN_SHIFT) & BEZKEY_TYPEMASK); }
inline constexpr int GetOutTanType(DWORD f) { return static_cast<int>((f >> BEZKEY_OUT_SHIFT) & BEZKEY_TYPEMASK); }

class HOST_API IKeyControl {
public:
    virtual ~IKeyControl();
    virtual int GetNumKeys() = 0;
    virtual void SetNumKeys(int n) = 0;
    // Copies key i into *key; an index out of range leaves *key unchanged.
    virtual void GetKey(int i, IKey* key) = 0;
    // Replaces key i (the table is not re-sorted).
    virtual void SetKey(int i, IKey* key) = 0;
    // Adds the key at the end of the table and answers its index.
    virtual int AppendKey(IKey* key) = 0;
    // Orders the keys by time; keys of equal time keep their order.
    virtual void SortKeys() = 0;
    virtual DWORD& GetTrackFlags() = 0;
};

inline IKeyControl* GetKeyControlInterface(Animatable* anim) {
    return anim ? static_cast<IKeyControl*>(anim->GetInterface(I_KEYCONTROL)) : nullptr;
}
