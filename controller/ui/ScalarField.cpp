#include "ScalarField.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

namespace lipsmith {

ScalarField::ScalarField(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignCenter);
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), this));
    setMaxLength(11);  // "-2147483648"
}

void ScalarField::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    emit focusChanged(true);
}

void ScalarField::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    emit focusChanged(false);
}

void ScalarField::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
        emit stepRequested(e->key() == Qt::Key_Up ? 1 : -1);
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

}  // namespace lipsmith
