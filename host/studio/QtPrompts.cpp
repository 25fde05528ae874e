#include "QtPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace lipsmith::studio {

QWidget* QtPrompts::Parent() const {
    QWidget* active = QApplication::activeWindow();
    return active ? active : fallback_;
}

int QtPrompts::MessageBox(const std::string& text, const std::string& caption, unsigned type) {
    QMessageBox box(Parent());
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(QString::fromStdString(caption.empty() ? std::string(kDefaultCaption) : caption));
    switch (type & 0xF0u) {
        case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: break;
    }
    switch (type & 0x0Fu) {
        case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MB_YESNOCANCEL: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
        case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        case QMessageBox::Cancel: return IDCANCEL;
        case QMessageBox::Ok: return IDOK;
        default:
            // Closed with the window's close button: the safe answer of the box.
            return (type & 0x0Fu) == MB_YESNO ? IDNO : ((type & 0x0Fu) == MB_OK ? IDOK : IDCANCEL);
    }
}

QString QtPrompts::QtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed(), pattern = parts[i + 1].trimmed();
        if (name.isEmpty() || pattern.isEmpty()) break;
        QString patterns = pattern;
        patterns.replace(';', ' ');
        filters << (name.contains(pattern) ? name : name + " (" + patterns + ")");
    }
    filters << "All Files (*)";
    return filters.join(";;");
}

QString QtPrompts::DefaultSuffix(const FileDialogRequest& request) {
    const QStringList parts = QString::fromStdString(request.filter).split('|');
    if (parts.size() >= 2) {
        const QString first = parts[1].split(';').value(0).trimmed();
        if (first.startsWith("*.") && first.size() > 2 && !first.mid(1).contains('*')) return first.mid(2);
    }
    return QString::fromStdString(request.defaultExtension).toLower();
}

std::optional<std::string> QtPrompts::FileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(Parent());
    dialog.setObjectName("fileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QtFilter(request.filter));
    dialog.setDefaultSuffix(DefaultSuffix(request));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (request.save && !request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (request.hideReadOnly) dialog.setOption(QFileDialog::ReadOnly, false);
    // "*.wav" is a pattern, not a name to start with.
    if (!request.initialName.empty() && request.initialName.find('*') == std::string::npos)
        dialog.selectFile(QString::fromStdString(request.initialName));
    dialog.setWindowTitle(request.save ? "Save As" : "Open");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace lipsmith::studio
