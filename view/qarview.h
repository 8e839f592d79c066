// The file list view: the WAV files of the source folder, one row each. It owns the encoding
// options and the folder switches (loaded when it is built, saved when it goes) and answers
// the commands that concern the list.
#pragma once

#include <string>
#include <vector>

#include <QTreeView>

#include "app/commandtarget.h"
#include "settings/encodeoptions.h"
#include "view/filerow.h"

class QStandardItemModel;

namespace qar {

class CMainFrame;
class SettingsStore;

class CQarView : public QTreeView, public CommandTarget {
    Q_OBJECT

public:
    // Loads the options, the switches and cdbase from store and hands the priority index to
    // the engine. store and frame must outlive the view.
    CQarView(SettingsStore& store, CMainFrame* frame, QWidget* parent = nullptr);
    // Saves subdir, samedir, cdbase and the engine's current priority index.
    ~CQarView() override;
    CQarView(const CQarView&) = delete;
    CQarView& operator=(const CQarView&) = delete;

    // Once, after the frame is built: sets the bar's check boxes from the switches, enables
    // the output edit only when MP3 files do not go beside the WAV files, and lists the folder.
    void OnInitialUpdate();

    // Rebuilds every row from the frame's two folders; all marks are lost.
    void RefreshList();

    bool OnCommand(int id) override;

    // The options as loaded (the Encode command hands them to the engine).
    const EncodeOptions& Options() const { return m_options; }
    int Subdir() const { return m_subdir; }
    int Samedir() const { return m_samedir; }
    // The folder listed by the last refresh, in the system's form, and the output folder.
    const std::string& SourceFolder() const { return m_wavFileDir; }
    const std::string& OutputFolder() const { return m_mp3FileDir; }
    // The rows of the last refresh, in scan order.
    const std::vector<FileRow>& Rows() const { return m_rows; }

signals:
    // A refresh has rebuilt the rows.
    void listRefreshed();

private:
    void OnSourceDirEdited();
    void OnOutputDirEdited();
    void OnSameDir();
    void OnSubDir();
    void OnEncodeFinished();
    void ShowRows();

    SettingsStore& m_store;
    CMainFrame* m_frame;
    QStandardItemModel* m_model;

    EncodeOptions m_options;
    int m_subdir = 0;
    int m_samedir = 1;
    std::string m_cdbase;
    std::string m_wavFileDir;
    std::string m_mp3FileDir;
    std::vector<FileRow> m_rows;
};

}  // namespace qar
