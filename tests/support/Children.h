#pragma once
// Reaching a window's widget by its object name, the design's component
// name: the stable handle tests use, since the windows keep their widgets
// private.

#include <gtest/gtest.h>

#include <QObject>
#include <QString>
#include <cstdlib>
#include <ostream>

// QStrings in test messages as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace hk::test {

template <class T = QWidget>
T* Child(const QObject* parent, const char* name) {
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    if (!w) {
        ADD_FAILURE() << "no widget named " << name;
        std::abort();  // a missing name is a broken window, not a skipped check
    }
    return w;
}

}  // namespace hk::test
