#pragma once
// A multi-line text field whose lines behave as the program's lists expect:
// every added line ends with a line break, an empty line counts as a line,
// and the text after the last line break (if any) is the last line.
//
// The lines are the text document's blocks, so reading a line, counting the
// lines and adding one cost the same in a memo of ten lines as in one of a
// hundred thousand (the answers memo grows for as long as the modem talks).
// A line holds exactly the characters typed or added (a no-break space
// stays one); Shift+Enter and pasted line or paragraph separators break the
// line as Enter does, so that no line is two lines on screen.
//
// Lines can be marked with a background colour that is no part of the text:
// the marks go as soon as the text changes in any way.

#include <QColor>
#include <QList>
#include <QPlainTextEdit>
#include <QStringList>

namespace hk {

class Memo : public QPlainTextEdit {
    Q_OBJECT
public:
    Memo(const QString& objectName, QWidget* parent);

    QStringList Lines() const;
    int LineCount() const;
    // Line `index`; empty when there is no such line.
    QString Line(int index) const;
    // Adds `line` and a line break after it, on a line of its own: a text
    // not ending with a line break gets one first.
    void AddLine(const QString& line);
    // Replaces line `index` (nothing when there is no such line); the other
    // lines, the line break after it or its absence, the cursor and the
    // scroll position stay as they were.
    void SetLine(int index, const QString& line);
    void ClearLines() { clear(); }

    // Marks line `index` across the memo's width; nothing when there is no
    // such line.
    void MarkLine(int index, const QColor& background);
    void ClearMarks();
    // Removes the marks of one colour; the others stay.
    void ClearMarks(const QColor& background);
    // The marked lines, in the order they were marked: all, or those of one colour.
    QList<int> MarkedLines() const;
    QList<int> MarkedLines(const QColor& background) const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    bool scrollPending_ = false;  // bringing the cursor into view is queued
};

}  // namespace hk
