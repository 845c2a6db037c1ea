#pragma once
// One QApplication for a widget test program (offscreen platform).

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace hk::test {

inline QApplication& EnsureQApplication() {
    static int argc = 1;
    static char arg0[] = "hk-widget-test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Runs `action` on the next modal window to open (a dialog shown with
// exec()), polling until one other than the modal window open now appears.
inline void OnNextModal(std::function<void(QWidget*)> action, int triesLeft = 200,
                        QWidget* openNow = QApplication::activeModalWidget()) {
    QTimer::singleShot(5, [action = std::move(action), triesLeft, openNow]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != openNow) {
            action(modal);
        } else if (triesLeft > 0) {
            OnNextModal(std::move(action), triesLeft - 1, openNow);
        }
    });
}

}  // namespace hk::test
