#include "gui/StatusText.h"

#include <QPainter>
#include <QStyleOption>

namespace hk {
namespace {

// QStatusBar's own margins around its message.
constexpr int kMessageLeft = 6;
constexpr int kMessageRight = 12;

}  // namespace

QString FittedStatusText(const QFontMetrics& metrics, const QString& text, int room) {
    return metrics.elidedText(text, Qt::ElideRight, room, Qt::TextSingleLine);
}

// --- StatusPanel ------------------------------------------------------------------

StatusPanel::StatusPanel(QWidget* parent) : QLabel(parent) {}

void StatusPanel::Show(const QString& text) {
    setText(text);
    UpdateHint();
}

QString StatusPanel::ShownText() const {
    return FittedStatusText(fontMetrics(), text(), contentsRect().width());
}

void StatusPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    drawFrame(&p);
    style()->drawItemText(&p, contentsRect(),
                          QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), ShownText(), foregroundRole());
}

void StatusPanel::resizeEvent(QResizeEvent* e) {
    QLabel::resizeEvent(e);
    UpdateHint();
}

void StatusPanel::UpdateHint() { setToolTip(ShownText() == text() ? QString() : text()); }

// --- StatusTextBar ----------------------------------------------------------------

StatusTextBar::StatusTextBar(QWidget* parent) : QStatusBar(parent) {
    connect(this, &QStatusBar::messageChanged, this, [this] { UpdateHint(); });
}

QRect StatusTextBar::MessageRoom() const {
    return QRect(kMessageLeft, 0, width() - kMessageLeft - kMessageRight, height());
}

QString StatusTextBar::ShownText() const {
    return FittedStatusText(fontMetrics(), currentMessage(), MessageRoom().width());
}

void StatusTextBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOption opt;
    opt.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &opt, &p, this);
    if (currentMessage().isEmpty()) return;
    p.setPen(palette().windowText().color());
    p.drawText(MessageRoom(), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine,
               ShownText());
}

void StatusTextBar::resizeEvent(QResizeEvent* e) {
    QStatusBar::resizeEvent(e);
    UpdateHint();
}

void StatusTextBar::UpdateHint() {
    setToolTip(ShownText() == currentMessage() ? QString() : currentMessage());
}

}  // namespace hk
