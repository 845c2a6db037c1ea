#include "gui/Widgets.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace hk {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QPushButton* MakeButton(const char* name, const QString& caption, const QString& description,
                        QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleDescription(description);
    b->setAutoDefault(false);
    return b;
}

QFrame* MakeBevel(QWidget* parent, const char* name, QFrame::Shape shape) {
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFrameShape(shape);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

void SetTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

void SetFittedCaption(QPushButton* button, const QString& caption) {
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = caption;
    const int room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, button).width();
    QString shown = caption;
    shown.remove(QLatin1Char('&'));  // the shortcut's mark is not drawn
    QFont font = button->font();
    for (int spacing = 100;; --spacing) {
        font.setLetterSpacing(QFont::PercentageSpacing, spacing);
        if (spacing <= 90 || QFontMetrics(font).horizontalAdvance(shown) <= room) break;
    }
    button->setFont(font);
    button->setText(caption);
    button->setProperty(kFittedCaption, true);
}

}  // namespace hk
