// Up and down arrows beside the scalar field; each click (repeated while held)
// asks for a step of +1 or -1.
#pragma once
#include <QWidget>

class QToolButton;

namespace lipsmith {

class ScalarArrows : public QWidget {
    Q_OBJECT
public:
    explicit ScalarArrows(QWidget* parent = nullptr);
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void stepRequested(int step);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace lipsmith
