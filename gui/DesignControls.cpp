#include "gui/DesignControls.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <climits>

#include "gui/Memo.h"
#include "gui/RadioGroup.h"
#include "gui/Widgets.h"

namespace hk {
namespace {

QString Utf8(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

QStringList Items(const char* items) {
    return items ? Utf8(items).split(QLatin1Char('|')) : QStringList();
}

QWidget* NewButton(QWidget* parent, const QString& caption, bool toggles) {
    auto* b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    b->setCheckable(toggles);
    return b;
}

QWidget* NewSpinEdit(QWidget* parent) {
    auto* s = new QSpinBox(parent);
    s->setRange(INT_MIN, INT_MAX);  // no limits
    s->setValue(0);
    return s;
}

QWidget* NewProgressBar(QWidget* parent) {
    auto* p = new QProgressBar(parent);
    p->setRange(0, 100);
    p->setValue(0);
    return p;
}

// A table with no rows, a column for each title.
QWidget* NewTable(QWidget* parent, const QStringList& titles) {
    auto* t = new QTableWidget(0, static_cast<int>(titles.size()), parent);
    t->setHorizontalHeaderLabels(titles);
    return t;
}

// The control of a design row's kind, with its caption and items.
QWidget* NewWidget(QWidget* parent, design::Kind kind, const char* name, const QString& caption,
                   const char* items, int columns) {
    switch (kind) {
        case design::Kind::ToggleButton:
        case design::Kind::Button:
            return NewButton(parent, caption, kind == design::Kind::ToggleButton);
        case design::Kind::Line:
            return MakeBevel(parent, name, QFrame::HLine);
        case design::Kind::Frame:
            return MakeBevel(parent, name, QFrame::Box);
        case design::Kind::CheckBox:
            return new QCheckBox(caption, parent);
        case design::Kind::Label:
        case design::Kind::TealLabel: {
            auto* l = new QLabel(caption, parent);
            l->setTextFormat(Qt::PlainText);
            return l;
        }
        case design::Kind::Memo:
            return new Memo(QString::fromLatin1(name), parent);
        case design::Kind::SpinEdit:
            return NewSpinEdit(parent);
        case design::Kind::Edit:
            return new QLineEdit(parent);
        case design::Kind::RadioGroup:
            return new RadioGroup(QString::fromLatin1(name), caption, Items(items), columns,
                                  parent);
        case design::Kind::ComboBox: {
            auto* c = new QComboBox(parent);
            c->addItems(Items(items));
            return c;
        }
        case design::Kind::ProgressBar:
            return NewProgressBar(parent);
        case design::Kind::Panel: {
            auto* f = new QFrame(parent);
            f->setFrameShape(QFrame::StyledPanel);
            return f;
        }
        case design::Kind::NumberBox:
            return new QSpinBox(parent);
        case design::Kind::Table:
            return NewTable(parent, Items(items));
        case design::Kind::Stretch:
            break;
    }
    return nullptr;
}

void Select(QWidget* w, design::Kind kind, int selected) {
    if (selected < 0) return;
    if (kind == design::Kind::CheckBox) static_cast<QCheckBox*>(w)->setChecked(selected != 0);
    if (kind == design::Kind::RadioGroup) static_cast<RadioGroup*>(w)->SetItemIndex(selected);
    if (kind == design::Kind::ComboBox) static_cast<QComboBox*>(w)->setCurrentIndex(selected);
}

}  // namespace

QWidget* MakeControl(QWidget* window, const design::Control& c) {
    QWidget* parent = c.more.parent ? DesignChild<QWidget>(window, c.more.parent) : window;
    QWidget* w = NewWidget(parent, c.kind, c.name, Utf8(c.caption), c.more.items, c.more.columns);
    Q_ASSERT(w);
    w->setObjectName(QString::fromLatin1(c.name));
    w->setGeometry(c.left, c.top, c.width, c.height);
    if (c.accessibleName) w->setAccessibleName(Utf8(c.accessibleName));
    if (c.hint) {
        // Hints show in the status bar, never as tips; a screen reader says them.
        w->setStatusTip(Utf8(c.hint));
        w->setAccessibleDescription(Utf8(c.hint));
    } else if (c.more.description) {
        w->setAccessibleDescription(Utf8(c.more.description));
    }
    Select(w, c.kind, c.more.selected);
    if (c.more.hidden) w->hide();
    return w;
}

void MakeControls(QWidget* window, std::span<const design::Control> table) {
    for (const design::Control& c : table) MakeControl(window, c);
}

void MakeLaidOutControls(QWidget* window, QBoxLayout* layout,
                         std::span<const design::LaidOutControl> table) {
    for (std::size_t i = 0; i < table.size();) {
        std::size_t end = i;
        while (end < table.size() && table[end].row == table[i].row) ++end;
        // A row of one control fills the width; several stand side by side.
        QBoxLayout* line = nullptr;
        if (end - i > 1) {
            line = new QHBoxLayout;
            layout->addLayout(line);
        }
        for (; i < end; ++i) {
            const design::LaidOutControl& c = table[i];
            QBoxLayout* into = line ? line : layout;
            if (c.kind == design::Kind::Stretch) {
                into->addStretch();
                continue;
            }
            QWidget* w = NewWidget(window, c.kind, c.name, Utf8(c.caption), c.items, 1);
            if (c.name) w->setObjectName(QString::fromLatin1(c.name));
            if (c.accessibleName) w->setAccessibleName(Utf8(c.accessibleName));
            into->addWidget(w);
        }
    }
}

}  // namespace hk
