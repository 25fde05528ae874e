#include "TimeBar.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

namespace lipsmith::studio {

WaveStrip::WaveStrip(Interface& ip, QWidget* parent) : QWidget(parent), ip_(ip) {
    setObjectName("waveStrip");
    setAccessibleName("Scene sound");
    setMinimumHeight(44);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void WaveStrip::SetSpan(TimeValue start, TimeValue end, int left, int width) {
    start_ = start;
    end_ = std::max(end, start + 1);
    left_ = left;
    width_ = std::max(width, 1);
    update();
}

TimeValue WaveStrip::TickAtX(int x) const {
    const double t = start_ + (static_cast<double>(x) - left_) * (static_cast<double>(end_) - start_) / width_;
    return static_cast<TimeValue>(std::clamp(std::floor(t + 0.5), -2.0e9, 2.0e9));
}

int WaveStrip::XOfTick(TimeValue t) const {
    return left_ + static_cast<int>(std::floor((static_cast<double>(t) - start_) * width_ / (static_cast<double>(end_) - start_) + 0.5));
}

void WaveStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(40, 44, 52));
    const int mid = height() / 2;
    p.setPen(QColor(70, 76, 88));
    p.drawLine(left_, mid, left_ + width_, mid);
    lastColumns_ = 0;
    const SceneSound* s = sound_;
    if (s && s->peaks && s->clip) {
        const double rate = s->clip->Rate();
        const double ticksPerColumn = (static_cast<double>(end_) - start_) / width_;
        const double half = (height() - 6) / 2.0;
        p.setPen(QColor(110, 190, 240));
        const int x0 = std::max(left_, XOfTick(s->start)), x1 = std::min(left_ + width_, XOfTick(s->end));
        for (int x = x0; x < x1; ++x) {
            const double t0 = start_ + (x - left_) * ticksPerColumn;
            const auto f0 = static_cast<std::int64_t>(std::floor((t0 - s->start) * rate / TIME_TICKSPERSEC));
            const auto f1 = static_cast<std::int64_t>(std::floor((t0 + ticksPerColumn - s->start) * rate / TIME_TICKSPERSEC));
            const playback::PeakRange r = s->peaks->Range(f0, std::max(f1, f0 + 1));
            const int top = mid - static_cast<int>(r.high * half / 32768.0);
            const int bottom = mid - static_cast<int>(r.low * half / 32768.0);
            p.drawLine(x, top, x, std::max(bottom, top));
            ++lastColumns_;
        }
    } else {
        p.setPen(QColor(150, 156, 168));
        const QString text = s && !s->error.empty() ? QString::fromStdString(s->error)
                                                    : QString("No scene sound (File > Scene Sound\u2026)");
        p.drawText(rect().adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
    const int tx = XOfTick(ip_.GetTime());
    p.setPen(QColor(235, 70, 70));
    p.drawLine(tx, 0, tx, height());
}

void WaveStrip::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const int tpf = ip_.GetTicksPerFrame();
    ip_.SetTime(static_cast<TimeValue>(std::floor(TickAtX(static_cast<int>(e->position().x())) / double(tpf) + 0.5)) * tpf);
}

void WaveStrip::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) {
        const int tpf = ip_.GetTicksPerFrame();
        ip_.SetTime(static_cast<TimeValue>(std::floor(TickAtX(static_cast<int>(e->position().x())) / double(tpf) + 0.5)) * tpf);
    }
}

namespace {

QPushButton* Button(const QString& text, const QString& name, const char* object, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(object);
    b->setAccessibleName(name);
    b->setToolTip(name);
    return b;
}

}  // namespace

TimeBar::TimeBar(Interface& ip, QWidget* parent) : QWidget(parent), ip_(ip) {
    start_button_ = Button("Start", "Go to Start", "goToStart", this);
    start_button_->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    play_ = Button("Play", "Play", "playButton", this);
    play_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    play_->setMinimumWidth(72);
    end_button_ = Button("End", "Go to End", "goToEnd", this);
    end_button_->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    frame_ = new QSpinBox(this);
    frame_->setObjectName("frameField");
    frame_->setAccessibleName("Frame");
    frame_->setRange(-1000000, 1000000);
    frame_->setKeyboardTracking(false);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("timeSlider");
    slider_->setAccessibleName("Time slider");
    slider_->setPageStep(10);
    rate_ = new QSpinBox(this);
    rate_->setObjectName("frameRate");
    rate_->setAccessibleName("Frame rate");
    rate_->setRange(1, 120);
    rate_->setSuffix(" fps");
    rate_->setKeyboardTracking(false);
    strip_ = new WaveStrip(ip_, this);

    auto* frameLabel = new QLabel("Frame", this);
    frameLabel->setBuddy(frame_);
    auto* rateLabel = new QLabel("Rate", this);
    rateLabel->setBuddy(rate_);
    auto* controls = new QHBoxLayout;
    controls->addWidget(start_button_);
    controls->addWidget(play_);
    controls->addWidget(end_button_);
    controls->addSpacing(12);
    controls->addWidget(frameLabel);
    controls->addWidget(frame_);
    controls->addStretch(1);
    controls->addWidget(rateLabel);
    controls->addWidget(rate_);
    // Slider and waveform share one column, so their columns line up.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(slider_, 0, 0);
    grid->addWidget(strip_, 1, 0);
    grid->addLayout(controls, 2, 0);

    connect(slider_, &QSlider::valueChanged, this, [this](int f) {
        if (!showing_) SetFrame(f);
    });
    connect(frame_, &QSpinBox::valueChanged, this, [this](int f) {
        if (!showing_) SetFrame(f);
    });
    connect(rate_, &QSpinBox::valueChanged, this, [this](int fps) {
        if (showing_ || fps == ip_.GetFrameRate()) return;
        const TimeValue t = ip_.GetTime();
        ip_.SetFrameRate(fps);
        SetSaveRequiredFlag(TRUE);
        SetRange(start_, end_);
        ShowTime(t);
        emit FrameRateChanged();
    });
    connect(play_, &QPushButton::clicked, this, &TimeBar::PlayPressed);
    connect(start_button_, &QPushButton::clicked, this, [this] { ip_.SetTime(FrameOf(start_) * ip_.GetTicksPerFrame()); });
    connect(end_button_, &QPushButton::clicked, this, [this] { ip_.SetTime(FrameOf(end_) * ip_.GetTicksPerFrame()); });
    SetRange(start_, end_);
    ShowTime(ip_.GetTime());
}

int TimeBar::FrameOf(TimeValue t) const {
    return static_cast<int>(std::floor(static_cast<double>(t) / std::max(ip_.GetTicksPerFrame(), 1) + 0.5));
}

void TimeBar::SetFrame(int frame) { ip_.SetTime(static_cast<TimeValue>(frame) * ip_.GetTicksPerFrame()); }

void TimeBar::SetRange(TimeValue start, TimeValue end) {
    start_ = start;
    end_ = std::max(end, start + 1);
    showing_ = true;
    slider_->setRange(FrameOf(start_), std::max(FrameOf(end_), FrameOf(start_) + 1));
    showing_ = false;
    UpdateSpan();
}

void TimeBar::ShowTime(TimeValue t) {
    showing_ = true;
    slider_->setValue(FrameOf(t));
    frame_->setValue(FrameOf(t));
    rate_->setValue(ip_.GetFrameRate());
    showing_ = false;
    strip_->update();
}

void TimeBar::SetPlaying(bool playing) {
    play_->setText(playing ? "Stop" : "Play");
    play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    play_->setAccessibleName(playing ? "Stop" : "Play");
}

void TimeBar::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    UpdateSpan();
}

void TimeBar::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    UpdateSpan();
}

void TimeBar::UpdateSpan() {
    // The strip's columns line up with the positions the slider's handle takes.
    QStyleOptionSlider opt;
    opt.initFrom(slider_);
    opt.orientation = Qt::Horizontal;
    opt.minimum = slider_->minimum();
    opt.maximum = slider_->maximum();
    opt.sliderPosition = slider_->value();
    opt.sliderValue = slider_->value();
    opt.subControls = QStyle::SC_All;
    const QRect groove = slider_->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, slider_);
    const QRect handle = slider_->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider_);
    const int offset = slider_->x() - strip_->x();
    const int left = groove.x() + handle.width() / 2 + offset;
    const int width = std::max(groove.width() - handle.width(), 1);
    const int tpf = std::max(ip_.GetTicksPerFrame(), 1);
    strip_->SetSpan(slider_->minimum() * tpf, slider_->maximum() * tpf, left, width);
}

}  // namespace lipsmith::studio
