// The directory bar: the Encode and Settings buttons, the source and output folder edits
// with their browse buttons and the two folder check boxes, in a bar that docks at the top
// or the bottom of the main window. It only reports what the user does; the frame decides.
#pragma once

#include <QToolBar>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qar {

class CDirBar : public QToolBar {
    Q_OBJECT

public:
    explicit CDirBar(QWidget* parent = nullptr);

    // Edit 1008, the source folder.
    QLineEdit* WavDirEdit() const { return m_wavDirEdit; }
    // Edit 1009, the output folder.
    QLineEdit* Mp3DirEdit() const { return m_mp3DirEdit; }
    // Check box 1019, "also search subfolders".
    QCheckBox* SubdirBox() const { return m_subdirBox; }
    // Check box 1020, "create in the same place as the source folder".
    QCheckBox* SamedirBox() const { return m_samedirBox; }

signals:
    // A button or check box of the bar was clicked; id is its command id.
    void commandRequested(int id);
    // The text of edit 1008 or 1009 changed, whether typed or set by the program.
    void editChanged(int id);

private:
    QPushButton* AddButton(int id, const QString& text);
    QPushButton* AddBrowseButton(int id);

    QLineEdit* m_wavDirEdit = nullptr;
    QLineEdit* m_mp3DirEdit = nullptr;
    QCheckBox* m_subdirBox = nullptr;
    QCheckBox* m_samedirBox = nullptr;
};

}  // namespace qar
