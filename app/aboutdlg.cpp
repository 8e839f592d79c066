#include "app/aboutdlg.h"

#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "res/ids.h"
#include "res/resources.h"

namespace qar {

namespace {

constexpr const char* kAboutTitle = "QAR について";
constexpr const char* kVersionText = "QAR version 0.99a (Beta)";
constexpr const char* kCopyrightText = "Copyright (C) 2026 lomu-dar";
constexpr const char* kHomePageLabel = "QARのページ";
constexpr int kIconSize = 32;

}  // namespace

CAboutDlg::CAboutDlg(UrlOpener openUrl, QWidget* parent)
    : QDialog(parent), m_openUrl(std::move(openUrl)) {
    if (!m_openUrl)
        m_openUrl = DesktopUrlOpener();
    InitQarResources();
    setObjectName(QStringLiteral("100"));
    setWindowTitle(QString::fromUtf8(kAboutTitle));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(QIcon(QString::fromUtf8(kAppIconResource)).pixmap(kIconSize, kIconSize));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* version = new QLabel(QString::fromUtf8(kVersionText), this);
    auto* copyright = new QLabel(QString::fromUtf8(kCopyrightText), this);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QString::number(IDOK));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Plain);
    rule->setLineWidth(1);

    auto* pageLabel = new QLabel(QString::fromUtf8(kHomePageLabel), this);
    auto* home = new QPushButton(QString::fromUtf8(kHomePageUrl), this);
    home->setObjectName(QString::number(IDC_HOMEPAGE));
    home->setAutoDefault(false);
    // The box stays open, so the page can be opened again or the box read on.
    connect(home, &QPushButton::clicked, this,
            [this] { m_openUrl(QUrl(QString::fromUtf8(kHomePageUrl))); });

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(12);
    grid->addWidget(icon, 0, 0, 2, 1);
    grid->addWidget(version, 0, 1, 1, 2);
    grid->addWidget(copyright, 1, 1, 1, 2);
    grid->addWidget(ok, 0, 3, 2, 1, Qt::AlignVCenter);
    grid->addWidget(rule, 2, 0, 1, 4);
    grid->addWidget(pageLabel, 3, 0, 1, 2);
    grid->addWidget(home, 3, 2, 1, 2);
    grid->setColumnStretch(2, 1);
}

}  // namespace qar
