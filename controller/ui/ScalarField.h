// The scalar field of the channel dialog: a centred signed whole number
// (digits and a leading minus only) that reports focus changes and steps by
// the Up and Down keys.
#pragma once
#include <QLineEdit>

namespace lipsmith {

class ScalarField : public QLineEdit {
    Q_OBJECT
public:
    explicit ScalarField(QWidget* parent = nullptr);

signals:
    void focusChanged(bool gained);
    void stepRequested(int step);

protected:
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

}  // namespace lipsmith
