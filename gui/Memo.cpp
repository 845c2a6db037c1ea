#include "gui/Memo.h"

#include <QTextCursor>

namespace hk {

Memo::Memo(const QString& objectName, QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(objectName);
    setAccessibleName(objectName);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

QStringList Memo::Lines() const {
    const QString text = toPlainText();
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    return lines;
}

int Memo::LineCount() const { return static_cast<int>(Lines().size()); }

QString Memo::Line(int index) const {
    const QStringList lines = Lines();
    return index >= 0 && index < lines.size() ? lines[index] : QString();
}

void Memo::AddLine(const QString& line) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const QString text = toPlainText();
    QString add;
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) add += QLatin1Char('\n');
    add += line;
    add += QLatin1Char('\n');
    cursor.insertText(add);
    ensureCursorVisible();
}

void Memo::SetLine(int index, const QString& line) {
    QStringList lines = Lines();
    if (index < 0 || index >= lines.size()) return;
    const bool trailingBreak = toPlainText().endsWith(QLatin1Char('\n'));
    lines[index] = line;
    setPlainText(lines.join(QLatin1Char('\n')) +
                 (trailingBreak ? QStringLiteral("\n") : QString()));
}

}  // namespace hk
