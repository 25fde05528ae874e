// The modal About page: the product name, its version and a "Close" button.
#pragma once
#include <QDialog>

namespace lipsmith {

inline constexpr const char* kProductName = "Lipsmith";
inline constexpr const char* kProductVersion = "1.2.0";

class AboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit AboutDlg(QWidget* owner);
};

}  // namespace lipsmith
