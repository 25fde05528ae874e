// The window of the "Select Channel" dialog: a modeless Qt dialog over a
// SelectChannelDialog, laid out after dialog template 101.
#pragma once
#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace lipsmith {

class SelectChannelDialog;
class ScalarArrows;
class ScalarField;

class SelectChannelWidget : public QDialog {
    Q_OBJECT
public:
    SelectChannelWidget(SelectChannelDialog& dialog, QWidget* parent, const QString& caption);
    ~SelectChannelWidget() override;

    // The dialog no longer exists: events stop reaching it.
    void Detach() { dialog_ = nullptr; }

    void ShowChannel();
    void ShowScalar();
    void RepaintTrackViews();

public slots:
    void accept() override;
    void reject() override;

private:
    void Layout();
    void OnStep(int step);

    SelectChannelDialog* dialog_;
    QComboBox* channels_;
    QLabel* picture_;
    QLabel* scalarLabel_;
    ScalarField* scalar_;
    ScalarArrows* arrows_;
    QPushButton* cancel_;
    QPushButton* accept_;
};

}  // namespace lipsmith
