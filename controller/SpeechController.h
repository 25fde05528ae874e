// The speech controller: a float controller that follows one of fourteen
// speech channels. It keeps its keys in two host tracks it references, a
// Bezier float track (reference 1) and a note track (reference 0), and
// scales the track's value by the channel's scalar.
#pragma once
#include "Channels.h"
#include "HostSdk.h"
#include "SelectChannelDialog.h"

namespace lipsmith {

inline constexpr Class_ID SPEECH_CONTROLLER_CLASS_ID(0x223738B8, 0x4FCD71F7);

// Reference messages the controller sends to utilities (the part id carries
// the controller's address).
inline constexpr RefMessage REFMSG_SPEECH_CREATED = 0xF0E00;
inline constexpr RefMessage REFMSG_SPEECH_DELETED = 0xF0E01;
inline constexpr RefMessage REFMSG_SPEECH_CHANNEL = 0xF0E02;
inline constexpr RefMessage REFMSG_SPEECH_CLONED = 0xF0E03;

inline constexpr int kNoteTrackRef = 0;
inline constexpr int kKeyTrackRef = 1;
inline constexpr int kSpeechControllerRefs = 15;

class SpeechController : public StdControl {
public:
    // New (loading FALSE: both tracks, validity FOREVER) or for loading (no
    // tracks, validity NEVER).
    explicit SpeechController(BOOL loading = FALSE);
    ~SpeechController() override;

    void GetClassName(TSTR& s) override;
    Class_ID ClassID() override { return SPEECH_CONTROLLER_CLASS_ID; }
    SClass_ID SuperClassID() override { return CTRL_FLOAT_CLASS_ID; }
    void DeleteThis() override { delete this; }

    int NumSubs() override { return 2; }
    Animatable* SubAnim(int i) override;
    TSTR SubAnimName(int i) override;

    // Track view: two lines with the scene sound's waveform while expanded;
    // the track's properties are the "Select Channel" dialog.
    int GetTrackVSpace(int lineHeight) override;
    int PaintTrack(ParamDimensionBase* dim, HDC hdc, Rect& rcTrack, Rect& rcPaint, float zoom, int scroll,
                   DWORD flags) override;
    int TrackParamsType() override { return TRACKPARAMS_WHOLE; }
    void EditTrackParams(TimeValue t, ParamDimensionBase* dim, const char* pname, void* hParent, Interface* ip,
                         DWORD flags) override;
    SelectChannelDialog& GetDialog() { return dialog_; }

    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    int NumRefs() override { return kSpeechControllerRefs; }
    RefTargetHandle GetReference(int i) override;
    void SetReference(int i, RefTargetHandle rtarg) override;
    RefResult NotifyRefChanged(Interval changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message) override;
    void RefDeleted() override;
    ReferenceTarget* Clone(RemapDir& remap) override;

    void Copy(Control* /*from*/) override {}
    BOOL IsLeaf() override { return FALSE; }
    BOOL CanApplyEaseMultCurves() override { return FALSE; }

    void GetValueLocalTime(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    void SetValueLocalTime(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;
    void Extrapolate(Interval range, TimeValue t, void* val, Interval& valid, int type) override;
    void* CreateTempValue() override { return new float(0.0f); }
    void DeleteTempValue(void* val) override { delete static_cast<float*>(val); }
    void ApplyValue(void* val, void* delta) override { *static_cast<float*>(val) += *static_cast<float*>(delta); }
    void MultiplyValue(void* val, float m) override { *static_cast<float*>(val) *= m; }

    // Used by the pipeline.
    void SetFirstKeyFlag(int flag) { firstKeyFlag = flag; }
    void SetLastKeyFlag(int flag) { lastKeyFlag = flag; }
    void AddNote(TimeValue t, const char* text);
    void InsertTimeBoth(TimeValue at, TimeValue amount);
    void DeleteTimeBoth(TimeValue from, TimeValue to);
    void ScaleTimeRange(TimeValue start, TimeValue end, float factor);

    // Tells the utilities that the user accepted a channel in the dialog.
    void SendChannelChanged() { SendToUtilities(REFMSG_SPEECH_CHANNEL); }

    // The scalar cell of a channel; outside 1 to 14 a shared scratch cell.
    int& ScalarOf(ChannelId ch);

    NoteTrack* GetNoteTrack() const { return noteTrack; }
    Control* GetKeyTrack() const { return keyTrack; }

    // Channel data (read and written directly by the dialog, the pipeline
    // and the script editor).
    ChannelId channel = 1;
    int active = 1;
    int scalar[kNumChannels];
    Interval validity;
    int firstKeyFlag = 0;
    int lastKeyFlag = 0;

private:
    // Copy construction, for Clone only: channel data, no tracks.
    SpeechController(const SpeechController& src);
    void SendToUtilities(RefMessage message);

    NoteTrack* noteTrack = nullptr;
    Control* keyTrack = nullptr;
    SelectChannelDialog dialog_{*this};
};

// The controller if anim is one (found by class id, as the utility does).
SpeechController* AsSpeechController(Animatable* anim);

// The class descriptor (one per module that contains the class).
ClassDesc2* GetSpeechControllerDesc();

// The format version later saves write (process-wide; a load replaces it).
int SpeechControllerSaveVersion();

}  // namespace lipsmith
