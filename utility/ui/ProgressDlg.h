// The run's progress window ("Progress"): a grey bar with the percentage in
// the caption and a "Stop" button, or in listener form the prompt to speak.
// A view over the session's ProgressModel. It stays usable while the editor
// and the host's main window are disabled for the run, so it is a window of
// its own that only stays above the editor.
#pragma once
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace lipsmith {

class ProgressModel;

class ProgressDlg : public QDialog {
    Q_OBJECT
public:
    // owner: the editor window it stays above.
    ProgressDlg(ProgressModel& model, QWidget* owner);
    ~ProgressDlg() override;
    // The model is going (the run ended); the window only waits to be deleted.
    void Detach();

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void Show(const ProgressModel& model);
    ProgressModel* model_;
    QProgressBar* bar_;
    QLabel* text_;
    QPushButton* stop_;
};

}  // namespace lipsmith
