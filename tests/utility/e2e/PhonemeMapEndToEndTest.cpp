// The phoneme map editor end to end through the real studio, Lipsmith.dlu,
// Lipsmith_TTS and espeak-ng: change how far "ow" opens the mouth, make the
// map the default with "Set As Default", run a script and find the new value
// in the keys; the setting outlives the editor.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "KeyControl.h"
#include "PhonemeMapFile.h"
#include "Registry.h"
#include "Settings.h"
#include "SpeechController.h"
#include "StudioDriver.h"

namespace lipsmith::testing {

namespace {

constexpr int kOw = 34;  // index of "ow" in the phoneme list

// Values of the keys on the node's controller of `channel`.
std::vector<float> KeyValues(const char* nodeName, ChannelId channel) {
    std::vector<float> values;
    INode* node = GetCOREInterface()->GetINodeByName(nodeName);
    for (int i = 0; node && i < node->NumTracks(); ++i) {
        SpeechController* c = AsSpeechController(node->GetTrackController(i));
        if (!c || c->channel != channel) continue;
        IKeyControl* k = GetKeyControlInterface(c->GetKeyTrack());
        for (int n = 0; k && n < k->GetNumKeys(); ++n) {
            IBezFloatKey key;
            k->GetKey(n, &key);
            values.push_back(key.val);
        }
    }
    return values;
}

// Whether some key holds the map value (or its stressed form, 1.2 times).
bool HasKeyOf(const std::vector<float>& values, float mapValue) {
    for (const float v : values)
        if (std::fabs(v - mapValue) < 1e-3f || std::fabs(v - 1.2f * mapValue) < 1e-3f) return true;
    return false;
}

}  // namespace

class PhonemeMapEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void setAsDefaultChangesTheKeysOfTheNextRun() {
        StudioDriver studio;
        const std::string folder = std::filesystem::path(studio.waveFile).parent_path().string();
        const std::string map = folder + "/open ow.xml";
        const std::string script = folder + "/go home.txt";
        std::ofstream(script) << "<_ANIM_>\n<actor node=\"Head\">Go home, Joe. No phone.</actor>\n</_ANIM_>\n";
        QVERIFY(studio.OpenUtility());
        auto* mapping = studio.Window().findChild<QPushButton*>("ctl4029");
        QVERIFY(mapping);

        bool edited = false;
        QString shownBefore;
        auto* timer = new QTimer(&studio.Window());
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, timer, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != "PhonemeSlg") return;
            timer->stop();
            dialog->findChild<QComboBox*>("ctl4020")->setCurrentIndex(kOw);
            auto* open = dialog->findChild<QLineEdit*>("ctl4042");
            shownBefore = open->text();
            open->selectAll();
            QTest::keyClicks(open, "37");
            studio.Prompts().QueueFileResult(map);  // "Set As Default" saves first
            QTest::mouseClick(dialog->findChild<QPushButton*>("ctl4030"), Qt::LeftButton);
            edited = true;
            dialog->close();  // saved and the default: closes without a question
        });
        timer->start();
        QTest::mouseClick(mapping, Qt::LeftButton);  // modal until closed
        QVERIFY(edited);
        QCOMPARE(shownBefore, QString("70"));  // the built-in map's "Open" of "ow"
        QCOMPARE(studio.Prompts().Texts(), std::vector<std::string>{
                                              "You first have to save these settings to disk before you can set "
                                              "it as the default settings."});
        RegKey key;
        std::string setting;
        QCOMPARE(key.Open(kSettingsHive, kSettingsKey), ERROR_SUCCESS);
        QCOMPARE(key.QueryString(kMapFileValue, setting), ERROR_SUCCESS);
        QCOMPARE(setting, map);
        PhonemeMap saved{};
        QVERIFY(LoadPhonemeMap(saved, map) == S_OK);
        QCOMPARE(saved[kOw][MouthParameter::MouthOpen], 37.0f);

        QVERIFY(studio.OpenEditor());
        QVERIFY(studio.LoadScript(script));
        QTest::mouseClick(studio.Ctl<QCheckBox>("ctl4044"), Qt::LeftButton);  // no scratch track: keys only
        QVERIFY(!studio.Ctl<QCheckBox>("ctl4044")->isChecked());
        studio.ParseScript();
        QTRY_VERIFY_WITH_TIMEOUT(studio.Pane().find("---[ Parsing stopped at") != std::string::npos, 120000);
        QVERIFY2(studio.Pane().find(": 0 Errors") != std::string::npos, studio.Pane().c_str());

        const std::vector<float> open = KeyValues("Head", 2);
        QVERIFY(open.size() > 5);
        QVERIFY2(HasKeyOf(open, 37.0f), "no key of the changed 'Open' value");
        QVERIFY2(!HasKeyOf(open, 70.0f), "a key still holds the built-in 'Open' of 'ow'");
    }
};

}  // namespace lipsmith::testing

int main(int argc, char** argv) {
    std::string folder = QDir::tempPath().toStdString() + "/lipsmith_map_e2e.XXXXXX";
    if (!::mkdtemp(folder.data())) return 1;
    lipsmith::testing::StudioDriver::PrepareProcess(folder);
    if (!::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        lipsmith::testing::PhonemeMapEndToEnd tests;
        result = QTest::qExec(&tests, argc, argv);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return result;
}

#include "PhonemeMapEndToEndTest.moc"
