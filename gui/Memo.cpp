#include "gui/Memo.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace hk {

Memo::Memo(const QString& objectName, QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(objectName);
    setAccessibleName(objectName);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // A mark belongs to the text it was set on.
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if ((removed != 0 || added != 0) && !extraSelections().isEmpty()) ClearMarks();
    });
}

// A text of n line breaks has n + 1 blocks; the last one is a line only when
// it holds text (the text after the last break).
int Memo::LineCount() const {
    const QTextDocument* doc = document();
    const int blocks = doc->blockCount();
    return doc->lastBlock().length() > 1 ? blocks : blocks - 1;
}

QString Memo::Line(int index) const {
    if (index < 0 || index >= LineCount()) return {};
    return document()->findBlockByNumber(index).text();
}

QStringList Memo::Lines() const {
    QStringList lines;
    const int count = LineCount();
    lines.reserve(count);
    QTextBlock block = document()->firstBlock();
    for (int i = 0; i < count; ++i, block = block.next()) lines.append(block.text());
    return lines;
}

void Memo::AddLine(const QString& line) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    QString add;
    if (cursor.block().length() > 1) add += QLatin1Char('\n');
    add += line;
    add += QLatin1Char('\n');
    cursor.insertText(add);
    // The operator's cursor, which follows the new lines when it stood at the
    // end, is brought into view once the lines added in one go are all in:
    // bringing it into view after every line would double the cost of a
    // line, and nothing is painted in between anyway.
    if (!scrollPending_) {
        scrollPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                scrollPending_ = false;
                ensureCursorVisible();
            },
            Qt::QueuedConnection);
    }
}

// Only the characters that differ are replaced (for the ring count, the
// digits after "S0="): a cursor before or after them in the same line stays
// at its character, and an unchanged line is not touched at all.
void Memo::SetLine(int index, const QString& line) {
    if (index < 0 || index >= LineCount()) return;
    const QTextBlock block = document()->findBlockByNumber(index);
    const QString old = block.text();
    const qsizetype shorter = std::min(old.size(), line.size());
    qsizetype head = 0;
    while (head < shorter && old[head] == line[head]) ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && old[old.size() - 1 - tail] == line[line.size() - 1 - tail])
        ++tail;
    if (head == old.size() && head == line.size()) return;
    // A character of two code units is replaced whole.
    if (head > 0 && old[head - 1].isHighSurrogate()) --head;
    if (tail > 0 && old[old.size() - tail].isLowSurrogate()) --tail;
    QTextCursor cursor(document());
    cursor.setPosition(block.position() + static_cast<int>(head));
    cursor.setPosition(block.position() + static_cast<int>(old.size() - tail),
                       QTextCursor::KeepAnchor);
    cursor.insertText(line.mid(head, line.size() - head - tail));
}

void Memo::MarkLine(int index, const QColor& background) {
    if (index < 0 || index >= LineCount()) return;
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(document()->findBlockByNumber(index));
    mark.format.setBackground(background);
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    QList<QTextEdit::ExtraSelection> marks = extraSelections();
    marks.append(mark);
    setExtraSelections(marks);
}

void Memo::ClearMarks() { setExtraSelections({}); }

void Memo::ClearMarks(const QColor& background) {
    QList<QTextEdit::ExtraSelection> marks = extraSelections();
    marks.removeIf([&](const QTextEdit::ExtraSelection& mark) {
        return mark.format.background().color() == background;
    });
    setExtraSelections(marks);
}

QList<int> Memo::MarkedLines() const {
    QList<int> lines;
    for (const QTextEdit::ExtraSelection& mark : extraSelections())
        lines.append(mark.cursor.blockNumber());
    return lines;
}

QList<int> Memo::MarkedLines(const QColor& background) const {
    QList<int> lines;
    for (const QTextEdit::ExtraSelection& mark : extraSelections())
        if (mark.format.background().color() == background) lines.append(mark.cursor.blockNumber());
    return lines;
}

void Memo::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::InsertLineSeparator)) {
        QTextCursor cursor = textCursor();
        cursor.insertBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void Memo::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QString text = source->text();
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    QMimeData plain;
    plain.setText(text);
    QPlainTextEdit::insertFromMimeData(&plain);
}

}  // namespace hk
