// The script editor end to end through the real studio, Lipsmith.dlu, the
// Lipsmith_TTS server and espeak-ng: open the utility, load the demo script,
// parse it, find the keys on "Head" and the recording on the scene's sound
// track, and take the run back with the studio's Edit > Undo.
#include <stdlib.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <filesystem>

#include "ClassDesc.h"
#include "KeyControl.h"
#include "Sound.h"
#include "SpeechController.h"
#include "StudioDriver.h"

namespace lipsmith::testing {

namespace {

// Keys on every speech controller of the node.
int KeysOn(const char* nodeName) {
    INode* node = GetCOREInterface()->GetINodeByName(nodeName);
    int keys = 0;
    for (int i = 0; node && i < node->NumTracks(); ++i) {
        SpeechController* c = AsSpeechController(node->GetTrackController(i));
        if (IKeyControl* k = c ? GetKeyControlInterface(c->GetKeyTrack()) : nullptr) keys += k->GetNumKeys();
    }
    return keys;
}

std::string SceneSoundFile() {
    IWaveSound* ws = GetWaveSoundInterface(GetCOREInterface()->GetSoundObject());
    return ws ? ws->GetSoundFileName() : std::string();
}

}  // namespace

class StudioEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void parseScriptKeysTheSceneAndUndoTakesItBack() {
        StudioDriver studio;
        // Both plug-ins carry the controller class; the host lists it once,
        // beside the one utility class.
        int controllers = 0, utilities = 0;
        const ClassDirectory& classes = ClassDirectory::Get();
        for (int i = 0; i < classes.Count(); ++i) {
            if (std::string(classes[i]->ClassName()) == "Lipsmith Controller") ++controllers;
            if (classes[i]->SuperClassID() == UTILITY_CLASS_ID && std::string(classes[i]->ClassName()) == "Lipsmith")
                ++utilities;
        }
        QCOMPARE(controllers, 1);
        QCOMPARE(utilities, 1);
        QCOMPARE(static_cast<int>(LoadedPlugins().size()), 2);
        QVERIFY(studio.OpenUtility());
        QVERIFY(studio.OpenEditor());
        QVERIFY(studio.LoadScript(LIPSMITH_DEMO_SCRIPT));
        QCOMPARE(KeysOn("Head"), 0);
        QTest::mouseClick(studio.Ctl<QCheckBox>("ctl4045"), Qt::LeftButton);  // Enable Undo
        QVERIFY(studio.Ctl<QCheckBox>("ctl4045")->isChecked());

        studio.ParseScript();
        QTRY_VERIFY_WITH_TIMEOUT(studio.Pane().find("---[ Parsing stopped at") != std::string::npos, 120000);
        const std::string pane = studio.Pane();
        QVERIFY2(pane.find(": 0 Errors") != std::string::npos, pane.c_str());
        QVERIFY(pane.find("+++ Adding keys for actor named 'Head'") != std::string::npos);
        QVERIFY(pane.find("Done Synchronizing wave file.") != std::string::npos);
        QVERIFY(studio.Prompts().Messages().empty());

        const int keys = KeysOn("Head");
        QVERIFY(keys > 100);
        QCOMPARE(SceneSoundFile(), studio.waveFile);
        QVERIFY(std::filesystem::file_size(studio.waveFile) > 44100);
        QVERIFY(studio.Window().Sound().clip);  // the studio read the new sound

        QAction* undo = studio.Window().UndoAction();
        QVERIFY(undo->isEnabled());
        QVERIFY(undo->text().contains("Speech to Anim"));
        undo->trigger();
        QCOMPARE(KeysOn("Head"), 0);
        QCOMPARE(KeysOn("Narrator"), 0);
    }
};

}  // namespace lipsmith::testing

int main(int argc, char** argv) {
    std::string folder = QDir::tempPath().toStdString() + "/lipsmith_studio_e2e.XXXXXX";
    if (!::mkdtemp(folder.data())) return 1;
    lipsmith::testing::StudioDriver::PrepareProcess(folder);
    if (!::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        lipsmith::testing::StudioEndToEnd tests;
        result = QTest::qExec(&tests, argc, argv);
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return result;
}

#include "StudioEndToEndTest.moc"
