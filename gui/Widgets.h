#pragma once
// Small makers for the windows' designer-named controls: each carries its
// component name as its object name.

#include <QColor>
#include <QFrame>

class QLabel;
class QPushButton;
class QString;

namespace hk {

inline const QColor kTeal(0x00, 0x80, 0x80);
inline const QColor kMaroon(0x80, 0x00, 0x00);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption);
// A push button of the tool windows (log, records): named, described for
// screen readers, never the default button of its window.
QPushButton* MakeButton(const char* name, const QString& caption, const QString& description,
                        QWidget* parent);
// A sunken frame: a line (HLine) or a box.
QFrame* MakeBevel(QWidget* parent, const char* name, QFrame::Shape shape);
// The colour of a control's text.
void SetTextColour(QWidget* w, const QColor& colour);
// Sets a button's caption. One wider than the button's room for it, in the
// face and at the scale the system gives (Windows' faces are wider than the
// designed one), has its letters set closer, by up to a tenth, until it
// fits; one that fits keeps the usual spacing.
// The button is marked with the property kFittedCaption.
void SetFittedCaption(QPushButton* button, const QString& caption);
inline constexpr const char* kFittedCaption = "fittedCaption";

}  // namespace hk
