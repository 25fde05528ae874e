// The windows a desktop host lends its plug-ins: the main window, the
// command panel's rollup pages, the views and the help viewer. A desktop
// host installs its implementation into Interface (SetHostWindows); without
// one (the command-line host) every window call of Interface answers "no
// window" (nullptr or FALSE) and does nothing else.
//
// Windows are Qt widgets, named here only by a forward declaration so that
// this header and everything including it stay free of Qt. Plug-ins that
// show windows link Qt Widgets in their own ui/ folders.
#pragma once
#include <string>

#include "HostApi.h"
#include "Time.h"

class QWidget;

// AddRollupPage flags: the page starts rolled up (only its title shows).
inline constexpr DWORD APPENDROLL_CLOSED = 0x8;

// Rollup categories: pages of a lower category stand higher in the panel;
// pages of one category keep the order in which they were added.
inline constexpr int ROLLUP_CAT_SYSTEM = 2000;
inline constexpr int ROLLUP_CAT_STANDARD = 4000;
inline constexpr int ROLLUP_CAT_CUSTATTRIB = 6000;

// Mouse events a rollup page passes on to the panel (RollupMouseMessage), so
// that dragging over the page scrolls the panel.
enum class RollupMouse { Move, LeftButtonDown, LeftButtonUp };

class HOST_API HostWindows {
public:
    virtual ~HostWindows();

    // The host's main window: the parent of plug-in dialogs.
    virtual QWidget* MainWindow() = 0;

    // Puts page (a widget without parent, made by the plug-in) into the
    // command panel under a title bar with `title`, and answers it. The panel
    // owns the page from then on: it is deleted by DeleteRollupPage or with
    // the panel. nullptr means the page could not be added and stays the
    // caller's.
    virtual QWidget* AddRollupPage(QWidget* page, const char* title, DWORD flags, int category) = 0;
    // Takes the page out of the panel and deletes it (later, from the event
    // loop, so a page may ask for its own removal from one of its handlers).
    virtual void DeleteRollupPage(QWidget* page) = 0;
    // Whether the page is open (TRUE) or rolled up (FALSE); FALSE for a
    // widget that is no page of the panel.
    virtual BOOL IsRollupPageOpen(QWidget* page) = 0;
    virtual void SetRollupPageOpen(QWidget* page, BOOL open) = 0;
    // A mouse event over a page, at screen coordinates. A left-button drag
    // scrolls the panel by the distance the mouse moved.
    virtual void RollupMouseMessage(QWidget* page, RollupMouse event, int screenX, int screenY) = 0;

    // The host's keyboard shortcuts were switched off (FALSE) or on (TRUE).
    virtual void AcceleratorsChanged(BOOL enabled) = 0;
    // Scene data changed outside the host's own commands: repaint the views
    // (track views, viewport) at time t.
    virtual void RedrawViews(TimeValue t) = 0;
    // Shows an HTML help page (a file path) in the host's help viewer, owned
    // by `owner` (nullptr: the main window). FALSE when the page cannot be shown.
    virtual BOOL ShowHelpPage(const std::string& file, QWidget* owner) = 0;
};
