#include "engine/elidedlabel.h"

#include <QFontMetrics>
#include <QPainter>

namespace qar {

namespace {

// Room between the sunken edge and the text.
constexpr int kTextMargin = 3;

}  // namespace

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QFrame(parent), m_mode(mode) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    UpdateToolTip();
    update();
}

int ElidedLabel::TextWidth() const {
    return qMax(0, contentsRect().width() - 2 * kTextMargin);
}

QString ElidedLabel::displayedText() const {
    return fontMetrics().elidedText(m_text, m_mode, TextWidth());
}

void ElidedLabel::setSampleText(const QString& sample) {
    m_sample = sample;
    updateGeometry();
}

QSize ElidedLabel::sizeHint() const {
    // Only the sample counts, never the text itself: a long path must not widen the window.
    const QFontMetrics fm = fontMetrics();
    const int frame = 2 * frameWidth();
    return QSize(fm.horizontalAdvance(m_sample) + 2 * kTextMargin + frame, fm.height() + 2 + frame);
}

QSize ElidedLabel::minimumSizeHint() const {
    return sizeHint();
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(kTextMargin, 0, -kTextMargin, 0);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, displayedText());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    UpdateToolTip();
}

void ElidedLabel::UpdateToolTip() {
    // Whatever was shortened can still be read whole by hovering.
    setToolTip(displayedText() == m_text ? QString() : m_text);
}

}  // namespace qar
