// Loads the real Lipsmith.dlc as the studio does, opens its "Select Channel"
// dialog on a real display (Xvfb in the suite) and saves what the user sees:
// the dialog, and an expanded track row with the scene sound's waveform
// painted by the controller.
//   controller_ui_shots OUTPUT_FOLDER [WAVE]   (a made-up sound unless WAVE is given)
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <vector>

#include "SpeechController.h"
#include "WaveBytes.h"

using namespace lipsmith;
namespace tw = lipsmith::testwave;

namespace {

// The track view's painting surface over a QPainter, as a host provides one.
class PainterDC : public TrackDC {
public:
    explicit PainterDC(QPainter& p) : p_(p) {}
    void SelectPen(std::uint32_t bgr, int width) override {
        p_.setPen(QPen(QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF), width));
    }
    void SelectStockBlackPen() override { p_.setPen(QPen(Qt::black, 0)); }
    void MoveTo(int x, int y) override { at_ = QPoint(x, y); }
    void LineTo(int x, int y) override {
        p_.drawLine(at_, QPoint(x, y));
        at_ = QPoint(x, y);
    }

private:
    QPainter& p_;
    QPoint at_;
};

// Two seconds of a voice-like sound: syllables of a few hundred milliseconds.
std::vector<int> Syllables(int rate) {
    std::vector<int> s(static_cast<std::size_t>(rate * 2));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double envelope = std::pow(std::max(0.0, std::sin(t * 3.14159 * 3.2)), 2.0);
        const double wave = std::sin(t * 2 * 3.14159 * 2.5) * 0.6 + std::sin(t * 2 * 3.14159 * 190) * 0.4;
        s[i] = static_cast<int>(envelope * wave * 26000);
    }
    return s;
}

bool Fail(const char* what) {
    std::fprintf(stderr, "controller_ui_shots: %s\n", what);
    return false;
}

bool Shoot(const QDir& out, const QString& givenWave) {
    std::string error;
    if (!LoadPlugin(PluginDirectory() + "/Lipsmith.dlc", &error)) return Fail(error.c_str());
    ClassDesc* desc = ClassDirectory::Get().FindClass(CTRL_FLOAT_CLASS_ID, SPEECH_CONTROLLER_CLASS_ID);
    if (!desc) return Fail("the plug-in has no speech controller class");
    QWidget main;
    main.setWindowTitle(QStringLiteral("Lipsmith Studio"));
    main.resize(800, 500);
    main.show();

    SpeechController* c = AsSpeechController(static_cast<ReferenceTarget*>(desc->Create(FALSE)));
    if (!c) return Fail("the plug-in made no speech controller");
    c->LockAutoDelete(true);
    c->channel = 2;
    c->scalar[1] = 85;
    c->EditTrackParams(0, nullptr, "Jaw Open", &main, GetCOREInterface(), 0);
    QDialog* dialog = main.findChild<QDialog*>(QStringLiteral("SelectChannel"));
    if (!dialog || !dialog->isVisible()) return Fail("the dialog did not open");
    auto* picture = dialog->findChild<QLabel*>(QStringLiteral("ctl1041"));
    if (!picture || picture->pixmap().size() != QSize(60, 60)) return Fail("the channel picture is missing");
    QApplication::processEvents();
    if (!dialog->grab().save(out.filePath(QStringLiteral("select-channel.png")))) return Fail("cannot save the dialog");

    // A track row, two lines high once expanded, 600 columns for two seconds.
    QString wave = givenWave;
    if (wave.isEmpty()) {
        tw::Format f;
        f.rate = 22050;
        wave = out.filePath(QStringLiteral("syllables.wav"));
        tw::Write(wave.toStdString(), tw::Bytes(f, Syllables(22050)));
    }
    IWaveSound* sound = GetWaveSoundInterface(GetCOREInterface()->GetSoundObject());
    if (!sound->SetSoundFileName(wave.toStdString())) return Fail("the sound cannot be read");
    sound->SetStartTime(0);
    c->SetAFlag(A_TREE_ENTRY_OPEN);
    const int rows = c->GetTrackVSpace(20);
    QImage row(600, rows * 20, QImage::Format_RGB32);
    row.fill(QColor(0xF4, 0xF4, 0xF4));
    {
        QPainter p(&row);
        PainterDC dc(p);
        Rect r{0, 0, 599, row.height() - 1};
        const float zoom = 600.0f / 9600.0f;
        if (c->PaintTrack(nullptr, &dc, r, r, zoom, 0, 0) != TRACK_DORANGE) return Fail("PaintTrack answered wrongly");
    }
    if (!row.save(out.filePath(QStringLiteral("track-row.png")))) return Fail("cannot save the track row");
    c->DeleteThis();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: controller_ui_shots OUTPUT_FOLDER [WAVE]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        Fail("cannot make the output folder");
        return 1;
    }
    return Shoot(out, argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString()) ? 0 : 1;
}
