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

// Runs `action` on the modal window that will be open at the next turn of
// the event loop (a dialog shown with exec()), polling until one appears.
inline void OnNextModal(std::function<void(QWidget*)> action, int triesLeft = 200) {
    QTimer::singleShot(5, [action = std::move(action), triesLeft]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            action(modal);
        } else if (triesLeft > 0) {
            OnNextModal(std::move(action), triesLeft - 1);
        }
    });
}

}  // namespace hk::test
