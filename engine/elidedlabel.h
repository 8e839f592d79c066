// A sunken one-line text that shortens itself with "…" instead of growing its window.
#pragma once

#include <QFrame>
#include <QString>

namespace qar {

class ElidedLabel : public QFrame {
    Q_OBJECT

public:
    // mode says where a text too long for the label is shortened.
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    // Sets the whole text; the label draws as much of it as fits.
    void setText(const QString& text);
    // The whole text last set.
    QString text() const { return m_text; }
    // The text as drawn at the label's current width.
    QString displayedText() const;
    // The label asks for at least the room this text needs.
    void setSampleText(const QString& sample);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int TextWidth() const;
    void UpdateToolTip();

    Qt::TextElideMode m_mode;
    QString m_text;
    QString m_sample;
};

}  // namespace qar
