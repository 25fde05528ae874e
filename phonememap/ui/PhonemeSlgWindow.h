// The phoneme map editor's window ("Phoneme Mouth Parameters", object name
// "PhonemeSlg"): a modal view over PhonemeSlg. Beside each number box a
// small mouth shows what that number alone does to a resting mouth; the
// large mouth shows the selected phoneme with all ten values. Both follow
// the boxes as they are typed in.
#pragma once
#include <QDialog>
#include <array>

#include "MouthChannels.h"
#include "PhonemeSlg.h"

class QComboBox;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;

namespace lipsmith {

// A mouth drawn from ten channel values (channel order, 0..100).
class MouthView : public QWidget {
    Q_OBJECT
public:
    explicit MouthView(QWidget* parent = nullptr);
    void SetChannels(const MouthChannels& channels);
    const MouthChannels& Channels() const { return channels_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    MouthChannels channels_{};
};

class PhonemeSlgWindow : public QDialog {
    Q_OBJECT
public:
    PhonemeSlgWindow(PhonemeSlg& model, QWidget* owner);
    ~PhonemeSlgWindow() override;

    // Escape: closes as the close box does (with its questions).
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void Refresh();
    void ShowPictures();
    void TryClose();

    PhonemeSlg& model_;
    QMenuBar* menuBar_;
    QComboBox* phonemes_;
    std::array<QLineEdit*, kMouthParameterCount> boxes_{};
    std::array<MouthView*, kMouthParameterCount> mouths_{};
    MouthView* preview_;
    QPlainTextEdit* fileBox_;
    bool refreshing_ = false;
    bool closing_ = false;
};

}  // namespace lipsmith
