#include "SpeechController.h"

#include <algorithm>
#include <cmath>

#include "Resource.h"

namespace lipsmith {
namespace {

constexpr const char* kBadSubName = "This should not happen...";

int scratchScalar = 100;

TimeValue ClampTicks(long long t) {
    return static_cast<TimeValue>(std::clamp<long long>(t, TIME_NegInfinity, TIME_PosInfinity));
}

DefNoteTrack* AsDefNoteTrack(NoteTrack* nt) {
    return nt && nt->ClassID() == DEF_NOTETRACK_CLASS_ID ? static_cast<DefNoteTrack*>(nt) : nullptr;
}

}  // namespace

SpeechController* AsSpeechController(Animatable* anim) {
    return anim && anim->ClassID() == SPEECH_CONTROLLER_CLASS_ID && anim->SuperClassID() == CTRL_FLOAT_CLASS_ID
               ? static_cast<SpeechController*>(anim)
               : nullptr;
}

SpeechController::SpeechController(BOOL loading) {
    SetORT(ORT_CONSTANT, ORT_BEFORE);
    SetORT(ORT_CONSTANT, ORT_AFTER);
    std::fill(std::begin(scalar), std::end(scalar), 100);
    if (!loading) {
        MakeRefByID(FOREVER, kKeyTrackRef, NewDefaultFloatController());
        MakeRefByID(FOREVER, kNoteTrackRef, NewDefaultNoteTrack());
        validity = FOREVER;
    } else {
        validity = NEVER;
    }
    SendToUtilities(REFMSG_SPEECH_CREATED);
}

SpeechController::SpeechController(const SpeechController& src) : StdControl() {
    SetORT(ORT_CONSTANT, ORT_BEFORE);
    SetORT(ORT_CONSTANT, ORT_AFTER);
    channel = src.channel;
    active = src.active;
    std::copy(std::begin(src.scalar), std::end(src.scalar), std::begin(scalar));
    validity = src.validity;
    SendToUtilities(REFMSG_SPEECH_CREATED);
}

SpeechController::~SpeechController() {
    dialog_.DestroyWindow();
    SendToUtilities(REFMSG_SPEECH_DELETED);
}

void SpeechController::SendToUtilities(RefMessage message) {
    NotifyDependents(FOREVER, static_cast<PartID>(reinterpret_cast<std::uintptr_t>(this)), message,
                     UTILITY_CLASS_ID, FALSE);
}

void SpeechController::GetClassName(TSTR& s) {
    const char* name = GetControllerString(IDS_CLASS_NAME);
    s = name ? name : "";
}

Animatable* SpeechController::SubAnim(int i) {
    if (i == 0) return noteTrack;
    if (i == 1) return keyTrack;
    return nullptr;
}

TSTR SpeechController::SubAnimName(int i) {
    if (i == 0) return "Phonemes";
    if (i == 1 && IsValidChannel(channel)) return ChannelName(channel);
    return kBadSubName;
}

RefTargetHandle SpeechController::GetReference(int i) {
    if (i == kNoteTrackRef) return noteTrack;
    if (i == kKeyTrackRef) return keyTrack;
    return nullptr;
}

void SpeechController::SetReference(int i, RefTargetHandle rtarg) {
    // Only a default note track and a float controller fit the two slots; a
    // damaged scene file offering anything else leaves the slot empty.
    if (i == kNoteTrackRef) {
        noteTrack = rtarg && rtarg->SuperClassID() == NOTETRACK_CLASS_ID && rtarg->ClassID() == DEF_NOTETRACK_CLASS_ID
                        ? static_cast<NoteTrack*>(rtarg)
                        : nullptr;
    } else if (i == kKeyTrackRef) {
        keyTrack = rtarg && rtarg->SuperClassID() == CTRL_FLOAT_CLASS_ID ? static_cast<Control*>(rtarg) : nullptr;
    }
}

RefResult SpeechController::NotifyRefChanged(Interval, RefTargetHandle, PartID&, RefMessage) { return REF_SUCCEED; }

void SpeechController::RefDeleted() { SendToUtilities(REFMSG_SPEECH_DELETED); }

ReferenceTarget* SpeechController::Clone(RemapDir& remap) {
    auto* copy = new SpeechController(*this);
    copy->ReplaceReference(kKeyTrackRef, remap.CloneRef(keyTrack));
    copy->ReplaceReference(kNoteTrackRef, remap.CloneRef(noteTrack));
    SendToUtilities(REFMSG_SPEECH_CLONED);
    return copy;
}

int& SpeechController::ScalarOf(ChannelId ch) {
    return IsValidChannel(ch) ? scalar[ch - 1] : scratchScalar;
}

void SpeechController::GetValueLocalTime(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    float* v = static_cast<float*>(val);
    if (keyTrack) {
        keyTrack->GetValue(t, val, valid, method);
        if (IsValidChannel(channel)) {
            float factor = static_cast<float>(ScalarOf(channel)) * 0.01f;
            *v = factor * *v;
        }
    } else if (method == CTRL_ABSOLUTE) {
        *v = 0.0f;  // nothing to read: a controller whose track was never restored
    }
    valid = validity;
}

void SpeechController::SetValueLocalTime(TimeValue t, void* val, int, GetSetMethod) {
    SetBezierDefaultTangentType(BEZKEY_LINEAR, BEZKEY_LINEAR);
    IBezFloatKey key;
    key.time = t;
    key.val = *static_cast<float*>(val);
    key.intan = key.outtan = 0.0f;
    key.inLength = key.outLength = 0.25f;
    key.flags = 0;
    if (firstKeyFlag == 1) {
        key.flags = 0x200;
        firstKeyFlag = 0;
    } else {
        key.flags = 0x2F0;
    }
    key.flags &= ~0x800u;
    if (lastKeyFlag == 1) {
        key.flags |= 0x1400;
        key.outLength = 1.5f;
        lastKeyFlag = 0;
    } else {
        key.flags |= 0x1470;
    }
    if (IsEyeChannel(channel)) key.flags = (key.flags & ~0x1B00u) | 0x480u;
    else if (!IsMouthChannel(channel)) return;
    if (IKeyControl* ikc = GetKeyControlInterface(keyTrack)) {
        ikc->AppendKey(&key);
        ikc->SortKeys();
    }
}

void SpeechController::Extrapolate(Interval range, TimeValue t, void* val, Interval& valid, int type) {
    auto V = [this](long long x) {
        float v = 0.0f;
        Interval iv;
        GetValueLocalTime(ClampTicks(x), &v, iv, CTRL_ABSOLUTE);
        return v;
    };
    const long long s = range.Start(), e = range.End(), tt = t;
    float value = 0.0f;
    switch (type) {
        case ORT_LINEAR:
            if (tt < s) value = V(s) + static_cast<float>(tt - s) * (V(s + 1) - V(s));
            else value = V(e) + static_cast<float>(tt - e) * (V(e) - V(e - 1));
            break;
        case ORT_IDENTITY:
            if (tt < s) value = V(s) + static_cast<float>(tt - s);
            else value = V(e) + static_cast<float>(tt - e);
            break;
        case ORT_RELATIVE_REPEAT: {
            const long long d = e - s;
            long long m, n;
            if (d < 1) m = tt;
            else if (tt < s) m = e + (tt - s) % d;
            else m = s + (tt - s) % d;
            if (d < 1) n = 1;
            else if (tt < s) n = (s - tt) / d + 1;
            else if (tt > e) n = (tt - e) / d + 1;
            else n = 0;
            const float cycle = static_cast<float>(n) * (V(e) - V(s));
            value = tt < s ? V(m) - cycle : V(m) + cycle;
            break;
        }
        default:
            return;  // the host resolves the other types itself
    }
    *static_cast<float*>(val) = value;
    valid = Interval(t, t);
}

void SpeechController::AddNote(TimeValue t, const char* text) {
    DefNoteTrack* nt = AsDefNoteTrack(noteTrack);
    if (!nt) return;
    const int n = nt->keys.Count();
    if (n > 0) {
        // Add behind the last note, then give it its real time: the table is
        // not re-sorted, so the note stays last whatever its time.
        nt->AddNewKey(ClampTicks(static_cast<long long>(nt->GetKeyTime(n - 1)) + 1), 0);
        NoteKey* key = nt->keys[n];
        key->note = text ? text : "";
        key->time = t;
    } else {
        nt->AddNewKey(t, 0);
        nt->keys[0]->note = text ? text : "";
    }
}

void SpeechController::InsertTimeBoth(TimeValue at, TimeValue amount) {
    if (noteTrack) noteTrack->InsertTime(at, amount);
    if (keyTrack) keyTrack->InsertTime(at, amount);
    if (noteTrack) noteTrack->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    if (keyTrack) keyTrack->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void SpeechController::DeleteTimeBoth(TimeValue from, TimeValue to) {
    const DWORD flags = TIME_INCLEFT | TIME_INCRIGHT | TIME_NOSLIDE;
    if (noteTrack) noteTrack->DeleteTime(Interval(from, to), flags);
    if (keyTrack) keyTrack->DeleteTime(Interval(from, to), flags);
    validity = NEVER;
    if (noteTrack) noteTrack->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    if (keyTrack) keyTrack->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void SpeechController::ScaleTimeRange(TimeValue start, TimeValue end, float factor) {
    // Single-precision products, truncated toward zero, as the factor is a float.
    auto scaled = [factor](long long ticks) -> long long {
        const float product = std::trunc(static_cast<float>(ticks) * factor);
        if (!(product > -4e18f && product < 4e18f)) return product > 0 ? TIME_PosInfinity : TIME_NegInfinity;
        return static_cast<long long>(product);
    };
    const long long span = static_cast<long long>(end) - start;
    const long long growth = scaled(span) - span;
    auto map = [&](TimeValue time) -> TimeValue {
        if (start <= time && time <= end) return ClampTicks(scaled(static_cast<long long>(time) - start) + start);
        if (time > end) return ClampTicks(static_cast<long long>(time) + growth);
        return time;
    };
    if (IKeyControl* ikc = GetKeyControlInterface(keyTrack)) {
        const int n = ikc->GetNumKeys();
        for (int i = 0; i < n; ++i) {
            IBezFloatKey key;
            ikc->GetKey(i, &key);
            key.time = map(key.time);
            ikc->SetKey(i, &key);
        }
    }
    if (DefNoteTrack* nt = AsDefNoteTrack(noteTrack)) {
        nt->HoldTrack();
        for (int i = 0; i < nt->keys.Count(); ++i) nt->keys[i]->time = map(nt->keys[i]->time);
        nt->keys.KeysChanged();
        nt->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    }
    validity = NEVER;
    if (keyTrack) keyTrack->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

}  // namespace lipsmith
