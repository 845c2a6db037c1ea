#pragma once
// Status texts in a bar of fixed width. A text that does not fit is drawn
// cut with "…" and keeps its whole text as the hint (tool tip) of its
// panel: the pointer on the panel shows all of it. The text itself stays
// whole (text(), currentMessage()): only the drawing is cut.

#include <QLabel>
#include <QStatusBar>

namespace hk {

// `text` as it fits `room` pixels in `metrics`: whole, or cut with "…".
QString FittedStatusText(const QFontMetrics& metrics, const QString& text, int room);

// A panel of a status bar (the main window's first panel).
class StatusPanel : public QLabel {
public:
    explicit StatusPanel(QWidget* parent = nullptr);
    void Show(const QString& text);
    QString ShownText() const;  // as drawn

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void UpdateHint();
};

// A status bar of one simple text (the dialogs' StatusBar1), its message
// shown through showMessage.
class StatusTextBar : public QStatusBar {
public:
    explicit StatusTextBar(QWidget* parent = nullptr);
    QString ShownText() const;  // the message as drawn

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QRect MessageRoom() const;
    void UpdateHint();
};

}  // namespace hk
