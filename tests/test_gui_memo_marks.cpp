// Marks on memo lines: a background over the whole line that leaves the
// text alone and goes as soon as the text changes in any way.

#include <gtest/gtest.h>

#include <QTest>
#include <QTextBlock>

#include "gui/Memo.h"
#include "support/QtApp.h"

namespace hk {
namespace {

const QColor kMark(0xFF, 0xC8, 0xC8);

class MemoMarks : public ::testing::Test {
protected:
    MemoMarks() {
        for (const char* line : {"ATZ", "ATX9", "ATS0=2", "AT&W"})
            memo.AddLine(QString::fromLatin1(line));
    }
    QApplication& app = test::EnsureQApplication();  // before any widget
    Memo memo{QStringLiteral("Memo1"), nullptr};
};

TEST_F(MemoMarks, AMarkColoursTheWholeLineAndLeavesTheText) {
    const QString before = memo.toPlainText();
    const int undoSteps = memo.document()->availableUndoSteps();
    memo.MarkLine(1, kMark);
    memo.MarkLine(3, kMark);
    memo.MarkLine(4, kMark);  // no such line
    memo.MarkLine(-1, kMark);
    EXPECT_EQ(memo.MarkedLines(), (QList<int>{1, 3}));
    EXPECT_EQ(memo.toPlainText(), before);
    EXPECT_EQ(memo.document()->availableUndoSteps(), undoSteps) << "no edit to undo";
    const QTextEdit::ExtraSelection mark = memo.extraSelections().constFirst();
    EXPECT_EQ(mark.format.background().color(), kMark);
    EXPECT_TRUE(mark.format.boolProperty(QTextFormat::FullWidthSelection));
    EXPECT_FALSE(mark.cursor.hasSelection()) << "the text is not selected";
}

TEST_F(MemoMarks, MarksGoWhenTheTextChangesInAnyWay) {
    const auto marked = [&] {
        memo.ClearMarks();
        memo.MarkLine(1, kMark);
        return !memo.MarkedLines().isEmpty();
    };
    ASSERT_TRUE(marked());
    memo.setFocus();
    QTest::keyClick(&memo, Qt::Key_End);
    EXPECT_EQ(memo.MarkedLines(), QList<int>{1}) << "moving the cursor changes nothing";
    QTest::keyClicks(&memo, QStringLiteral("0"));
    EXPECT_TRUE(memo.MarkedLines().isEmpty()) << "typing";

    ASSERT_TRUE(marked());
    memo.undo();
    EXPECT_TRUE(memo.MarkedLines().isEmpty()) << "undo";

    ASSERT_TRUE(marked());
    memo.SetLine(2, QStringLiteral("ATS0=3"));
    EXPECT_TRUE(memo.MarkedLines().isEmpty()) << "a line replaced (the ring count)";

    ASSERT_TRUE(marked());
    memo.SetLine(2, QStringLiteral("ATS0=3"));  // the same text: nothing changes
    EXPECT_EQ(memo.MarkedLines(), QList<int>{1});

    memo.AddLine(QStringLiteral("ATH"));
    EXPECT_TRUE(memo.MarkedLines().isEmpty()) << "a line added";

    ASSERT_TRUE(marked());
    memo.ClearLines();
    EXPECT_TRUE(memo.MarkedLines().isEmpty()) << "emptied (a list loaded)";

    memo.setPlainText(QStringLiteral("ATZ\nATX9\n"));
    ASSERT_TRUE(marked());
    memo.setPlainText(QStringLiteral("ATZ\nATX9\n"));
    EXPECT_TRUE(memo.MarkedLines().isEmpty()) << "the same text set again";
}

}  // namespace
}  // namespace hk
