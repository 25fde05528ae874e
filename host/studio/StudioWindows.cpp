#include "StudioWindows.h"

#include "CommandPanel.h"
#include "HelpViewer.h"
#include "MainWindow.h"

namespace lipsmith::studio {

QWidget* StudioWindows::MainWindow() { return &main_; }

QWidget* StudioWindows::AddRollupPage(QWidget* page, const char* title, DWORD flags, int category) {
    return main_.Commands()->Rollups()->AddPage(page, QString::fromUtf8(title), flags, category);
}

void StudioWindows::DeleteRollupPage(QWidget* page) { main_.Commands()->Rollups()->DeletePage(page); }

BOOL StudioWindows::IsRollupPageOpen(QWidget* page) { return main_.Commands()->Rollups()->IsOpen(page); }

void StudioWindows::SetRollupPageOpen(QWidget* page, BOOL open) {
    main_.Commands()->Rollups()->SetOpen(page, open != FALSE);
}

void StudioWindows::RollupMouseMessage(QWidget* page, RollupMouse event, int screenX, int screenY) {
    main_.Commands()->Rollups()->MouseMessage(page, event, screenX, screenY);
}

void StudioWindows::AcceleratorsChanged(BOOL enabled) { main_.SetShortcutsEnabled(enabled != FALSE); }

void StudioWindows::RedrawViews(TimeValue) { main_.RefreshViews(); }

BOOL StudioWindows::ShowHelpPage(const std::string& file, QWidget* owner) {
    return main_.ShowHelpFile(QString::fromStdString(file), owner) ? TRUE : FALSE;
}

}  // namespace lipsmith::studio
