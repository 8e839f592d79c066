// The encoding status dialog: the modeless window that shows a run while it goes on.
#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>

class QButtonGroup;
class QProgressBar;
class QPushButton;

namespace qar {

class ElidedLabel;
class StatusDlgEngine;
struct FilesMailbox;

// Creates the status dialog over parent, registers it and shows it.
void OpenEncodeStatusDlg(QWidget* parent);
// The same over an engine of the caller's instead of the process-wide one.
void OpenEncodeStatusDlg(QWidget* parent, std::shared_ptr<StatusDlgEngine> engine);
// Closes the registered dialog, if any (the end of a run).
void CloseEncodeStatusDlg();

class CEncodeStatusDlg : public QDialog {
    Q_OBJECT

public:
    // Builds the window over parent (centred on it) and starts the timer; shows nothing
    // and registers nothing: OpenEncodeStatusDlg does that.
    CEncodeStatusDlg(std::shared_ptr<StatusDlgEngine> engine, QWidget* parent);
    // Clears the registration and the worker's way in before anything goes away.
    ~CEncodeStatusDlg() override;
    CEncodeStatusDlg(const CEncodeStatusDlg&) = delete;
    CEncodeStatusDlg& operator=(const CEncodeStatusDlg&) = delete;

    // The registered dialog, or null.
    static CEncodeStatusDlg* Registered();

    // The abort button (also Enter): stops the run, then the dialog goes away for good.
    void accept() override;
    // The end of the run: the timer stops and the dialog is hidden; it stays registered.
    void EndRun();
    // True while the dialog polls the engine.
    bool IsPolling() const { return m_timer.isActive(); }

protected:
    // A close from the window system ends the dialog as the end of a run does.
    void closeEvent(QCloseEvent* event) override;

private:
    friend void OpenEncodeStatusDlg(QWidget*, std::shared_ptr<StatusDlgEngine>);

    void BuildWidgets();
    void CenterOverOwner();
    void Register();
    void Unregister();
    void OnTimer();
    void OnPriority(int index);
    // Takes a job's paths over on the user-interface thread.
    void ShowFiles(const std::string& source, const std::string& destination);

    std::shared_ptr<StatusDlgEngine> m_engine;
    std::shared_ptr<FilesMailbox> m_mailbox;
    int m_shownTotal = 0;
    int m_shownTaken = 0;
    QTimer m_timer;
    QProgressBar* m_progress = nullptr;
    ElidedLabel* m_wavText = nullptr;
    ElidedLabel* m_mp3Text = nullptr;
    ElidedLabel* m_settingsText = nullptr;
    ElidedLabel* m_timeText = nullptr;
    ElidedLabel* m_progressText = nullptr;
    ElidedLabel* m_qualityText = nullptr;
    QButtonGroup* m_priority = nullptr;
    QPushButton* m_abort = nullptr;
};

}  // namespace qar
