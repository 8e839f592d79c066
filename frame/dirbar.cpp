#include "frame/dirbar.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "frame/prompts.h"
#include "res/ids.h"

namespace qar {

namespace {

// Room for a usual folder path before the edit has to scroll.
constexpr int kEditMinWidth = 180;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

CDirBar::CDirBar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QString::number(ID_VIEW_DIRBAR));
    setWindowTitle(Text("ディレクトリバー"));
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    setMovable(true);

    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);

    QPushButton* encode = AddButton(ID_ENCODE, Text("エンコード..."));
    QPushButton* settings = AddButton(ID_OPTIONS, Text("設定..."));

    auto* wavLabel = new QLabel(Text("ソースディレクトリ(&W):"), panel);
    m_wavDirEdit = new QLineEdit(panel);
    m_wavDirEdit->setObjectName(QString::number(ID_WAV_DIR_EDIT));
    m_wavDirEdit->setMinimumWidth(kEditMinWidth);
    wavLabel->setBuddy(m_wavDirEdit);
    QPushButton* wavBrowse = AddBrowseButton(ID_WAV_DIR);

    m_subdirBox = new QCheckBox(Text("サブディレクトリも検索(&S)"), panel);
    m_subdirBox->setObjectName(QString::number(IDC_SUBDIR));
    m_samedirBox = new QCheckBox(Text("ソースディレクトリと同じ場所に作成する(&M)"), panel);
    m_samedirBox->setObjectName(QString::number(IDC_SAMEDIR));

    auto* mp3Label = new QLabel(Text("出力ディレクトリ(&M)"), panel);
    m_mp3DirEdit = new QLineEdit(panel);
    m_mp3DirEdit->setObjectName(QString::number(ID_MP3_DIR_EDIT));
    m_mp3DirEdit->setMinimumWidth(kEditMinWidth);
    mp3Label->setBuddy(m_mp3DirEdit);
    QPushButton* mp3Browse = AddBrowseButton(ID_MP3_DIR);

    // Buttons on the left; the folders to their right, source on top and output at the
    // bottom with the two switches between them.
    grid->addWidget(encode, 0, 0);
    grid->addWidget(wavLabel, 0, 1);
    grid->addWidget(m_wavDirEdit, 0, 2);
    grid->addWidget(wavBrowse, 0, 3);
    grid->addWidget(settings, 1, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(m_subdirBox, 1, 1, 1, 3);
    grid->addWidget(m_samedirBox, 2, 1, 1, 3);
    grid->addWidget(mp3Label, 3, 1);
    grid->addWidget(m_mp3DirEdit, 3, 2);
    grid->addWidget(mp3Browse, 3, 3);
    grid->setColumnStretch(2, 1);

    // Tab goes down the buttons first, then through the folders, then the switches.
    setTabOrder(encode, settings);
    setTabOrder(settings, m_wavDirEdit);
    setTabOrder(m_wavDirEdit, wavBrowse);
    setTabOrder(wavBrowse, m_mp3DirEdit);
    setTabOrder(m_mp3DirEdit, mp3Browse);
    setTabOrder(mp3Browse, m_samedirBox);
    setTabOrder(m_samedirBox, m_subdirBox);

    addWidget(panel);

    connect(m_subdirBox, &QCheckBox::clicked, this, [this] { emit commandRequested(IDC_SUBDIR); });
    connect(m_samedirBox, &QCheckBox::clicked, this,
            [this] { emit commandRequested(IDC_SAMEDIR); });
    connect(m_wavDirEdit, &QLineEdit::textChanged, this,
            [this] { emit editChanged(ID_WAV_DIR_EDIT); });
    connect(m_mp3DirEdit, &QLineEdit::textChanged, this,
            [this] { emit editChanged(ID_MP3_DIR_EDIT); });
}

QPushButton* CDirBar::AddButton(int id, const QString& text) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::number(id));
    // The buttons act on the list; keeping the focus there lets the keys go on working.
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(false);
    const CommandPrompt prompt = PromptFor(id);
    button->setStatusTip(prompt.status);
    button->setToolTip(prompt.tooltip);
    connect(button, &QPushButton::clicked, this, [this, id] { emit commandRequested(id); });
    return button;
}

QPushButton* CDirBar::AddBrowseButton(int id) {
    QPushButton* button = AddButton(id, Text("..."));
    // Just wide enough for its dots, like a browse button beside an edit should be.
    const QFontMetrics metrics = button->fontMetrics();
    button->setFixedWidth(metrics.horizontalAdvance(button->text()) +
                          4 * metrics.averageCharWidth());
    return button;
}

}  // namespace qar
