// The time slider under the viewport: go to start, play/stop, go to end,
// the frame field, the slider over the scene's frames, the frame rate, and
// under the slider the waveform of the scene's sound, column for column in
// step with the slider's handle.
#pragma once
#include <QWidget>

#include "Interface.h"
#include "SceneSoundCache.h"

class QPushButton;
class QSlider;
class QSpinBox;

namespace lipsmith::studio {

// The scene sound's waveform over the slider's time range.
class WaveStrip : public QWidget {
    Q_OBJECT
public:
    explicit WaveStrip(Interface& ip, QWidget* parent = nullptr);
    void SetSound(const SceneSound* sound) { sound_ = sound; update(); }
    // Ticks shown, and the columns [left, left + width) they span.
    void SetSpan(TimeValue start, TimeValue end, int left, int width);
    // Columns drawn with sound by the last paint (for tests).
    int LastColumns() const { return lastColumns_; }
    TimeValue TickAtX(int x) const;
    int XOfTick(TimeValue t) const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    Interface& ip_;
    const SceneSound* sound_ = nullptr;
    TimeValue start_ = 0, end_ = 1;
    int left_ = 0, width_ = 1;
    int lastColumns_ = 0;
};

class TimeBar : public QWidget {
    Q_OBJECT
public:
    explicit TimeBar(Interface& ip, QWidget* parent = nullptr);

    // The ticks the slider covers (shown as whole frames).
    void SetRange(TimeValue start, TimeValue end);
    TimeValue RangeStart() const { return start_; }
    TimeValue RangeEnd() const { return end_; }
    // Shows the scene's time (frame rate changes included).
    void ShowTime(TimeValue t);
    void SetPlaying(bool playing);
    void SetSound(const SceneSound* sound) { strip_->SetSound(sound); }

    QSlider* Slider() const { return slider_; }
    QSpinBox* FrameField() const { return frame_; }
    QSpinBox* RateField() const { return rate_; }
    QPushButton* PlayButton() const { return play_; }
    WaveStrip* Strip() const { return strip_; }

signals:
    void PlayPressed();
    void FrameRateChanged();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void SetFrame(int frame);
    void UpdateSpan();
    int FrameOf(TimeValue t) const;

    Interface& ip_;
    QPushButton* start_button_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* end_button_ = nullptr;
    QSpinBox* frame_ = nullptr;
    QSlider* slider_ = nullptr;
    QSpinBox* rate_ = nullptr;
    WaveStrip* strip_ = nullptr;
    TimeValue start_ = 0, end_ = 100 * 160;
    bool showing_ = false;
};

}  // namespace lipsmith::studio
