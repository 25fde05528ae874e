// The utility's two pages in the host's command panel: "Text To Animation"
// (the "Script Editor" button and the page picture) and "Configuration"
// ("Phoneme Mapping", and the wave output file with its chooser). Mouse
// drags over a page scroll the panel.
#pragma once
#include <QWidget>

class QLineEdit;
class Interface;

namespace lipsmith {

class SpeechUtility;

class RollupPage : public QWidget {
    Q_OBJECT
public:
    RollupPage(Interface& ip, const char* objectName);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    Interface& ip_;
};

RollupPage* MakeTextToAnimationPage(Interface& ip, SpeechUtility& utility);
// *waveField: edit 4036.
RollupPage* MakeConfigurationPage(Interface& ip, SpeechUtility& utility, QLineEdit** waveField);

}  // namespace lipsmith
