#include "OutputPane.h"

#include <QScrollBar>
#include <QTextBlock>

namespace lipsmith {

OutputPane::OutputPane(ParserOutput& output, QWidget* parent) : QPlainTextEdit(parent), output_(output) {
    setObjectName("ctl4006");
    setAccessibleName("Parser Output");
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    setFont(font);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(200, 200, 225));
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
    Append(output_.Text(), OutputKind::Plain, true);
    output_.SetListener([this](std::string_view text, OutputKind kind, bool replaced) { Append(text, kind, replaced); });
}

OutputPane::~OutputPane() { output_.SetListener(nullptr); }

void OutputPane::Append(std::string_view text, OutputKind kind, bool replaced) {
    const QString q = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (replaced) {
        setPlainText(q);
        return;
    }
    QTextCharFormat format;
    format.setForeground(kind == OutputKind::Plain ? QColor(0, 0, 0) : QColor(255, 0, 0));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(q, format);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void OutputPane::mouseDoubleClickEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseDoubleClickEvent(e);
    const QString line = cursorForPosition(e->position().toPoint()).block().text();
    if (const auto where = RowOfOutputLine(line.toStdString()); where && onRowClicked)
        onRowClicked(where->first, where->second);
}

}  // namespace lipsmith
