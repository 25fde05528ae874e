// The speech controller in the host's track view: its row height, the
// sound's waveform in its row, and the "Select Channel" dialog as the
// track's properties.
#include "SpeechController.h"
#include "TrackWaveform.h"

namespace lipsmith {
namespace {

constexpr int kTreeEntryItself = 1;
constexpr DWORD kAllTrackViews = 0xFF;

}  // namespace

int SpeechController::GetTrackVSpace(int) { return IsTreeEntryOpen(kTreeEntryItself, kAllTrackViews) ? 2 : 1; }

int SpeechController::PaintTrack(ParamDimensionBase*, HDC hdc, Rect& rcTrack, Rect& rcPaint, float zoom,
                                 int scroll, DWORD) {
    if (!hdc || !IsTreeEntryOpen(kTreeEntryItself, kAllTrackViews)) return TRACK_DORANGE;
    Interface* ip = GetCOREInterface();
    IWaveSound* wave = GetWaveSoundInterface(ip ? ip->GetSoundObject() : nullptr);
    if (!wave) return TRACK_DORANGE;
    PlacedSound sound;
    sound.file = wave->GetSoundFileName();
    if (sound.file.empty()) return TRACK_DORANGE;
    sound.start = wave->GetStartTime();
    sound.end = wave->GetEndTime();
    DrawTrackWaveform(*hdc, rcTrack, rcPaint, zoom, scroll, sound);
    return TRACK_DORANGE;
}

void SpeechController::EditTrackParams(TimeValue, ParamDimensionBase*, const char* pname, void* hParent,
                                       Interface* ip, DWORD) {
    dialog_.Open(pname, hParent, ip);
}

}  // namespace lipsmith
