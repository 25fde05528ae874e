// The Parser Output pane: a read-only view of the ParserOutput, black plain
// lines and red warnings and errors, that grows as the run writes to it.
// Double-clicking a line that names a row selects that row of the script.
#pragma once
#include <QPlainTextEdit>
#include <functional>

#include "ParserOutput.h"

namespace lipsmith {

class OutputPane : public QPlainTextEdit {
    Q_OBJECT
public:
    OutputPane(ParserOutput& output, QWidget* parent = nullptr);
    ~OutputPane() override;

    // Double-click on a line that names a row (and maybe a column).
    std::function<void(long row, long col)> onRowClicked;

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void Append(std::string_view text, OutputKind kind, bool replaced);
    ParserOutput& output_;
};

}  // namespace lipsmith
