#pragma once
// Makes a window's controls from its design table (gui/DesignTable.h): each
// widget with its object name, bounds, caption, hint and accessible name, on
// the control its row names as parent. What is special about a control (a
// font, a range, a timer) stays with its window.

#include <QWidget>
#include <span>

#include "gui/DesignTable.h"

class QBoxLayout;

namespace hk {

// One control, on `parent` unless its row names another.
QWidget* MakeControl(QWidget* window, const design::Control& c);

// Every control of `table`, in order.
void MakeControls(QWidget* window, std::span<const design::Control> table);

// Every control of `table` into `layout` (a vertical box), row by row.
void MakeLaidOutControls(QWidget* window, QBoxLayout* layout,
                         std::span<const design::LaidOutControl> table);

// A control made from a table, by its component name (it must exist).
template <class T>
T* DesignChild(QWidget* window, const char* name) {
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT(w);
    return w;
}

}  // namespace hk
