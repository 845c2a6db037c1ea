#pragma once
// A multi-line text field whose lines behave as the program's lists expect:
// every added line ends with a line break, an empty line counts as a line,
// and the text after the last line break (if any) is the last line.

#include <QPlainTextEdit>
#include <QStringList>

namespace hk {

class Memo : public QPlainTextEdit {
    Q_OBJECT
public:
    Memo(const QString& objectName, QWidget* parent);

    QStringList Lines() const;
    int LineCount() const;
    QString Line(int index) const;
    void AddLine(const QString& line);
    void SetLine(int index, const QString& line);
    void ClearLines() { clear(); }
};

}  // namespace hk
