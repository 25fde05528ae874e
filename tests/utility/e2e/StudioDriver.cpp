#include "StudioDriver.h"

#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "DemoScene.h"
#include "Registration.h"
#include "Registry.h"
#include "Settings.h"

namespace lipsmith::testing {

namespace {
std::string gFolder;
}

void StudioDriver::PrepareProcess(const std::string& folder) {
    gFolder = folder;
    std::filesystem::create_directories(folder + "/run");
    std::filesystem::create_directories(folder + "/xdg");
    std::filesystem::permissions(folder + "/xdg", std::filesystem::perms::owner_all);
    ::setenv("LIPSMITH_REGISTRY", (folder + "/registry").c_str(), 1);
    ::setenv("LIPSMITH_RUNTIME_DIR", (folder + "/run").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (folder + "/xdg").c_str(), 1);
    ::setenv("LIPSMITH_PLUGIN_DIR", LIPSMITH_PLUGIN_FOLDER, 1);
    ::setenv("LIPSMITH_SHARE_DIR", LIPSMITH_SHARE_FOLDER, 1);
    ::setenv("LIPSMITH_NO_AUDIO", "1", 1);
    ::setenv("LIPSMITH_TTS_IDLE_MS", "1000", 1);
    tts::RegisterServer(RegistryStore::Default(), LIPSMITH_TTS_PROGRAM);
    RegKey key;
    if (key.Create(kSettingsHive, kSettingsKey) == ERROR_SUCCESS)
        key.SetString(kWaveFileValue, folder + "/dialogue.wav");
}

StudioDriver::StudioDriver() : waveFile(gFolder + "/dialogue.wav") {
    Interface& ip = *GetCOREInterface();
    window_ = std::make_unique<studio::MainWindow>(ip);
    window_->LoadPlugins();
    std::string error;
    BuildDemoScene(ip, &error);
    window_->RefreshViews();
    SetPrompts(&prompts_);  // in place of the studio's own, here and for the plug-ins
    ip.SetUserPrompts(&prompts_);
    window_->resize(1400, 900);
    window_->show();
}

StudioDriver::~StudioDriver() {
    window_->Utilities().CloseUtility();
    window_.reset();
    GetCOREInterface()->SetUserPrompts(nullptr);
    SetPrompts(nullptr);
}

bool StudioDriver::OpenUtility() {
    auto* button = window_->findChild<QPushButton*>("utility_Lipsmith");
    if (!button) return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return window_->findChild<QPushButton*>("ctl4000") != nullptr;
}

bool StudioDriver::OpenEditor() {
    auto* button = window_->findChild<QPushButton*>("ctl4000");
    if (!button) return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return Editor() && QTest::qWaitForWindowExposed(Editor());
}

QWidget* StudioDriver::Editor() const { return window_->findChild<QWidget*>("ScriptDlg"); }

bool StudioDriver::LoadScript(const std::string& path) {
    auto* load = Editor() ? Editor()->findChild<QAction*>("ctl4013") : nullptr;
    if (!load) return false;
    prompts_.QueueFileResult(path);
    load->trigger();
    return Editor()->windowTitle() == QString::fromStdString(path);
}

void StudioDriver::ParseScript() { QTest::mouseClick(Ctl<QPushButton>("ctl3"), Qt::LeftButton); }

std::string StudioDriver::Pane() const {
    auto* pane = Ctl<QPlainTextEdit>("ctl4006");
    return pane ? pane->toPlainText().toStdString() : std::string();
}

}  // namespace lipsmith::testing
