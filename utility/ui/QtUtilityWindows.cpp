#include "QtUtilityWindows.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>

#include "Interface.h"
#include "PhonemeMapSeam.h"
#include "RollupPages.h"
#include "ScriptDlgWindow.h"
#include "SpeechUtility.h"
#include "UtilityWindows.h"

namespace lipsmith {

namespace {

class QtWindows : public UtilityWindows {
public:
    explicit QtWindows(std::function<void()> onQuit) : onQuit_(std::move(onQuit)) {}

    void AddPages(Interface& ip, SpeechUtility& utility) override {
        if (!qApp || !ip.GetHostWindows()) return;
        WatchQuit();
        RollupPage* main = MakeTextToAnimationPage(ip, utility);
        mainPage_ = ip.AddRollupPage(main, "Text To Animation", 0);
        if (!mainPage_) delete main;
        utility.PageInitialised();
        QLineEdit* field = nullptr;
        RollupPage* config = MakeConfigurationPage(ip, utility, &field);
        configPage_ = ip.AddRollupPage(config, "Configuration", APPENDROLL_CLOSED);
        if (!configPage_) {
            delete config;
            field = nullptr;
        }
        waveField_ = field;
        utility.PageInitialised();
    }

    void DeletePages(Interface& ip) override {
        if (mainPage_) ip.DeleteRollupPage(mainPage_);
        if (configPage_) ip.DeleteRollupPage(configPage_);
        mainPage_ = nullptr;
        configPage_ = nullptr;
        waveField_ = nullptr;
    }

    void CreateEditorWindow(ScriptEditor& editor, Interface& ip) override {
        if (!qApp || editorWindow_) return;
        WatchQuit();
        editorWindow_ = new ScriptDlgWindow(editor, ip, ip.GetMAXHWnd());
        editorWindow_->hide();
    }
    void ShowEditorWindow() override {
        if (editorWindow_) editorWindow_->ShowEditor();
    }
    void HideEditorWindow() override {
        if (editorWindow_) editorWindow_->hide();
    }
    void DestroyEditorWindow() override { delete editorWindow_.data(); }

    void ShowWaveFile(const std::string& path) override {
        if (waveField_) waveField_->setText(QString::fromStdString(path));
    }

    void OpenPhonemeMapEditor(ScriptEditor& editor) override {
        lipsmith::OpenPhonemeMapEditor(editorWindow_.data(), editor);
    }

private:
    void WatchQuit() {
        if (watching_ || !qApp) return;
        watching_ = true;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [this] {
            if (onQuit_) onQuit_();
        });
    }

    std::function<void()> onQuit_;
    bool watching_ = false;
    QPointer<QWidget> mainPage_, configPage_;
    QPointer<QLineEdit> waveField_;
    QPointer<ScriptDlgWindow> editorWindow_;
};

}  // namespace

UtilityWindows* QtUtilityWindows(std::function<void()> onQuit) {
    static QtWindows windows(std::move(onQuit));
    return &windows;
}

}  // namespace lipsmith
