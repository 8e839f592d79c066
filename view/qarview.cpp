#include "view/qarview.h"

#include "view/programfolder.h"

#include <algorithm>
#include <cstdlib>

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QStandardItemModel>

#include <unistd.h>

#include "engine/encodestatusdlg.h"
#include "engine/engine.h"
#include "frame/dirbar.h"
#include "frame/mainframe.h"
#include "res/ids.h"
#include "settings/optionsettings.h"
#include "settings/settingsstore.h"
#include "view/folderscan.h"

namespace qar {

namespace {

struct ColumnDef {
    const char* header;
    int width;
    Qt::Alignment alignment;
};

const ColumnDef kColumns[kColumnCount] = {
    {"Wave File Name", 180, Qt::AlignLeft},
    {"Info", 100, Qt::AlignLeft},
    {"Size", 50, Qt::AlignRight},
    {"Date", 95, Qt::AlignLeft},
    {"MP3 File Name", 150, Qt::AlignLeft},
    {"Size", 50, Qt::AlignRight},
    {"Date", 95, Qt::AlignLeft},
};

}  // namespace

CQarView::CQarView(SettingsStore& store, CMainFrame* frame, QWidget* parent)
    : QTreeView(parent), m_store(store), m_frame(frame), m_model(new QStandardItemModel(this)) {
    m_wavFileDir = CurrentDirectory();
    m_mp3FileDir = m_wavFileDir;
    const ViewSettings settings = LoadViewSettings(m_store);
    m_options = settings.options;
    // No worker exists yet, so this only stores the index for the first run.
    SetEncodePriority(m_options.prior);
    m_subdir = settings.subdir;
    m_samedir = settings.samedir;
    m_cdbase = settings.cdbase;

    m_model->setColumnCount(kColumnCount);
    for (int c = 0; c < kColumnCount; ++c) {
        m_model->setHeaderData(c, Qt::Horizontal, QString::fromUtf8(kColumns[c].header));
        m_model->setHeaderData(c, Qt::Horizontal,
                               QVariant(kColumns[c].alignment | Qt::AlignVCenter),
                               Qt::TextAlignmentRole);
    }
    setModel(m_model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    for (int c = 0; c < kColumnCount; ++c)
        setColumnWidth(c, kColumns[c].width);
    // The last column is never fitted to its texts; give it room for a whole date in
    // whatever font the desktop uses.
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("00-00-00 00:00")) +
                          2 * fontMetrics().averageCharWidth();
    setColumnWidth(kColMp3Date, std::max(kColumns[kColMp3Date].width, dateWidth));
}

CQarView::~CQarView() {
    // The priority may have been changed in the status dialog since start; the engine has
    // the current value.
    SaveViewSettings(m_store, m_subdir, m_samedir, m_cdbase, GetEncodePriority());
}

void CQarView::OnInitialUpdate() {
    if (m_frame && m_frame->DirBar()) {
        CDirBar* bar = m_frame->DirBar();
        bar->SubdirBox()->setChecked(m_subdir != 0);
        bar->SamedirBox()->setChecked(m_samedir != 0);
        bar->Mp3DirEdit()->setEnabled(m_samedir == 0);
    }
    RefreshList();
}

void CQarView::RefreshList() {
    if (m_frame) {
        m_wavFileDir = m_frame->WavFileDir();
        m_mp3FileDir = m_frame->Mp3FileDir();
    }
    ScanResult result = RefreshRows(m_wavFileDir, m_subdir != 0);
    m_wavFileDir = result.source;
    m_rows = std::move(result.rows);
    ShowRows();
    if (result.tooMany)
        QMessageBox::warning(this, QStringLiteral("qar"), QString::fromUtf8(kTooManyWaveFilesText));
    emit listRefreshed();
}

void CQarView::ShowRows() {
    m_model->removeRows(0, m_model->rowCount());
    m_model->setRowCount(static_cast<int>(m_rows.size()));
    for (int r = 0; r < static_cast<int>(m_rows.size()); ++r) {
        const FileRow& row = m_rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < kColumnCount; ++c) {
            auto* item =
                new QStandardItem(QFile::decodeName(QByteArray::fromStdString(row.Text(c))));
            item->setTextAlignment(kColumns[c].alignment | Qt::AlignVCenter);
            m_model->setItem(r, c, item);
        }
    }
    if (!m_rows.empty()) {
        // Fit the columns to their texts; the last keeps its width.
        for (int c = 0; c < kColumnCount - 1; ++c)
            resizeColumnToContents(c);
    }
}

bool CQarView::OnCommand(int id) {
    switch (id) {
        case ID_WAV_DIR_EDIT:
            OnSourceDirEdited();
            return true;
        case ID_MP3_DIR_EDIT:
            OnOutputDirEdited();
            return true;
        case IDC_SAMEDIR:
            OnSameDir();
            return true;
        case IDC_SUBDIR:
            OnSubDir();
            return true;
        case ID_VIEW_REFRESH:
            RefreshList();
            return true;
        case ID_ENCODE_FINISHED:
            OnEncodeFinished();
            return true;
        default:
            return false;
    }
}

void CQarView::OnSourceDirEdited() {
    if (m_frame)
        m_wavFileDir = m_frame->WavFileDir();
    RefreshList();
}

void CQarView::OnOutputDirEdited() {
    if (m_frame)
        m_mp3FileDir = m_frame->Mp3FileDir();
    RefreshList();
}

void CQarView::OnSameDir() {
    // The frame has already put the source folder into the output edit, whose change makes
    // the list rescan; here only the switch and the view's own copy follow.
    m_samedir = m_samedir ? 0 : 1;
    m_mp3FileDir = m_wavFileDir;
}

void CQarView::OnSubDir() {
    m_subdir = m_subdir ? 0 : 1;
    RefreshList();
}

void CQarView::OnEncodeFinished() {
    CloseEncodeStatusDlg();
    // The new MP3 files show up, and every row starts unmarked again.
    RefreshList();
}

}  // namespace qar
