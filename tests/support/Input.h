#pragma once
// What an operator does with the mouse and the keyboard, as QTest events.

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace hk::test {

// A left-button press and release on the widget's centre.
inline void Press(QWidget* w) {
    QTest::mousePress(w, Qt::LeftButton);
    QTest::mouseRelease(w, Qt::LeftButton);
}

// A double click on the widget's centre: a press and release, then the
// double-click event.
inline void DoubleClickOn(QWidget* w) {
    Press(w);
    const QPointF centre = QRectF(w->rect()).center();
    QMouseEvent e(QEvent::MouseButtonDblClick, centre, w->mapToGlobal(centre), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// One key pressed and released on the widget, with the modifiers held.
inline void Type(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyPress(w, key, modifiers);
    QTest::keyRelease(w, key, modifiers);
}

// Characters typed one by one, any alphabet: each as a key press and release
// carrying its text.
inline void TypeText(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        const int key = c.isLetterOrNumber() && c.unicode() < 128 ? c.toUpper().unicode() : 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &release);
    }
}

}  // namespace hk::test
