// The About box: the program's version, its ownership notice and a button that opens the
// program's home page in the browser, leaving the box open.
#pragma once

#include <QDialog>

#include "app/urlopener.h"

namespace qar {

// The home page the About box offers.
inline constexpr const char* kHomePageUrl = "https://lomu-dar.github.io/qar/";

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // openUrl opens the home page (the desktop's browser unless replaced).
    explicit CAboutDlg(UrlOpener openUrl, QWidget* parent = nullptr);

private:
    UrlOpener m_openUrl;
};

}  // namespace qar
